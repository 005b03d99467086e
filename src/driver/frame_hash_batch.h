#pragma once
// FNV-1a 64-bit fingerprints of frames (the pixel words as little-endian bytes), as the
// capture tool writes them. One frame's hash is a chain of dependent multiplies, so chains are
// advanced side by side: thirty-two where AVX2 runs, four elsewhere.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvanta {

// The fingerprint of one run of pixels, one byte at a time.
uint64_t frameHash(const uint32_t* pixels, size_t count);

// The fingerprints of `count` frames of pixelCount words each, four side by side.
void hashFramesSideBySide(const uint32_t* const* frames, int count, size_t pixelCount, uint64_t* hashes);

// Hashes frames as they come, staggered: each frame is cut into ways() parts, and every new
// frame advances each frame in flight by one part (the newest by its first, the oldest by its
// last), so ways() chains run side by side while only the parts still to come are kept. A
// frame's hash is ready ways() - 1 distinct frames after it.
class FrameHashBatch {
 public:
  static constexpr int kMaxWays = 32;
  // Frames waiting for their hashes, repeats included: a frame equal to the one before it is
  // not hashed again, so a still picture costs one hash however long it stays.
  static constexpr int kMaxFrames = 64;

  struct Result {
    uint64_t tag;
    uint64_t hash;
  };

  explicit FrameHashBatch(size_t pixelCount);

  // How many chains run side by side on this processor: 32 where AVX2 runs, else 4.
  int ways() const { return ways_; }

  // Takes a frame with a tag of the caller's choice; the frame may change as soon as add
  // returns.
  void add(const uint32_t* pixels, uint64_t tag);
  // Finishes every frame still waiting.
  void flush();

  // The hashes finished by the latest add or flush, in the order the frames came.
  const Result* results() const { return results_; }
  int resultCount() const { return resultCount_; }

 private:
  // A waiting frame: the number of the step that started its chain, or its hash once known.
  struct Entry {
    uint64_t tag;
    uint64_t start;
    bool known;
    uint64_t hash;
  };

  void step(bool starts, const uint32_t* pixels);
  void drain();
  void keepParts(const uint32_t* pixels, uint64_t start);
  bool repeatsPrevious(const uint32_t* pixels) const;
  uint32_t* storedPart(int part, uint64_t start) const;
  size_t partOffset(int part) const;
  void resolve(uint64_t start, uint64_t hash);
  void deliver();

  size_t pixelCount_;
  int ways_;
  size_t partPixels_;   // the length of every part but the first
  size_t firstPixels_;  // the first part: partPixels_ and what does not divide evenly
  // Part j of a frame is read j steps after the frame came, so ring j holds j parts (entry
  // start mod j); ring 0 keeps the latest frame's first part, to spot repeats.
  std::unique_ptr<uint32_t[]> store_;
  uint64_t steps_ = 0;  // steps taken; a frame's chain is numbered by the step that starts it
  // Chain c hashes the frame started at a step equal to c mod ways_.
  uint64_t hashes_[kMaxWays] = {};
  uint64_t starts_[kMaxWays] = {};
  bool active_[kMaxWays] = {};
  // The latest distinct frame: its chain, and its hash once that is done.
  bool havePrevious_ = false;
  uint64_t previousStart_ = 0;
  bool previousKnown_ = false;
  uint64_t previousHash_ = 0;
  Entry entries_[kMaxFrames] = {};
  int entryCount_ = 0;
  Result results_[kMaxFrames] = {};
  int resultCount_ = 0;
};

}  // namespace orvanta
