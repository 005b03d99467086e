#include "image/blend_kernels.h"

namespace orvanta::kernels {
namespace {

uint32_t byteAt(uint32_t word, int shift) { return (word >> shift) & 0xFFu; }

}  // namespace

void fadeToReference(uint32_t* pixels, size_t count, uint32_t level, uint32_t colour) {
  const uint32_t l = level & 0xFFu;
  for (size_t i = 0; i < count; ++i) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      const uint32_t faded = ((byteAt(pixels[i], shift) * (255u - l)) >> 8) + ((byteAt(colour, shift) * l) >> 8);
      out |= faded << shift;
    }
    pixels[i] = out;
  }
}

void brightenReference(uint32_t* pixels, size_t count, uint32_t amount) {
  const uint32_t k = amount & 0xFFu;
  for (size_t i = 0; i < count; ++i) {
    uint32_t out = pixels[i] & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t c = byteAt(pixels[i], shift);
      uint32_t raised = c + ((c * k) >> 8);
      if (raised > 255u) raised = 255u;
      out |= raised << shift;
    }
    pixels[i] = out;
  }
}

void modulateReference(const uint32_t* source, uint32_t* target, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
      out |= ((byteAt(target[i], shift) * byteAt(source[i], shift)) >> 8) << shift;
    }
    target[i] = out;
  }
}

void blendOverReference(const uint32_t* source, uint32_t* destination, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const uint32_t alpha = source[i] >> 24;
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t mixed =
          ((byteAt(source[i], shift) * (255u - alpha)) >> 8) + ((byteAt(destination[i], shift) * alpha) >> 8);
      out |= mixed << shift;
    }
    destination[i] = out;
  }
}

}  // namespace orvanta::kernels
