#pragma once
// Inline forms of sampleBilinear and blendPixels for the effects' inner loops.

#include <cstdint>

namespace orvanta::pixel {

inline constexpr int32_t kRowLength = 320;  // the bilinear sample always steps rows of the frame

struct BilinearWeights {
  uint32_t topLeft, topRight, bottomLeft, bottomRight;  // each 0 ... 255
};

inline BilinearWeights bilinearWeights(int32_t u, int32_t v) {
  const uint32_t fu = static_cast<uint32_t>(u) & 0xFFFFu;
  const uint32_t fv = static_cast<uint32_t>(v) & 0xFFFFu;
  return BilinearWeights{((0xFFFFu - fu) * (0xFFFFu - fv)) >> 24, (fu * (0xFFFFu - fv)) >> 24,
                         ((0xFFFFu - fu) * fv) >> 24, (fu * fv) >> 24};
}

// Per byte: sum of (byte * weight) >> 8 over the four neighbours, saturated at 255.
inline uint32_t mixFour(uint32_t topLeft, uint32_t topRight, uint32_t bottomLeft, uint32_t bottomRight,
                        BilinearWeights w) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t sum = ((((topLeft >> shift) & 0xFFu) * w.topLeft) >> 8) +
                   ((((topRight >> shift) & 0xFFu) * w.topRight) >> 8) +
                   ((((bottomLeft >> shift) & 0xFFu) * w.bottomLeft) >> 8) +
                   ((((bottomRight >> shift) & 0xFFu) * w.bottomRight) >> 8);
    if (sum > 255u) sum = 255u;
    out |= sum << shift;
  }
  return out;
}

// Per byte: ((a * (255 - L)) >> 8) + ((b * L) >> 8), L = level & 0xFF.
inline uint32_t mixTwo(uint32_t a, uint32_t b, uint32_t level) {
  const uint32_t l = level & 0xFFu;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    out |= (((((a >> shift) & 0xFFu) * (255u - l)) >> 8) + ((((b >> shift) & 0xFFu) * l) >> 8)) << shift;
  }
  return out;
}

}  // namespace orvanta::pixel
