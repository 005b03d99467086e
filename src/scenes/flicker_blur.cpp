#include <cmath>

#include "base/truncate.h"
#include "image/effects.h"
#include "scenes/toolkit.h"

namespace orvanta {

void blurPair(Image& destination, Image& work, const Image& source, float t) {
  const double phase = t;
  const int32_t radius1 = truncToInt32((std::sin(phase * 0.0479951388306088) + 1.0) * 8.0);
  const int32_t radius2 = truncToInt32((std::sin(phase * 0.06282999992370605) + 1.0) * 8.0);
  blurVerticalThenHorizontal(destination, work, source, static_cast<uint32_t>(radius1),
                             static_cast<uint32_t>(radius2));
}

void flickerBlur(Image& frame, Image& work, float t, ShowRandom& random) {
  if (random.next() % 10 <= 5) return;  // the draw happens whether or not the frame is blurred
  blurPair(frame, work, frame, t);
}

}  // namespace orvanta
