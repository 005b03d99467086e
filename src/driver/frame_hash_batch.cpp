#include "driver/frame_hash_batch.h"

#include <cstring>

namespace orvanta {
namespace {

constexpr uint64_t kOffsetBasis = 0xcbf29ce484222325ULL;
constexpr uint64_t kPrime = 0x100000001b3ULL;

inline uint64_t step(uint64_t hash, uint32_t word, int shift) { return (hash ^ ((word >> shift) & 0xFFu)) * kPrime; }

// Four independent chains in one loop: each multiply waits only for its own chain.
void hashFour(const uint32_t* a, const uint32_t* b, const uint32_t* c, const uint32_t* d, size_t count,
              uint64_t (&out)[4]) {
  uint64_t ha = kOffsetBasis;
  uint64_t hb = kOffsetBasis;
  uint64_t hc = kOffsetBasis;
  uint64_t hd = kOffsetBasis;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t wa = a[i];
    const uint32_t wb = b[i];
    const uint32_t wc = c[i];
    const uint32_t wd = d[i];
    for (int shift = 0; shift < 32; shift += 8) {
      ha = step(ha, wa, shift);
      hb = step(hb, wb, shift);
      hc = step(hc, wc, shift);
      hd = step(hd, wd, shift);
    }
  }
  out[0] = ha;
  out[1] = hb;
  out[2] = hc;
  out[3] = hd;
}

}  // namespace

uint64_t frameHash(const uint32_t* pixels, size_t count) {
  uint64_t hash = kOffsetBasis;
  for (size_t i = 0; i < count; ++i) {
    for (int shift = 0; shift < 32; shift += 8) hash = step(hash, pixels[i], shift);
  }
  return hash;
}

void hashFramesSideBySide(const uint32_t* const* frames, int count, size_t pixelCount, uint64_t* hashes) {
  if (count < 1) return;
  // Short batches repeat a frame in the unused chains.
  const uint32_t* four[FrameHashBatch::kWays];
  for (int i = 0; i < FrameHashBatch::kWays; ++i) four[i] = frames[i < count ? i : 0];
  uint64_t all[FrameHashBatch::kWays];
  hashFour(four[0], four[1], four[2], four[3], pixelCount, all);
  for (int i = 0; i < count && i < FrameHashBatch::kWays; ++i) hashes[i] = all[i];
}

FrameHashBatch::FrameHashBatch(size_t pixelCount)
    : pixelCount_(pixelCount), copies_(new uint32_t[(kWays - 1) * (pixelCount == 0 ? 1 : pixelCount)]) {}

void FrameHashBatch::add(const uint32_t* pixels, uint64_t tag) {
  resultCount_ = 0;
  tags_[waiting_] = tag;
  if (waiting_ + 1 == kWays) {
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
  const uint32_t* frames[kWays] = {};
  for (int i = 0; i < waiting_; ++i) frames[i] = copies_.get() + i * pixelCount_;
  if (last != nullptr) frames[waiting_ - 1] = last;
  uint64_t hashes[kWays];
  hashFramesSideBySide(frames, waiting_, pixelCount_, hashes);
  for (int i = 0; i < waiting_; ++i) results_[i] = Result{tags_[i], hashes[i]};
  resultCount_ = waiting_;
  waiting_ = 0;
}

}  // namespace orvanta
