#include "driver/main_loop.h"

namespace orvanta {

int runShow(Display& display, FrameTimer& timer, MusicPlayer& music, bool windowed,
            const std::string& dataDirectory, const ShowProgram& program) {
  if (!display.open(kShowTitle, kFrameWidth, kFrameHeight, windowed)) return kExitDisplayFailed;
  Show show(dataDirectory, program);
  music.open(show.soundtrackPath().c_str());  // without music the show runs silently
  timer.start();
  music.play();

  for (;;) {
    if (display.takeEvent() == DisplayEvent::Quit) break;
    const ShowStep step = show.step(timer.tick());
    // The closing frame shows the previous picture once more.
    display.present(show.frame().pixels, FrameInfo{step.index, step.showTimeCs, step.scene, step.rendered});
    if (step.ended) break;
  }

  music.close();
  display.close();
  return kExitShowOver;
}

}  // namespace orvanta
