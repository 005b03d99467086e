#pragma once
// The show's window on SDL. Windowed: a window of the frame's size times the chosen scale,
// centred, which the user may resize or switch to full screen (F11, Alt+Enter). Full screen:
// a window covering the screen. Either way the frame is shown at the largest whole-number
// scale that fits the size the window really has, centred on black, and presents come at
// most once per display refresh.

#include <cstdint>

#include "display/frame_placement.h"
#include "display/present_pacer.h"
#include "driver/show_platform.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace orvanta {

class SdlDisplay final : public Display {
 public:
  // `windowScale`: the window opens at frame size times this (windowed mode only).
  explicit SdlDisplay(int32_t windowScale = 1) : windowScale_(windowScale > 0 ? windowScale : 1) {}
  ~SdlDisplay() override;
  // On failure writes one line to standard error saying what failed and why.
  bool open(const char* title, int32_t width, int32_t height, bool windowed) override;
  // Escape and the close request are turned into a quit event that a later call takes; Space
  // and the arrow keys into pause and seek events; F11 and Alt+Enter (windowed mode) switch
  // between window and full screen here.
  DisplayEvent takeEvent() override;
  void present(const uint32_t* pixels, const FrameInfo& frame) override;
  void close() override;

  SDL_Window* window() const { return window_; }
  // Where the latest present put the frame, in the window's pixels.
  const FramePlacement& placement() const { return placement_; }

 private:
  bool fail(const char* what);
  void release();
  void toggleFullScreen();
  void waitForRefresh();

  int32_t windowScale_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool windowed_ = true;
  bool videoStarted_ = false;
  FramePlacement placement_;
  PresentPacer pacer_;
  // The window's place and size before it went full screen, to go back to.
  int32_t windowedX_ = 0, windowedY_ = 0, windowedWidth_ = 0, windowedHeight_ = 0;
};

// True while a display is open on a real screen (not on SDL's dummy or offscreen drivers),
// so that a message box can be shown and answered. Its window, or none.
bool screenAvailable();
SDL_Window* screenWindow();

// Shows one error box with no window of the show behind it, when a screen can be reached;
// false when there is none (or it failed), so the caller has only standard error.
bool showStartupErrorBox(const char* caption, const char* text);

}  // namespace orvanta
