#pragma once
// FNV-1a 64-bit fingerprints of frames (the pixel words as little-endian bytes), as the
// capture tool writes them. One frame's hash is a chain of dependent multiplies, so frames
// are hashed four at a time, side by side, which runs about four times as fast.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvanta {

// The fingerprint of one run of pixels, one byte at a time.
uint64_t frameHash(const uint32_t* pixels, size_t count);

// The fingerprints of `count` frames (1 to 4) of pixelCount words each, side by side.
void hashFramesSideBySide(const uint32_t* const* frames, int count, size_t pixelCount, uint64_t* hashes);

class FrameHashBatch {
 public:
  static constexpr int kWays = 4;

  struct Result {
    uint64_t tag;
    uint64_t hash;
  };

  // For frames of pixelCount words; the copies of waiting frames are made here, once.
  explicit FrameHashBatch(size_t pixelCount);

  // Takes a frame with a tag of the caller's choice. The pixels are copied unless the frame
  // completes a batch, which is then hashed; the frame may change as soon as add returns.
  void add(const uint32_t* pixels, uint64_t tag);
  // Hashes the frames still waiting.
  void flush();

  // The hashes made by the latest add or flush, in the order the frames came.
  const Result* results() const { return results_; }
  int resultCount() const { return resultCount_; }

 private:
  void hashWaiting(const uint32_t* last);

  size_t pixelCount_;
  std::unique_ptr<uint32_t[]> copies_;  // kWays - 1 frames
  uint64_t tags_[kWays] = {};
  int waiting_ = 0;
  Result results_[kWays] = {};
  int resultCount_ = 0;
};

}  // namespace orvanta
