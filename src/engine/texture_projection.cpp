#include "engine/pipeline.h"

namespace orvanta {
namespace {

float clampToUnit(float value) {
  if (value < 0.0f) return 0.0f;
  if (value > 1.0f) return 1.0f;
  return value;
}

}  // namespace

// Screen-space texture coordinates for a later drawMesh: each vertex samples the image at
// the place of a 320 x 240 frame where this camera sees it, whatever the real target.
void Mesh::projectTextureCoords(int layer, const Camera& camera) {
  if (vertices == nullptr) return;
  const ObjectToView toView = objectToView(*this, camera);
  for (int32_t i = 0; i < vertexCount; ++i) {
    RenderVertex& vertex = vertices[i];
    Vec3 p;
    toView.rotation.transformPoint(vertex.position.x, vertex.position.y, vertex.position.z, p);
    p = Vec3{p.x + toView.offset.x, p.y + toView.offset.y, p.z + toView.offset.z};
    const float r = 1.0f / p.z;
    const float sx = r * p.x * 159.0f + 160.0f;
    const float sy = r * p.y * 119.0f + 120.0f;
    const float a = clampToUnit(sx * 0.003125f);
    const float b = clampToUnit(sy * 0.0041666669f);
    if (layer == 0) {
      vertex.u = a;
      vertex.v = b;
    } else {
      vertex.u2 = a;
      vertex.v2 = b;
    }
  }
}

}  // namespace orvanta
