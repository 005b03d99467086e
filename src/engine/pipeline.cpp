#include "engine/pipeline.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "engine/clip.h"
#include "engine/raster.h"
#include "engine/view_stage.h"

namespace orvanta {
namespace {

struct Projection {
  ScreenProjection screen;
  float maxX;  // the rasterizers stay inside the target for screen positions up to these
  float maxY;

  void project(RenderVertex& vertex) const { projectVertex(vertex, screen); }

  // Clipped or wholly inside, a vertex projects to columns 1 .. W-1 and rows 1 .. H-1 give
  // or take rounding. Anything else (NaN or infinite model coordinates, a camera looking
  // straight up) would be drawn outside the frame, so the triangle is dropped.
  bool onTarget(const RenderVertex& vertex) const {
    return vertex.screenX >= 0.0f && vertex.screenX <= maxX && vertex.screenY >= 0.0f && vertex.screenY <= maxY;
  }

  bool onTarget(const RenderVertex& a, const RenderVertex& b, const RenderVertex& c) const {
    return onTarget(a) && onTarget(b) && onTarget(c);
  }
};

// What the rasterizers read of a corner: its screen position, depth and both layers'
// coordinates, which lie together in the record.
void copyDrawnFields(RenderVertex& to, const RenderVertex& from) {
  constexpr size_t kFirst = offsetof(RenderVertex, screenX);
  static_assert(offsetof(RenderVertex, v2) + sizeof(float) - kFirst == 7 * sizeof(float));
  std::memcpy(&to.screenX, &from.screenX, 7 * sizeof(float));
}

struct LayerRule {
  bool environment;
  bool faceNormal;
  bool vertexCoords;
};

// Fills one texture layer (u, v or u2, v2) of the three working corners, in texels, from
// the mesh's corners; inlined with its fields fixed, as it runs for every face drawn.
template <float RenderVertex::*u, float RenderVertex::*v>
[[gnu::always_inline]] inline void fillLayer(RenderVertex* const corners[3], const RenderVertex* const from[3],
                                             const MeshFace& face, const LayerRule& rule, float size, float half,
                                             float centre) {
  if (rule.environment) {
    if (rule.faceNormal) {
      const float faceU = half * face.viewFaceNormal.x + centre;
      const float faceV = half * face.viewFaceNormal.y + centre;
      for (int k = 0; k < 3; ++k) {
        corners[k]->*u = faceU;
        corners[k]->*v = faceV;
      }
    } else {
      for (int k = 0; k < 3; ++k) {
        corners[k]->*u = half * from[k]->viewNormal.x + centre;
        corners[k]->*v = half * from[k]->viewNormal.y + centre;
      }
    }
  } else if (rule.vertexCoords) {
    for (int k = 0; k < 3; ++k) {
      corners[k]->*u = from[k]->*u * size;
      corners[k]->*v = from[k]->*v * size;
    }
  } else {
    for (int k = 0; k < 3; ++k) {
      corners[k]->*u = size * face.corners[k].u;
      corners[k]->*v = size * face.corners[k].v;
    }
  }
}

}  // namespace

void Mesh::drawMesh(RenderTarget target, const Camera& camera, const TextureSet& set) {
  // A mesh that never loaded has nothing to draw.
  if (vertices == nullptr || faces == nullptr) return;

  Projection projection;
  projection.screen.halfW = static_cast<float>(target.image.width) * 0.5f;
  projection.screen.halfH = static_cast<float>(target.image.height) * 0.5f;
  projection.screen.scaleX = projection.screen.halfW - 1.0f;
  projection.screen.scaleY = projection.screen.halfH - 1.0f;
  projection.maxX = static_cast<float>(target.image.width) - 0.5f;
  projection.maxY = static_cast<float>(target.image.height) - 0.5f;

  const ObjectToView toView = objectToView(*this, camera);
  const Matrix4& rotation = toView.rotation;
  const Vec3& offset = toView.offset;

  viewVertices(vertices.get(), vertexCount, rotation, offset, projection.screen);
  viewFaceNormals(faces.get(), faceCount, rotation);

  // Checked once per call: a set or target the rasterizers cannot read or write safely
  // draws nothing; the mesh still gets its per-frame view-space fields.
  if (!targetDrawable(target) || !textureSetDrawable(set)) return;

  const int32_t flags = set.flags;
  const bool translucent = (flags & kTranslucent) != 0;
  const LayerRule layer1{(flags & kEnvLayer1) != 0, (flags & kFaceNormalLayer1) != 0,
                         (flags & kVertexUvLayer1) != 0};
  const LayerRule layer2{(flags & kEnvLayer2) != 0, (flags & kFaceNormalLayer2) != 0,
                         (flags & kVertexUvLayer2) != 0};
  const float size = static_cast<float>(set.texture.width);
  const float half = size * 0.5f - 1.0f;
  const float centre = half + 1.0f;

  RenderVertex polygon[kClipBufferCapacity];
  // The working corners of an unclipped face: only the fields the rasterizers read are
  // copied in, the rest keeps whatever an earlier face left.
  RenderVertex a;
  RenderVertex b;
  RenderVertex c;
  RenderVertex* const corners[3] = {&a, &b, &c};

  // Faces are culled a batch at a time before any is drawn: the tests of one face do not
  // wait for the drawing of the one before, and the batch's vertices stay in the cache for
  // the drawing.
  constexpr int32_t kBatch = 64;
  int32_t drawn[kBatch];
  for (int32_t batchStart = 0; batchStart < faceCount; batchStart += kBatch) {
    const int32_t batchEnd = std::min(faceCount, batchStart + kBatch);
    int32_t drawnCount = 0;
    for (int32_t f = batchStart; f < batchEnd; ++f) {
      const MeshFace& face = faces[f];
      const RenderVertex& meshA = vertices[face.indices[0]];
      const RenderVertex& meshB = vertices[face.indices[1]];
      const RenderVertex& meshC = vertices[face.indices[2]];
      const bool tooNear =
          meshA.depth < kFaceRejectDepth && meshB.depth < kFaceRejectDepth && meshC.depth < kFaceRejectDepth;
      // Counter-clockwise on the screen (y down) is the front; the unclipped projections
      // decide, even for a face that crosses the eye plane.
      const float area = (meshB.screenX - meshA.screenX) * (meshC.screenY - meshA.screenY) -
                         (meshB.screenY - meshA.screenY) * (meshC.screenX - meshA.screenX);
      drawn[drawnCount] = f;
      drawnCount += !tooNear && (area < 0.0f || translucent) ? 1 : 0;
    }

    for (int32_t k = 0; k < drawnCount; ++k) {
      const MeshFace& face = faces[drawn[k]];
      const RenderVertex& meshA = vertices[face.indices[0]];
      const RenderVertex& meshB = vertices[face.indices[1]];
      const RenderVertex& meshC = vertices[face.indices[2]];
      const RenderVertex* const from[3] = {&meshA, &meshB, &meshC};
      if ((meshA.clipCode | meshB.clipCode | meshC.clipCode) == 0) {
        copyDrawnFields(a, meshA);
        copyDrawnFields(b, meshB);
        copyDrawnFields(c, meshC);
        fillLayer<&RenderVertex::u, &RenderVertex::v>(corners, from, face, layer1, size, half, centre);
        fillLayer<&RenderVertex::u2, &RenderVertex::v2>(corners, from, face, layer2, size, half, centre);
        if (projection.onTarget(a, b, c)) drawTriangleOfDrawableSet(target, set, a, b, c);
        continue;
      }

      RenderVertex clippedA = meshA;
      RenderVertex clippedB = meshB;
      RenderVertex clippedC = meshC;
      RenderVertex* const clippedCorners[3] = {&clippedA, &clippedB, &clippedC};
      fillLayer<&RenderVertex::u, &RenderVertex::v>(clippedCorners, from, face, layer1, size, half, centre);
      fillLayer<&RenderVertex::u2, &RenderVertex::v2>(clippedCorners, from, face, layer2, size, half, centre);
      const int count = clipTriangle(clippedA, clippedB, clippedC, polygon);
      for (int i = 0; i < count; ++i) projection.project(polygon[i]);
      for (int i = 0; i + 2 < count; ++i) {
        if (projection.onTarget(polygon[0], polygon[i + 1], polygon[i + 2])) {
          drawTriangleOfDrawableSet(target, set, polygon[0], polygon[i + 1], polygon[i + 2]);
        }
      }
    }
  }
}

}  // namespace orvanta
