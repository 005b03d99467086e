#include "display/sdl_display.h"

#include <SDL.h>

#include <cstdio>
#include <cstring>

namespace orvanta {
namespace {

SdlDisplay* gOpenDisplay = nullptr;

// One event is taken per frame, so events nobody looks at must not pile up in the queue and
// delay the quit: only quit, key presses and window events are kept.
int keepShowEvents(void* /*unused*/, SDL_Event* event) {
  switch (event->type) {
    case SDL_QUIT:
    case SDL_KEYDOWN:
    case SDL_WINDOWEVENT:
      return 1;
    default:
      return 0;
  }
}

void postQuit() {
  SDL_Event quit;
  SDL_zero(quit);
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
}

}  // namespace

SdlDisplay::~SdlDisplay() { release(); }

bool SdlDisplay::fail(const char* what) {
  std::fprintf(stderr, "orvanta: cannot open the display: %s: %s\n", what, SDL_GetError());
  release();
  return false;
}

bool SdlDisplay::open(const char* title, int32_t width, int32_t height, bool windowed) {
  width_ = width;
  height_ = height;
  // The quit comes from our own handling of the close request, as for Escape.
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fail("could not start the video system");
  videoStarted_ = true;
  // With no display server SDL falls back to drawing into memory, and the show would run
  // unseen; that driver counts only when asked for by name (SDL_VIDEODRIVER).
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* requested = SDL_GetHint(SDL_HINT_VIDEODRIVER);
  if (driver != nullptr && std::strcmp(driver, "offscreen") == 0 &&
      (requested == nullptr || std::strstr(requested, "offscreen") == nullptr)) {
    SDL_SetError("neither an X11 nor a Wayland display nor a console display could be reached");
    return fail("no screen found");
  }

  const Uint32 windowFlags = windowed ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP;
  window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, windowFlags);
  if (window_ == nullptr) return fail("could not create the window");

  // Nearest-neighbour whole-number scaling; in the window the scale is 1.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  if (windowed) {
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
  } else {
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_PRESENTVSYNC);
    if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
  }
  if (renderer_ == nullptr) return fail("could not create a renderer");
  if (SDL_RenderSetLogicalSize(renderer_, width, height) != 0 ||
      SDL_RenderSetIntegerScale(renderer_, SDL_TRUE) != 0) {
    return fail("could not set the frame size");
  }
  // The frame's words are 0xAARRGGBB; this format takes them as they are and ignores alpha.
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (texture_ == nullptr) return fail("could not create the frame texture");
  if (!windowed) SDL_ShowCursor(SDL_DISABLE);

  SDL_SetEventFilter(keepShowEvents, nullptr);
  SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
  gOpenDisplay = this;
  return true;
}

DisplayEvent SdlDisplay::takeEvent() {
  SDL_Event event;
  if (SDL_PollEvent(&event) == 0) return DisplayEvent::None;
  switch (event.type) {
    case SDL_QUIT:
      return DisplayEvent::Quit;
    case SDL_KEYDOWN:
      if (event.key.keysym.sym == SDLK_ESCAPE) postQuit();
      return DisplayEvent::Other;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) postQuit();
      return DisplayEvent::Other;
    default:
      return DisplayEvent::Other;
  }
}

void SdlDisplay::present(const uint32_t* pixels, const FrameInfo& /*frame*/) {
  if (texture_ == nullptr) return;
  SDL_UpdateTexture(texture_, nullptr, pixels, width_ * static_cast<int>(sizeof(uint32_t)));
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
  SDL_RenderPresent(renderer_);
}

void SdlDisplay::close() { release(); }

void SdlDisplay::release() {
  if (gOpenDisplay == this) {
    gOpenDisplay = nullptr;
    SDL_SetEventFilter(nullptr, nullptr);
  }
  if (texture_ != nullptr) SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) {
    SDL_ShowCursor(SDL_ENABLE);
    SDL_DestroyWindow(window_);
  }
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
  if (videoStarted_) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    // The display goes last: with nothing else running, release SDL's shared resources too.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
  }
  videoStarted_ = false;
}

bool screenAvailable() {
  if (gOpenDisplay == nullptr) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver != nullptr && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
}

SDL_Window* screenWindow() { return gOpenDisplay != nullptr ? gOpenDisplay->window() : nullptr; }

}  // namespace orvanta
