#pragma once
// The first stage of drawMesh, before any face is drawn: every vertex into view space with
// its normal renormalised, its clip code and its projection, and every face normal into view
// space. One record at a time as the formulas read, and four at a time in SSE lanes (every
// lane takes the same float operations in the same order, so both give the same values).

#include <cstdint>

#include "base/cpu_features.h"
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

// Every vertex into view space (view, viewNormal, clip code, depth, screen position), and
// every face normal; the fastest version this build has.
void viewVertices(RenderVertex* vertices, int32_t count, const Matrix4& rotation, const Vec3& offset,
                  const ScreenProjection& projection);
void viewFaceNormals(MeshFace* faces, int32_t count, const Matrix4& rotation);

namespace kernels {

void viewVerticesReference(RenderVertex* vertices, int32_t count, const Matrix4& rotation, const Vec3& offset,
                           const ScreenProjection& projection);
#if ORVANTA_X86_VECTORS
void viewVerticesSse2(RenderVertex* vertices, int32_t count, const Matrix4& rotation, const Vec3& offset,
                      const ScreenProjection& projection);
void viewFaceNormalsSse2(MeshFace* faces, int32_t count, const Matrix4& rotation);
#endif
void viewFaceNormalsReference(MeshFace* faces, int32_t count, const Matrix4& rotation);

}  // namespace kernels
}  // namespace orvanta
