#pragma once
// Deterministic procedural noise. Every function that takes a `period` repeats exactly every
// `period` lattice cells, so textures built from it tile without seams.

#include <cstdint>

namespace orvanta::datagen {

uint32_t hashInts(int32_t x, int32_t y, uint32_t seed);
// A hash value mapped to 0..1.
float hashUnit(int32_t x, int32_t y, uint32_t seed);

// Gradient noise, about -1..1, periodic in x and y with `period` cells.
float periodicNoise(float x, float y, int32_t periodX, int32_t periodY, uint32_t seed);
inline float periodicNoise(float x, float y, int32_t period, uint32_t seed) {
  return periodicNoise(x, y, period, period, seed);
}

// Sum of `octaves` layers of periodicNoise, each at twice the frequency and half the
// amplitude of the one before; normalised to about -1..1.
float periodicFbm(float x, float y, int32_t periodX, int32_t periodY, int32_t octaves, uint32_t seed);
inline float periodicFbm(float x, float y, int32_t period, int32_t octaves, uint32_t seed) {
  return periodicFbm(x, y, period, period, octaves, seed);
}

// Cellular (Worley) noise over `period` x `period` jittered cells, wrapping around.
struct CellSample {
  float nearest = 0.0f;  // distance to the nearest feature point, in cells
  float second = 0.0f;   // distance to the second nearest
  uint32_t id = 0;       // hash of the nearest cell, stable per cell
};
CellSample periodicCells(float x, float y, int32_t period, uint32_t seed);

// Plain (non-periodic) value of a smooth pseudo-random function, for pictures that do not tile.
float smoothNoise(float x, float y, uint32_t seed);

}  // namespace orvanta::datagen
