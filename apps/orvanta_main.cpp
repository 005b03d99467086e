// The show. Built twice: full screen (orvanta) and in a window (orvanta_windowed).

#include <cstdio>
#include <string>

#include "base/messages.h"
#include "display/message_box.h"
#include "display/music_player_sdl.h"
#include "display/sdl_display.h"
#include "driver/main_loop.h"
#include "driver/steady_counter.h"
#include "show/show_data.h"
#include "show/show_options.h"

#ifndef ORVANTA_WINDOWED
#define ORVANTA_WINDOWED 0
#endif

namespace {
constexpr bool kWindowed = ORVANTA_WINDOWED != 0;
constexpr const char* kProgram = kWindowed ? "orvanta_windowed" : "orvanta";
}  // namespace

int main(int argc, char** argv) {
  using namespace orvanta;
  const ParsedShowOptions parsed = parseShowOptions(argc, argv, kWindowed, Show::lengthSeconds());
  switch (parsed.outcome) {
    case ParsedShowOptions::Outcome::Help:
      std::fputs(showUsage(kProgram, kWindowed).c_str(), stdout);
      return 0;
    case ParsedShowOptions::Outcome::Version:
      std::printf("orvanta %s\n", ORVANTA_VERSION);
      return 0;
    case ParsedShowOptions::Outcome::Error:
      std::fprintf(stderr, "%s: %s\n%s", kProgram, parsed.error.c_str(), showUsage(kProgram, kWindowed).c_str());
      return 2;
    case ParsedShowOptions::Outcome::Run:
      break;
  }
  const ShowOptions& options = parsed.options;

  // A folder without any of the show's files is a mistake to say once, before any window.
  const std::string data =
      chooseDataDirectory(options.dataDirectory, installedDataDirectory(ORVANTA_DATA_FROM_PROGRAM));
  if (!holdsShowData(data)) {
    const std::string message = missingDataMessage(data);
    std::fprintf(stderr, "%s\n", message.c_str());
    showStartupErrorBox("orvanta", missingDataMessage(data, true).c_str());
    return 1;
  }

  setMessageHook(showMessageOnScreen);
  SdlDisplay display(options.scale);
  SteadyCounter counter;
  ClockFrameTimer timer(counter);
  SdlMusicPlayer music;
  return runShow(display, timer, music, kWindowed, data, ShowProgram{}, static_cast<float>(options.startSeconds));
}
