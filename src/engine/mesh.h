#pragma once
// Meshes: the per-vertex record of the whole pipeline, triangle faces, and the mesh with its
// world placement. Loading (3DS), normals and placement live in engine/mesh.cpp and
// engine/load_3ds.cpp; drawing in engine/pipeline.cpp.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "base/math.h"
#include "base/zeroed_array.h"

namespace orvanta {

struct Image;
struct TextureSet;
struct RenderTarget;
class Camera;

// 22 words, always copied whole.
struct RenderVertex {
  Vec3 position;    // object space
  Vec3 view;        // view space: x right, y down, z forward
  Vec3 normal;      // object-space unit normal
  Vec3 viewNormal;  // normal carried into view space
  float screenX = 0.0f;
  float screenY = 0.0f;
  float depth = 0.0f;
  float u = 0.0f;
  float v = 0.0f;
  float u2 = 0.0f;
  float v2 = 0.0f;
  int32_t pixelX = 0;
  int32_t pixelY = 0;
  uint32_t clipCode = 0;
};
static_assert(sizeof(RenderVertex) == 22 * 4, "RenderVertex is 22 words");

struct FaceCorner {
  float u = 0.0f;
  float v = 0.0f;
};

struct MeshFace {
  int32_t indices[3] = {0, 0, 0};
  FaceCorner corners[3];
  Vec3 faceNormal;
  Vec3 viewFaceNormal;
};

// What parse3ds reads from a file, before it becomes a mesh.
struct ParsedVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float u = 0.0f;
  float v = 0.0f;
};

struct Parsed3ds {
  std::vector<ParsedVertex> vertices;
  std::vector<int32_t> faceIndices;  // three per face
  int32_t vertexCount = 0;
  int32_t faceCount = 0;
};

class Mesh {
 public:
  int32_t vertexCount = 0;
  ZeroedArray<RenderVertex> vertices;
  int32_t faceCount = 0;
  ZeroedArray<MeshFace> faces;
  Vec3 position;
  Matrix4 orientation;

  void allocate(int32_t newVertexCount, int32_t newFaceCount);
  // Reads the first triangle mesh of a 3DS file. A failure is reported and leaves the mesh
  // as it was.
  void load3ds(const char* path);
  // The same from the file's bytes, reporting nothing: false (the mesh unchanged) when they
  // are not a model the show can use.
  bool decode3ds(std::span<const uint8_t> bytes);
  static bool parse3ds(const uint8_t* bytes, size_t size, Parsed3ds& out);

  void computeFaceNormals();
  void computeVertexNormals();

  void setOrientationScale(float sx, float sy, float sz);
  void rotate(float ax, float ay, float az);
  void setPosition(float x, float y, float z);

  void drawMesh(RenderTarget target, const Camera& camera, const TextureSet& set);
  void projectTextureCoords(int layer, const Camera& camera);
};

}  // namespace orvanta
