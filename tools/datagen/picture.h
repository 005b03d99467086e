#pragma once
// Working pictures of the generator: float RGBA while a picture is composed, packed
// 0xAARRGGBB words (row 0 at the top) once it is finished.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvanta::datagen {

struct Rgb {
  float r = 0.0f;
  float g = 0.0f;
  float b = 0.0f;
};

Rgb operator+(Rgb a, Rgb b);
Rgb operator-(Rgb a, Rgb b);
Rgb operator*(Rgb a, float k);
Rgb operator*(Rgb a, Rgb b);
Rgb mix(Rgb a, Rgb b, float t);
// 0xRRGGBB to 0..1 channels.
Rgb hexColour(uint32_t rgb);

float clamp01(float x);
float smoothstep(float edge0, float edge1, float x);
float lerp(float a, float b, float t);

// A channel value 0..1 to a byte, rounded and clamped.
uint32_t toByte(float value);
uint32_t packPixel(Rgb colour, float alpha);

// Float colour plus a coverage/alpha plane of the same size.
struct Canvas {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<Rgb> colour;
  std::vector<float> alpha;

  Canvas(int32_t w, int32_t h, Rgb fillColour = {}, float fillAlpha = 0.0f);
  Rgb& at(int32_t x, int32_t y) { return colour[static_cast<size_t>(y) * width + x]; }
  const Rgb& at(int32_t x, int32_t y) const { return colour[static_cast<size_t>(y) * width + x]; }
  float& alphaAt(int32_t x, int32_t y) { return alpha[static_cast<size_t>(y) * width + x]; }
  float alphaAt(int32_t x, int32_t y) const { return alpha[static_cast<size_t>(y) * width + x]; }
};

// The finished, packed picture.
struct ArgbPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

// Packs colour and alpha planes; `alphaIsTransparency` stores 1 - alpha, the convention of the
// show's overlays (255 lets the frame below show through).
ArgbPicture packCanvas(const Canvas& canvas, bool alphaIsTransparency);

// A coverage mask, 0..1 per pixel.
struct Mask {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<float> value;

  Mask() = default;
  Mask(int32_t w, int32_t h) : width(w), height(h), value(static_cast<size_t>(w) * h, 0.0f) {}
  float at(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0.0f;
    return value[static_cast<size_t>(y) * width + x];
  }
  float& ref(int32_t x, int32_t y) { return value[static_cast<size_t>(y) * width + x]; }
};

// Separable box blur of a mask (clamped at the borders), repeated `passes` times.
Mask blurMask(const Mask& mask, int32_t radius, int32_t passes);
// Grows a mask by `radius` pixels (round structuring element, soft edge kept).
Mask dilateMask(const Mask& mask, int32_t radius);
// Shifts a mask by (dx, dy) pixels.
Mask shiftMask(const Mask& mask, int32_t dx, int32_t dy);

// Composites `colour` at `opacity` over one pixel of the canvas (straight alpha).
void compositeOver(Canvas& canvas, int32_t x, int32_t y, Rgb colour, float opacity);

// Paints `colour` over the canvas where the mask covers, placed with its top-left at (x, y).
void paintMask(Canvas& canvas, const Mask& mask, int32_t x, int32_t y, Rgb colour, float opacity);

}  // namespace orvanta::datagen
