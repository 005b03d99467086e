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

int hashWays() { return cpu::hasAvx2() ? 16 : 4; }

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
    hashInGroups<16>(frames, count, pixelCount, hashes, kernels::hashSixteenAvx2);
    return;
  }
#endif
  hashInGroups<4>(frames, count, pixelCount, hashes, kernels::hashFourReference);
}

FrameHashBatch::FrameHashBatch(size_t pixelCount)
    : pixelCount_(pixelCount),
      ways_(hashWays()),
      copies_(new uint32_t[static_cast<size_t>(ways_ - 1) * (pixelCount == 0 ? 1 : pixelCount)]) {}

namespace {

// Most frames differ from the one before in their first words, so the whole compare is rare.
bool sameFrame(const uint32_t* a, const uint32_t* b, size_t count) {
  if (count == 0) return true;  // frames of no pixels may have no arrays at all
  constexpr size_t kFirst = 16;
  const size_t first = count < kFirst ? count : kFirst;
  return std::memcmp(a, b, first * sizeof(uint32_t)) == 0 &&
         std::memcmp(a + first, b + first, (count - first) * sizeof(uint32_t)) == 0;
}

}  // namespace

void FrameHashBatch::add(const uint32_t* pixels, uint64_t tag) {
  resultCount_ = 0;
  if (previous_ != nullptr && sameFrame(pixels, previous_, pixelCount_)) {
    entries_[entryCount_++] = Entry{tag, previousChain_, previousHash_};
    if (entryCount_ == kMaxFrames) hashWaiting(nullptr);
    return;
  }
  entries_[entryCount_++] = Entry{tag, chains_, 0};
  if (chains_ + 1 == ways_) {
    ++chains_;
    previous_ = nullptr;  // hashed where it lies, not kept
    hashWaiting(pixels);
    return;
  }
  uint32_t* const copy = copies_.get() + static_cast<size_t>(chains_) * pixelCount_;
  if (pixelCount_ != 0) std::memcpy(copy, pixels, pixelCount_ * sizeof(uint32_t));
  previous_ = copy;
  previousChain_ = chains_;
  ++chains_;
  if (entryCount_ == kMaxFrames) hashWaiting(nullptr);
}

void FrameHashBatch::flush() {
  resultCount_ = 0;
  if (entryCount_ > 0) hashWaiting(nullptr);
}

// The first frames come from the copies; `last`, if given, is the frame that filled the batch.
void FrameHashBatch::hashWaiting(const uint32_t* last) {
  const uint32_t* frames[kMaxWays] = {};
  for (int i = 0; i < chains_; ++i) frames[i] = copies_.get() + static_cast<size_t>(i) * pixelCount_;
  if (last != nullptr) frames[chains_ - 1] = last;
  uint64_t hashes[kMaxWays];
  if (chains_ > 0) hashFramesSideBySide(frames, chains_, pixelCount_, hashes);
  for (int i = 0; i < entryCount_; ++i) {
    const Entry& entry = entries_[i];
    results_[i] = Result{entry.tag, entry.chain == kKnown ? entry.hash : hashes[entry.chain]};
  }
  resultCount_ = entryCount_;
  if (previous_ != nullptr && previousChain_ != kKnown) {
    // The copy stays where it is until another frame is added, so a repeat can still use it.
    previousHash_ = hashes[previousChain_];
    previousChain_ = kKnown;
  }
  chains_ = 0;
  entryCount_ = 0;
}

}  // namespace orvanta
