#pragma once
// Drawing on canvases: text with outline and shadow, soft shapes, lines and gradients.

#include <functional>
#include <string>

#include "datagen/picture.h"
#include "datagen/text.h"

namespace orvanta::datagen {

enum class Align { kLeft, kCentre, kRight };

struct TextStyle {
  Rgb fill{1.0f, 1.0f, 1.0f};
  float opacity = 1.0f;
  float tracking = 0.0f;
  Rgb outline{0.0f, 0.0f, 0.0f};
  int32_t outlineRadius = 0;
  float outlineOpacity = 1.0f;
  Rgb shadow{0.0f, 0.0f, 0.0f};
  float shadowOpacity = 0.0f;
  int32_t shadowBlur = 2;
  int32_t shadowDx = 1;
  int32_t shadowDy = 1;
  // Optional vertical gradient of the fill: colour at 0 (top of the letters' box) .. 1.
  std::function<Rgb(float)> gradient;
};

// Draws `text` with its box's top edge at `top`; `x` is its left edge, centre or right edge.
// Returns the width drawn.
float drawText(Canvas& canvas, const Font& font, const std::string& text, float pixelHeight, float x, float top,
               Align align, const TextStyle& style);

// The same, with the text turned a quarter turn anticlockwise (reading upwards), its box's left
// edge at `left` and centred on `centreY`.
void drawTextUpwards(Canvas& canvas, const Font& font, const std::string& text, float pixelHeight, float left,
                     float centreY, const TextStyle& style);

// Anti-aliased rounded rectangle [x0, x1) x [y0, y1).
void fillRoundRect(Canvas& canvas, float x0, float y0, float x1, float y1, float radius, Rgb colour,
                   float opacity);
void fillRect(Canvas& canvas, int32_t x0, int32_t y0, int32_t x1, int32_t y1, Rgb colour, float opacity);
// Anti-aliased line of the given width.
void drawLine(Canvas& canvas, float x0, float y0, float x1, float y1, float width, Rgb colour, float opacity);
// Anti-aliased circle outline (or disc when `width` <= 0).
void drawCircle(Canvas& canvas, float cx, float cy, float radius, float width, Rgb colour, float opacity);
// Blends `colour` at `opacity` into one pixel (ignored outside the canvas).
void blendPixel(Canvas& canvas, int32_t x, int32_t y, Rgb colour, float opacity);

// A starfield over the whole canvas.
void drawStars(Canvas& canvas, uint32_t seed, int32_t count, float brightness);

}  // namespace orvanta::datagen
