#pragma once
// A bundle of up to three images and the flags that choose how a mesh is drawn.

#include <cstdint>

#include "image/height_slopes.h"
#include "image/image.h"

namespace orvanta {

inline constexpr int32_t kWireframe = 0x0001;
inline constexpr int32_t kTextured = 0x0002;
inline constexpr int32_t kEnvLayer1 = 0x0004;
inline constexpr int32_t kTwoLayer = 0x0008;
inline constexpr int32_t kEnvLayer2 = 0x0010;
inline constexpr int32_t kBumpMap = 0x0020;
inline constexpr int32_t kAddLayers = 0x0040;
inline constexpr int32_t kTranslucent = 0x0100;
inline constexpr int32_t kFaceNormalLayer1 = 0x0200;
inline constexpr int32_t kFaceNormalLayer2 = 0x0400;
inline constexpr int32_t kVertexUvLayer1 = 0x0800;
inline constexpr int32_t kVertexUvLayer2 = 0x1000;

struct TextureSet {
  int32_t flags = 0;
  Image texture;  // first layer
  Image envMap;   // second layer
  Image extra;    // height map of the two-layer filler (red byte), same size as texture
  // The height map's slopes, read in its place while they match it: made by loadExtra, and to
  // be made again by whoever fills `extra` otherwise.
  HeightSlopes slopes;

  void setFlags(int32_t newFlags) { flags = newFlags; }
  // Each returns 1 whatever happened, as the loaders report their own failures.
  int loadTexture(const char* path);
  int loadEnvMap(const char* path);
  int loadExtra(const char* path);
};

}  // namespace orvanta
