#include "datagen/textures.h"

#include <algorithm>
#include <cmath>

#include "datagen/noise.h"

namespace orvanta::datagen {
namespace {

constexpr int32_t kSide = kTextureSide;
constexpr float kSideF = static_cast<float>(kTextureSide);

// ---- Panel layout shared by the metal texture and its relief --------------------------------

enum class PanelKind { kPlain, kVent, kGrooves, kLight };

struct Panel {
  int32_t x, y, w, h;  // in units of 32 texels
  PanelKind kind;
};

// Sixteen panels that cover the 8 x 8 grid of 32-texel squares exactly once.
constexpr Panel kPanels[] = {
    {0, 0, 4, 2, PanelKind::kPlain}, {4, 0, 2, 2, PanelKind::kVent},    {6, 0, 2, 1, PanelKind::kLight},
    {6, 1, 2, 1, PanelKind::kPlain}, {0, 2, 2, 2, PanelKind::kGrooves}, {2, 2, 2, 1, PanelKind::kPlain},
    {2, 3, 2, 1, PanelKind::kLight}, {4, 2, 4, 2, PanelKind::kPlain},   {0, 4, 3, 2, PanelKind::kPlain},
    {3, 4, 2, 2, PanelKind::kVent},  {5, 4, 3, 1, PanelKind::kGrooves}, {5, 5, 3, 1, PanelKind::kLight},
    {0, 6, 2, 2, PanelKind::kVent},  {2, 6, 4, 1, PanelKind::kPlain},   {2, 7, 4, 1, PanelKind::kGrooves},
    {6, 6, 2, 2, PanelKind::kPlain},
};

struct PanelPoint {
  int32_t index = 0;
  float lx = 0.0f;  // position inside the panel, texels
  float ly = 0.0f;
  float w = 0.0f;  // panel size, texels
  float h = 0.0f;
  float edge = 0.0f;  // distance to the nearest panel edge
};

PanelPoint panelAt(int32_t x, int32_t y) {
  const int32_t gx = x / 32;
  const int32_t gy = y / 32;
  PanelPoint point;
  for (int32_t i = 0; i < static_cast<int32_t>(std::size(kPanels)); ++i) {
    const Panel& p = kPanels[i];
    if (gx >= p.x && gx < p.x + p.w && gy >= p.y && gy < p.y + p.h) {
      point.index = i;
      point.lx = static_cast<float>(x - p.x * 32) + 0.5f;
      point.ly = static_cast<float>(y - p.y * 32) + 0.5f;
      point.w = static_cast<float>(p.w * 32);
      point.h = static_cast<float>(p.h * 32);
      point.edge = std::min(std::min(point.lx, point.w - point.lx), std::min(point.ly, point.h - point.ly));
      return point;
    }
  }
  return point;
}

// Rivet dome 0..1 near the panel's corners (and mid-edges of long panels).
float rivet(const PanelPoint& p) {
  constexpr float kInset = 6.5f;
  constexpr float kRadius = 2.8f;
  float best = 0.0f;
  const float xs[3] = {kInset, p.w * 0.5f, p.w - kInset};
  const float ys[2] = {kInset, p.h - kInset};
  for (int i = 0; i < 3; ++i) {
    if (i == 1 && p.w < 100.0f) continue;
    for (float cy : ys) {
      const float dx = p.lx - xs[i];
      const float dy = p.ly - cy;
      const float r = std::sqrt(dx * dx + dy * dy) / kRadius;
      if (r < 1.0f) best = std::max(best, std::sqrt(1.0f - r * r));
    }
  }
  return best;
}

// Relief of the panels, 0..1.
float panelHeight(int32_t x, int32_t y) {
  const PanelPoint p = panelAt(x, y);
  const float u = static_cast<float>(x) / kSideF;
  const float v = static_cast<float>(y) / kSideF;
  float h;
  if (p.edge < 1.5f) {
    h = 0.10f;
  } else if (p.edge < 5.5f) {
    h = lerp(0.24f, 0.62f, smoothstep(1.5f, 5.5f, p.edge));
  } else {
    h = 0.62f;
  }
  const PanelKind kind = kPanels[p.index].kind;
  if (kind == PanelKind::kVent && p.edge >= 9.0f) {
    // Horizontal slots with rounded ends.
    const float pitch = 9.0f;
    const float local = std::fmod(p.ly - 11.0f, pitch);
    const float across = std::fabs(local - pitch * 0.5f);
    const float along = std::max(0.0f, std::max(12.0f - p.lx, p.lx - (p.w - 12.0f)));
    const float d = std::sqrt(along * along + std::max(0.0f, across - 0.0f) * std::max(0.0f, across - 0.0f));
    if (p.ly > 11.0f && p.ly < p.h - 11.0f) h -= 0.34f * (1.0f - smoothstep(1.6f, 3.2f, d));
  } else if (kind == PanelKind::kGrooves && p.edge >= 8.0f) {
    const float local = std::fmod(p.ly, 6.0f);
    h -= 0.10f * std::max(0.0f, 1.0f - std::fabs(local - 3.0f) / 1.6f);
  } else if (kind == PanelKind::kLight) {
    const float across = std::fabs(p.ly - p.h * 0.5f);
    const float along = std::max(0.0f, std::max(9.0f - p.lx, p.lx - (p.w - 9.0f)));
    if (along <= 0.0f) h -= 0.30f * (1.0f - smoothstep(3.0f, 5.0f, across));
  }
  h += 0.22f * rivet(p);
  // Slow dents over the whole sheet.
  h += 0.035f * periodicFbm(u * 4.0f, v * 4.0f, 4, 3, 71u);
  return clamp01(h);
}

// Light strips glow in the middle of their channel.
float lightStrip(const PanelPoint& p) {
  if (kPanels[p.index].kind != PanelKind::kLight) return 0.0f;
  const float across = std::fabs(p.ly - p.h * 0.5f);
  const float along = std::max(0.0f, std::max(10.0f - p.lx, p.lx - (p.w - 10.0f)));
  return (1.0f - smoothstep(0.5f, 3.0f, across)) * (1.0f - smoothstep(0.0f, 2.0f, along));
}

std::vector<float> panelHeightField() {
  std::vector<float> heights(static_cast<size_t>(kSide) * kSide);
  for (int32_t y = 0; y < kSide; ++y)
    for (int32_t x = 0; x < kSide; ++x) heights[static_cast<size_t>(y) * kSide + x] = panelHeight(x, y);
  return heights;
}

float wrappedAt(const std::vector<float>& field, int32_t x, int32_t y) {
  x = (x % kSide + kSide) % kSide;
  y = (y % kSide + kSide) % kSide;
  return field[static_cast<size_t>(y) * kSide + x];
}

ArgbPicture packOpaque(const Canvas& canvas, float exposure) {
  ArgbPicture picture;
  picture.width = canvas.width;
  picture.height = canvas.height;
  picture.pixels.resize(canvas.colour.size());
  for (size_t i = 0; i < canvas.colour.size(); ++i) picture.pixels[i] = packPixel(canvas.colour[i] * exposure, 1.0f);
  return picture;
}

}  // namespace

ArgbPicture buildPanelHeights() {
  const std::vector<float> heights = panelHeightField();
  ArgbPicture picture;
  picture.width = kSide;
  picture.height = kSide;
  picture.pixels.resize(heights.size());
  for (size_t i = 0; i < heights.size(); ++i) {
    const uint32_t h = toByte(heights[i]);
    picture.pixels[i] = 0xFF000000u | (h << 16) | (h << 8) | h;
  }
  return picture;
}

ArgbPicture buildPanelTexture() {
  const std::vector<float> heights = panelHeightField();
  Canvas canvas(kSide, kSide);
  const Rgb steelDark = hexColour(0x2A323C);
  const Rgb steelLight = hexColour(0x56626F);
  const Rgb amber = hexColour(0xFF9A38);
  const Rgb cyan = hexColour(0x46D2E6);
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide; ++x) {
      const PanelPoint p = panelAt(x, y);
      const float u = static_cast<float>(x) / kSideF;
      const float v = static_cast<float>(y) / kSideF;
      // Brushed along x: long streaks, fine across.
      const float brushed = periodicFbm(u * 4.0f, v * 64.0f, 4, 64, 3, 11u);
      const float grime = periodicFbm(u * 6.0f, v * 6.0f, 6, 4, 23u);
      const uint32_t tint = hashInts(p.index, 0, 5u);
      const float panelShade = 0.86f + 0.28f * static_cast<float>(tint & 0xFF) / 255.0f;
      Rgb c = mix(steelDark, steelLight, clamp01(0.5f + 0.6f * brushed)) * panelShade;
      if ((tint >> 8) % 3 == 0) c = c * Rgb{0.92f, 0.97f, 1.08f};  // a few bluer sheets
      // Light from the upper left on the relief.
      const float dx = wrappedAt(heights, x + 1, y) - wrappedAt(heights, x - 1, y);
      const float dy = wrappedAt(heights, x, y + 1) - wrappedAt(heights, x, y - 1);
      const float light = std::clamp(1.0f - 4.0f * (dx + dy), 0.35f, 1.9f);
      c = c * light;
      const float h = heights[static_cast<size_t>(y) * kSide + x];
      c = c * (0.45f + 0.85f * smoothstep(0.05f, 0.6f, h));  // seams and slots sit in shadow
      c = c * (0.82f + 0.2f * grime);
      const float strip = lightStrip(p);
      if (strip > 0.0f) {
        const Rgb glow = (tint & 0x10000u) != 0 ? cyan : amber;
        c = mix(c, glow * 1.3f, strip);
      }
      canvas.at(x, y) = c;
    }
  }
  return packOpaque(canvas, 0.4f);
}

ArgbPicture buildStoneTexture() {
  Canvas canvas(kSide, kSide);
  constexpr int32_t kCells = 7;
  const Rgb stoneA = hexColour(0x2E2452);
  const Rgb stoneB = hexColour(0x5A3C7C);
  const Rgb seam = hexColour(0x3CE0FF);
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide; ++x) {
      const float u = (static_cast<float>(x) + 0.5f) / kSideF;
      const float v = (static_cast<float>(y) + 0.5f) / kSideF;
      const float wobble = 0.08f * periodicFbm(u * 8.0f, v * 8.0f, 8, 3, 31u);
      const CellSample cell = periodicCells(u * kCells + wobble, v * kCells - wobble, kCells, 41u);
      const float border = cell.second - cell.nearest;
      const float grain = periodicFbm(u * 32.0f, v * 32.0f, 32, 3, 37u);
      const float tone = static_cast<float>(cell.id & 0xFF) / 255.0f;
      Rgb c = mix(stoneA, stoneB, clamp01(0.25f + 0.6f * tone + 0.25f * grain));
      // Each stone is domed: brighter towards its middle, darker at the cracks.
      c = c * (0.55f + 0.6f * smoothstep(0.0f, 0.35f, border));
      const float glow = std::exp(-border / 0.035f) + 0.35f * std::exp(-border / 0.12f);
      c = c + seam * (0.9f * glow);
      canvas.at(x, y) = c;
    }
  }
  return packOpaque(canvas, 0.65f);
}

ArgbPicture buildLatticeTexture() {
  ArgbPicture picture;
  picture.width = kSide;
  picture.height = kSide;
  picture.pixels.resize(static_cast<size_t>(kSide) * kSide);
  const Rgb brassDark = hexColour(0x4A2C12);
  const Rgb brass = hexColour(0xC88E3E);
  const Rgb brassLight = hexColour(0xFFE6A8);
  constexpr float kCell = 64.0f;
  constexpr float kBarHalf = 6.5f;
  constexpr float kBoss = 11.0f;
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide; ++x) {
      const float fx = static_cast<float>(x) + 0.5f;
      const float fy = static_cast<float>(y) + 0.5f;
      // Distances to the nearest bar centre lines (the cell borders), wrapping.
      const float ox = std::fmod(fx, kCell);
      const float oy = std::fmod(fy, kCell);
      const float dx = std::min(ox, kCell - ox);
      const float dy = std::min(oy, kCell - oy);
      const float boss = std::sqrt(dx * dx + dy * dy);
      // A thin inner frame in every other cell.
      const int32_t cellIndex = x / 64 + y / 64;
      const float ring = std::fabs(std::max(std::fabs(ox - 32.0f), std::fabs(oy - 32.0f)) - 14.0f);
      float profile = -1.0f;  // -1: hole; otherwise 0..1 across the metal
      float bright = 0.0f;
      if (boss < kBoss) {
        profile = 1.0f - boss / kBoss;
        bright = 0.25f + 0.85f * std::sqrt(profile);
      } else if (dx < kBarHalf || dy < kBarHalf) {
        const float d = std::min(dx, dy);
        profile = 1.0f - d / kBarHalf;
        bright = 0.2f + 0.8f * std::sqrt(std::max(0.0f, std::cos((1.0f - profile) * 1.5707963f)));
      } else if (cellIndex % 2 == 0 && ring < 1.6f) {
        profile = 1.0f - ring / 1.6f;
        bright = 0.15f + 0.6f * profile;
      }
      if (profile < 0.0f) {
        picture.pixels[static_cast<size_t>(y) * kSide + x] = 0xFF000000u | (kKeyRed << 16) | 0x0000FFu;
        continue;
      }
      const float scratch = periodicFbm(fx / kSideF * 16.0f, fy / kSideF * 16.0f, 16, 3, 53u);
      Rgb c = bright < 0.6f ? mix(brassDark, brass, bright / 0.6f) : mix(brass, brassLight, (bright - 0.6f) / 0.4f);
      c = c * (0.85f + 0.2f * scratch);
      picture.pixels[static_cast<size_t>(y) * kSide + x] = packPixel(c * 0.6f, 1.0f);
    }
  }
  return picture;
}

ArgbPicture buildCoreTexture() {
  Canvas canvas(kSide, kSide);
  constexpr int32_t kCells = 6;
  const Rgb deep = hexColour(0x4A0C30);
  const Rgb flesh = hexColour(0xB02A58);
  const Rgb vein = hexColour(0xFF7A1E);
  const Rgb hot = hexColour(0xFFE27A);
  for (int32_t y = 0; y < kSide; ++y) {
    for (int32_t x = 0; x < kSide; ++x) {
      const float u = (static_cast<float>(x) + 0.5f) / kSideF;
      const float v = (static_cast<float>(y) + 0.5f) / kSideF;
      const float warp = 0.12f * periodicFbm(u * 6.0f, v * 6.0f, 6, 3, 61u);
      const CellSample cell = periodicCells(u * kCells + warp, v * kCells + warp, kCells, 67u);
      const float border = cell.second - cell.nearest;
      const float swirl = periodicFbm(u * 16.0f + warp * 4.0f, v * 16.0f, 16, 4, 73u);
      Rgb c = mix(deep, flesh, clamp01(0.5f + 0.8f * swirl) * smoothstep(0.0f, 0.4f, border));
      const float glow = std::exp(-border / 0.05f);
      c = c + vein * (1.1f * glow) + hot * (0.9f * std::exp(-border / 0.015f));
      // Bright pores in some cells.
      if ((cell.id & 3u) == 0) c = c + vein * (0.6f * std::exp(-cell.nearest / 0.06f));
      canvas.at(x, y) = c;
    }
  }
  return packOpaque(canvas, 0.6f);
}

}  // namespace orvanta::datagen
