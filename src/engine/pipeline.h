#pragma once
// The object render pipeline's constants and the check that decides, once per drawMesh
// call, whether the rasterizers can be trusted with a target (textureSetDrawable, in
// engine/raster.h, does the same for a texture set).
// Mesh::drawMesh and Mesh::projectTextureCoords are declared in engine/mesh.h.

#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/render_target.h"
#include "engine/texture_set.h"
#include "image/image.h"

namespace orvanta {

// Normals are scaled up before the rotation and renormalised after.
inline constexpr float kNormalScale = 10000.0f;
// A face whose three depths are all below this is skipped before culling.
inline constexpr float kFaceRejectDepth = 16.0f;
// The clipped polygon's records; a triangle grows to at most 8 vertices after the five
// planes, and to 19 even if rounding were to make its clip codes disagree.
inline constexpr int kClipBufferCapacity = 20;

// The target has pixels and the depth buffer covers it row for row.
bool targetDrawable(const RenderTarget& target);

// Object space to view space: view = position * rotation + offset.
struct ObjectToView {
  Matrix4 rotation;  // orientation, then the camera's view matrix (3x3 only)
  Vec3 offset;       // (position - eye) through the view matrix
};

inline ObjectToView objectToView(const Mesh& mesh, const Camera& camera) {
  ObjectToView result;
  result.rotation.setIdentity();
  mesh.orientation.applyTo(result.rotation);
  camera.viewMatrix.applyTo(result.rotation);
  camera.viewMatrix.transformPoint(mesh.position.x - camera.eye.x, mesh.position.y - camera.eye.y,
                                   mesh.position.z - camera.eye.z, result.offset);
  return result;
}

}  // namespace orvanta
