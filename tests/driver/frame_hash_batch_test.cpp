#include "driver/frame_hash_batch.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace orvanta {
namespace {

TEST(FrameHash, IsFnv1aOfTheLittleEndianBytes) {
  EXPECT_EQ(frameHash(nullptr, 0), 0xcbf29ce484222325ULL);  // the offset basis
  const uint32_t abcd[] = {0x64636261u};                    // "abcd"
  EXPECT_EQ(frameHash(abcd, 1), 0xfc179f83ee0724ddULL);
  const uint32_t words[] = {0x12345678u, 0xFFFFFFFFu};
  EXPECT_EQ(frameHash(words, 2), 0x6941152a420c6191ULL);
}

// Full batches, a short last one, the order of the tags, and frames that change as soon as
// they have been handed over.
TEST(FrameHashBatch, GivesEachFrameItsOwnHashInOrder) {
  constexpr size_t kCount = 1000;
  std::mt19937 generator(11);
  for (uint64_t frames : {1, 3, 4, 5, 9}) {
    FrameHashBatch batch(kCount);
    std::vector<uint32_t> frame(kCount);
    std::vector<FrameHashBatch::Result> expected, results;
    auto collect = [&] { results.insert(results.end(), batch.results(), batch.results() + batch.resultCount()); };
    for (uint64_t f = 0; f < frames; ++f) {
      for (uint32_t& word : frame) word = static_cast<uint32_t>(generator());
      expected.push_back({100 + f, frameHash(frame.data(), kCount)});
      batch.add(frame.data(), 100 + f);
      collect();
    }
    batch.flush();
    collect();
    ASSERT_EQ(results.size(), expected.size()) << frames;
    for (size_t i = 0; i < results.size(); ++i) {
      EXPECT_EQ(results[i].tag, expected[i].tag) << frames;
      EXPECT_EQ(results[i].hash, expected[i].hash) << frames << " frame " << i;
    }
  }
}

}  // namespace
}  // namespace orvanta
