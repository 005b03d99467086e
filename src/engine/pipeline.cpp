#include "engine/pipeline.h"

#include <cmath>

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

struct LayerRule {
  bool environment;
  bool faceNormal;
  bool vertexCoords;
};

// Fills one texture layer (u, v or u2, v2) of the three working corners, in texels.
void fillLayer(RenderVertex* corners[3], const MeshFace& face, const LayerRule& rule, float RenderVertex::*u,
               float RenderVertex::*v, float size, float half, float centre) {
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
        corners[k]->*u = half * corners[k]->viewNormal.x + centre;
        corners[k]->*v = half * corners[k]->viewNormal.y + centre;
      }
    }
  } else if (rule.vertexCoords) {
    for (int k = 0; k < 3; ++k) {
      corners[k]->*u = corners[k]->*u * size;
      corners[k]->*v = corners[k]->*v * size;
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
  const bool drawable = targetDrawable(target) && textureSetDrawable(set);

  const int32_t flags = set.flags;
  const bool translucent = (flags & kTranslucent) != 0;
  const LayerRule layer1{(flags & kEnvLayer1) != 0, (flags & kFaceNormalLayer1) != 0,
                         (flags & kVertexUvLayer1) != 0};
  const LayerRule layer2{(flags & kEnvLayer2) != 0, (flags & kFaceNormalLayer2) != 0,
                         (flags & kVertexUvLayer2) != 0};
  const float size = static_cast<float>(set.texture.width);
  const float half = size * 0.5f - 1.0f;
  const float centre = half + 1.0f;

  RenderVertex first[kClipBufferCapacity];
  RenderVertex second[kClipBufferCapacity];

  for (int32_t f = 0; f < faceCount; ++f) {
    if (!drawable) break;
    const MeshFace& face = faces[f];

    const RenderVertex& meshA = vertices[face.indices[0]];
    const RenderVertex& meshB = vertices[face.indices[1]];
    const RenderVertex& meshC = vertices[face.indices[2]];
    if (meshA.depth < kFaceRejectDepth && meshB.depth < kFaceRejectDepth && meshC.depth < kFaceRejectDepth) continue;

    // Counter-clockwise on the screen (y down) is the front; the unclipped projections
    // decide, even for a face that crosses the eye plane.
    const float area = (meshB.screenX - meshA.screenX) * (meshC.screenY - meshA.screenY) -
                       (meshB.screenY - meshA.screenY) * (meshC.screenX - meshA.screenX);
    if (!(area < 0.0f) && !translucent) continue;

    RenderVertex a = meshA;
    RenderVertex b = meshB;
    RenderVertex c = meshC;
    RenderVertex* corners[3] = {&a, &b, &c};
    fillLayer(corners, face, layer1, &RenderVertex::u, &RenderVertex::v, size, half, centre);
    fillLayer(corners, face, layer2, &RenderVertex::u2, &RenderVertex::v2, size, half, centre);

    if ((a.clipCode | b.clipCode | c.clipCode) == 0) {
      if (projection.onTarget(a, b, c)) drawTriangleOfDrawableSet(target, set, a, b, c);
      continue;
    }

    ClippedPolygon polygon = clipTriangle(a, b, c, first, second);
    for (int k = 0; k < polygon.count; ++k) projection.project(polygon.vertices[k]);
    for (int k = 0; k + 2 < polygon.count; ++k) {
      if (projection.onTarget(polygon[0], polygon[k + 1], polygon[k + 2])) {
        drawTriangleOfDrawableSet(target, set, polygon[0], polygon[k + 1], polygon[k + 2]);
      }
    }
  }
}

}  // namespace orvanta
