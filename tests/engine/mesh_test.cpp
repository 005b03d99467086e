#include <gtest/gtest.h>

#include <cmath>

#include "engine/mesh.h"

namespace orvanta {
namespace {

void setTriangle(Mesh& mesh, int face, int a, int b, int c) {
  mesh.faces[face].indices[0] = a;
  mesh.faces[face].indices[1] = b;
  mesh.faces[face].indices[2] = c;
}

TEST(Mesh, FaceNormalsAreUnitAndFollowTheCornerOrder) {
  Mesh mesh;
  mesh.allocate(4, 2);
  mesh.vertices[0].position = {0.0f, 0.0f, 0.0f};
  mesh.vertices[1].position = {3.0f, 0.0f, 0.0f};
  mesh.vertices[2].position = {0.0f, 5.0f, 0.0f};
  mesh.vertices[3].position = {0.0f, 0.0f, 2.0f};
  setTriangle(mesh, 0, 0, 1, 2);  // x then y: +z
  setTriangle(mesh, 1, 0, 1, 3);  // x then z: -y
  mesh.computeFaceNormals();
  EXPECT_EQ(mesh.faces[0].faceNormal.x, 0.0f);
  EXPECT_EQ(mesh.faces[0].faceNormal.y, 0.0f);
  EXPECT_EQ(mesh.faces[0].faceNormal.z, 1.0f);
  EXPECT_EQ(mesh.faces[1].faceNormal.y, -1.0f);
  EXPECT_EQ(mesh.faces[1].faceNormal.z, 0.0f);
}

TEST(Mesh, VertexNormalsPointAgainstFaceNormalsWeightedByArea) {
  Mesh mesh;
  mesh.allocate(5, 2);
  mesh.vertices[0].position = {0.0f, 0.0f, 0.0f};
  mesh.vertices[1].position = {2.0f, 0.0f, 0.0f};
  mesh.vertices[2].position = {0.0f, 2.0f, 0.0f};
  mesh.vertices[3].position = {0.0f, 0.0f, 1.0f};
  // vertex 4 is used by no face
  setTriangle(mesh, 0, 0, 1, 2);  // doubled area 4, face normal +z
  setTriangle(mesh, 1, 0, 3, 1);  // doubled area 2, face normal +y
  mesh.computeVertexNormals();
  mesh.computeVertexNormals();  // recomputing starts again from zero

  // Unnormalised face contributions (0, 0, -4) and (0, -2, 0).
  const Vec3& shared = mesh.vertices[0].normal;
  const float sharedLength = std::sqrt(4.0f * 4.0f + 2.0f * 2.0f);
  EXPECT_FLOAT_EQ(shared.x, 0.0f);
  EXPECT_FLOAT_EQ(shared.y, -2.0f / sharedLength);
  EXPECT_FLOAT_EQ(shared.z, -4.0f / sharedLength);
  EXPECT_FLOAT_EQ(mesh.vertices[1].normal.z, -4.0f / sharedLength);
  EXPECT_FLOAT_EQ(mesh.vertices[2].normal.z, -1.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[3].normal.y, -1.0f);
  // No face, no direction: 0 / 0.
  EXPECT_TRUE(std::isnan(mesh.vertices[4].normal.x));
}

TEST(Mesh, PlacementScalesThenRotates) {
  Mesh mesh;
  mesh.rotate(0.0f, 0.0f, 45.0f);
  mesh.setOrientationScale(2.0f, 3.0f, 4.0f);  // discards the rotation
  EXPECT_EQ(mesh.orientation.m[0][0], 2.0f);
  EXPECT_EQ(mesh.orientation.m[0][1], 0.0f);
  EXPECT_EQ(mesh.orientation.m[2][2], 4.0f);

  mesh.rotate(0.0f, 0.0f, 90.0f);
  Vec3 out;
  mesh.orientation.transformPoint(1.0f, 0.0f, 0.0f, out);
  // Scaled to (2, 0, 0) first, then turned by 90 degrees (1.57 radians) about z.
  EXPECT_NEAR(out.x, 2.0 * std::cos(1.57), 1e-6);
  EXPECT_NEAR(out.y, 2.0 * std::sin(1.57), 1e-6);
  EXPECT_EQ(out.z, 0.0f);

  mesh.setPosition(1.0f, -2.0f, 3.5f);
  EXPECT_EQ(mesh.position.x, 1.0f);
  EXPECT_EQ(mesh.position.y, -2.0f);
  EXPECT_EQ(mesh.position.z, 3.5f);
}

}  // namespace
}  // namespace orvanta
