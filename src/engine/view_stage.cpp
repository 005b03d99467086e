#include "engine/view_stage.h"

#include <cmath>

#include "engine/clip.h"
#include "engine/pipeline.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>
#endif

namespace orvanta {

Vec3 toUnit(const Vec3& n) {
  const float length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  return Vec3{n.x / length, n.y / length, n.z / length};
}

void projectVertex(RenderVertex& vertex, const ScreenProjection& projection) {
  vertex.depth = vertex.view.z;
  const float r = 1.0f / vertex.view.z;
  vertex.screenX = r * vertex.view.x * projection.scaleX + projection.halfW;
  vertex.screenY = r * vertex.view.y * projection.scaleY + projection.halfH;
}

namespace kernels {

void viewVerticesReference(RenderVertex* vertices, int32_t count, const Matrix4& rotation, const Vec3& offset,
                       const ScreenProjection& projection) {
  for (int32_t i = 0; i < count; ++i) {
    RenderVertex& vertex = vertices[i];
    Vec3 p;
    rotation.transformPoint(vertex.position.x, vertex.position.y, vertex.position.z, p);
    vertex.view = Vec3{p.x + offset.x, p.y + offset.y, p.z + offset.z};
    Vec3 n;
    rotation.transformPoint(vertex.normal.x * kNormalScale, vertex.normal.y * kNormalScale,
                            vertex.normal.z * kNormalScale, n);
    vertex.viewNormal = toUnit(n);
    computeClipCode(vertex);
    projectVertex(vertex, projection);
  }
}

void viewFaceNormalsReference(MeshFace* faces, int32_t count, const Matrix4& rotation) {
  for (int32_t f = 0; f < count; ++f) {
    MeshFace& face = faces[f];
    Vec3 n;
    rotation.transformPoint(face.faceNormal.x * kNormalScale, face.faceNormal.y * kNormalScale,
                            face.faceNormal.z * kNormalScale, n);
    face.viewFaceNormal = toUnit(n);
  }
}

#if ORVANTA_X86_VECTORS
namespace {

// Four vectors, one per lane: xs, ys, zs.
struct Lanes3 {
  __m128 x, y, z;
};

// x, y, z of four records, read from `first` with the given stride in bytes.
Lanes3 load3(const float* first, size_t stride) {
  auto at = [&](int k) { return _mm_loadu_ps(reinterpret_cast<const float*>(reinterpret_cast<const char*>(first) + k * stride)); };
  __m128 a = at(0), b = at(1), c = at(2), d = at(3);
  _MM_TRANSPOSE4_PS(a, b, c, d);  // d, the word after z in each record, is not used
  return {a, b, c};
}

// out = x * m[0][j] + y * m[1][j] + z * m[2][j] + m[3][j], summed left to right.
Lanes3 transform(const Matrix4& m, const Lanes3& in) {
  auto column = [&](int j) {
    __m128 sum = _mm_add_ps(_mm_mul_ps(in.x, _mm_set1_ps(m.m[0][j])), _mm_mul_ps(in.y, _mm_set1_ps(m.m[1][j])));
    sum = _mm_add_ps(sum, _mm_mul_ps(in.z, _mm_set1_ps(m.m[2][j])));
    return _mm_add_ps(sum, _mm_set1_ps(m.m[3][j]));
  };
  return {column(0), column(1), column(2)};
}

Lanes3 scaled(const Lanes3& in, float k) {
  const __m128 f = _mm_set1_ps(k);
  return {_mm_mul_ps(in.x, f), _mm_mul_ps(in.y, f), _mm_mul_ps(in.z, f)};
}

Lanes3 unit(const Lanes3& n) {
  const __m128 length = _mm_sqrt_ps(
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(n.x, n.x), _mm_mul_ps(n.y, n.y)), _mm_mul_ps(n.z, n.z)));
  return {_mm_div_ps(n.x, length), _mm_div_ps(n.y, length), _mm_div_ps(n.z, length)};
}

struct Stored3 {
  alignas(16) float x[4];
  alignas(16) float y[4];
  alignas(16) float z[4];
  explicit Stored3(const Lanes3& lanes) {
    _mm_store_ps(x, lanes.x);
    _mm_store_ps(y, lanes.y);
    _mm_store_ps(z, lanes.z);
  }
  Vec3 operator[](int k) const { return Vec3{x[k], y[k], z[k]}; }
};

}  // namespace

void viewVerticesSse2(RenderVertex* vertices, int32_t count, const Matrix4& rotation, const Vec3& offset,
                      const ScreenProjection& projection) {
  int32_t i = 0;
  for (; i + 4 <= count; i += 4) {
    RenderVertex* const four = vertices + i;
    Lanes3 view = transform(rotation, load3(&four[0].position.x, sizeof(RenderVertex)));
    view = {_mm_add_ps(view.x, _mm_set1_ps(offset.x)), _mm_add_ps(view.y, _mm_set1_ps(offset.y)),
            _mm_add_ps(view.z, _mm_set1_ps(offset.z))};
    const Lanes3 normal =
        unit(transform(rotation, scaled(load3(&four[0].normal.x, sizeof(RenderVertex)), kNormalScale)));
    // The clip code, plane by plane as computeClipCode tests them.
    const __m128 minusZ = _mm_xor_ps(view.z, _mm_set1_ps(-0.0f));
    auto bit = [](__m128 test, uint32_t value) {
      return _mm_and_si128(_mm_castps_si128(test), _mm_set1_epi32(static_cast<int>(value)));
    };
    const __m128i code = _mm_or_si128(
        _mm_or_si128(_mm_or_si128(bit(_mm_cmpgt_ps(view.x, view.z), kClipRight), bit(_mm_cmplt_ps(view.x, minusZ), kClipLeft)),
                     _mm_or_si128(bit(_mm_cmpgt_ps(view.y, view.z), kClipBottom), bit(_mm_cmplt_ps(view.y, minusZ), kClipTop))),
        bit(_mm_cmplt_ps(view.z, _mm_set1_ps(kNearZ)), kClipNear));
    const __m128 r = _mm_div_ps(_mm_set1_ps(1.0f), view.z);
    const __m128 screenX = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(r, view.x), _mm_set1_ps(projection.scaleX)),
                                      _mm_set1_ps(projection.halfW));
    const __m128 screenY = _mm_add_ps(_mm_mul_ps(_mm_mul_ps(r, view.y), _mm_set1_ps(projection.scaleY)),
                                      _mm_set1_ps(projection.halfH));
    const Stored3 views(view);
    const Stored3 normals(normal);
    alignas(16) float xs[4];
    alignas(16) float ys[4];
    alignas(16) uint32_t codes[4];
    _mm_store_ps(xs, screenX);
    _mm_store_ps(ys, screenY);
    _mm_store_si128(reinterpret_cast<__m128i*>(codes), code);
    for (int k = 0; k < 4; ++k) {
      RenderVertex& vertex = four[k];
      vertex.view = views[k];
      vertex.viewNormal = normals[k];
      vertex.clipCode = codes[k];
      vertex.depth = views.z[k];
      vertex.screenX = xs[k];
      vertex.screenY = ys[k];
    }
  }
  viewVerticesReference(vertices + i, count - i, rotation, offset, projection);
}

void viewFaceNormalsSse2(MeshFace* faces, int32_t count, const Matrix4& rotation) {
  int32_t f = 0;
  for (; f + 4 <= count; f += 4) {
    MeshFace* const four = faces + f;
    const Stored3 normals(
        unit(transform(rotation, scaled(load3(&four[0].faceNormal.x, sizeof(MeshFace)), kNormalScale))));
    for (int k = 0; k < 4; ++k) four[k].viewFaceNormal = normals[k];
  }
  viewFaceNormalsReference(faces + f, count - f, rotation);
}
#endif  // ORVANTA_X86_VECTORS

}  // namespace kernels

void viewVertices(RenderVertex* vertices, int32_t count, const Matrix4& rotation, const Vec3& offset,
                  const ScreenProjection& projection) {
#if ORVANTA_X86_VECTORS
  kernels::viewVerticesSse2(vertices, count, rotation, offset, projection);
#else
  kernels::viewVerticesReference(vertices, count, rotation, offset, projection);
#endif
}

void viewFaceNormals(MeshFace* faces, int32_t count, const Matrix4& rotation) {
#if ORVANTA_X86_VECTORS
  kernels::viewFaceNormalsSse2(faces, count, rotation);
#else
  kernels::viewFaceNormalsReference(faces, count, rotation);
#endif
}
}  // namespace orvanta
