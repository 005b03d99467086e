// The SDL platform layer: the show's window and its soundtrack. The tests run on SDL's dummy
// drivers: no screen and no sound card needed.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "display/frame_placement.h"
#include "display/message_box.h"
#include "display/music_player_sdl.h"
#include "display/sdl_display.h"

namespace orvanta {
namespace {

void push(Uint32 type, SDL_Keycode key = 0, Uint8 windowEvent = 0, Uint16 mod = KMOD_NONE) {
  SDL_Event event;
  SDL_zero(event);
  event.type = type;
  if (type == SDL_KEYDOWN) {
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = mod;
  } else {
    event.window.event = windowEvent;
  }
  SDL_PushEvent(&event);
}

bool isFullScreen(SDL_Window* window) { return (SDL_GetWindowFlags(window) & SDL_WINDOW_FULLSCREEN) != 0; }

TEST(SdlDisplay, WindowIsScaledTitledCentredAndResizableAndFullScreenCoversTheScreen) {
  SDL_Rect bounds;
  SdlDisplay display(2);
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  ASSERT_EQ(SDL_GetDisplayBounds(0, &bounds), 0);
  SDL_Window* window = display.window();
  EXPECT_STREQ(SDL_GetWindowTitle(window), "veltrane");
  int width = 0, height = 0, x = 0, y = 0;
  SDL_GetWindowSize(window, &width, &height);
  SDL_GetWindowPosition(window, &x, &y);
  EXPECT_EQ(width, 640);
  EXPECT_EQ(height, 480);
  EXPECT_EQ(x, bounds.x + (bounds.w - 640) / 2);
  EXPECT_EQ(y, bounds.y + (bounds.h - 480) / 2);
  EXPECT_NE(SDL_GetWindowFlags(window) & SDL_WINDOW_RESIZABLE, 0u);
  EXPECT_FALSE(isFullScreen(window));
  SDL_GetWindowMinimumSize(window, &width, &height);
  EXPECT_EQ(width, 320) << "never smaller than one frame";
  EXPECT_EQ(height, 240);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  display.close();

  SdlDisplay fullScreen(3);  // the scale is the window's, not the screen's
  ASSERT_TRUE(fullScreen.open("veltrane", 320, 240, false));
  EXPECT_TRUE(isFullScreen(fullScreen.window()));
  SDL_GetWindowSize(fullScreen.window(), &width, &height);
  EXPECT_EQ(width, bounds.w);
  EXPECT_EQ(height, bounds.h);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  fullScreen.close();
  SDL_InitSubSystem(SDL_INIT_VIDEO);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE) << "the cursor comes back after the show";
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

// Every pixel of the window: the frame scaled and placed as `placement` says, black around it.
int wrongPixels(SDL_Window* window, const std::vector<uint32_t>& frame, const FramePlacement& placement) {
  const SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr || surface->format->BytesPerPixel != 4) return -1;
  int wrong = 0;
  for (int y = 0; y < surface->h; ++y) {
    const auto* row =
        reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch);
    for (int x = 0; x < surface->w; ++x) {
      const int fx = x - placement.x, fy = y - placement.y;
      const bool inside = fx >= 0 && fy >= 0 && fx < placement.width && fy < placement.height;
      const uint32_t expected = inside ? frame[(fy / placement.scale) * 320 + fx / placement.scale] & 0xFFFFFFu : 0;
      Uint8 r = 0, g = 0, b = 0;
      SDL_GetRGB(row[x], surface->format, &r, &g, &b);
      if ((uint32_t{r} << 16 | uint32_t{g} << 8 | b) != expected) ++wrong;
    }
  }
  return wrong;
}

TEST(SdlDisplay, ShowsTheFrameAtTheLargestWholeScaleOfTheWindowsRealSizeIgnoringAlpha) {
  SdlDisplay display(2);
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  std::vector<uint32_t> frame(320 * 240);
  for (uint32_t i = 0; i < frame.size(); ++i) frame[i] = (i * 2654435761u) ^ (i << 24);
  // The software renderer draws straight into the window's surface, which has the window's size.
  struct Case {
    int width, height, scale, x, y;
  };
  for (const Case& c : {Case{640, 480, 2, 0, 0}, Case{1000, 500, 2, 180, 10}, Case{959, 719, 2, 159, 119},
                        Case{960, 720, 3, 0, 0}, Case{321, 241, 1, 0, 0}}) {
    SDL_SetWindowSize(display.window(), c.width, c.height);
    while (display.takeEvent() != DisplayEvent::None) {
    }
    display.present(frame.data(), FrameInfo{});
    const FramePlacement& placement = display.placement();
    EXPECT_EQ(placement.scale, c.scale) << c.width << "x" << c.height;
    EXPECT_EQ(placement.x, c.x) << c.width << "x" << c.height;
    EXPECT_EQ(placement.y, c.y) << c.width << "x" << c.height;
    EXPECT_EQ(wrongPixels(display.window(), frame, placement), 0) << c.width << "x" << c.height;
  }
  display.close();
}

TEST(SdlDisplay, KeysGiveQuitPauseAndSeekAndEachCallTakesOneEvent) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  EXPECT_EQ(display.takeEvent(), DisplayEvent::None);
  for (int i = 0; i < 100; ++i) push(SDL_MOUSEMOTION);  // pointer noise is dropped
  push(SDL_KEYDOWN, SDLK_a);
  push(SDL_WINDOWEVENT, 0, SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::None);
  push(SDL_KEYDOWN, SDLK_SPACE);
  push(SDL_KEYDOWN, SDLK_LEFT);
  push(SDL_KEYDOWN, SDLK_RIGHT);
  push(SDL_KEYDOWN, SDLK_RIGHT, 0, KMOD_LSHIFT);  // with a modifier too
  EXPECT_EQ(display.takeEvent(), DisplayEvent::TogglePause);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::SeekBackward);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::SeekForward);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::SeekForward);
  // Holding Space must not flicker between paused and playing.
  SDL_Event held;
  SDL_zero(held);
  held.type = SDL_KEYDOWN;
  held.key.keysym.sym = SDLK_SPACE;
  held.key.repeat = 1;
  SDL_PushEvent(&held);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  // Escape and the close request are handled, then quit on the next call.
  push(SDL_KEYDOWN, SDLK_ESCAPE);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Quit);
  push(SDL_WINDOWEVENT, 0, SDL_WINDOWEVENT_CLOSE);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Quit);
  for (int signal : {SIGINT, SIGTERM}) {  // an interrupt or terminate ends the show like a close
    std::raise(signal);
    EXPECT_EQ(display.takeEvent(), DisplayEvent::Quit) << signal;
  }
  EXPECT_EQ(display.takeEvent(), DisplayEvent::None);
  display.close();
}

TEST(SdlDisplay, F11AndAltEnterSwitchTheWindowToFullScreenAndBack) {
  SdlDisplay display(2);
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  SDL_Window* window = display.window();
  SDL_SetWindowPosition(window, 10, 20);
  // Switching queues window events of its own: take everything.
  auto takeAll = [&display] {
    while (display.takeEvent() != DisplayEvent::None) {
    }
  };
  push(SDL_KEYDOWN, SDLK_RETURN);  // Enter alone does nothing
  takeAll();
  EXPECT_FALSE(isFullScreen(window));
  push(SDL_KEYDOWN, SDLK_F11);
  takeAll();
  EXPECT_TRUE(isFullScreen(window));
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  push(SDL_KEYDOWN, SDLK_RETURN, 0, KMOD_LALT);
  takeAll();
  EXPECT_FALSE(isFullScreen(window));
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  int width = 0, height = 0, x = 0, y = 0;
  SDL_GetWindowSize(window, &width, &height);
  SDL_GetWindowPosition(window, &x, &y);
  EXPECT_EQ(width, 640) << "back to the window it was";
  EXPECT_EQ(height, 480);
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 20);
  display.close();

  SdlDisplay fullScreen;  // the full-screen program stays full screen
  ASSERT_TRUE(fullScreen.open("veltrane", 320, 240, false));
  push(SDL_KEYDOWN, SDLK_F11);
  EXPECT_EQ(fullScreen.takeEvent(), DisplayEvent::Other);
  EXPECT_TRUE(isFullScreen(fullScreen.window()));
  fullScreen.close();
}

double secondsFor(SdlDisplay& display, int presents) {
  std::vector<uint32_t> frame(320 * 240, 0);
  const Uint64 start = SDL_GetPerformanceCounter();
  for (int i = 0; i < presents; ++i) display.present(frame.data(), FrameInfo{});
  return static_cast<double>(SDL_GetPerformanceCounter() - start) / static_cast<double>(SDL_GetPerformanceFrequency());
}

TEST(SdlDisplay, PresentsComeAtMostOncePerRefresh) {
  // The dummy driver knows no refresh rate: 60 Hz, so 12 refreshes pass between 13 presents.
  // The software renderer claims vsync without waiting; that claim must not be believed.
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  EXPECT_GE(secondsFor(display, 13), 12.0 / 60.0 - 0.001);
  display.close();
}

TEST(SdlDisplay, FailureIsOneLineAndMessagesGoToStandardErrorWithoutAScreen) {
  const std::string previous = std::getenv("SDL_VIDEODRIVER");
  setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
  SdlDisplay display;
  ::testing::internal::CaptureStderr();
  const bool opened = display.open("veltrane", 320, 240, true);
  const std::string error = ::testing::internal::GetCapturedStderr();
  setenv("SDL_VIDEODRIVER", previous.c_str(), 1);
  EXPECT_FALSE(opened);
  EXPECT_EQ(error.rfind("orvanta: cannot open the display: ", 0), 0u) << error;
  EXPECT_NE(error.find("no-such-driver"), std::string::npos) << error;
  EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;

  ASSERT_TRUE(display.open("veltrane", 320, 240, true));  // opening works again afterwards
  EXPECT_FALSE(screenAvailable());  // the dummy driver has nobody to answer a box
  ::testing::internal::CaptureStderr();
  showMessageOnScreen("Cant open data/box.tga", "ERROR!");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ERROR!: Cant open data/box.tga\n");
  display.close();
}

std::string temporaryPath(const char* name) {
  return ::testing::TempDir() + "orvanta_" + std::to_string(getpid()) + "_" + name;
}

// Half a second of a 16-bit mono tone at 44100 Hz.
void writeWave(const std::string& path) {
  const uint32_t samples = 22050;
  std::ofstream file(path, std::ios::binary);
  auto put = [&file](uint32_t value, int bytes) { file.write(reinterpret_cast<const char*>(&value), bytes); };
  file << "RIFF";
  put(36 + samples * 2, 4);
  file << "WAVEfmt ";
  // PCM, one channel, 44100 frames a second of two bytes each, 16 bits a sample.
  put(16, 4); put(1, 2); put(1, 2); put(44100, 4); put(44100 * 2, 4); put(2, 2); put(16, 2);
  file << "data";
  put(samples * 2, 4);
  for (uint32_t i = 0; i < samples; ++i) put((i % 100) * 300 - 15000, 2);
}

TEST(SdlMusicPlayer, PlaysAReadableFileFromTheStartAndSaysOnceWhyItIsSilentWithoutOne) {
  const std::string tone = temporaryPath("tone.wav"), text = temporaryPath("not_music.mp3");
  writeWave(tone);
  std::ofstream(text) << "this is not a soundtrack\n";
  SdlMusicPlayer music;
  for (const std::string& path : {temporaryPath("missing.mp3"), text, tone, tone}) {  // opens again after a close
    const bool playable = path == tone;
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(music.open(path.c_str()), playable) << path;
    const std::string error = ::testing::internal::GetCapturedStderr();
    if (playable) {
      EXPECT_EQ(error, "");
    } else {
      // The decoder library may add notes of its own; ours is one line, the last.
      const size_t line = error.find("orvanta: ");
      EXPECT_EQ(error.find("orvanta: the show is silent: cannot play the soundtrack " + path + ": "), line) << error;
      EXPECT_NE(line, std::string::npos) << error;
      if (line != std::string::npos) {
        EXPECT_EQ(error.find('\n', line), error.size() - 1) << error;
      }
    }
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    music.play();
    EXPECT_EQ(Mix_PlayingMusic(), playable ? 1 : 0) << path;
    music.close();
    music.close();  // a second close does nothing
  }
  std::remove(tone.c_str());
  std::remove(text.c_str());
}

TEST(SdlMusicPlayer, PausesResumesAndSeeksKeepingThePause) {
  const std::string tone = temporaryPath("seek.wav");
  writeWave(tone);
  SdlMusicPlayer music;
  music.pause();  // nothing open: nothing happens
  music.seek(1.0);
  ASSERT_TRUE(music.open(tone.c_str()));
  music.seek(0.25);  // before play: where play starts
  music.play();
  EXPECT_EQ(Mix_PlayingMusic(), 1);
  music.pause();
  EXPECT_EQ(Mix_PausedMusic(), 1);
  music.seek(0.1);
  EXPECT_EQ(Mix_PausedMusic(), 1) << "a seek keeps the pause";
  music.resume();
  EXPECT_EQ(Mix_PausedMusic(), 0);
  // Past its end the tone stops; a seek back plays it again.
  SDL_Delay(600);
  EXPECT_EQ(Mix_PlayingMusic(), 0);
  music.seek(0.0);
  EXPECT_EQ(Mix_PlayingMusic(), 1);
  music.close();
  std::remove(tone.c_str());
}

}  // namespace
}  // namespace orvanta

int main(int argc, char** argv) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  setenv("SDL_RENDER_DRIVER", "software", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
