#include "display/music_player_sdl.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

namespace orvanta {
namespace {
constexpr int kOutputFrequency = 44100;
constexpr int kOutputChannels = 2;
constexpr int kChunkSamples = 2048;

void ignoreAlsaDiagnostic(const char*, int, const char*, int, const char*, ...) {}

// A machine without a sound card runs the show silently; the ALSA library would otherwise
// print its search for a card on standard error. It is looked up at run time so that the
// program does not depend on it.
void quietAlsaDiagnostics() {
  using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
  using SetHandler = int (*)(Handler);
  void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_NOLOAD);
  if (alsa == nullptr) alsa = dlopen("libasound.so.2", RTLD_NOW);
  if (alsa == nullptr) return;
  if (auto set = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) set(ignoreAlsaDiagnostic);
  // The library stays loaded for SDL, which opens the same one.
}
}  // namespace

bool SdlMusicPlayer::open(const char* fileName) {
  if (initialised_) return true;
  quietAlsaDiagnostics();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  audioStarted_ = true;
  Mix_Init(MIX_INIT_MP3);
  if (Mix_OpenAudio(kOutputFrequency, MIX_DEFAULT_FORMAT, kOutputChannels, kChunkSamples) != 0) {
    releaseAudio();
    return false;
  }
  stream_ = Mix_LoadMUS(fileName);
  if (stream_ == nullptr) sample_ = Mix_LoadWAV(fileName);
  if (stream_ == nullptr && sample_ == nullptr) {
    Mix_CloseAudio();
    releaseAudio();
    return false;
  }
  initialised_ = true;
  return true;
}

void SdlMusicPlayer::play() {
  if (!initialised_) return;
  if (stream_ != nullptr) {
    Mix_PlayMusic(stream_, 0);  // once, from the start
  } else {
    Mix_PlayChannel(-1, sample_, 0);
  }
}

void SdlMusicPlayer::close() {
  if (!initialised_) return;
  Mix_HaltMusic();
  Mix_HaltChannel(-1);
  if (stream_ != nullptr) Mix_FreeMusic(stream_);
  if (sample_ != nullptr) Mix_FreeChunk(sample_);
  stream_ = nullptr;
  sample_ = nullptr;
  Mix_CloseAudio();
  releaseAudio();
  initialised_ = false;
}

void SdlMusicPlayer::releaseAudio() {
  Mix_Quit();
  if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioStarted_ = false;
}

}  // namespace orvanta
