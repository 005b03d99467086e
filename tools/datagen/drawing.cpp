#include "datagen/drawing.h"

#include <algorithm>
#include <cmath>

#include "datagen/noise.h"

namespace orvanta::datagen {
namespace {

Mask padMask(const Mask& mask, int32_t pad) {
  Mask out(mask.width + 2 * pad, mask.height + 2 * pad);
  for (int32_t y = 0; y < mask.height; ++y)
    for (int32_t x = 0; x < mask.width; ++x) out.ref(x + pad, y + pad) = mask.at(x, y);
  return out;
}

Mask rotateUpwards(const Mask& mask) {
  Mask out(mask.height, mask.width);
  for (int32_t y = 0; y < out.height; ++y)
    for (int32_t x = 0; x < out.width; ++x) out.ref(x, y) = mask.at(mask.width - 1 - y, x);
  return out;
}

// Shadow, outline and fill of a prepared (padded) text mask with its top-left at (x, y).
void paintStyled(Canvas& canvas, const Mask& glyphs, int32_t x, int32_t y, const TextStyle& style) {
  if (style.shadowOpacity > 0.0f) {
    const Mask base = style.outlineRadius > 0 ? dilateMask(glyphs, style.outlineRadius) : glyphs;
    const Mask shadow = blurMask(shiftMask(base, style.shadowDx, style.shadowDy), style.shadowBlur, 2);
    paintMask(canvas, shadow, x, y, style.shadow, style.shadowOpacity * style.opacity);
  }
  if (style.outlineRadius > 0) {
    paintMask(canvas, dilateMask(glyphs, style.outlineRadius), x, y, style.outline,
              style.outlineOpacity * style.opacity);
  }
  if (!style.gradient) {
    paintMask(canvas, glyphs, x, y, style.fill, style.opacity);
    return;
  }
  // Gradient fill: find the rows the letters occupy, then colour each row.
  int32_t first = glyphs.height;
  int32_t last = -1;
  for (int32_t gy = 0; gy < glyphs.height; ++gy) {
    for (int32_t gx = 0; gx < glyphs.width; ++gx) {
      if (glyphs.at(gx, gy) > 0.0f) {
        first = std::min(first, gy);
        last = std::max(last, gy);
        break;
      }
    }
  }
  if (last < first) return;
  for (int32_t gy = first; gy <= last; ++gy) {
    const float t = (static_cast<float>(gy - first) + 0.5f) / static_cast<float>(last - first + 1);
    const Rgb colour = style.gradient(t);
    for (int32_t gx = 0; gx < glyphs.width; ++gx) {
      const float a = glyphs.at(gx, gy);
      if (a > 0.0f) blendPixel(canvas, x + gx, y + gy, colour, a * style.opacity);
    }
  }
}

int32_t paddingFor(const TextStyle& style) {
  return style.outlineRadius + style.shadowBlur * 2 + std::max(std::abs(style.shadowDx), std::abs(style.shadowDy)) + 2;
}

}  // namespace

void blendPixel(Canvas& canvas, int32_t x, int32_t y, Rgb colour, float opacity) {
  if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return;
  compositeOver(canvas, x, y, colour, opacity);
}

float drawText(Canvas& canvas, const Font& font, const std::string& text, float pixelHeight, float x, float top,
               Align align, const TextStyle& style) {
  const int32_t pad = paddingFor(style);
  const Mask glyphs = padMask(font.render(text, pixelHeight, style.tracking), pad);
  const float width = font.measure(text, pixelHeight, style.tracking);
  float left = x;
  if (align == Align::kCentre) left = x - width * 0.5f;
  if (align == Align::kRight) left = x - width;
  paintStyled(canvas, glyphs, static_cast<int32_t>(std::lround(left)) - pad - 1,
              static_cast<int32_t>(std::lround(top)) - pad, style);
  return width;
}

void drawTextUpwards(Canvas& canvas, const Font& font, const std::string& text, float pixelHeight, float left,
                     float centreY, const TextStyle& style) {
  const int32_t pad = paddingFor(style);
  const Mask glyphs = rotateUpwards(padMask(font.render(text, pixelHeight, style.tracking), pad));
  const float length = font.measure(text, pixelHeight, style.tracking);
  const auto top = static_cast<int32_t>(std::lround(centreY - length * 0.5f));
  paintStyled(canvas, glyphs, static_cast<int32_t>(std::lround(left)) - pad, top - pad - 1, style);
}

void fillRoundRect(Canvas& canvas, float x0, float y0, float x1, float y1, float radius, Rgb colour,
                   float opacity) {
  const float cx = (x0 + x1) * 0.5f;
  const float cy = (y0 + y1) * 0.5f;
  const float hx = (x1 - x0) * 0.5f - radius;
  const float hy = (y1 - y0) * 0.5f - radius;
  for (int32_t y = std::max(0, static_cast<int32_t>(y0) - 1); y < std::min(canvas.height, static_cast<int32_t>(y1) + 1);
       ++y) {
    for (int32_t x = std::max(0, static_cast<int32_t>(x0) - 1);
         x < std::min(canvas.width, static_cast<int32_t>(x1) + 1); ++x) {
      const float px = std::fabs(static_cast<float>(x) + 0.5f - cx) - hx;
      const float py = std::fabs(static_cast<float>(y) + 0.5f - cy) - hy;
      const float outside = std::sqrt(std::max(px, 0.0f) * std::max(px, 0.0f) + std::max(py, 0.0f) * std::max(py, 0.0f)) +
                            std::min(std::max(px, py), 0.0f) - radius;
      const float coverage = clamp01(0.5f - outside);
      if (coverage > 0.0f) blendPixel(canvas, x, y, colour, coverage * opacity);
    }
  }
}

void fillRect(Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgb colour, float opacity) {
  for (int32_t y = std::max(0, y0); y < std::min(canvas.height, y1); ++y)
    for (int32_t x = std::max(0, x0); x < std::min(canvas.width, x1); ++x) blendPixel(canvas, x, y, colour, opacity);
}

void drawLine(Canvas& canvas, float x0, float y0, float x1, float y1, float width, Rgb colour, float opacity) {
  const float minX = std::min(x0, x1) - width - 1.0f;
  const float maxX = std::max(x0, x1) + width + 1.0f;
  const float minY = std::min(y0, y1) - width - 1.0f;
  const float maxY = std::max(y0, y1) + width + 1.0f;
  const float dx = x1 - x0;
  const float dy = y1 - y0;
  const float lengthSq = std::max(1e-6f, dx * dx + dy * dy);
  for (int32_t y = std::max(0, static_cast<int32_t>(minY)); y < std::min(canvas.height, static_cast<int32_t>(maxY) + 1);
       ++y) {
    for (int32_t x = std::max(0, static_cast<int32_t>(minX));
         x < std::min(canvas.width, static_cast<int32_t>(maxX) + 1); ++x) {
      const float px = static_cast<float>(x) + 0.5f - x0;
      const float py = static_cast<float>(y) + 0.5f - y0;
      const float t = std::clamp((px * dx + py * dy) / lengthSq, 0.0f, 1.0f);
      const float ex = px - t * dx;
      const float ey = py - t * dy;
      const float d = std::sqrt(ex * ex + ey * ey);
      const float coverage = clamp01(width * 0.5f + 0.5f - d);
      if (coverage > 0.0f) blendPixel(canvas, x, y, colour, coverage * opacity);
    }
  }
}

void drawCircle(Canvas& canvas, float cx, float cy, float radius, float width, Rgb colour, float opacity) {
  const float reach = radius + std::max(width, 0.0f) + 2.0f;
  for (int32_t y = std::max(0, static_cast<int32_t>(cy - reach));
       y < std::min(canvas.height, static_cast<int32_t>(cy + reach) + 1); ++y) {
    for (int32_t x = std::max(0, static_cast<int32_t>(cx - reach));
         x < std::min(canvas.width, static_cast<int32_t>(cx + reach) + 1); ++x) {
      const float px = static_cast<float>(x) + 0.5f - cx;
      const float py = static_cast<float>(y) + 0.5f - cy;
      const float d = std::sqrt(px * px + py * py);
      const float coverage =
          width > 0.0f ? clamp01(width * 0.5f + 0.5f - std::fabs(d - radius)) : clamp01(radius + 0.5f - d);
      if (coverage > 0.0f) blendPixel(canvas, x, y, colour, coverage * opacity);
    }
  }
}

void drawStars(Canvas& canvas, uint32_t seed, int32_t count, float brightness) {
  for (int32_t i = 0; i < count; ++i) {
    const float x = hashUnit(i, 0, seed) * static_cast<float>(canvas.width);
    const float y = hashUnit(i, 1, seed) * static_cast<float>(canvas.height);
    const float size = hashUnit(i, 2, seed);
    const float level = brightness * (0.25f + 0.75f * size * size);
    const Rgb tint = mix(hexColour(0xB8D8FF), hexColour(0xFFE8C8), hashUnit(i, 3, seed));
    const auto ix = static_cast<int32_t>(x);
    const auto iy = static_cast<int32_t>(y);
    blendPixel(canvas, ix, iy, tint, level);
    if (size > 0.85f) {
      // The brightest few get a small cross.
      for (int32_t k = 1; k <= 2; ++k) {
        const float arm = level * (k == 1 ? 0.5f : 0.2f);
        blendPixel(canvas, ix + k, iy, tint, arm);
        blendPixel(canvas, ix - k, iy, tint, arm);
        blendPixel(canvas, ix, iy + k, tint, arm);
        blendPixel(canvas, ix, iy - k, tint, arm);
      }
    }
  }
}

}  // namespace orvanta::datagen
