#include <algorithm>
#include <cstring>

#include "image/effects.h"
#include "image/finish.h"
#include "image/smooth_sweep.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

// The finishing passes over the pixels [first, first + count) of the frame, cut where the
// mask or the overlay ends (each is blended only as far as it reaches).
void finishRun(Image& frame, size_t first, size_t count, const FrameFinish& finish, ShowRandom& random) {
  const size_t pixels = frame.pixelCount();
  const size_t masked = finish.mask != nullptr ? std::min(finish.mask->pixelCount(), pixels) : 0;
  const size_t overlaid = finish.overlay != nullptr ? std::min(finish.overlay->pixelCount(), pixels) : 0;
  const size_t end = first + count;
  for (size_t start = first; start < end;) {
    size_t stop = end;
    if (start < masked) stop = std::min(stop, masked);
    if (start < overlaid) stop = std::min(stop, overlaid);
    FinishPasses passes;
    passes.grain = finish.grain;
    passes.amount = finish.amount;
    passes.mask = start < masked ? finish.mask->pixels + start : nullptr;
    passes.brightenings = finish.brightenings;
    passes.overlay = start < overlaid ? finish.overlay->pixels + start : nullptr;
    finishPixels(frame.pixels + start, stop - start, passes, random);
    start = stop;
  }
}

}  // namespace

void finishFrame(Image& frame, const FrameFinish& finish, ShowRandom& random) {
  finishRun(frame, 0, frame.pixelCount(), finish, random);
}

void copyFadeThenFinish(const Image& picture, Image& frame, uint32_t level, uint32_t colour,
                        const FrameFinish& finish, ShowRandom& random) {
  constexpr size_t kBlock = 1024;
  const size_t copied = std::min(picture.pixelCount(), frame.pixelCount());
  if (picture.pixels == frame.pixels) {
    frame.fadeTo(level, colour);
    finishRun(frame, 0, frame.pixelCount(), finish, random);
    return;
  }
  // Each pixel's fade depends only on itself, so fading block by block after the copy gives
  // the words of the whole-frame passes.
  for (size_t start = 0; start < frame.pixelCount(); start += kBlock) {
    const size_t length = std::min(kBlock, frame.pixelCount() - start);
    if (start < copied) {
      std::memcpy(frame.pixels + start, picture.pixels + start, std::min(length, copied - start) * sizeof(uint32_t));
    }
    pixelRun(frame.pixels + start, length).fadeTo(level, colour);
    finishRun(frame, start, length, finish, random);
  }
}

void smoothThenFinish(Image& frame, const FrameFinish& finish, ShowRandom& random) {
  smoothNeighboursThen(frame, [&](size_t first, size_t count) { finishRun(frame, first, count, finish, random); });
}

}  // namespace orvanta
