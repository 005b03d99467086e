#pragma once
// The show's window on SDL. Windowed: a fixed 320 x 240 window, centred, frames shown 1:1 as
// fast as they come. Full screen: the desktop-sized screen showing the frame at the largest
// whole-number scale on black, in step with the refresh, cursor hidden.

#include <cstdint>

#include "driver/show_platform.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace orvanta {

class SdlDisplay final : public Display {
 public:
  ~SdlDisplay() override;
  // On failure writes one line to standard error saying what failed and why.
  bool open(const char* title, int32_t width, int32_t height, bool windowed) override;
  // Escape and the close request are turned into a quit event that a later call takes.
  DisplayEvent takeEvent() override;
  void present(const uint32_t* pixels, const FrameInfo& frame) override;
  void close() override;

  SDL_Window* window() const { return window_; }

 private:
  bool fail(const char* what);
  void release();

  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool videoStarted_ = false;
};

// True while a display is open on a real screen (not on SDL's dummy or offscreen drivers),
// so that a message box can be shown and answered. Its window, or none.
bool screenAvailable();
SDL_Window* screenWindow();

}  // namespace orvanta
