#include "display/music_player_sdl.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>

#include <cstdio>
#include <string>

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

bool SdlMusicPlayer::silent(const char* why, const char* fileName) {
  std::fprintf(stderr, "orvanta: the show is silent: %s %s: %s\n", why, fileName, SDL_GetError());
  return false;
}

bool SdlMusicPlayer::open(const char* fileName) {
  if (initialised_) return true;
  quietAlsaDiagnostics();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return silent("no audio device for", fileName);
  audioStarted_ = true;
  Mix_Init(MIX_INIT_MP3);
  if (Mix_OpenAudio(kOutputFrequency, MIX_DEFAULT_FORMAT, kOutputChannels, kChunkSamples) != 0) {
    silent("no audio device for", fileName);
    releaseAudio();
    return false;
  }
  stream_ = Mix_LoadMUS(fileName);
  if (stream_ == nullptr) {
    // The stream's reason is the one worth telling.
    const std::string why = SDL_GetError();
    sample_ = Mix_LoadWAV(fileName);
    if (sample_ == nullptr) SDL_SetError("%s", why.c_str());
  }
  if (stream_ == nullptr && sample_ == nullptr) {
    silent("cannot play the soundtrack", fileName);
    Mix_CloseAudio();
    releaseAudio();
    return false;
  }
  initialised_ = true;
  paused_ = false;
  playing_ = false;
  return true;
}

void SdlMusicPlayer::play() {
  if (!initialised_) return;
  playing_ = true;
  if (stream_ != nullptr) {
    Mix_FadeInMusicPos(stream_, 0, 0, startSeconds_);  // once, from the start position
  } else {
    Mix_PlayChannel(-1, sample_, 0);
  }
  if (paused_) pause();
}

void SdlMusicPlayer::pause() {
  if (!initialised_) return;
  paused_ = true;
  Mix_PauseMusic();
  Mix_Pause(-1);
}

void SdlMusicPlayer::resume() {
  if (!initialised_) return;
  paused_ = false;
  Mix_ResumeMusic();
  Mix_Resume(-1);
}

void SdlMusicPlayer::seek(double seconds) {
  startSeconds_ = seconds > 0.0 ? seconds : 0.0;
  // A sound decoded whole plays on from where it is.
  if (!initialised_ || !playing_ || stream_ == nullptr) return;
  if (Mix_PlayingMusic() == 0) {
    // After its end the soundtrack has stopped; going back starts it again.
    Mix_FadeInMusicPos(stream_, 0, 0, startSeconds_);
  } else {
    Mix_SetMusicPosition(startSeconds_);
  }
  if (paused_) Mix_PauseMusic();
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
  startSeconds_ = 0.0;
}

void SdlMusicPlayer::releaseAudio() {
  Mix_Quit();
  if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  audioStarted_ = false;
}

}  // namespace orvanta
