#pragma once
// The first stage of drawMesh, before any face is drawn: every vertex into view space with
// its normal renormalised, its clip code and its projection, and every face normal into view
// space. One record at a time as the formulas read, and four at a time in SSE lanes (every
// lane takes the same float operations in the same order, so both give the same values).

#include <cstdint>

#include "base/math.h"
#include "engine/mesh.h"

namespace orvanta {

struct ScreenProjection {
  float halfW;
  float halfH;
  float scaleX;
  float scaleY;
};

// n / |n| component by component; n is a normal scaled by kNormalScale and rotated.
Vec3 toUnit(const Vec3& n);

// depth = view z; screen = (1 / z) * view * scale + half.
void projectVertex(RenderVertex& vertex, const ScreenProjection& projection);

namespace kernels {

void viewVerticesPlain(RenderVertex* vertices, int32_t count, const Matrix4& rotation, const Vec3& offset,
                       const ScreenProjection& projection);
void viewVerticesSse2(RenderVertex* vertices, int32_t count, const Matrix4& rotation, const Vec3& offset,
                      const ScreenProjection& projection);
void viewFaceNormalsPlain(MeshFace* faces, int32_t count, const Matrix4& rotation);
void viewFaceNormalsSse2(MeshFace* faces, int32_t count, const Matrix4& rotation);

}  // namespace kernels
}  // namespace orvanta
