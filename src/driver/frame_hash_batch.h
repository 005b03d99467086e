#pragma once
// FNV-1a 64-bit fingerprints of frames (the pixel words as little-endian bytes), as the
// capture tool writes them. One frame's hash is a chain of dependent multiplies, so frames
// are hashed side by side: four at a time with one multiply chain each, or sixteen where AVX2
// runs (one 16-bit lane each, see hashSixteenAvx2).

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvanta {

// The fingerprint of one run of pixels, one byte at a time.
uint64_t frameHash(const uint32_t* pixels, size_t count);

// How many frames hashFramesSideBySide takes at a time on this processor: 4 or 16.
int hashWays();

// The fingerprints of `count` frames of pixelCount words each, side by side.
void hashFramesSideBySide(const uint32_t* const* frames, int count, size_t pixelCount, uint64_t* hashes);

class FrameHashBatch {
 public:
  static constexpr int kMaxWays = 16;
  // Frames held at once, repeats included: a frame equal to the one before it is not hashed
  // again, so a still picture costs one hash however long it stays.
  static constexpr int kMaxFrames = 64;

  struct Result {
    uint64_t tag;
    uint64_t hash;
  };

  // For frames of pixelCount words, hashWays() distinct ones at a time; the copies of waiting
  // frames are made here, once.
  explicit FrameHashBatch(size_t pixelCount);

  int ways() const { return ways_; }

  // Takes a frame with a tag of the caller's choice. The pixels are copied unless the frame
  // completes a batch, which is then hashed, or repeats the frame before it; the frame may
  // change as soon as add returns.
  void add(const uint32_t* pixels, uint64_t tag);
  // Hashes the frames still waiting.
  void flush();

  // The hashes made by the latest add or flush, in the order the frames came.
  const Result* results() const { return results_; }
  int resultCount() const { return resultCount_; }

 private:
  // A waiting frame: the chain that hashes its pixels, or kKnown with the hash already made.
  struct Entry {
    uint64_t tag;
    int chain;
    uint64_t hash;
  };
  static constexpr int kKnown = -1;

  void hashWaiting(const uint32_t* last);

  size_t pixelCount_;
  int ways_;
  std::unique_ptr<uint32_t[]> copies_;  // ways_ - 1 frames
  int chains_ = 0;                      // distinct frames waiting
  Entry entries_[kMaxFrames] = {};
  int entryCount_ = 0;
  // The frame added last, while its copy is kept, and its chain or hash.
  const uint32_t* previous_ = nullptr;
  int previousChain_ = kKnown;
  uint64_t previousHash_ = 0;
  Result results_[kMaxFrames] = {};
  int resultCount_ = 0;
};

}  // namespace orvanta
