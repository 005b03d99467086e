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

#include "display/message_box.h"
#include "display/music_player_sdl.h"
#include "display/sdl_display.h"

namespace orvanta {
namespace {

void push(Uint32 type, SDL_Keycode key = 0, Uint8 windowEvent = 0) {
  SDL_Event event;
  SDL_zero(event);
  event.type = type;
  if (type == SDL_KEYDOWN) {
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
  } else {
    event.window.event = windowEvent;
  }
  SDL_PushEvent(&event);
}

TEST(SdlDisplay, WindowIsFixedTitledAndCentredAndFullScreenHidesTheCursor) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  SDL_Window* window = display.window();
  EXPECT_STREQ(SDL_GetWindowTitle(window), "veltrane");
  int width = 0, height = 0, x = 0, y = 0;
  SDL_GetWindowSize(window, &width, &height);
  SDL_GetWindowPosition(window, &x, &y);
  SDL_Rect bounds;
  ASSERT_EQ(SDL_GetDisplayBounds(0, &bounds), 0);
  EXPECT_EQ(width, 320);
  EXPECT_EQ(height, 240);
  EXPECT_EQ(x, bounds.x + (bounds.w - 320) / 2);
  EXPECT_EQ(y, bounds.y + (bounds.h - 240) / 2);
  EXPECT_EQ(SDL_GetWindowFlags(window) & (SDL_WINDOW_RESIZABLE | SDL_WINDOW_FULLSCREEN), 0u);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  display.close();

  ASSERT_TRUE(display.open("veltrane", 320, 240, false));
  EXPECT_EQ(SDL_GetWindowFlags(display.window()) & SDL_WINDOW_FULLSCREEN_DESKTOP, SDL_WINDOW_FULLSCREEN_DESKTOP);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
  display.close();
  SDL_InitSubSystem(SDL_INIT_VIDEO);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE) << "the cursor comes back after the show";
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

TEST(SdlDisplay, ShowsTheFrameUnscaledIgnoringAlpha) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  std::vector<uint32_t> frame(320 * 240);
  for (uint32_t i = 0; i < frame.size(); ++i) frame[i] = (i * 2654435761u) ^ (i << 24);
  display.present(frame.data(), FrameInfo{});
  // The software renderer draws straight into the window's surface.
  const SDL_Surface* surface = SDL_GetWindowSurface(display.window());
  ASSERT_NE(surface, nullptr);
  ASSERT_EQ(surface->w, 320);
  ASSERT_EQ(surface->h, 240);
  ASSERT_EQ(surface->format->BytesPerPixel, 4);
  int mismatches = 0;
  for (int y = 0; y < 240; ++y) {
    const auto* row =
        reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch);
    for (int x = 0; x < 320; ++x) {
      Uint8 r = 0, g = 0, b = 0;
      SDL_GetRGB(row[x], surface->format, &r, &g, &b);
      if ((uint32_t{r} << 16 | uint32_t{g} << 8 | b) != (frame[y * 320 + x] & 0xFFFFFFu)) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
  display.close();
}

TEST(SdlDisplay, EscapeCloseAndSignalsQuitAndEachCallTakesOneEvent) {
  SdlDisplay display;
  ASSERT_TRUE(display.open("veltrane", 320, 240, true));
  EXPECT_EQ(display.takeEvent(), DisplayEvent::None);
  for (int i = 0; i < 100; ++i) push(SDL_MOUSEMOTION);  // pointer noise is dropped
  push(SDL_KEYDOWN, SDLK_a);
  push(SDL_WINDOWEVENT, 0, SDL_WINDOWEVENT_FOCUS_LOST);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::Other);
  EXPECT_EQ(display.takeEvent(), DisplayEvent::None);
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

TEST(SdlMusicPlayer, PlaysAReadableFileFromTheStartAndStaysSilentWithoutOne) {
  const std::string tone = temporaryPath("tone.wav"), text = temporaryPath("not_music.mp3");
  writeWave(tone);
  std::ofstream(text) << "this is not a soundtrack\n";
  SdlMusicPlayer music;
  for (const std::string& path : {temporaryPath("missing.mp3"), text, tone, tone}) {  // opens again after a close
    const bool playable = path == tone;
    EXPECT_EQ(music.open(path.c_str()), playable) << path;
    EXPECT_EQ(Mix_PlayingMusic(), 0);
    music.play();
    EXPECT_EQ(Mix_PlayingMusic(), playable ? 1 : 0) << path;
    music.close();
    music.close();  // a second close does nothing
  }
  std::remove(tone.c_str());
  std::remove(text.c_str());
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
