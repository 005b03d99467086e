// The show. Built twice: full screen (orvanta) and in a window (orvanta_windowed).

#include "base/messages.h"
#include "display/message_box.h"
#include "display/music_player_sdl.h"
#include "display/sdl_display.h"
#include "driver/main_loop.h"
#include "driver/steady_counter.h"

#ifndef ORVANTA_WINDOWED
#define ORVANTA_WINDOWED 0
#endif

namespace {
constexpr bool kWindowed = ORVANTA_WINDOWED != 0;
}  // namespace

int main() {
  using namespace orvanta;
  setMessageHook(showMessageOnScreen);
  SdlDisplay display;
  SteadyCounter counter;
  ClockFrameTimer timer(counter);
  SdlMusicPlayer music;
  return runShow(display, timer, music, kWindowed);
}
