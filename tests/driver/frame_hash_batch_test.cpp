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

// Fewer frames than chains, as many, a few more and many more; frame sizes that the parts
// divide evenly and that they do not (the first part takes the rest, or everything when the
// parts would be empty); the order of the tags; each hash at most ways() - 1 frames late;
// frames that change as soon as they have been handed over.
TEST(FrameHashBatch, GivesEachFrameItsOwnHashInOrder) {
  std::mt19937 generator(11);
  for (const size_t count : {size_t{1}, size_t{100}, size_t{1000}, size_t{1024}, size_t{2049}}) {
    for (uint64_t frames : {1, 3, 4, 5, 9, 31, 32, 33, 64, 65, 100}) {
      FrameHashBatch batch(count);
      std::vector<uint32_t> frame(count);
      std::vector<FrameHashBatch::Result> expected, results;
      auto collect = [&] { results.insert(results.end(), batch.results(), batch.results() + batch.resultCount()); };
      const uint64_t late = static_cast<uint64_t>(batch.ways() - 1);
      for (uint64_t f = 0; f < frames; ++f) {
        for (uint32_t& word : frame) word = static_cast<uint32_t>(generator());
        expected.push_back({100 + f, frameHash(frame.data(), count)});
        batch.add(frame.data(), 100 + f);
        collect();
        ASSERT_GE(results.size() + late, f + 1) << count << " " << frames;
      }
      batch.flush();
      collect();
      ASSERT_EQ(results.size(), expected.size()) << count << " " << frames;
      for (size_t i = 0; i < results.size(); ++i) {
        EXPECT_EQ(results[i].tag, expected[i].tag) << count << " " << frames;
        EXPECT_EQ(results[i].hash, expected[i].hash) << count << " " << frames << " frame " << i;
      }
    }
  }
}

// Repeated frames are not hashed again but still get their own lines: runs of repeats of
// every length around the chain counts and past the most frames waiting, repeats of a frame
// whose hash is done and of one still in flight, frames equal only in their first words or
// only in their last part, and an empty frame size.
TEST(FrameHashBatch, RepeatedFramesKeepTheirPlacesAndHashes) {
  std::mt19937 generator(23);
  for (size_t count : {size_t{0}, size_t{5}, size_t{300}, size_t{3000}}) {
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
    for (int run : {1, 2, 3, 4, 5, 31, 32, 33, 1, 1, 63, 64, 65, 150, 2, 1, 24, 1, 1, 1, 1, 1, 1, 1, 40}) {
      for (uint32_t& word : frame) word = static_cast<uint32_t>(generator());
      for (int k = 0; k < run; ++k) add();
      if (count > 16 && run == 2) {
        frame.back() ^= 1u;  // the same first words, another frame
        add();
        frame[count / 2] ^= 1u;  // the same first and last words
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

// Every chain kernel this build has against one chain at a time, on frames of lengths around
// the vector kernel's blocks, advanced in two pieces so that chains start from any state. Most
// frames are noise; two are all zero and all ones bytes, and one alternates them, so the xors'
// differences reach both extremes.
TEST(FrameHashKernels, EqualOneChainAtATime) {
  constexpr int kFrames = 32;
  std::mt19937 generator(5);
  for (size_t count : {0, 1, 7, 31, 32, 33, 64, 65, 96, 1001, 4133}) {
    std::vector<std::vector<uint32_t>> frames(kFrames, std::vector<uint32_t>(count));
    for (auto& frame : frames) {
      for (uint32_t& word : frame) word = static_cast<uint32_t>(generator());
    }
    for (size_t j = 0; j < count; ++j) {
      frames[3][j] = 0;
      frames[8][j] = 0xFFFFFFFFu;
      frames[21][j] = (j & 1) ? 0xFF00FF00u : 0x00FF00FFu;
    }
    uint64_t expected[kFrames];
    for (int k = 0; k < kFrames; ++k) expected[k] = frameHash(frames[k].data(), count);

    const size_t split = count / 3;
    const uint32_t* const four[4] = {frames[0].data(), frames[1].data(), frames[2].data(), frames[3].data()};
    const uint32_t* const fourRest[4] = {four[0] + split, four[1] + split, four[2] + split, four[3] + split};
    uint64_t fourHashes[4] = {kernels::kFnvOffsetBasis, kernels::kFnvOffsetBasis, kernels::kFnvOffsetBasis,
                              kernels::kFnvOffsetBasis};
    kernels::advanceFourReference(four, split, fourHashes);
    kernels::advanceFourReference(fourRest, count - split, fourHashes);
    for (int k = 0; k < 4; ++k) EXPECT_EQ(fourHashes[k], expected[k]) << count << " frame " << k;

    const uint32_t* pointers[kFrames];
    for (int k = 0; k < kFrames; ++k) pointers[k] = frames[k].data();
    for (int batch : {1, 4, 5, 12, 16}) {
      uint64_t hashes[kFrames] = {};
      hashFramesSideBySide(pointers, batch, count, hashes);
      for (int k = 0; k < batch; ++k) {
        EXPECT_EQ(hashes[k], expected[k]) << count << " batch " << batch << " frame " << k;
      }
    }
#if ORVANTA_X86_AVX2
    if (cpu::hasAvx2()) {
      // Whole blocks by the kernel, in two calls, then the rest one byte at a time.
      const size_t blocks = count / kernels::kAvx2BlockPixels;
      const size_t firstBlocks = blocks / 2;
      uint64_t states[kFrames];
      const uint32_t* starts[kFrames];
      const uint32_t* middles[kFrames];
      for (int k = 0; k < kFrames; ++k) {
        states[k] = kernels::kFnvOffsetBasis;
        starts[k] = frames[k].data();
        middles[k] = frames[k].data() + firstBlocks * kernels::kAvx2BlockPixels;
      }
      kernels::advanceThirtyTwoAvx2(starts, firstBlocks, states);
      kernels::advanceThirtyTwoAvx2(middles, blocks - firstBlocks, states);
      for (int k = 0; k < kFrames; ++k) {
        for (size_t j = blocks * kernels::kAvx2BlockPixels; j < count; ++j) {
          for (int shift = 0; shift < 32; shift += 8) {
            states[k] = kernels::fnvStep(states[k], (frames[k][j] >> shift) & 0xFFu);
          }
        }
        EXPECT_EQ(states[k], expected[k]) << count << " frame " << k;
      }
    }
#endif
  }
}

}  // namespace
}  // namespace orvanta
