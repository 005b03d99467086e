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

namespace {

// The show-time rule: the centiseconds come from the sum before it is rounded to float; the
// float sum is what carries over to the next frame. Returns the step's time in centiseconds.
float advanceShowTime(float& showSeconds, float deltaSeconds) {
  const double sum = static_cast<double>(showSeconds) + static_cast<double>(deltaSeconds);
  showSeconds = static_cast<float>(sum);
  return static_cast<float>(sum * 100.0);
}

ShowStep describeStep(const ShowProgram& program, const Timeline& timeline, uint64_t index, float showTimeCs,
                      bool ended) {
  const int32_t current = timeline.currentScene;
  ShowStep result;
  result.index = index;
  result.showTimeCs = showTimeCs;
  result.scene = sceneName(program.scenes, current);
  result.rendered = !ended && current >= 0 && static_cast<size_t>(current) < program.scenes.size();
  result.ended = ended;
  return result;
}

}  // namespace

// The show time and the timeline, shared by drawn and skipped steps.
ShowStep Show::advance(float deltaSeconds) {
  State& s = *state_;
  const float showTimeCs = advanceShowTime(s.showSeconds, deltaSeconds);
  if (advanceTimeline(s.timeline, showTimeCs)) s.ended = true;
  const ShowStep result = describeStep(s.program, s.timeline, s.steps++, showTimeCs, s.ended);
  if (s.ended) s.closing = result;
  return result;
}

std::vector<ShowStep> Show::plannedSteps(float deltaSeconds, const ShowProgram& program) {
  std::vector<ShowStep> steps;
  float showSeconds = 0.0f;
  Timeline timeline = createTimeline(program.script);
  for (bool ended = false; !ended;) {
    const float showTimeCs = advanceShowTime(showSeconds, deltaSeconds);
    ended = advanceTimeline(timeline, showTimeCs);
    steps.push_back(describeStep(program, timeline, steps.size(), showTimeCs, ended));
  }
  return steps;
}

ShowStep Show::step(float deltaSeconds) {
  State& s = *state_;
  if (s.ended) return s.closing;
  const ShowStep result = advance(deltaSeconds);
  if (result.rendered) {
    SceneFrame out{s.frame, s.depth, s.random};
    s.program.scenes[static_cast<size_t>(s.timeline.currentScene)].render(s.scenes, out, result.showTimeCs);
  }
  return result;
}

ShowStep Show::skip(float deltaSeconds) {
  State& s = *state_;
  if (s.ended) return s.closing;
  const ShowStep result = advance(deltaSeconds);
  if (result.rendered) {
    const SceneEntry& scene = s.program.scenes[static_cast<size_t>(s.timeline.currentScene)];
    if (scene.skip != nullptr) scene.skip(s.scenes, s.random, result.showTimeCs, s.frame.pixelCount());
  }
  return result;
}

ShowCheckpoint Show::checkpoint() const {
  const State& s = *state_;
  ShowCheckpoint c;
  c.steps = s.steps;
  c.showSeconds = s.showSeconds;
  c.timeCs = s.timeline.showTimeCs;
  c.cursor = s.timeline.cursor;
  c.currentScene = s.timeline.currentScene;
  c.ended = s.ended;
  c.random = s.random.state();
  c.scenes = carriedState(s.scenes);
  return c;
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
