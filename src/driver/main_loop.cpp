#include "driver/main_loop.h"

#include "base/data_files.h"
#include "engine/depth_buffer.h"
#include "image/image.h"

namespace orvanta {

int runShow(Display& display, FrameTimer& timer, MusicPlayer& music, bool windowed,
            const ShowProgram& program) {
  Image frame;
  frame.create(kFrameWidth, kFrameHeight);
  frame.fill(packArgb(0, 0, 0, 0));

  if (!display.open(kShowTitle, kFrameWidth, kFrameHeight, windowed)) return kExitDisplayFailed;
  DepthBuffer depth(kFrameWidth, kFrameHeight);
  program.initScenes();
  music.open(dataFile(kSoundtrackName));  // without music the show runs silently
  Timeline timeline = createTimeline(program.script);
  timer.start();
  float showSeconds = 0.0f;
  music.play();

  bool ended = false;
  for (uint64_t index = 0;; ++index) {
    if (display.takeEvent() == DisplayEvent::Quit) break;

    const float delta = timer.tick();
    // The centiseconds come from the sum before it is rounded to float; the float sum is what
    // carries over to the next frame.
    const double sum = static_cast<double>(showSeconds) + static_cast<double>(delta);
    showSeconds = static_cast<float>(sum);
    const float showTimeCs = static_cast<float>(sum * 100.0);
    if (advanceTimeline(timeline, showTimeCs)) ended = true;

    depth.clear();
    const bool render = !ended && timeline.currentScene != nullptr;
    if (render) renderCurrentScene(timeline, RenderTarget{frame, depth});

    // The closing frame shows the previous picture once more.
    display.present(frame.pixels, FrameInfo{index, showTimeCs, sceneName(timeline.currentScene), render});
    if (ended) break;
  }

  music.close();
  display.close();
  return kExitShowOver;
}

}  // namespace orvanta
