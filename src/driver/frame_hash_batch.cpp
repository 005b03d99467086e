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

int hashWays() { return cpu::hasAvx2() ? 12 : 4; }

void hashFramesSideBySide(const uint32_t* const* frames, int count, size_t pixelCount, uint64_t* hashes) {
  // Short groups repeat their first frame in the unused chains.
#if ORVANTA_X86_AVX2
  if (count > 4 && cpu::hasAvx2()) {
    for (int first = 0; first < count; first += 12) {
      const uint32_t* twelve[12];
      for (int k = 0; k < 12; ++k) twelve[k] = frames[first + k < count ? first + k : first];
      uint64_t all[12];
      kernels::hashTwelveAvx2(twelve, pixelCount, all);
      for (int k = 0; k < 12 && first + k < count; ++k) hashes[first + k] = all[k];
    }
    return;
  }
#endif
  for (int first = 0; first < count; first += 4) {
    const uint32_t* four[4];
    for (int k = 0; k < 4; ++k) four[k] = frames[first + k < count ? first + k : first];
    uint64_t all[4];
    kernels::hashFourReference(four, pixelCount, all);
    for (int k = 0; k < 4 && first + k < count; ++k) hashes[first + k] = all[k];
  }
}

FrameHashBatch::FrameHashBatch(size_t pixelCount)
    : pixelCount_(pixelCount),
      ways_(hashWays()),
      copies_(new uint32_t[static_cast<size_t>(ways_ - 1) * (pixelCount == 0 ? 1 : pixelCount)]) {}

void FrameHashBatch::add(const uint32_t* pixels, uint64_t tag) {
  resultCount_ = 0;
  tags_[waiting_] = tag;
  if (waiting_ + 1 == ways_) {
    ++waiting_;
    hashWaiting(pixels);
    return;
  }
  if (pixelCount_ != 0) std::memcpy(copies_.get() + waiting_ * pixelCount_, pixels, pixelCount_ * sizeof(uint32_t));
  ++waiting_;
}

void FrameHashBatch::flush() {
  resultCount_ = 0;
  if (waiting_ > 0) hashWaiting(nullptr);
}

// The first frames come from the copies; `last`, if given, is the frame that filled the batch.
void FrameHashBatch::hashWaiting(const uint32_t* last) {
  const uint32_t* frames[kMaxWays] = {};
  for (int i = 0; i < waiting_; ++i) frames[i] = copies_.get() + i * pixelCount_;
  if (last != nullptr) frames[waiting_ - 1] = last;
  uint64_t hashes[kMaxWays];
  hashFramesSideBySide(frames, waiting_, pixelCount_, hashes);
  for (int i = 0; i < waiting_; ++i) results_[i] = Result{tags_[i], hashes[i]};
  resultCount_ = waiting_;
  waiting_ = 0;
}

}  // namespace orvanta
