#include <gtest/gtest.h>

#include "driver/depth_buffer.h"
#include "engine/pipeline.h"

namespace orvanta {
namespace {

// A camera at the origin whose view space is world space.
Camera identityCamera() {
  Camera camera;
  camera.eye = Vec3{};
  camera.viewMatrix.setIdentity();
  return camera;
}

TEST(ProjectTextureCoords, MapsTheFixedFrameOntoTheUnitSquare) {
  Mesh mesh;
  mesh.allocate(3, 0);
  mesh.vertices[0].position = {0.0f, 0.0f, 100.0f};        // frame centre
  mesh.vertices[1].position = {200.0f, -110.0f, 100.0f};   // lands at (478, -10.9)
  mesh.vertices[2].position = {-50.0f, 60.0f, 100.0f};     // (80.5, 191.4)
  mesh.vertices[2].view = {1.0f, 2.0f, 3.0f};
  mesh.vertices[2].u = 0.25f;
  const Camera camera = identityCamera();

  mesh.projectTextureCoords(1, camera);
  EXPECT_FLOAT_EQ(mesh.vertices[0].u2, 0.5f);
  EXPECT_FLOAT_EQ(mesh.vertices[0].v2, 0.5f);
  EXPECT_EQ(mesh.vertices[1].u2, 1.0f);
  EXPECT_EQ(mesh.vertices[1].v2, 0.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[2].u2, (160.0f - 0.5f * 159.0f) / 320.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[2].v2, (120.0f + 0.6f * 119.0f) / 240.0f);
  // Nothing else of the vertex changes.
  EXPECT_EQ(mesh.vertices[2].u, 0.25f);
  EXPECT_EQ(mesh.vertices[2].view.y, 2.0f);
  EXPECT_EQ(mesh.vertices[2].screenX, 0.0f);

  mesh.projectTextureCoords(0, camera);
  EXPECT_FLOAT_EQ(mesh.vertices[2].u, (160.0f - 0.5f * 159.0f) / 320.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[0].v, 0.5f);
}

TEST(ProjectTextureCoords, FollowsTheMeshPlacement) {
  Mesh mesh;
  mesh.allocate(1, 0);
  mesh.vertices[0].position = {10.0f, 0.0f, 0.0f};
  mesh.setOrientationScale(2.0f, 1.0f, 1.0f);       // (20, 0, 0)
  mesh.setPosition(0.0f, 0.0f, 100.0f);             // (20, 0, 100) once the eye is taken off
  Camera camera = identityCamera();
  camera.eye = {0.0f, 0.0f, -100.0f};
  mesh.projectTextureCoords(0, camera);
  EXPECT_FLOAT_EQ(mesh.vertices[0].u, (160.0f + 0.1f * 159.0f) / 320.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[0].v, 0.5f);

  Mesh empty;
  empty.projectTextureCoords(0, camera);  // never loaded: nothing to do
  EXPECT_EQ(empty.vertexCount, 0);
}

TEST(DrawChecks, TargetMustMatchTheDepthBuffer) {
  Image frame;
  frame.create(40, 30);
  gDepthBuffer = DepthBuffer{};
  EXPECT_FALSE(targetDrawable(frame));
  createDepthBuffer(40, 30);
  EXPECT_TRUE(targetDrawable(frame));
  createDepthBuffer(41, 30);
  EXPECT_FALSE(targetDrawable(frame));
  createDepthBuffer(40, 29);
  EXPECT_FALSE(targetDrawable(frame));
  createDepthBuffer(40, 31);
  EXPECT_TRUE(targetDrawable(frame));
  Image none;
  EXPECT_FALSE(targetDrawable(none));
  releasePixels(frame);
  createDepthBuffer(kFrameWidth, kFrameHeight);
}

}  // namespace
}  // namespace orvanta
