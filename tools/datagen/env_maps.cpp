#include "datagen/env_maps.h"

#include <algorithm>
#include <cmath>

#include "datagen/noise.h"

namespace orvanta::datagen {
namespace {

struct Dir {
  float x, y, z;
};

float dot(Dir a, Dir b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Dir normalised(Dir a) {
  const float k = 1.0f / std::sqrt(dot(a, a));
  return {a.x * k, a.y * k, a.z * k};
}

// A light panel in the surroundings: a soft-edged patch of directions around `centre`.
struct SoftBox {
  Dir centre;
  float width;   // angular half-size, as a dot-product distance
  Rgb colour;
};

struct Surroundings {
  Rgb skyZenith;
  Rgb skyHorizon;
  Rgb groundHorizon;
  Rgb groundNadir;
  Rgb horizonGlow;
  Dir sun;  // direction towards the key light, view axes
  Rgb sunColour;
  float sunSharpness;
  SoftBox boxes[3];
  Rgb rim;       // fresnel-like brightening at the sphere's edge
  Rgb outside;   // texels beyond the sphere
  float exposure;
  uint32_t seed;
  float discRadius = 127.5f;  // texels; a smaller disc leaves a border that repeats cleanly
  float horizonDrop = 0.0f;   // lowers the horizon so it curves across the sphere
};

// Radiance seen along direction r (view axes: y down, z away from the viewer).
Rgb radiance(const Surroundings& s, Dir r) {
  const float elevation = -r.y + s.horizonDrop;
  Rgb c;
  if (elevation >= 0.0f) {
    c = mix(s.skyHorizon, s.skyZenith, std::pow(clamp01(elevation), 0.55f));
    // Thin cloud bands give the reflections something to move over.
    const float bands = smoothNoise(r.x * 2.5f + 7.0f, r.z * 2.5f + elevation * 8.0f, s.seed);
    c = c * (0.85f + 0.3f * clamp01(0.5f + bands));
  } else {
    c = mix(s.groundHorizon, s.groundNadir, std::pow(clamp01(-elevation), 0.45f));
    const float tiles = smoothNoise(r.x * 5.0f + 3.0f, r.z * 5.0f - elevation * 12.0f, s.seed + 1u);
    c = c * (0.8f + 0.35f * clamp01(0.5f + tiles));
  }
  c = c + s.horizonGlow * std::exp(-std::fabs(elevation) / 0.045f);
  c = c + s.sunColour * std::pow(std::max(0.0f, dot(r, s.sun)), s.sunSharpness);
  for (const SoftBox& box : s.boxes) {
    const float d = 1.0f - dot(r, box.centre);
    c = c + box.colour * (1.0f - smoothstep(box.width * 0.7f, box.width, d));
  }
  return c;
}

ArgbPicture buildEnvironment(const Surroundings& s) {
  constexpr int32_t kSide = 256;
  ArgbPicture picture;
  picture.width = kSide;
  picture.height = kSide;
  picture.pixels.resize(static_cast<size_t>(kSide) * kSide);
  for (int32_t py = 0; py < kSide; ++py) {
    for (int32_t px = 0; px < kSide; ++px) {
      // Outward normal of the sphere at this texel (see the header: half a turn).
      float nx = -(static_cast<float>(px) + 0.5f - 128.0f) / s.discRadius;
      float ny = -(static_cast<float>(py) + 0.5f - 128.0f) / s.discRadius;
      const float rho = std::sqrt(nx * nx + ny * ny);
      float beyond = 0.0f;
      if (rho > 0.999f) {
        beyond = rho - 0.999f;
        nx *= 0.999f / rho;
        ny *= 0.999f / rho;
      }
      const float nz = -std::sqrt(std::max(0.0f, 1.0f - nx * nx - ny * ny));
      // Reflect the viewing ray (0, 0, 1) about the normal.
      const Dir r = normalised({-2.0f * nz * nx, -2.0f * nz * ny, 1.0f - 2.0f * nz * nz});
      Rgb c = radiance(s, r);
      const float edge = std::pow(1.0f - std::fabs(nz), 3.0f);
      c = c + s.rim * edge;
      // Fade to the surroundings colour just outside the disc, so the map also repeats
      // cleanly as a texture.
      c = mix(c, s.outside, smoothstep(0.0f, 2.0f / s.discRadius, beyond));
      picture.pixels[static_cast<size_t>(py) * kSide + px] = packPixel(c * s.exposure, 1.0f);
    }
  }
  return picture;
}

}  // namespace

ArgbPicture buildTealEnvironment() {
  Surroundings s{};
  s.skyZenith = hexColour(0x0A2C40);
  s.skyHorizon = hexColour(0x2FA4B8);
  s.groundHorizon = hexColour(0x6A3A1C);
  s.groundNadir = hexColour(0x140C08);
  s.horizonGlow = hexColour(0xFFB060) * 0.8f;
  s.sun = normalised({-0.45f, -0.65f, -0.6f});
  s.sunColour = hexColour(0xFFF0D8) * 1.6f;
  s.sunSharpness = 40.0f;
  s.boxes[0] = {normalised({0.8f, -0.3f, -0.5f}), 0.05f, hexColour(0x9AF0FF) * 0.8f};
  s.boxes[1] = {normalised({-0.2f, -0.95f, 0.2f}), 0.06f, hexColour(0xC8F8FF) * 0.6f};
  s.boxes[2] = {normalised({0.3f, 0.2f, -0.95f}), 0.03f, hexColour(0xFF9040) * 0.5f};
  s.rim = hexColour(0x40C0E0) * 0.35f;
  s.outside = hexColour(0x061420);
  s.exposure = 0.55f;
  s.seed = 301u;
  s.discRadius = 125.0f;
  s.horizonDrop = 0.12f;
  return buildEnvironment(s);
}

ArgbPicture buildGoldEnvironment() {
  Surroundings s{};
  s.skyZenith = hexColour(0x3A2008);
  s.skyHorizon = hexColour(0xE0A040);
  s.groundHorizon = hexColour(0x503018);
  s.groundNadir = hexColour(0x100804);
  s.horizonGlow = hexColour(0xFFD080) * 0.9f;
  s.sun = normalised({0.4f, -0.7f, -0.6f});
  s.sunColour = hexColour(0xFFF8E0) * 1.6f;
  s.sunSharpness = 30.0f;
  s.boxes[0] = {normalised({-0.8f, -0.2f, -0.5f}), 0.05f, hexColour(0xFFE0A0) * 0.7f};
  s.boxes[1] = {normalised({0.1f, -0.9f, 0.4f}), 0.06f, hexColour(0xFFF0C0) * 0.5f};
  s.boxes[2] = {normalised({0.0f, 0.3f, -0.95f}), 0.03f, hexColour(0xFF6020) * 0.5f};
  s.rim = hexColour(0xFFC060) * 0.3f;
  s.outside = hexColour(0x140A04);
  s.exposure = 0.55f;
  s.seed = 302u;
  s.horizonDrop = 0.12f;
  return buildEnvironment(s);
}

ArgbPicture buildChromeEnvironment() {
  Surroundings s{};
  s.skyZenith = hexColour(0x1A2A6A);
  s.skyHorizon = hexColour(0x7AC8F0);
  s.groundHorizon = hexColour(0x5A4A60);
  s.groundNadir = hexColour(0x0E0A18);
  s.horizonGlow = hexColour(0xFFFFFF) * 0.9f;
  s.sun = normalised({-0.5f, -0.6f, -0.62f});
  s.sunColour = hexColour(0xFFFFFF) * 2.0f;
  s.sunSharpness = 60.0f;
  s.boxes[0] = {normalised({0.75f, -0.35f, -0.55f}), 0.04f, hexColour(0xFFC0F0) * 0.9f};
  s.boxes[1] = {normalised({-0.1f, -0.98f, 0.1f}), 0.07f, hexColour(0xE0F0FF) * 0.7f};
  s.boxes[2] = {normalised({-0.6f, 0.45f, -0.65f}), 0.04f, hexColour(0xFF8040) * 0.6f};
  s.rim = hexColour(0xA0C8FF) * 0.4f;
  s.outside = hexColour(0x101830);
  s.exposure = 0.28f;
  s.seed = 303u;
  s.horizonDrop = 0.15f;
  return buildEnvironment(s);
}

}  // namespace orvanta::datagen
