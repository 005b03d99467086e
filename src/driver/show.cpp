#include "driver/show.h"

#include "base/data_files.h"
#include "base/data_set_manifest.h"
#include "base/random.h"
#include "engine/depth_buffer.h"
#include "scenes/scene_frame.h"
#include "scenes/scene_loader.h"

namespace orvanta {

struct Show::State {
  State(const std::string& dataDirectory, const ShowProgram& showProgram)
      : program(showProgram),
        soundtrack(dataFilePath(dataDirectory, kSoundtrack)),
        depth(kFrameWidth, kFrameHeight),
        timeline(createTimeline(showProgram.script)) {}
  ~State() { releasePixels(frame); }

  ShowProgram program;
  std::string soundtrack;
  Image frame;
  DepthBuffer depth;
  ShowRandom random;
  ShowScenes scenes;
  Timeline timeline;
  float showSeconds = 0.0f;
  uint64_t steps = 0;
  bool ended = false;
  ShowStep closing;  // the step that ended the show
  int loaderMessages = 0;
};

Show::Show(const std::string& dataDirectory, const ShowProgram& program)
    : state_(std::make_unique<State>(dataDirectory, program)) {
  State& s = *state_;
  s.frame.create(kFrameWidth, kFrameHeight);
  s.frame.fill(packArgb(0, 0, 0, 0));
  SceneLoader loader(dataDirectory);
  for (const SceneEntry& scene : s.program.scenes) {
    if (scene.load != nullptr) scene.load(s.scenes, loader);
  }
  s.loaderMessages = loader.failures();
}

Show::~Show() = default;

ShowStep Show::step(float deltaSeconds) {
  State& s = *state_;
  if (s.ended) return s.closing;

  // The centiseconds come from the sum before it is rounded to float; the float sum is what
  // carries over to the next frame.
  const double sum = static_cast<double>(s.showSeconds) + static_cast<double>(deltaSeconds);
  s.showSeconds = static_cast<float>(sum);
  const float showTimeCs = static_cast<float>(sum * 100.0);
  if (advanceTimeline(s.timeline, showTimeCs)) s.ended = true;

  s.depth.clear();
  const int32_t current = s.timeline.currentScene;
  ShowStep result;
  result.index = s.steps++;
  result.showTimeCs = showTimeCs;
  result.scene = sceneName(s.program.scenes, current);
  result.rendered = !s.ended && current >= 0 && static_cast<size_t>(current) < s.program.scenes.size();
  result.ended = s.ended;
  if (result.rendered) {
    SceneFrame out{s.frame, s.depth, s.random};
    s.program.scenes[static_cast<size_t>(current)].render(s.scenes, out, showTimeCs);
  }
  if (s.ended) s.closing = result;
  return result;
}

const Image& Show::frame() const { return state_->frame; }

float Show::showSeconds() const { return state_->showSeconds; }

void Show::seek(float seconds) {
  State& s = *state_;
  const float length = static_cast<float>(scriptLengthCs(s.program.script)) / 100.0f;
  if (!(seconds > 0.0f)) seconds = 0.0f;
  if (seconds > length) seconds = length;
  s.showSeconds = seconds;
  s.timeline = createTimeline(s.program.script);
  s.ended = false;
  const float timeCs = static_cast<float>(static_cast<double>(seconds) * 100.0);
  for (size_t i = 0; i < s.program.scenes.size(); ++i) {
    const SceneEntry& scene = s.program.scenes[i];
    if (scene.seek != nullptr) scene.seek(s.scenes, sceneStartCs(s.program.script, static_cast<int32_t>(i)), timeCs);
  }
}

float Show::lengthSeconds() { return static_cast<float>(scriptLengthCs(kTimelineScript)) / 100.0f; }

const std::string& Show::soundtrackPath() const { return state_->soundtrack; }

int Show::loaderMessages() const { return state_->loaderMessages; }

}  // namespace orvanta
