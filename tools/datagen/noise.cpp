#include "datagen/noise.h"

#include <cmath>

namespace orvanta::datagen {
namespace {

int32_t wrap(int32_t value, int32_t period) {
  const int32_t r = value % period;
  return r < 0 ? r + period : r;
}

float fade(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

// Dot product of the lattice gradient at (ix, iy) with the offset (fx, fy).
float gradientDot(int32_t ix, int32_t iy, uint32_t seed, float fx, float fy) {
  const uint32_t h = hashInts(ix, iy, seed);
  const float angle = static_cast<float>(h & 0xFFFF) * (6.2831853f / 65536.0f);
  return std::cos(angle) * fx + std::sin(angle) * fy;
}

}  // namespace

uint32_t hashInts(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = seed * 0x9E3779B9u;
  h ^= static_cast<uint32_t>(x) * 0x85EBCA6Bu;
  h = (h << 13) | (h >> 19);
  h ^= static_cast<uint32_t>(y) * 0xC2B2AE35u;
  h ^= h >> 16;
  h *= 0x7FEB352Du;
  h ^= h >> 15;
  h *= 0x846CA68Bu;
  h ^= h >> 16;
  return h;
}

float hashUnit(int32_t x, int32_t y, uint32_t seed) {
  return static_cast<float>(hashInts(x, y, seed) >> 8) * (1.0f / 16777216.0f);
}

float periodicNoise(float x, float y, int32_t periodX, int32_t periodY, uint32_t seed) {
  const float flx = std::floor(x);
  const float fly = std::floor(y);
  const int32_t ix = static_cast<int32_t>(flx);
  const int32_t iy = static_cast<int32_t>(fly);
  const float fx = x - flx;
  const float fy = y - fly;
  const int32_t x0 = wrap(ix, periodX);
  const int32_t y0 = wrap(iy, periodY);
  const int32_t x1 = wrap(ix + 1, periodX);
  const int32_t y1 = wrap(iy + 1, periodY);
  const float n00 = gradientDot(x0, y0, seed, fx, fy);
  const float n10 = gradientDot(x1, y0, seed, fx - 1.0f, fy);
  const float n01 = gradientDot(x0, y1, seed, fx, fy - 1.0f);
  const float n11 = gradientDot(x1, y1, seed, fx - 1.0f, fy - 1.0f);
  const float u = fade(fx);
  const float v = fade(fy);
  const float top = n00 + (n10 - n00) * u;
  const float bottom = n01 + (n11 - n01) * u;
  return (top + (bottom - top) * v) * 1.41421356f;
}

float periodicFbm(float x, float y, int32_t periodX, int32_t periodY, int32_t octaves, uint32_t seed) {
  float sum = 0.0f;
  float amplitude = 1.0f;
  float total = 0.0f;
  float scale = 1.0f;
  int32_t px = periodX;
  int32_t py = periodY;
  for (int32_t o = 0; o < octaves; ++o) {
    sum += amplitude * periodicNoise(x * scale, y * scale, px, py, seed + static_cast<uint32_t>(o) * 101u);
    total += amplitude;
    amplitude *= 0.5f;
    scale *= 2.0f;
    px *= 2;
    py *= 2;
  }
  return sum / total;
}

CellSample periodicCells(float x, float y, int32_t period, uint32_t seed) {
  const int32_t ix = static_cast<int32_t>(std::floor(x));
  const int32_t iy = static_cast<int32_t>(std::floor(y));
  CellSample best;
  best.nearest = 1e9f;
  best.second = 1e9f;
  for (int32_t dy = -2; dy <= 2; ++dy) {
    for (int32_t dx = -2; dx <= 2; ++dx) {
      const int32_t cx = ix + dx;
      const int32_t cy = iy + dy;
      const int32_t wx = wrap(cx, period);
      const int32_t wy = wrap(cy, period);
      const float px = static_cast<float>(cx) + 0.1f + 0.8f * hashUnit(wx, wy, seed);
      const float py = static_cast<float>(cy) + 0.1f + 0.8f * hashUnit(wx, wy, seed + 7u);
      const float d = std::sqrt((px - x) * (px - x) + (py - y) * (py - y));
      if (d < best.nearest) {
        best.second = best.nearest;
        best.nearest = d;
        best.id = hashInts(wx, wy, seed + 13u);
      } else if (d < best.second) {
        best.second = d;
      }
    }
  }
  return best;
}

float smoothNoise(float x, float y, uint32_t seed) {
  // A large period makes the lattice effectively aperiodic over any picture we draw.
  return periodicNoise(x, y, 1 << 20, 1 << 20, seed);
}

}  // namespace orvanta::datagen
