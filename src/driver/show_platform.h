#pragma once
// What the frame loop needs from the platform: a display with its event queue, a frame timer
// and the soundtrack. The SDL programs, the capture tool and the tests each supply their own.

#include <cstdint>

namespace orvanta {

enum class DisplayEvent {
  None,          // nothing was pending
  Quit,          // the show must end now
  Other,         // an event was taken and handled
  TogglePause,   // stop or go on: picture, show time and music together
  SeekBackward,  // move the show kSeekStepSeconds back
  SeekForward,   // move the show kSeekStepSeconds on
};

inline constexpr float kSeekStepSeconds = 5.0f;

// Describes the frame being presented. Screens ignore it; the capture tool names its output
// after it.
struct FrameInfo {
  uint64_t index = 0;         // presented frames so far, from 0
  float showTimeCs = 0.0f;    // the show time this frame was made for
  const char* scene = "none";  // sceneName of the current scene
  bool sceneRendered = false;  // false for the closing frame, which repeats the previous picture
};

class Display {
 public:
  virtual ~Display() = default;
  // Opens the window and its presentation path; false on any failure.
  virtual bool open(const char* title, int32_t width, int32_t height, bool windowed) = 0;
  // Takes at most one pending event without waiting.
  virtual DisplayEvent takeEvent() = 0;
  // Shows width x height pixels, 0xAARRGGBB with the alpha byte ignored.
  virtual void present(const uint32_t* pixels, const FrameInfo& frame) = 0;
  virtual void close() = 0;
};

class FrameTimer {
 public:
  virtual ~FrameTimer() = default;
  virtual void start() = 0;
  // Seconds since the previous tick (or since start).
  virtual float tick() = 0;
};

class MusicPlayer {
 public:
  virtual ~MusicPlayer() = default;
  // True when the soundtrack is ready to play; failures leave the show silent.
  virtual bool open(const char* fileName) = 0;
  // Plays from the beginning; does nothing unless open succeeded.
  virtual void play() = 0;
  // Stops and releases the audio output; does nothing unless open succeeded.
  virtual void close() = 0;
  // Holds and continues the sound where it is. Players that cannot do nothing.
  virtual void pause() {}
  virtual void resume() {}
  // Moves playback to `seconds` into the soundtrack, keeping it paused if it was; before play,
  // sets where play starts.
  virtual void seek(double /*seconds*/) {}
};

}  // namespace orvanta
