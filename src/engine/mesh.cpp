#include "engine/mesh.h"

#include <algorithm>
#include <cmath>

namespace orvanta {
namespace {

Vec3 subtract(const Vec3& a, const Vec3& b) { return Vec3{a.x - b.x, a.y - b.y, a.z - b.z}; }

Vec3 cross(const Vec3& a, const Vec3& b) {
  return Vec3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// Multiplies by the reciprocal length, formed once as a float. A zero vector becomes NaN:
// a vertex no face uses, or a face with coincident corners, has no direction.
void scaleToUnit(Vec3& n) {
  const float inverse = 1.0f / std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  n.x = n.x * inverse;
  n.y = n.y * inverse;
  n.z = n.z * inverse;
}

}  // namespace

void Mesh::allocate(int32_t newVertexCount, int32_t newFaceCount) {
  vertexCount = std::max(newVertexCount, 0);
  faceCount = std::max(newFaceCount, 0);
  // Every record zero-filled whole; a capacity never reached (the iso surface's) stays unmapped.
  vertices = makeZeroedArray<RenderVertex>(static_cast<size_t>(vertexCount));
  faces = makeZeroedArray<MeshFace>(static_cast<size_t>(faceCount));
}

void Mesh::computeFaceNormals() {
  for (int32_t i = 0; i < faceCount; ++i) {
    MeshFace& face = faces[i];
    const Vec3& p0 = vertices[face.indices[0]].position;
    const Vec3& p1 = vertices[face.indices[1]].position;
    const Vec3& p2 = vertices[face.indices[2]].position;
    Vec3 n = cross(subtract(p1, p0), subtract(p2, p0));
    scaleToUnit(n);
    face.faceNormal = n;
  }
}

void Mesh::computeVertexNormals() {
  for (int32_t i = 0; i < vertexCount; ++i) vertices[i].normal = Vec3{};
  for (int32_t i = 0; i < faceCount; ++i) {
    const MeshFace& face = faces[i];
    const Vec3& p0 = vertices[face.indices[0]].position;
    const Vec3& p1 = vertices[face.indices[1]].position;
    const Vec3& p2 = vertices[face.indices[2]].position;
    // Unnormalised, so larger faces weigh more; it points against the face normal.
    const Vec3 n = cross(subtract(p0, p1), subtract(p2, p1));
    for (int32_t corner : face.indices) {
      Vec3& sum = vertices[corner].normal;
      sum.x = sum.x + n.x;
      sum.y = sum.y + n.y;
      sum.z = sum.z + n.z;
    }
  }
  for (int32_t i = 0; i < vertexCount; ++i) scaleToUnit(vertices[i].normal);
}

void Mesh::setOrientationScale(float sx, float sy, float sz) { orientation.setScale(sx, sy, sz); }

void Mesh::rotate(float ax, float ay, float az) {
  Matrix4 rotation;
  rotation.setRotation(ax, ay, az);
  rotation.applyTo(orientation);
}

void Mesh::setPosition(float x, float y, float z) { position = Vec3{x, y, z}; }

}  // namespace orvanta
