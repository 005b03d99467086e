#include "datagen/picture.h"

#include <algorithm>
#include <cmath>

namespace orvanta::datagen {

Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
Rgb mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }

Rgb hexColour(uint32_t rgb) {
  return {static_cast<float>((rgb >> 16) & 0xFF) / 255.0f, static_cast<float>((rgb >> 8) & 0xFF) / 255.0f,
          static_cast<float>(rgb & 0xFF) / 255.0f};
}

float clamp01(float x) { return std::min(1.0f, std::max(0.0f, x)); }

float smoothstep(float edge0, float edge1, float x) {
  const float t = clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3.0f - 2.0f * t);
}

float lerp(float a, float b, float t) { return a + (b - a) * t; }

uint32_t toByte(float value) {
  const float scaled = std::floor(clamp01(value) * 255.0f + 0.5f);
  return static_cast<uint32_t>(scaled);
}

uint32_t packPixel(Rgb colour, float alpha) {
  return (toByte(alpha) << 24) | (toByte(colour.r) << 16) | (toByte(colour.g) << 8) | toByte(colour.b);
}

Canvas::Canvas(int32_t w, int32_t h, Rgb fillColour, float fillAlpha)
    : width(w),
      height(h),
      colour(static_cast<size_t>(w) * h, fillColour),
      alpha(static_cast<size_t>(w) * h, fillAlpha) {}

ArgbPicture packCanvas(const Canvas& canvas, bool alphaIsTransparency) {
  ArgbPicture picture;
  picture.width = canvas.width;
  picture.height = canvas.height;
  picture.pixels.resize(canvas.colour.size());
  for (size_t i = 0; i < canvas.colour.size(); ++i) {
    const float a = alphaIsTransparency ? 1.0f - canvas.alpha[i] : canvas.alpha[i];
    picture.pixels[i] = packPixel(canvas.colour[i], a);
  }
  return picture;
}

namespace {

// One pass of a box blur along a line of `count` values `stride` apart, clamped at the ends.
void boxLine(const float* in, float* out, int32_t count, int32_t stride, int32_t radius) {
  const float weight = 1.0f / static_cast<float>(2 * radius + 1);
  for (int32_t i = 0; i < count; ++i) {
    float sum = 0.0f;
    for (int32_t k = -radius; k <= radius; ++k) {
      const int32_t j = std::min(count - 1, std::max(0, i + k));
      sum += in[static_cast<size_t>(j) * stride];
    }
    out[static_cast<size_t>(i) * stride] = sum * weight;
  }
}

}  // namespace

Mask blurMask(const Mask& mask, int32_t radius, int32_t passes) {
  Mask a = mask;
  Mask b = mask;
  if (radius <= 0) return a;
  for (int32_t p = 0; p < passes; ++p) {
    for (int32_t y = 0; y < a.height; ++y)
      boxLine(&a.value[static_cast<size_t>(y) * a.width], &b.value[static_cast<size_t>(y) * a.width], a.width, 1,
              radius);
    for (int32_t x = 0; x < a.width; ++x) boxLine(&b.value[x], &a.value[x], a.height, a.width, radius);
  }
  return a;
}

Mask dilateMask(const Mask& mask, int32_t radius) {
  Mask out(mask.width, mask.height);
  for (int32_t y = 0; y < mask.height; ++y) {
    for (int32_t x = 0; x < mask.width; ++x) {
      float best = 0.0f;
      for (int32_t dy = -radius; dy <= radius; ++dy) {
        for (int32_t dx = -radius; dx <= radius; ++dx) {
          const float d = std::sqrt(static_cast<float>(dx * dx + dy * dy));
          const float reach = clamp01(static_cast<float>(radius) + 0.5f - d);
          if (reach <= 0.0f) continue;
          best = std::max(best, mask.at(x + dx, y + dy) * reach);
        }
      }
      out.ref(x, y) = best;
    }
  }
  return out;
}

Mask shiftMask(const Mask& mask, int32_t dx, int32_t dy) {
  Mask out(mask.width, mask.height);
  for (int32_t y = 0; y < mask.height; ++y)
    for (int32_t x = 0; x < mask.width; ++x) out.ref(x, y) = mask.at(x - dx, y - dy);
  return out;
}

void compositeOver(Canvas& canvas, int32_t x, int32_t y, Rgb colour, float opacity) {
  const float a = clamp01(opacity);
  if (a <= 0.0f) return;
  Rgb& dstColour = canvas.at(x, y);
  float& dstAlpha = canvas.alphaAt(x, y);
  // Straight (not premultiplied) colour: what lies under a partly covering layer keeps its hue.
  const float under = dstAlpha * (1.0f - a);
  const float total = a + under;
  dstColour = (colour * a + dstColour * under) * (1.0f / total);
  dstAlpha = total;
}

void paintMask(Canvas& canvas, const Mask& mask, int32_t x, int32_t y, Rgb colour, float opacity) {
  for (int32_t my = 0; my < mask.height; ++my) {
    const int32_t cy = y + my;
    if (cy < 0 || cy >= canvas.height) continue;
    for (int32_t mx = 0; mx < mask.width; ++mx) {
      const int32_t cx = x + mx;
      if (cx < 0 || cx >= canvas.width) continue;
      compositeOver(canvas, cx, cy, colour, mask.at(mx, my) * opacity);
    }
  }
}

}  // namespace orvanta::datagen
