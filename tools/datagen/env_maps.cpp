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
  float skyCurve = 0.55f;     // smaller: the sky darkens towards the zenith sooner
};

// Radiance seen along direction r (view axes: y down, z away from the viewer).
Rgb radiance(const Surroundings& s, Dir r) {
  const float elevation = -r.y + s.horizonDrop;
  Rgb c;
  if (elevation >= 0.0f) {
    c = mix(s.skyHorizon, s.skyZenith, std::pow(clamp01(elevation), s.skyCurve));
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
  // Mostly dark, so that the grid scene's fourfold brightening leaves colour, with a hot key
  // light, a few cool light panels and a warm horizon that the bumps make sparkle.
  Surroundings s{};
  s.skyZenith = hexColour(0x030E16);
  s.skyHorizon = hexColour(0x145A6C);
  s.groundHorizon = hexColour(0x3A1E0C);
  s.groundNadir = hexColour(0x0A0604);
  s.horizonGlow = hexColour(0xFFA050) * 0.7f;
  s.sun = normalised({-0.45f, -0.65f, -0.6f});
  s.sunColour = hexColour(0xFFF0D8) * 1.8f;
  s.sunSharpness = 40.0f;
  s.boxes[0] = {normalised({0.8f, -0.3f, -0.5f}), 0.05f, hexColour(0x9AF0FF) * 0.9f};
  s.boxes[1] = {normalised({-0.2f, -0.95f, 0.2f}), 0.06f, hexColour(0xC8F8FF) * 0.6f};
  s.boxes[2] = {normalised({0.3f, 0.2f, -0.95f}), 0.03f, hexColour(0xFF9040) * 0.6f};
  s.rim = hexColour(0x40C0E0) * 0.25f;
  s.outside = hexColour(0x040C14);
  s.exposure = 0.36f;
  s.seed = 301u;
  s.discRadius = 125.0f;
  s.horizonDrop = 0.12f;
  s.skyCurve = 0.35f;  // the grid scene sees mostly the upper sky, four times brightened
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
  // The blobs' mesher and the spikes' normals point opposite ways, so the two objects read
  // this map turned by half a turn against each other. It is therefore drawn symmetric under
  // that turn: bands around the centre and highlights in opposite pairs, liquid chrome in a
  // ring of lights rather than a sky above a floor.
  constexpr int32_t kSide = 256;
  ArgbPicture picture;
  picture.width = kSide;
  picture.height = kSide;
  picture.pixels.resize(static_cast<size_t>(kSide) * kSide);
  const Rgb deep = hexColour(0x0A0E2A);
  const Rgb blue = hexColour(0x2A5CC8);
  const Rgb ice = hexColour(0xCFF4FF);
  const Rgb magenta = hexColour(0xD040A0);
  const Rgb amber = hexColour(0xFFA040);
  const Rgb cyan = hexColour(0x30C8E8);
  for (int32_t py = 0; py < kSide; ++py) {
    for (int32_t px = 0; px < kSide; ++px) {
      const float x = (static_cast<float>(px) + 0.5f - 128.0f) / 127.5f;
      const float y = (static_cast<float>(py) + 0.5f - 128.0f) / 127.5f;
      const float rho = std::min(1.0f, std::sqrt(x * x + y * y));
      // Coordinates that repeat under the half turn (x, y) -> (-x, -y).
      const float c2 = rho > 1e-6f ? (x * x - y * y) / (rho * rho) : 1.0f;
      const float s2 = rho > 1e-6f ? 2.0f * x * y / (rho * rho) : 0.0f;
      const float ripple = smoothNoise(c2 * 1.8f + rho * 5.0f, s2 * 1.8f - rho * 3.0f, 331u);
      const float r = rho + 0.04f * ripple;
      // Steep normals (most of a blob, seen through the camera's scaling) land near the rim:
      // give it colour that changes around the circle instead of one white band.
      const float around = std::atan2(s2, c2) + r * 4.0f + ripple;
      const Rgb band = std::sin(around) > 0.0f ? mix(cyan, magenta, std::sin(around)) : mix(cyan, amber, -std::sin(around));
      // Facing the viewer: the soft light behind the camera, fading into deep blue.
      Rgb c = mix(ice * 0.9f, deep, smoothstep(0.0f, 0.25f, r));
      c = mix(c, blue, smoothstep(0.15f, 0.45f, r));
      c = mix(c, mix(band, ice, 0.25f), 0.7f * smoothstep(0.45f, 0.95f, r));
      c = c + ice * (0.5f * smoothstep(0.96f, 1.0f, r));                       // thin rim
      c = c * (0.75f + 0.35f * clamp01(0.5f + ripple));
      // Two soft windows opposite each other.
      for (const float sign : {-1.0f, 1.0f}) {
        const float wx = x - sign * 0.42f;
        const float wy = y - sign * 0.4f;
        const float d = std::sqrt(wx * wx * 1.6f + wy * wy * 0.7f);
        c = c + ice * (1.6f * (1.0f - smoothstep(0.08f, 0.13f, d)));
      }
      picture.pixels[static_cast<size_t>(py) * kSide + px] = packPixel(c * 0.3f, 1.0f);
    }
  }
  return picture;
}

}  // namespace orvanta::datagen
