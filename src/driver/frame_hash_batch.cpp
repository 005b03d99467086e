#include "driver/frame_hash_batch.h"

#include <cstring>

#include "driver/frame_hash_kernels.h"

namespace orvanta {

uint64_t frameHash(const uint32_t* pixels, size_t count) {
  uint64_t hash = kernels::kFnvOffsetBasis;
  for (size_t i = 0; i < count; ++i) {
    for (int shift = 0; shift < 32; shift += 8) hash = kernels::fnvStep(hash, (pixels[i] >> shift) & 0xFFu);
  }
  return hash;
}

void hashFramesSideBySide(const uint32_t* const* frames, int count, size_t pixelCount, uint64_t* hashes) {
  for (int first = 0; first < count; first += 4) {
    const uint32_t* group[4];
    uint64_t four[4];
    for (int k = 0; k < 4; ++k) {
      group[k] = frames[first + k < count ? first + k : first];  // a short group repeats its first frame
      four[k] = kernels::kFnvOffsetBasis;
    }
    kernels::advanceFourReference(group, pixelCount, four);
    for (int k = 0; k < 4 && first + k < count; ++k) hashes[first + k] = four[k];
  }
}

namespace {

int hashWays() { return cpu::hasAvx2() ? FrameHashBatch::kMaxWays : 4; }

// Parts are whole blocks of the widest kernel, so that it needs no tail.
size_t partUnit(int ways) {
#if ORVANTA_X86_AVX2
  if (ways == 32) return kernels::kAvx2BlockPixels;
#endif
  (void)ways;
  return 1;
}

// Advances the first `ways` chains by `pixels` words each, a multiple of partUnit(ways).
void advanceChains(const uint32_t* const (&words)[FrameHashBatch::kMaxWays], int ways, size_t pixels,
                   uint64_t (&hashes)[FrameHashBatch::kMaxWays]) {
#if ORVANTA_X86_AVX2
  static_assert(FrameHashBatch::kMaxWays == 32, "the Avx2 kernel runs every chain");
  if (ways == 32) {
    kernels::advanceThirtyTwoAvx2(words, pixels / kernels::kAvx2BlockPixels, hashes);
    return;
  }
#endif
  for (int first = 0; first < ways; first += 4) {
    const uint32_t* four[4] = {words[first], words[first + 1], words[first + 2], words[first + 3]};
    uint64_t states[4] = {hashes[first], hashes[first + 1], hashes[first + 2], hashes[first + 3]};
    kernels::advanceFourReference(four, pixels, states);
    for (int k = 0; k < 4; ++k) hashes[first + k] = states[k];
  }
}

}  // namespace

FrameHashBatch::FrameHashBatch(size_t pixelCount) : pixelCount_(pixelCount), ways_(hashWays()) {
  const size_t unit = partUnit(ways_);
  const size_t ways = static_cast<size_t>(ways_);
  partPixels_ = pixelCount / (ways * unit) * unit;
  firstPixels_ = pixelCount - (ways - 1) * partPixels_;
  const size_t stored = firstPixels_ + partPixels_ * (ways * (ways - 1) / 2);
  // Left untouched until frames come: a batch that is never used costs no memory.
  store_.reset(new uint32_t[stored == 0 ? 1 : stored]);
}

size_t FrameHashBatch::partOffset(int part) const {
  return part == 0 ? 0 : firstPixels_ + static_cast<size_t>(part - 1) * partPixels_;
}

uint32_t* FrameHashBatch::storedPart(int part, uint64_t start) const {
  if (part == 0) return store_.get();
  const size_t j = static_cast<size_t>(part);
  const size_t ring = firstPixels_ + partPixels_ * (j * (j - 1) / 2);
  return store_.get() + ring + static_cast<size_t>(start % j) * partPixels_;
}

void FrameHashBatch::keepParts(const uint32_t* pixels, uint64_t start) {
  if (pixelCount_ == 0) return;  // frames of no pixels may have no arrays at all
  for (int part = 0; part < ways_; ++part) {
    const size_t length = part == 0 ? firstPixels_ : partPixels_;
    std::memcpy(storedPart(part, start), pixels + partOffset(part), length * sizeof(uint32_t));
  }
}

// Most frames differ from the one before in their first words, so the whole compare is rare.
bool FrameHashBatch::repeatsPrevious(const uint32_t* pixels) const {
  if (!havePrevious_) return false;
  if (pixelCount_ == 0) return true;
  constexpr size_t kFirst = 16;
  const size_t first = firstPixels_ < kFirst ? firstPixels_ : kFirst;
  if (std::memcmp(pixels, storedPart(0, previousStart_), first * sizeof(uint32_t)) != 0) return false;
  for (int part = 0; part < ways_; ++part) {
    const size_t length = part == 0 ? firstPixels_ : partPixels_;
    if (std::memcmp(pixels + partOffset(part), storedPart(part, previousStart_), length * sizeof(uint32_t)) != 0) {
      return false;
    }
  }
  return true;
}

// One step: a new frame (or none, when draining) starts its chain, and every chain in flight
// takes its next part; the chains that took their last are done.
void FrameHashBatch::step(bool starts, const uint32_t* pixels) {
  const uint64_t now = steps_;
  if (starts) {
    const int chain = static_cast<int>(now % static_cast<uint64_t>(ways_));
    active_[chain] = true;
    starts_[chain] = now;
    hashes_[chain] = kernels::kFnvOffsetBasis;
  }
  const uint32_t* words[kMaxWays] = {};
  for (int c = 0; c < ways_; ++c) {
    // Idle chains read any words: the new frame, or (when draining) the latest frame kept.
    words[c] = starts ? pixels : storedPart(0, previousStart_);
    if (!active_[c]) continue;
    const int part = static_cast<int>(now - starts_[c]);
    words[c] = part == 0 ? pixels : storedPart(part, starts_[c]);
  }
  advanceChains(words, ways_, partPixels_, hashes_);
  if (starts) {
    // The first part's rest, one byte at a time.
    uint64_t& hash = hashes_[now % static_cast<uint64_t>(ways_)];
    for (size_t i = partPixels_; i < firstPixels_; ++i) {
      for (int shift = 0; shift < 32; shift += 8) hash = kernels::fnvStep(hash, (pixels[i] >> shift) & 0xFFu);
    }
  }
  for (int c = 0; c < ways_; ++c) {
    if (active_[c] && now - starts_[c] == static_cast<uint64_t>(ways_ - 1)) {
      active_[c] = false;
      resolve(starts_[c], hashes_[c]);
    }
  }
  if (starts) keepParts(pixels, now);
  ++steps_;
}

void FrameHashBatch::resolve(uint64_t start, uint64_t hash) {
  for (int i = 0; i < entryCount_; ++i) {
    Entry& entry = entries_[i];
    if (!entry.known && entry.start == start) {
      entry.known = true;
      entry.hash = hash;
    }
  }
  if (havePrevious_ && previousStart_ == start) {
    previousKnown_ = true;
    previousHash_ = hash;
  }
}

void FrameHashBatch::drain() {
  for (int c = 0; c < ways_; ++c) {
    while (active_[c]) step(false, nullptr);
  }
}

// Hands over the waiting frames whose hashes are known, up to the first that is not.
void FrameHashBatch::deliver() {
  int done = 0;
  while (done < entryCount_ && entries_[done].known) {
    results_[resultCount_++] = Result{entries_[done].tag, entries_[done].hash};
    ++done;
  }
  if (done == 0) return;
  entryCount_ -= done;
  std::memmove(entries_, entries_ + done, static_cast<size_t>(entryCount_) * sizeof(Entry));
}

void FrameHashBatch::add(const uint32_t* pixels, uint64_t tag) {
  resultCount_ = 0;
  if (repeatsPrevious(pixels)) {
    entries_[entryCount_++] =
        previousKnown_ ? Entry{tag, 0, true, previousHash_} : Entry{tag, previousStart_, false, 0};
  } else {
    havePrevious_ = true;
    previousStart_ = steps_;
    previousKnown_ = false;
    entries_[entryCount_++] = Entry{tag, steps_, false, 0};
    step(true, pixels);
  }
  if (entryCount_ == kMaxFrames) drain();
  deliver();
}

void FrameHashBatch::flush() {
  resultCount_ = 0;
  drain();
  deliver();
}

}  // namespace orvanta
