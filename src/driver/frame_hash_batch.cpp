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

namespace {

// `count` frames in groups of kWays through `kernel`; a short group repeats its first frame
// in the unused chains.
template <int kWays, typename Kernel>
void hashInGroups(const uint32_t* const* frames, int count, size_t pixelCount, uint64_t* hashes, Kernel kernel) {
  for (int first = 0; first < count; first += kWays) {
    const uint32_t* group[kWays];
    for (int k = 0; k < kWays; ++k) group[k] = frames[first + k < count ? first + k : first];
    uint64_t all[kWays];
    kernel(group, pixelCount, all);
    for (int k = 0; k < kWays && first + k < count; ++k) hashes[first + k] = all[k];
  }
}

}  // namespace

void hashFramesSideBySide(const uint32_t* const* frames, int count, size_t pixelCount, uint64_t* hashes) {
#if ORVANTA_X86_AVX2
  if (count > 4 && cpu::hasAvx2()) {
    hashInGroups<12>(frames, count, pixelCount, hashes, kernels::hashTwelveAvx2);
    return;
  }
#endif
  hashInGroups<4>(frames, count, pixelCount, hashes, kernels::hashFourReference);
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
