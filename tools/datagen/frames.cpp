#include "datagen/frames.h"

#include <algorithm>
#include <cmath>

#include "datagen/drawing.h"
#include "datagen/noise.h"

namespace orvanta::datagen {
namespace {

constexpr int32_t kW = 320;
constexpr int32_t kH = 240;

// The show's palette.
const Rgb kIce = hexColour(0xE6FAFF);
const Rgb kCyan = hexColour(0x46D2E6);
const Rgb kTeal = hexColour(0x1B6F82);
const Rgb kNavy = hexColour(0x06101E);
const Rgb kAmber = hexColour(0xFFA040);
const Rgb kDim = hexColour(0x8AA6B8);
const Rgb kBlack{0.0f, 0.0f, 0.0f};
const Rgb kWhite{1.0f, 1.0f, 1.0f};

// Chrome lettering: bright sky above a hard horizon, dark steel below warming to amber.
Rgb chrome(float t) {
  if (t < 0.48f) return mix(hexColour(0xF6FFFF), hexColour(0x7CCFE6), t / 0.48f);
  if (t < 0.54f) return hexColour(0x0E2A44);
  return mix(hexColour(0x1E4C70), hexColour(0xFFB050), (t - 0.54f) / 0.46f);
}

Canvas scaled(const Canvas& canvas, float exposure) {
  Canvas out = canvas;
  for (Rgb& c : out.colour) c = c * exposure;
  return out;
}

// The title lettering, centred on `centreX`, its box's top at `top`. Returns its height.
void drawTitle(Canvas& canvas, const FontSet& fonts, float centreX, float top, float pixelHeight) {
  TextStyle style;
  style.tracking = pixelHeight * 0.04f;
  style.gradient = chrome;
  style.outline = hexColour(0x020812);
  style.outlineRadius = 2;
  style.shadow = kBlack;
  style.shadowOpacity = 0.75f;
  style.shadowBlur = 3;
  style.shadowDx = 2;
  style.shadowDy = 3;
  drawText(canvas, fonts.sansBold, kTitle, pixelHeight, centreX, top, Align::kCentre, style);
}

// A planet whose limb crosses the picture at `horizonY`, with its atmosphere lit by a sun
// rising at `sunX`.
void drawPlanet(Canvas& canvas, float horizonY, float sunX, uint32_t seed) {
  constexpr float kRadius = 430.0f;
  const float cx = 160.0f;
  const float cy = horizonY + kRadius;
  for (int32_t y = 0; y < canvas.height; ++y) {
    for (int32_t x = 0; x < canvas.width; ++x) {
      const float px = static_cast<float>(x) + 0.5f;
      const float py = static_cast<float>(y) + 0.5f;
      const float d = std::sqrt((px - cx) * (px - cx) + (py - cy) * (py - cy));
      const float above = d - kRadius;  // > 0 in space
      Rgb c = canvas.at(x, y);
      const float sunDx = px - sunX;
      const float sunDy = py - horizonY;
      const float sunDist = std::sqrt(sunDx * sunDx + sunDy * sunDy);
      const float nearSun = std::exp(-std::fabs(sunDx) / 110.0f);
      if (above < 0.0f) {
        // Surface: dark cloud bands following the curvature, lit near the limb and the sun.
        const float depth = -above;
        const float angle = std::atan2(px - cx, cy - py);
        const float bands = smoothNoise(angle * 90.0f, depth / 9.0f, seed);
        const float detail = smoothNoise(angle * 300.0f, depth / 3.0f, seed + 1u);
        Rgb surface = mix(hexColour(0x04121C), hexColour(0x12394A), clamp01(0.5f + 0.6f * bands + 0.2f * detail));
        surface = surface * (0.35f + 0.9f * std::exp(-depth / 55.0f) * (0.4f + 0.6f * nearSun));
        surface = surface + kAmber * (0.5f * std::exp(-depth / 6.0f) * nearSun);
        c = surface + kCyan * (0.55f * std::exp(-depth / 2.0f));
      } else {
        // Atmosphere: a thin bright shell and a wide soft halo.
        c = c + kCyan * (0.9f * std::exp(-above / 3.0f) + 0.28f * std::exp(-above / 22.0f));
        c = c + kAmber * (0.45f * std::exp(-above / 10.0f) * nearSun);
      }
      // The rising sun: a hot core and a horizontal streak along the limb.
      c = c + hexColour(0xFFE8C0) * (1.2f * std::exp(-sunDist / 7.0f));
      c = c + kAmber * (0.5f * std::exp(-sunDist / 28.0f));
      c = c + hexColour(0xFFD8A0) * (0.6f * std::exp(-std::fabs(sunDy) / 1.6f) * std::exp(-std::fabs(sunDx) / 90.0f));
      canvas.at(x, y) = c;
    }
  }
}

// A night sky: vertical gradient, faint nebula and stars.
void drawSky(Canvas& canvas, uint32_t seed) {
  for (int32_t y = 0; y < canvas.height; ++y) {
    for (int32_t x = 0; x < canvas.width; ++x) {
      const float fy = static_cast<float>(y) / static_cast<float>(canvas.height);
      const float fx = static_cast<float>(x);
      Rgb c = mix(hexColour(0x02050C), hexColour(0x0A1A2E), fy);
      const float cloud = smoothNoise(fx / 70.0f, static_cast<float>(y) / 50.0f, seed) +
                          0.5f * smoothNoise(fx / 30.0f, static_cast<float>(y) / 22.0f, seed + 1u);
      c = c + hexColour(0x3A1E5A) * (0.22f * clamp01(cloud));
      c = c + kTeal * (0.12f * clamp01(-cloud));
      canvas.at(x, y) = c;
    }
  }
  drawStars(canvas, seed + 2u, 170, 0.9f);
}

// Thin corner brackets inset by `inset`.
void drawBrackets(Canvas& canvas, float inset, float arm, Rgb colour, float opacity) {
  const float l = inset;
  const float r = static_cast<float>(canvas.width) - inset;
  const float t = inset;
  const float b = static_cast<float>(canvas.height) - inset;
  drawLine(canvas, l, t, l + arm, t, 1.0f, colour, opacity);
  drawLine(canvas, l, t, l, t + arm, 1.0f, colour, opacity);
  drawLine(canvas, r, t, r - arm, t, 1.0f, colour, opacity);
  drawLine(canvas, r, t, r, t + arm, 1.0f, colour, opacity);
  drawLine(canvas, l, b, l + arm, b, 1.0f, colour, opacity);
  drawLine(canvas, l, b, l, b - arm, 1.0f, colour, opacity);
  drawLine(canvas, r, b, r - arm, b, 1.0f, colour, opacity);
  drawLine(canvas, r, b, r, b - arm, 1.0f, colour, opacity);
}

TextStyle plain(Rgb fill, float opacity = 1.0f) {
  TextStyle style;
  style.fill = fill;
  style.opacity = opacity;
  return style;
}

TextStyle shadowed(Rgb fill, float tracking = 0.0f) {
  TextStyle style;
  style.fill = fill;
  style.tracking = tracking;
  style.outline = kBlack;
  style.outlineRadius = 1;
  style.outlineOpacity = 0.85f;
  style.shadow = kBlack;
  style.shadowOpacity = 0.6f;
  style.shadowBlur = 2;
  return style;
}

ArgbPicture packOverlay(const Canvas& canvas) { return packCanvas(canvas, true); }

ArgbPicture packMask(const std::vector<float>& keep) {
  ArgbPicture picture;
  picture.width = kW;
  picture.height = kH;
  picture.pixels.resize(keep.size());
  for (size_t i = 0; i < keep.size(); ++i) {
    const uint32_t k = toByte(keep[i]);
    picture.pixels[i] = 0xFF000000u | (k << 16) | (k << 8) | k;
  }
  return picture;
}

}  // namespace

ArgbPicture buildOpeningPicture(const FontSet& fonts) {
  Canvas canvas(kW, kH, kNavy, 1.0f);
  drawSky(canvas, 401u);
  drawPlanet(canvas, 168.0f, 96.0f, 403u);

  TextStyle group = shadowed(kIce, 7.0f);
  group.shadow = kTeal;
  group.shadowOpacity = 0.8f;
  group.shadowBlur = 4;
  group.shadowDx = 0;
  group.shadowDy = 0;
  drawText(canvas, fonts.sansBold, kGroup, 27.0f, 160.0f, 58.0f, Align::kCentre, group);
  drawText(canvas, fonts.sans, "p r e s e n t s", 10.0f, 160.0f, 96.0f, Align::kCentre, shadowed(kDim));

  // A loading bar caught at three quarters: the show starts before it fills.
  const float barLeft = 100.0f;
  const float barRight = 220.0f;
  const float barTop = 205.0f;
  fillRoundRect(canvas, barLeft - 2.0f, barTop - 2.0f, barRight + 2.0f, barTop + 6.0f, 2.0f, kBlack, 0.7f);
  fillRoundRect(canvas, barLeft - 1.0f, barTop - 1.0f, barRight + 1.0f, barTop + 5.0f, 2.0f, kTeal, 0.6f);
  fillRoundRect(canvas, barLeft - 0.5f, barTop - 0.5f, barRight + 0.5f, barTop + 4.5f, 2.0f, kBlack, 0.9f);
  fillRoundRect(canvas, barLeft, barTop, barLeft + (barRight - barLeft) * 0.73f, barTop + 4.0f, 1.5f, kAmber, 1.0f);
  drawText(canvas, fonts.mono, "loading veltrane", 9.0f, barLeft, 190.0f, Align::kLeft, shadowed(kDim));
  drawText(canvas, fonts.mono, "73%", 9.0f, barRight, 190.0f, Align::kRight, shadowed(kAmber));
  // The scene nearly doubles the picture and darkens it with grain: store it at half strength
  // plus a little lift.
  Canvas stored = scaled(canvas, 0.5f);
  for (Rgb& c : stored.colour) c = c + Rgb{0.025f, 0.025f, 0.03f};
  return packCanvas(stored, false);
}

ArgbPicture buildTunnelLogo(const FontSet& fonts) {
  Canvas canvas(kW, kH);
  // A dark band behind the title that fades out to both sides.
  for (int32_t y = 88; y < 160; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      const float across = std::fabs(static_cast<float>(x) + 0.5f - 160.0f) / 160.0f;
      const float down = std::fabs(static_cast<float>(y) + 0.5f - 124.0f) / 36.0f;
      const float a = 0.8f * (1.0f - smoothstep(0.6f, 1.0f, across)) * (1.0f - smoothstep(0.7f, 1.0f, down));
      blendPixel(canvas, x, y, kNavy, a);
    }
  }
  drawLine(canvas, 40.0f, 96.5f, 280.0f, 96.5f, 1.0f, kCyan, 0.55f);
  drawLine(canvas, 40.0f, 152.5f, 280.0f, 152.5f, 1.0f, kCyan, 0.55f);
  drawTitle(canvas, fonts, 160.0f, 92.0f, 54.0f);
  TextStyle sub = shadowed(kAmber * 1.2f, 2.0f);
  drawText(canvas, fonts.sansBold, "a quillmoth production", 10.0f, 160.0f, 155.0f, Align::kCentre, sub);
  // The scene brightens after blending: half strength.
  return packOverlay(scaled(canvas, 0.5f));
}

ArgbPicture buildBlobOverlayFirst(const FontSet& fonts) {
  Canvas canvas(kW, kH);
  constexpr int32_t kBar = 22;
  fillRect(canvas, 0, 0, kW, kBar, kBlack, 0.92f);
  fillRect(canvas, 0, kH - kBar, kW, kH, kBlack, 0.92f);
  fillRect(canvas, 0, kBar, kW, kBar + 1, kCyan, 0.75f);
  fillRect(canvas, 0, kH - kBar - 1, kW, kH - kBar, kCyan, 0.75f);
  drawText(canvas, fonts.monoBold, "VELTRANE", 9.0f, 10.0f, kH - 17.0f, Align::kLeft, plain(kCyan));
  drawText(canvas, fonts.mono, "02 / liquid state", 9.0f, kW - 10.0f, kH - 17.0f, Align::kRight, plain(kIce));
  drawText(canvas, fonts.mono, "quillmoth", 8.0f, 10.0f, 6.0f, Align::kLeft, plain(kDim));
  drawText(canvas, fonts.mono, "field solver: 4 sources", 8.0f, kW - 10.0f, 6.0f, Align::kRight, plain(kDim));
  // Scale ticks along the inner edge of the top bar.
  for (int32_t x = 20; x < kW - 16; x += 8) {
    const float len = (x % 40 == 20) ? 4.0f : 2.0f;
    drawLine(canvas, static_cast<float>(x) + 0.5f, kBar + 1.0f, static_cast<float>(x) + 0.5f, kBar + 1.0f + len, 1.0f,
             kCyan, 0.5f);
  }
  drawBrackets(canvas, 30.5f, 12.0f, kWhite, 0.55f);
  return packOverlay(canvas);
}

ArgbPicture buildBlobOverlaySecond(const FontSet& fonts) {
  Canvas canvas(kW, kH);
  constexpr int32_t kSide = 30;
  for (int32_t y = 0; y < kH; ++y)
    for (int32_t x = 0; x < kSide + 12; ++x) {
      const float a = x < kSide ? 0.9f : 0.9f * (1.0f - static_cast<float>(x - kSide) / 12.0f);
      blendPixel(canvas, x, y, kBlack, a);
    }
  fillRect(canvas, kSide, 0, kSide + 1, kH, kAmber, 0.8f);
  TextStyle side = plain(kAmber);
  side.tracking = 6.0f;
  drawTextUpwards(canvas, fonts.sansBold, "VELTRANE", 15.0f, 7.0f, 120.0f, side);
  // Caption box at the bottom right.
  fillRoundRect(canvas, 196.0f, 198.0f, 312.0f, 232.0f, 3.0f, kBlack, 0.72f);
  fillRect(canvas, 196, 198, 199, 232, kAmber, 0.9f);
  drawText(canvas, fonts.sansBold, "03 / pressure", 11.0f, 205.0f, 201.0f, Align::kLeft, plain(kIce));
  drawText(canvas, fonts.mono, "surface tension 0.10", 8.0f, 205.0f, 218.0f, Align::kLeft, plain(kDim));
  // A small reticle near the top right.
  drawCircle(canvas, 292.0f, 26.0f, 9.0f, 1.0f, kIce, 0.6f);
  drawLine(canvas, 292.0f, 12.0f, 292.0f, 20.0f, 1.0f, kIce, 0.6f);
  drawLine(canvas, 292.0f, 32.0f, 292.0f, 40.0f, 1.0f, kIce, 0.6f);
  drawLine(canvas, 278.0f, 26.0f, 286.0f, 26.0f, 1.0f, kIce, 0.6f);
  drawLine(canvas, 298.0f, 26.0f, 306.0f, 26.0f, 1.0f, kIce, 0.6f);
  return packOverlay(canvas);
}

ArgbPicture buildCredits(const FontSet& fonts) {
  Canvas canvas(kW, kH);
  fillRoundRect(canvas, 10.0f, 146.0f, 178.0f, 230.0f, 4.0f, kBlack, 0.6f);
  fillRect(canvas, 10, 146, 13, 230, kAmber, 0.9f);
  drawText(canvas, fonts.sansBold, kTitle, 16.0f, 20.0f, 150.0f, Align::kLeft, shadowed(kAmber, 1.5f));
  struct Line {
    const char* role;
    const char* name;
  };
  const Line lines[] = {
      {"code", "tavvik / miskelo"},
      {"graphics", "sorrel nine"},
      {"music", "quarn"},
  };
  float top = 174.0f;
  for (const Line& line : lines) {
    drawText(canvas, fonts.sans, line.role, 9.0f, 20.0f, top + 1.0f, Align::kLeft, shadowed(kCyan));
    drawText(canvas, fonts.sansBold, line.name, 11.0f, 72.0f, top, Align::kLeft, shadowed(kIce));
    top += 17.0f;
  }
  return packOverlay(canvas);
}

ArgbPicture buildGreetings(const FontSet& fonts) {
  Canvas canvas(kW, kH);
  // The cube fills the middle: the names run down both sides.
  const char* left[] = {"saltgrid", "mothbell", "tinderfall", "hollowfen", "cinderloom"};
  const char* right[] = {"vireo nine", "brackwater", "ninefold drift", "lumen kiln", "oxbow circuit"};
  for (int32_t y = 20; y < kH - 20; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      const float fx = static_cast<float>(x) + 0.5f;
      const float edge = std::min(fx, static_cast<float>(kW) - fx);
      const float a = 0.5f * (1.0f - smoothstep(55.0f, 100.0f, edge));
      if (a > 0.0f) blendPixel(canvas, x, y, kBlack, a);
    }
  }
  TextStyle heading = shadowed(kAmber, 4.0f);
  drawText(canvas, fonts.sansBold, "greetings", 13.0f, 160.0f, 18.0f, Align::kCentre, heading);
  float top = 62.0f;
  for (int i = 0; i < 5; ++i) {
    drawText(canvas, fonts.sansBold, left[i], 11.0f, 24.0f, top, Align::kLeft, shadowed(kIce));
    drawText(canvas, fonts.sansBold, right[i], 11.0f, kW - 24.0f, top, Align::kRight, shadowed(kIce));
    top += 26.0f;
  }
  for (float x : {22.0f, static_cast<float>(kW) - 22.0f}) drawLine(canvas, x, 58.0f, x, 186.0f, 1.0f, kAmber, 0.6f);
  // The scene brightens before blending and masks afterwards: full strength.
  return packOverlay(canvas);
}

ArgbPicture buildControlTest(const FontSet& fonts) {
  Canvas canvas(kW, kH);
  drawBrackets(canvas, 10.5f, 18.0f, kWhite, 0.85f);
  // Centre reticle.
  drawCircle(canvas, 160.0f, 120.0f, 10.0f, 1.0f, kWhite, 0.5f);
  for (const float s : {-1.0f, 1.0f}) {
    drawLine(canvas, 160.0f + s * 14.0f, 120.0f, 160.0f + s * 24.0f, 120.0f, 1.0f, kWhite, 0.5f);
    drawLine(canvas, 160.0f, 120.0f + s * 14.0f, 160.0f, 120.0f + s * 24.0f, 1.0f, kWhite, 0.5f);
  }
  // Header.
  fillRoundRect(canvas, 18.0f, 16.0f, 150.0f, 44.0f, 2.0f, kBlack, 0.6f);
  drawText(canvas, fonts.monoBold, "CONTROL TEST", 11.0f, 24.0f, 18.0f, Align::kLeft, plain(kAmber));
  drawText(canvas, fonts.mono, "field 05 / plasma relief", 8.0f, 24.0f, 31.0f, Align::kLeft, plain(kIce));
  // Height scale on the right.
  for (int32_t y = 40; y <= 200; y += 8) {
    const bool major = (y - 40) % 40 == 0;
    drawLine(canvas, 300.0f, static_cast<float>(y) + 0.5f, major ? 290.0f : 295.0f, static_cast<float>(y) + 0.5f,
             1.0f, kWhite, 0.7f);
    if (major) {
      const int value = 450 - (y - 40) * 450 / 160;
      drawText(canvas, fonts.mono, std::to_string(value), 7.0f, 287.0f, static_cast<float>(y) - 4.0f, Align::kRight,
               shadowed(kDim));
    }
  }
  drawLine(canvas, 300.5f, 40.0f, 300.5f, 200.0f, 1.0f, kWhite, 0.7f);
  // Readouts and a small bar graph at the bottom.
  fillRoundRect(canvas, 18.0f, 196.0f, 210.0f, 224.0f, 2.0f, kBlack, 0.6f);
  drawText(canvas, fonts.mono, "gain 0.82  phase 3.14  drift 0.07", 8.0f, 24.0f, 198.0f, Align::kLeft,
           plain(kIce));
  const float bars[] = {0.4f, 0.7f, 0.55f, 0.9f, 0.35f, 0.6f, 0.8f, 0.5f, 0.65f, 0.3f, 0.75f, 0.45f};
  for (int i = 0; i < 12; ++i) {
    const float x = 24.0f + static_cast<float>(i) * 8.0f;
    fillRect(canvas, static_cast<int32_t>(x), static_cast<int32_t>(221.0f - bars[i] * 9.0f), static_cast<int32_t>(x) + 5,
             221, i % 4 == 3 ? kAmber : kCyan, 0.9f);
  }
  drawText(canvas, fonts.mono, "CH 05", 8.0f, 204.0f, 209.0f, Align::kRight, plain(kAmber));
  return packOverlay(canvas);
}

ArgbPicture buildSpikeMask() {
  std::vector<float> keep(static_cast<size_t>(kW) * kH);
  for (int32_t y = 0; y < kH; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      const float fx = (static_cast<float>(x) + 0.5f - 160.0f) / 160.0f;
      const float fy = (static_cast<float>(y) + 0.5f - 120.0f) / 120.0f;
      const float r = std::sqrt(fx * fx + fy * fy);
      float k = 1.0f - 0.6f * smoothstep(0.55f, 1.35f, r);
      // Soft letterbox bars.
      const float fromEdge = std::min(static_cast<float>(y) + 0.5f, static_cast<float>(kH) - static_cast<float>(y) - 0.5f);
      k *= smoothstep(14.0f, 20.0f, fromEdge);
      // Scanlines.
      if (y % 2 == 1) k *= 0.8f;
      keep[static_cast<size_t>(y) * kW + x] = k;
    }
  }
  // A small smiling face cut into the bottom bar: the scene shows through it.
  const float cx = 300.0f;
  const float cy = 229.0f;
  for (int32_t y = 218; y < kH; ++y) {
    for (int32_t x = 286; x < 316; ++x) {
      const float px = static_cast<float>(x) + 0.5f - cx;
      const float py = static_cast<float>(y) + 0.5f - cy;
      const float d = std::sqrt(px * px + py * py);
      float face = clamp01(7.5f - d);                                              // the disc
      const float eye = std::min(std::hypot(px + 2.5f, py + 2.0f), std::hypot(px - 2.5f, py + 2.0f));
      face *= clamp01(eye - 0.9f);                                                  // eyes cut out
      const float smile = std::fabs(std::hypot(px, py + 1.0f) - 4.0f);
      if (py > 0.5f) face *= clamp01(smile - 0.5f);                                 // the smile
      float& k = keep[static_cast<size_t>(y) * kW + x];
      k = std::max(k, face);
    }
  }
  return packMask(keep);
}

ArgbPicture buildCubeMask() {
  std::vector<float> keep(static_cast<size_t>(kW) * kH);
  constexpr float kInset = 9.0f;
  constexpr float kRadius = 30.0f;
  const float hx = 160.0f - kInset - kRadius;
  const float hy = 120.0f - kInset - kRadius;
  for (int32_t y = 0; y < kH; ++y) {
    for (int32_t x = 0; x < kW; ++x) {
      const float px = std::fabs(static_cast<float>(x) + 0.5f - 160.0f) - hx;
      const float py = std::fabs(static_cast<float>(y) + 0.5f - 120.0f) - hy;
      const float outside = std::hypot(std::max(px, 0.0f), std::max(py, 0.0f)) + std::min(std::max(px, py), 0.0f) -
                            kRadius;
      float k = 1.0f - smoothstep(-6.0f, 0.0f, outside);
      // Darker corners inside the window and fine scanlines.
      const float fx = (static_cast<float>(x) + 0.5f - 160.0f) / 160.0f;
      const float fy = (static_cast<float>(y) + 0.5f - 120.0f) / 120.0f;
      k *= 1.0f - 0.35f * smoothstep(0.7f, 1.4f, std::sqrt(fx * fx + fy * fy));
      if (y % 3 == 2) k *= 0.78f;
      keep[static_cast<size_t>(y) * kW + x] = k;
    }
  }
  return packMask(keep);
}

ArgbPicture buildEndPicture(const FontSet& fonts) {
  Canvas canvas(kW, kH, kNavy, 1.0f);
  drawSky(canvas, 411u);
  drawPlanet(canvas, 176.0f, 224.0f, 413u);
  drawTitle(canvas, fonts, 160.0f, 52.0f, 52.0f);
  drawText(canvas, fonts.sans, "a quillmoth production", 9.0f, 160.0f, 112.0f, Align::kCentre,
           shadowed(kAmber, 2.0f));
  drawText(canvas, fonts.sansBold, "thank you for watching", 10.0f, 160.0f, 140.0f, Align::kCentre,
           shadowed(kIce, 1.0f));
  drawText(canvas, fonts.mono, "code tavvik / miskelo   graphics sorrel nine   music quarn", 7.0f, 160.0f, 222.0f,
           Align::kCentre, shadowed(kDim));
  return packCanvas(canvas, false);
}

}  // namespace orvanta::datagen
