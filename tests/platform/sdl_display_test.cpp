#include "display/sdl_display.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "display/message_box.h"

namespace orvanta {
namespace {

void pushKey(SDL_Keycode key) {
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_KEYDOWN;
  event.key.keysym.sym = key;
  event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  SDL_PushEvent(&event);
}

void pushWindowEvent(Uint8 what) {
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_WINDOWEVENT;
  event.window.event = what;
  SDL_PushEvent(&event);
}

void pushMouseMotion() {
  SDL_Event event;
  SDL_zero(event);
  event.type = SDL_MOUSEMOTION;
  SDL_PushEvent(&event);
}

TEST(SdlDisplay, WindowIsFixedSizeTitledAndCentred) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  SDL_Window* window = display.window();
  EXPECT_STREQ(SDL_GetWindowTitle(window), "veltrane");
  int width = 0;
  int height = 0;
  SDL_GetWindowSize(window, &width, &height);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  const Uint32 flags = SDL_GetWindowFlags(window);
  EXPECT_EQ(flags & SDL_WINDOW_RESIZABLE, 0u);
  EXPECT_EQ(flags & SDL_WINDOW_FULLSCREEN, 0u);
  SDL_Rect bounds;
  ASSERT_EQ(SDL_GetDisplayBounds(0, &bounds), 0);
  int x = 0;
  int y = 0;
  SDL_GetWindowPosition(window, &x, &y);
  EXPECT_EQ(x, bounds.x + (bounds.w - 320) / 2);
  EXPECT_EQ(y, bounds.y + (bounds.h - 240) / 2);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  display.close();
}

TEST(SdlDisplay, FullScreenTakesTheDesktopAndHidesTheCursor) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, false));
  EXPECT_EQ(SDL_GetWindowFlags(display.window()) & SDL_WINDOW_FULLSCREEN_DESKTOP, SDL_WINDOW_FULLSCREEN_DESKTOP);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  display.close();
  SDL_InitSubSystem(SDL_INIT_VIDEO);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TEST(SdlDisplay, ShowsTheFrameUnscaledIgnoringAlpha) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  std::vector<uint32_t> frame(320 * 240);
  for (uint32_t i = 0; i < frame.size(); ++i) frame[i] = (i * 2654435761u) ^ (i << 24);
  display.present(frame.data(), FrameInfo{});
  // The software renderer draws straight into the window's surface.
  SDL_Surface* surface = SDL_GetWindowSurface(display.window());
  ASSERT_NE(surface, nullptr);
  ASSERT_EQ(surface->w, 320);
  ASSERT_EQ(surface->h, 240);
  ASSERT_EQ(surface->format->BytesPerPixel, 4);
  int mismatches = 0;
  for (int y = 0; y < 240; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch);
    for (int x = 0; x < 320; ++x) {
      Uint8 r = 0;
      Uint8 g = 0;
      Uint8 b = 0;
      SDL_GetRGB(row[x], surface->format, &r, &g, &b);
      const uint32_t expected = frame[y * 320 + x] & 0xFFFFFFu;
      if ((static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b) != expected) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
  display.close();
}

TEST(SdlDisplay, EscapeAndCloseRequestQuitOnTheNextEvent) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  EXPECT_EQ(display.takeEvent(), DisplayEvent::None);
  pushKey(SDLK_ESCAPE);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Quit);
  pushWindowEvent(SDL_WINDOWEVENT_CLOSE);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Quit);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::None);
  display.close();
}

TEST(SdlDisplay, InterruptAndTerminateEndTheShowLikeACloseRequest) {
  for (int signal : {SIGINT, SIGTERM}) {
    SdlDisplay display;
    ASSERT_TRUE(display.open("veltrane", 320, 240, true));
    std::raise(signal);
    EXPECT_EQ(display.takeEvent(), DisplayEvent::Quit) << signal;
    display.close();
  }
}

TEST(SdlDisplay, TakesOneEventPerCallAndDropsPointerNoise) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  for (int i = 0; i < 100; ++i) pushMouseMotion();
  pushKey(SDLK_a);
  pushKey(SDLK_SPACE);
  pushWindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::None);
  display.close();
}

TEST(SdlDisplay, FailureIsOneLineOnStandardError) {
  const std::string previous = std::getenv("SDL_VIDEODRIVER");
  setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
  SdlDisplay display;
  ::testing::internal::CaptureStderr();
  const bool opened = display.open("veltrane", 320, 240, true);
  const std::string error = ::testing::internal::GetCapturedStderr();
  setenv("SDL_VIDEODRIVER", previous.c_str(), 1);
  EXPECT_FALSE(opened);
  EXPECT_EQ(error.rfind("orvanta: cannot open the display: ", 0), 0u) << error;
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
  EXPECT_NE(error.find("no-such-driver"), std::string::npos) << error;
  EXPECT_FALSE(screenAvailable());
  // Opening works again afterwards.
  EXPECT_TRUE(display.open("veltrane", 320, 240, true));
  display.close();
}

TEST(SdlDisplay, LoaderMessagesGoToStandardErrorWithoutAScreen) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  EXPECT_FALSE(screenAvailable());  // the dummy driver has nobody to answer a box
  ::testing::internal::CaptureStderr();
  showMessageOnScreen("Cant open data/box.tga", "ERROR!");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ERROR!: Cant open data/box.tga\n");
  display.close();
}

}  // namespace
}  // namespace orvanta
