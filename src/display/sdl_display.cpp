#include "display/sdl_display.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

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

bool isScreenDriver(const char* driver) {
  return driver != nullptr && std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0;
}

// SDL's software renderer reports vsync but never waits for the refresh.
bool waitsForRefresh(SDL_Renderer* renderer) {
  SDL_RendererInfo info;
  return SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_PRESENTVSYNC) != 0 &&
         (info.flags & SDL_RENDERER_SOFTWARE) == 0;
}

int refreshRateOf(SDL_Window* window) {
  SDL_DisplayMode mode;
  const int index = SDL_GetWindowDisplayIndex(window);
  if (index < 0 || SDL_GetCurrentDisplayMode(index, &mode) != 0) return 0;
  return mode.refresh_rate;
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
  windowed_ = windowed;
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

  SDL_Rect screen{0, 0, width, height};
  SDL_GetDisplayBounds(0, &screen);
  // On screens with more pixels than points the frame is scaled in pixels, not blurred up.
  // The window stays hidden until its renderer is made: making one may replace the window
  // underneath, and a window shown early would flash and vanish.
  if (windowed) {
    window_ = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width * windowScale_,
                               height * windowScale_,
                               SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_HIDDEN);
  } else {
    // Without a window manager nobody grows a full-screen window to the screen, so it is made
    // that big from the start; with one (or on Wayland) the full-screen state does the rest.
    window_ = SDL_CreateWindow(title, screen.x, screen.y, screen.w, screen.h,
                               SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_BORDERLESS | SDL_WINDOW_ALLOW_HIGHDPI |
                                   SDL_WINDOW_HIDDEN);
  }
  if (window_ == nullptr) return fail("could not create the window");
  if (windowed) SDL_SetWindowMinimumSize(window_, width, height);

  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_PRESENTVSYNC);
  if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (renderer_ == nullptr) return fail("could not create a renderer");
  // The frame's words are 0xAARRGGBB; this format takes them as they are and ignores alpha.
  texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, width, height);
  if (texture_ == nullptr) return fail("could not create the frame texture");
  if (!windowed) SDL_ShowCursor(SDL_DISABLE);
  SDL_ShowWindow(window_);

  pacer_.setRate(SDL_GetPerformanceFrequency(), refreshRateOf(window_), waitsForRefresh(renderer_));
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
    case SDL_KEYDOWN: {
      const SDL_Keycode key = event.key.keysym.sym;
      const bool alt = (event.key.keysym.mod & KMOD_ALT) != 0;
      if (key == SDLK_ESCAPE) {
        postQuit();
      } else if (key == SDLK_SPACE && event.key.repeat == 0) {
        return DisplayEvent::TogglePause;
      } else if (key == SDLK_LEFT) {
        return DisplayEvent::SeekBackward;
      } else if (key == SDLK_RIGHT) {
        return DisplayEvent::SeekForward;
      } else if (windowed_ && event.key.repeat == 0 &&
                 (key == SDLK_F11 || (alt && (key == SDLK_RETURN || key == SDLK_KP_ENTER)))) {
        toggleFullScreen();
      }
      return DisplayEvent::Other;
    }
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) postQuit();
      // The new size is read at the next present; a new screen may refresh at another rate.
      if (event.window.event == SDL_WINDOWEVENT_DISPLAY_CHANGED) {
        pacer_.setRate(SDL_GetPerformanceFrequency(), refreshRateOf(window_), waitsForRefresh(renderer_));
      }
      return DisplayEvent::Other;
    default:
      return DisplayEvent::Other;
  }
}

void SdlDisplay::toggleFullScreen() {
  if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0) {
    SDL_SetWindowFullscreen(window_, 0);
    SDL_SetWindowBordered(window_, SDL_TRUE);
    SDL_SetWindowSize(window_, windowedWidth_, windowedHeight_);
    SDL_SetWindowPosition(window_, windowedX_, windowedY_);
    SDL_ShowCursor(SDL_ENABLE);
    return;
  }
  SDL_GetWindowPosition(window_, &windowedX_, &windowedY_);
  SDL_GetWindowSize(window_, &windowedWidth_, &windowedHeight_);
  // As at opening: cover the screen first, for X servers without a window manager.
  SDL_Rect screen;
  const int index = SDL_GetWindowDisplayIndex(window_);
  if (SDL_GetDisplayBounds(index < 0 ? 0 : index, &screen) == 0) {
    SDL_SetWindowBordered(window_, SDL_FALSE);
    SDL_SetWindowPosition(window_, screen.x, screen.y);
    SDL_SetWindowSize(window_, screen.w, screen.h);
  }
  SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
  SDL_ShowCursor(SDL_DISABLE);
}

void SdlDisplay::waitForRefresh() {
  const uint64_t delay = pacer_.delayBefore(SDL_GetPerformanceCounter());
  if (delay == 0) return;
  const double seconds = static_cast<double>(delay) / static_cast<double>(SDL_GetPerformanceFrequency());
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

void SdlDisplay::present(const uint32_t* pixels, const FrameInfo& /*frame*/) {
  if (texture_ == nullptr) return;
  SDL_UpdateTexture(texture_, nullptr, pixels, width_ * static_cast<int>(sizeof(uint32_t)));
  // The size the window has now, in its pixels: it follows resizes, full-screen switches and
  // screens with more pixels than points.
  int outputWidth = width_, outputHeight = height_;
  SDL_GetRendererOutputSize(renderer_, &outputWidth, &outputHeight);
  placement_ = placeFrame(outputWidth, outputHeight, width_, height_);
  const SDL_Rect target{placement_.x, placement_.y, placement_.width, placement_.height};
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderCopy(renderer_, texture_, nullptr, &target);
  waitForRefresh();
  const uint64_t begin = SDL_GetPerformanceCounter();
  SDL_RenderPresent(renderer_);
  pacer_.presented(begin, SDL_GetPerformanceCounter());
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

bool screenAvailable() { return gOpenDisplay != nullptr && isScreenDriver(SDL_GetCurrentVideoDriver()); }

SDL_Window* screenWindow() { return gOpenDisplay != nullptr ? gOpenDisplay->window() : nullptr; }

bool showStartupErrorBox(const char* caption, const char* text) {
  // Boxes need a display server; probing for one without its variables only adds the video
  // libraries' own complaints to standard error.
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) return false;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  bool shown = false;
  if (isScreenDriver(SDL_GetCurrentVideoDriver())) {
    shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) == 0;
  }
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
  return shown;
}

}  // namespace orvanta
