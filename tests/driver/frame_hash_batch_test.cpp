#include "driver/frame_hash_batch.h"

#include "base/cpu_features.h"
#include "driver/frame_hash_kernels.h"

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
  for (uint64_t frames : {1, 3, 4, 5, 9, 12, 13, 16, 17, 25, 33}) {
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

// Repeated frames are not hashed again but still get their own lines: runs of repeats of
// every length around the batch sizes and past the most frames held, repeats of a frame that
// filled a batch, frames equal only in their first words, and an empty frame size.
TEST(FrameHashBatch, RepeatedFramesKeepTheirPlacesAndHashes) {
  std::mt19937 generator(23);
  for (size_t count : {size_t{0}, size_t{5}, size_t{300}}) {
    FrameHashBatch batch(count);
    std::vector<uint32_t> frame(count);
    std::vector<FrameHashBatch::Result> expected, results;
    auto collect = [&] { results.insert(results.end(), batch.results(), batch.results() + batch.resultCount()); };
    uint64_t tag = 0;
    auto add = [&] {
      expected.push_back({tag, frameHash(frame.data(), count)});
      batch.add(frame.data(), tag++);
      collect();
    };
    for (int run : {1, 2, 3, 11, 12, 13, 15, 16, 17, 1, 1, 63, 64, 65, 150, 2, 1, 24}) {
      for (uint32_t& word : frame) word = static_cast<uint32_t>(generator());
      for (int k = 0; k < run; ++k) add();
      if (count > 16 && run == 2) {
        frame.back() ^= 1u;  // the same first words, another frame
        add();
      }
    }
    batch.flush();
    collect();
    ASSERT_EQ(results.size(), expected.size()) << count;
    for (size_t i = 0; i < results.size(); ++i) {
      ASSERT_EQ(results[i].tag, expected[i].tag) << count << " frame " << i;
      ASSERT_EQ(results[i].hash, expected[i].hash) << count << " frame " << i;
    }
  }
}

// Every side-by-side kernel this build has against one chain at a time, on frames of lengths
// around the vector loop's blocks of 32 pixels. Most frames are noise; two are all zero and
// all ones bytes, and one alternates them, so the xors' differences reach both extremes.
TEST(FrameHashKernels, EqualOneChainAtATime) {
  constexpr int kFrames = 16;
  std::mt19937 generator(5);
  for (size_t count : {0, 1, 7, 8, 31, 32, 33, 63, 64, 65, 1001, 4133}) {
    std::vector<std::vector<uint32_t>> frames(kFrames, std::vector<uint32_t>(count));
    for (auto& frame : frames) {
      for (uint32_t& word : frame) word = static_cast<uint32_t>(generator());
    }
    for (size_t j = 0; j < count; ++j) {
      frames[3][j] = 0;
      frames[8][j] = 0xFFFFFFFFu;
      frames[13][j] = (j & 1) ? 0xFF00FF00u : 0x00FF00FFu;
    }
    uint64_t expected[kFrames];
    for (int k = 0; k < kFrames; ++k) expected[k] = frameHash(frames[k].data(), count);

    const uint32_t* const four[4] = {frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data()};
    uint64_t fourHashes[4];
    kernels::hashFourReference(four, count, fourHashes);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(fourHashes[k], expected[k]) << count << " frame " << k;

    const uint32_t* pointers[kFrames];
    for (int k = 0; k < kFrames; ++k) pointers[k] = frames[k].data();
    for (int batch : {1, 4, 5, 12, 16}) {
      uint64_t hashes[kFrames] = {};
      hashFramesSideBySide(pointers, batch, count, hashes);
      for (int k = 0; k < batch; ++k) EXPECT_EQ(hashes[k], expected[k]) << count << " batch " << batch << " frame " << k;
    }
#if ORVANTA_X86_AVX2
    if (cpu::hasAvx2()) {
      uint64_t sixteen[kFrames];
      kernels::hashSixteenAvx2(pointers, count, sixteen);
      for (int k = 0; k < kFrames; ++k) EXPECT_EQ(sixteen[k], expected[k]) << count << " frame " << k;
    }
#endif
  }
}

}  // namespace
}  // namespace orvanta
