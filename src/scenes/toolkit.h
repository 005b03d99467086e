#pragma once
// What the scenes share: grain, the flickering blur and the white flash at the start of a
// scene.

#include <cstdint>

#include "base/random.h"
#include "image/grain.h"
#include "image/image.h"

namespace orvanta {

inline constexpr uint32_t kWhite = 0xFFFFFFFFu;  // packArgb(255, 255, 255, 255)

// What follows the smoothing in most scenes, in this order: the grain (when `grain`), the
// mask, `brightenings` full brightenings, the overlay blended over the frame.
struct FrameFinish {
  bool grain = true;
  int amount = 0;
  int brightenings = 0;
  const Image* mask = nullptr;
  const Image* overlay = nullptr;
};

// The finishing passes over the whole frame, in one sweep: the same words as the passes one
// after the other (a mask or overlay smaller than the frame stops at its last pixel).
void finishFrame(Image& frame, const FrameFinish& finish, ShowRandom& random);

// copyImage(picture, frame), frame.fadeTo(level, colour) and then the finishing passes, in
// one sweep: the same words as the passes one after the other.
void copyFadeThenFinish(const Image& picture, Image& frame, uint32_t level, uint32_t colour,
                        const FrameFinish& finish, ShowRandom& random);

// smoothNeighbours(frame) and then the finishing passes, in one sweep trailing the smoothing
// by a row: the same words as the passes one after the other.
void smoothThenFinish(Image& frame, const FrameFinish& finish, ShowRandom& random);

// The show's two-pass blur: vertical from source into work, then horizontal from work into
// destination, with radii that swing between 0 and 16 with the show time t (the work image is
// left as scratch). The destination may be the source.
void blurPair(Image& destination, Image& work, const Image& source, float t);

// One draw; four frames in ten are blurred through the work image.
void flickerBlur(Image& frame, Image& work, float t, ShowRandom& random);

struct FlashIn {
  bool armed = true;
  float startTime = 0.0f;  // centiseconds
  float duration = 0.0f;   // centiseconds

  // As a show that jumped to `timeCs` would have it, for a scene that starts at `startCs`:
  // armed before the start, otherwise begun at the start.
  void seek(float startCs, float timeCs);

  bool operator==(const FlashIn&) const = default;
};

// On the scene's first frame (the flash is armed), the flash starts at t.
void startFlashIn(FlashIn& flash, float t);
// startFlashIn, then the frame faded towards white by what is left of the flash.
void applyFlashIn(FlashIn& flash, Image& frame, float t);

}  // namespace orvanta
