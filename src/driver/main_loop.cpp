#include "driver/main_loop.h"

namespace orvanta {

int runShow(Display& display, FrameTimer& timer, MusicPlayer& music, bool windowed,
            const std::string& dataDirectory, const ShowProgram& program, float startSeconds) {
  if (!display.open(kShowTitle, kFrameWidth, kFrameHeight, windowed)) return kExitDisplayFailed;
  Show show(dataDirectory, program);
  music.open(show.soundtrackPath().c_str());  // without music the show runs silently
  if (startSeconds > 0.0f) {
    show.seek(startSeconds);
    music.seek(show.showSeconds());  // where play starts
  }
  timer.start();
  music.play();

  bool paused = false;
  FrameInfo shown;  // the latest step, presented again while paused
  for (;;) {
    const DisplayEvent event = display.takeEvent();
    if (event == DisplayEvent::Quit) break;
    bool moved = false;
    if (event == DisplayEvent::TogglePause) {
      paused = !paused;
      if (paused) {
        music.pause();
      } else {
        music.resume();
      }
    } else if (event == DisplayEvent::SeekBackward || event == DisplayEvent::SeekForward) {
      const float step = event == DisplayEvent::SeekForward ? kSeekStepSeconds : -kSeekStepSeconds;
      show.seek(show.showSeconds() + step);
      music.seek(show.showSeconds());
      moved = true;
    }
    // The clock runs on while paused, so the pause is not added to the show time afterwards.
    const float delta = timer.tick();
    if (paused && !moved) {
      display.present(show.frame().pixels, shown);
      continue;
    }
    // A seek while paused shows the picture of the new time, which then stands still.
    const ShowStep step = show.step(paused ? 0.0f : delta);
    shown = FrameInfo{step.index, step.showTimeCs, step.scene, step.rendered};
    // The closing frame shows the previous picture once more.
    display.present(show.frame().pixels, shown);
    if (step.ended) break;
  }

  music.close();
  display.close();
  return kExitShowOver;
}

}  // namespace orvanta
