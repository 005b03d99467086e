#include "driver/offline_run.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orvanta {
namespace {

TEST(FrameHash, LineHasIndexCentisecondsSceneAndTheFnv1aHashInSixteenHexDigits) {
  const uint32_t words[] = {0x12345678u, 0xccddeeffu};  // from an independent byte-wise FNV-1a 64
  EXPECT_EQ(frameHash(words, 2), 0xd4c72f29ed9ab531ULL);
  EXPECT_EQ(frameHashLine(ShowStep{12, 1529.99f, "intro", true, false}, 0xffULL), "12 1529.99 intro 00000000000000ff");
  EXPECT_EQ(frameHashLine(ShowStep{5878, 9798.978515625f, "end", true, false}, 0xd4c72f29ed9ab531ULL),
            "5878 9798.98 end d4c72f29ed9ab531");
  EXPECT_EQ(frameHashLine(ShowStep{0, 1.6666668f, "intro", true, false}, 0), "0 1.67 intro 0000000000000000");
}

// Fills the frame with the number of the call, so every frame's hash is known.
void numbered(ShowScenes&, SceneFrame& out, float) {
  static uint32_t calls = 0;
  out.image.fill(++calls);
}
const SceneEntry kNumbered[] = {{"numbered", nullptr, numbered, nullptr, nullptr}};
// Nothing until 0.5 s, then the scene until 2 s.
const TimelineEntry kScript[] = {waitUntilEntry(50), sceneEntry(0), waitUntilEntry(200), endEntry()};

struct Recorder final : OfflineSink {
  bool wantsHash(const ShowStep& step) override { return step.index % 2 == 0; }
  void hashed(const ShowStep& step, uint64_t hash) override { hashes.push_back({step.index, hash}); }
  bool take(const ShowStep& step, const Image& frame) override {
    taken.push_back(step.index);
    firstWords.push_back(frame.pixels[0]);
    return stopAfter < 0 || static_cast<int>(taken.size()) < stopAfter;
  }
  std::vector<std::pair<uint64_t, uint64_t>> hashes;
  std::vector<uint64_t> taken;
  std::vector<uint32_t> firstWords;
  int stopAfter = -1;
};

TEST(OfflineRunner, StepsAtTheFixedRateHashesWhatIsAskedInOrderAndStopsWhenTold) {
  Show show("nowhere", ShowProgram{kNumbered, kScript});
  OfflineRunner runner(10);
  EXPECT_EQ(runner.stepSeconds(), 0.1f);
  Recorder recorder;
  runner.run(show, recorder);
  // Worked out separately: steps 0 ... 3 come before 0.5 s, the scene draws steps 4 ... 18, and
  // step 19 (200.00003 cs) is the closing one.
  ASSERT_EQ(recorder.taken.size(), 20u);
  EXPECT_EQ(recorder.firstWords[3], 0u);
  EXPECT_NE(recorder.firstWords[4], 0u);
  EXPECT_EQ(recorder.firstWords[19], recorder.firstWords[18]);  // the closing frame repeats
  // Every even step a scene drew, in order, with the hash of its own picture.
  std::vector<uint64_t> hashedSteps;
  for (const auto& [index, hash] : recorder.hashes) {
    hashedSteps.push_back(index);
    const std::vector<uint32_t> words(static_cast<size_t>(kFrameWidth) * kFrameHeight,
                                      recorder.firstWords[static_cast<size_t>(index)]);
    EXPECT_EQ(hash, frameHash(words.data(), words.size())) << index;
  }
  EXPECT_EQ(hashedSteps, (std::vector<uint64_t>{4, 6, 8, 10, 12, 14, 16, 18}));

  // A sink that stops: no step after the one it refused, and the waiting hashes still come.
  Show again("nowhere", ShowProgram{kNumbered, kScript});
  Recorder stopping;
  stopping.stopAfter = 7;
  runner.run(again, stopping);
  EXPECT_EQ(stopping.taken.size(), 7u);
  ASSERT_EQ(stopping.hashes.size(), 2u);
  EXPECT_EQ(stopping.hashes[1].first, 6u);
}

}  // namespace
}  // namespace orvanta
