#pragma once
// The soundtrack on SDL_mixer: decoded and played on the mixer's own threads. Without an audio
// device or a readable file the show runs silently, and open says so in one line on standard
// error.

#include "driver/show_platform.h"

struct _Mix_Music;
struct Mix_Chunk;

namespace orvanta {

class SdlMusicPlayer final : public MusicPlayer {
 public:
  ~SdlMusicPlayer() override { close(); }
  bool open(const char* fileName) override;
  void play() override;
  void close() override;
  void pause() override;
  void resume() override;
  void seek(double seconds) override;

 private:
  void releaseAudio();
  bool silent(const char* why, const char* fileName);

  bool initialised_ = false;
  bool audioStarted_ = false;
  bool paused_ = false;
  bool playing_ = false;      // play was called since open
  double startSeconds_ = 0.0;  // where play starts
  _Mix_Music* stream_ = nullptr;  // the file opened as a stream
  Mix_Chunk* sample_ = nullptr;   // the file decoded whole, when it does not stream
};

}  // namespace orvanta
