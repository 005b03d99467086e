// Matrices, mesh normals and placement, the camera, and clipping against the view volume.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "engine/camera.h"
#include "engine/clip.h"
#include "engine/mesh.h"

namespace orvanta {
namespace {

void expectVec(const Vec3& v, float x, float y, float z) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, z);
}

TEST(Matrix4, RotationUsesTheShowsDegreeFactorAndMeshesScaleBeforeRotating) {
  Matrix4 m;
  m.setRotation(90.0f, 0.0f, 0.0f);
  Vec3 out;
  m.transformPoint(0.0f, 1.0f, 0.0f, out);  // row vectors: (0, 1, 0) turns towards +z
  EXPECT_NEAR(out.y, 0.00079629f, 1e-6f);   // 90 degrees are 1.57 radians, not pi/2
  EXPECT_NEAR(out.z, 0.99999968f, 1e-6f);
  Mesh mesh;
  mesh.rotate(0.0f, 0.0f, 45.0f);
  mesh.setOrientationScale(2.0f, 3.0f, 4.0f);  // discards the rotation
  mesh.rotate(0.0f, 0.0f, 90.0f);
  mesh.orientation.transformPoint(1.0f, 0.0f, 0.0f, out);  // (2, 0, 0) first, then turned about z
  EXPECT_NEAR(out.x, 2.0 * std::cos(1.57), 1e-6);
  EXPECT_NEAR(out.y, 2.0 * std::sin(1.57), 1e-6);
}

TEST(Mesh, NormalsFollowTheCornerOrderAndVertexNormalsAreAreaWeighted) {
  Mesh mesh;
  mesh.allocate(5, 2);
  const Vec3 points[] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 1}, {9, 9, 9}};  // vertex 4 in no face
  for (int i = 0; i < 5; ++i) mesh.vertices[i].position = points[i];
  const int faces[2][3] = {{0, 1, 2}, {0, 3, 1}};  // doubled areas 4 (+z) and 2 (+y)
  for (int f = 0; f < 2; ++f) {
    for (int k = 0; k < 3; ++k) mesh.faces[f].indices[k] = faces[f][k];
  }
  mesh.computeFaceNormals();
  expectVec(mesh.faces[0].faceNormal, 0.0f, 0.0f, 1.0f);
  expectVec(mesh.faces[1].faceNormal, 0.0f, 1.0f, 0.0f);
  mesh.computeVertexNormals();
  mesh.computeVertexNormals();  // recomputing starts again from zero
  // Vertex normals point against the faces: contributions (0, 0, -4) and (0, -2, 0).
  const float length = std::sqrt(20.0f);
  expectVec(mesh.vertices[0].normal, 0.0f, -2.0f / length, -4.0f / length);
  expectVec(mesh.vertices[2].normal, 0.0f, 0.0f, -1.0f);
  expectVec(mesh.vertices[3].normal, 0.0f, -1.0f, 0.0f);
  EXPECT_TRUE(std::isnan(mesh.vertices[4].normal.x));  // no face, no direction: 0 / 0
}

Vec3 toView(const Camera& camera, float x, float y, float z) {
  Vec3 out;
  camera.viewMatrix.transformPoint(x - camera.eye.x, y - camera.eye.y, z - camera.eye.z, out);
  return out;
}

TEST(Camera, FirstMatrixUsesTheGivenFieldOfViewLaterOnesTheStoredNarrowerOne) {
  Camera camera;
  EXPECT_EQ(camera.fovX, 0.52333337f);
  EXPECT_EQ(camera.fovY, 0.39250004f);
  expectVec(toView(camera, 0.0f, 0.0f, 0.0f), 0.0f, 0.0f, 300.0f);
  EXPECT_FLOAT_EQ(toView(camera, 10.0f, 0.0f, 0.0f).x, 37.321659f);  // cot(30 deg * 0.017452778 / 2)
  camera.lookAt(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(camera.viewMatrix.m[0][0], 3.7340328f);
  EXPECT_FLOAT_EQ(camera.viewMatrix.m[1][1], 5.0299556f);
  EXPECT_GT(toView(camera, 0.0f, 10.0f, 0.0f).y, 0.0f);  // world +y is down on the screen

  Camera wide(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 60.0f);
  EXPECT_FLOAT_EQ(wide.viewMatrix.m[0][0], 1.7321125f);  // cot(60 * 0.017452778 / 2)
  Camera zero(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_FALSE(std::isfinite(zero.viewMatrix.m[0][0]));
  zero.lookAt(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(zero.viewMatrix.m[0][0], 3.7340328f);
}

TEST(Camera, LookAtPutsTheTargetOnTheAxisWithAHorizontalRightVector) {
  Camera camera;
  camera.lookAt(5.0f, 0.0f, 0.0f, 4.0f, 0.0f, 0.0f);  // looking along -x: right is +z
  EXPECT_FLOAT_EQ(camera.viewMatrix.m[2][0], 3.7340328f);
  EXPECT_EQ(camera.viewMatrix.m[0][0], 0.0f);
  EXPECT_EQ(camera.viewMatrix.m[0][2], -1.0f);
  EXPECT_EQ(camera.viewMatrix.m[2][2], 0.0f);

  camera.lookAt(120.0f, -80.0f, 200.0f, 10.0f, 20.0f, -30.0f);
  const Vec3 target = toView(camera, 10.0f, 20.0f, -30.0f);
  EXPECT_NEAR(target.x, 0.0f, 1e-3f);
  EXPECT_NEAR(target.y, 0.0f, 1e-3f);
  EXPECT_FLOAT_EQ(target.z, std::sqrt(110.0f * 110.0f + 100.0f * 100.0f + 230.0f * 230.0f));
  EXPECT_EQ(camera.viewMatrix.m[1][0], 0.0f);
}

RenderVertex at(float x, float y, float z, float u = 0.0f, float v = 0.0f) {
  RenderVertex vertex;
  vertex.view = {x, y, z};
  vertex.u = u, vertex.v = v, vertex.u2 = 2.0f * u, vertex.v2 = 2.0f * v;
  computeClipCode(vertex);
  return vertex;
}

TEST(Clip, CodesUseStrictComparisons) {
  EXPECT_EQ(at(32.0f, 0.0f, 32.0f).clipCode, 0u);
  EXPECT_EQ(at(-32.0f, 32.0f, 32.0f).clipCode, 0u);
  EXPECT_EQ(at(32.001f, 0.0f, 32.0f).clipCode, kClipRight);
  EXPECT_EQ(at(-40.0f, 0.0f, 39.0f).clipCode, kClipLeft);
  EXPECT_EQ(at(0.0f, 50.0f, 49.0f).clipCode, kClipBottom);
  EXPECT_EQ(at(0.0f, -50.0f, 49.0f).clipCode, kClipTop);
  EXPECT_EQ(at(0.0f, 0.0f, 31.99f).clipCode, kClipNear);
  EXPECT_EQ(at(0.0f, 0.0f, -1.0f).clipCode, 31u);  // behind the eye: outside every plane
}

TEST(Clip, NearPlaneCutsBothCrossingEdgesInOrder) {
  const RenderVertex triangle[3] = {at(0, 0, 10, 0, 9), at(0, 0, 100, 90, 0), at(10, 0, 100, 90, 90)};
  RenderVertex out[4];
  int count = -1;
  clipPolygon(triangle, 3, out, count, kClipNear);
  ASSERT_EQ(count, 4);
  // Entering edge: the cut point then the inside vertex; leaving edge: the cut point only.
  const float t0 = 22.0f / 90.0f, t3 = 68.0f / 90.0f;
  expectVec(out[0].view, 0.0f, 0.0f, 32.0f);
  EXPECT_FLOAT_EQ(out[0].u, 90.0f * t0);
  EXPECT_FLOAT_EQ(out[0].v, 9.0f - 9.0f * t0);
  EXPECT_FLOAT_EQ(out[0].u2, 180.0f * t0);
  EXPECT_EQ(out[1].view.z, 100.0f);
  EXPECT_EQ(out[2].view.x, 10.0f);
  expectVec(out[3].view, 10.0f - 10.0f * t3, 0.0f, 32.0f);
  EXPECT_FLOAT_EQ(out[3].v, 90.0f - 81.0f * t3);
  EXPECT_EQ(out[3].normal.y, 0.0f);  // a cut vertex carries nothing else

  const RenderVertex outside[3] = {at(0, 0, 1), at(1, 0, 2), at(0, 1, 3)};
  clipPolygon(outside, 3, out, count, kClipNear);
  EXPECT_EQ(count, 0);
  const RenderVertex inside[3] = {at(0, 0, 40), at(1, 0, 50), at(0, 1, 60)};
  clipPolygon(inside, 3, out, count, kClipNear);
  ASSERT_EQ(count, 3);  // rotated by one
  EXPECT_EQ(out[0].view.z, 50.0f);
  EXPECT_EQ(out[2].view.z, 40.0f);
}

TEST(Clip, SidePlanesCutOnTheirDiagonalFromEitherEnd) {
  const struct {
    uint32_t plane;
    RenderVertex inside, outside;
  } cases[] = {{kClipRight, at(0, 0, 100), at(300, 20, 100, 64, 32)},
               {kClipLeft, at(0, 0, 100), at(-300, 20, 100, 64, 32)},
               {kClipBottom, at(10, 0, 100), at(20, 300, 100, 64, 32)},
               {kClipTop, at(10, 0, 100), at(20, -300, 100, 64, 32)}};
  for (const auto& c : cases) {
    ASSERT_EQ(c.outside.clipCode, c.plane);
    RenderVertex cuts[2];
    cuts[0].screenX = cuts[1].screenX = 7.0f;  // not one of the written fields
    clipEdge(c.inside, c.outside, cuts[0], c.plane);
    clipEdge(c.outside, c.inside, cuts[1], c.plane);
    for (const RenderVertex& cut : cuts) {  // |x| or |y| reaches z = 100 a third of the way out
      EXPECT_NEAR(std::abs(c.plane <= kClipLeft ? cut.view.x : cut.view.y), 100.0f, 1e-3f) << c.plane;
      EXPECT_NEAR(cut.u, 64.0f / 3.0f, 1e-3f) << c.plane;
      EXPECT_NEAR(cut.v2, 64.0f / 3.0f, 1e-3f) << c.plane;
      EXPECT_EQ(cut.clipCode & ~c.plane, 0u);
      EXPECT_EQ(cut.screenX, 7.0f);
    }
  }
}

TEST(Clip, AllFivePlanesLeaveAConvexPolygonInsideTheVolume) {
  std::mt19937 random(99);
  std::uniform_real_distribution<float> coordinate(-400.0f, 400.0f);
  const uint32_t planes[] = {kClipNear, kClipRight, kClipLeft, kClipBottom, kClipTop};
  int clipped = 0;
  for (int trial = 0; trial < 5000; ++trial) {
    RenderVertex buffers[2][20];
    for (int k = 0; k < 3; ++k) buffers[0][k] = at(coordinate(random), coordinate(random), coordinate(random));
    int count = 3;
    for (int pass = 0; pass < 5; ++pass) {
      clipPolygon(buffers[pass % 2], count, buffers[1 - pass % 2], count, planes[pass]);
      ASSERT_LE(count, 4 + pass);  // each plane adds at most one vertex
    }
    clipped += count > 0 ? 1 : 0;
    for (int k = 0; k < count; ++k) {
      const Vec3& p = buffers[1][k].view;
      ASSERT_GE(p.z, kNearZ - 1e-3f);
      ASSERT_LE(std::abs(p.x), p.z * 1.0001f);
      ASSERT_LE(std::abs(p.y), p.z * 1.0001f);
    }
  }
  EXPECT_GT(clipped, 100);
}

// Only the planes a vertex is outside of are clipped against, and only the clipped fields are
// carried; the polygon must still be the five clipPolygon calls' polygon, vertex for vertex
// from the same first vertex, and nothing else of the output is written.
TEST(Clip, TriangleClipSkipsPlanesButGivesTheSamePolygon) {
  std::mt19937 random(4711);
  std::uniform_real_distribution<float> coordinate(-300.0f, 300.0f);
  std::uniform_real_distribution<float> depth(-50.0f, 400.0f);
  const uint32_t planes[] = {kClipNear, kClipRight, kClipLeft, kClipBottom, kClipTop};
  int partly = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    RenderVertex corners[3];
    for (int k = 0; k < 3; ++k) {
      // Often inside, so that most triangles cross one or two planes only.
      const float z = depth(random);
      const float scale = trial % 3 == 0 ? 1.0f : 0.4f;
      corners[k] = at(coordinate(random) * scale, coordinate(random) * scale, z, coordinate(random),
                      coordinate(random));
      corners[k].screenX = 1.0f;  // not a clipped field
    }
    RenderVertex buffers[2][20];
    for (int k = 0; k < 3; ++k) buffers[0][k] = corners[k];
    int count = 3;
    for (int pass = 0; pass < 5; ++pass) {
      clipPolygon(buffers[pass % 2], count, buffers[1 - pass % 2], count, planes[pass]);
    }
    RenderVertex out[20];
    for (RenderVertex& vertex : out) vertex.screenY = 7.0f;
    ASSERT_EQ(clipTriangle(corners[0], corners[1], corners[2], out), count) << "trial " << trial;
    for (int k = 0; k < count; ++k) {
      const RenderVertex& expected = buffers[1][k];
      ASSERT_EQ(std::memcmp(&out[k].view, &expected.view, sizeof(Vec3)), 0) << "trial " << trial << " " << k;
      ASSERT_EQ((std::vector<float>{out[k].u, out[k].v, out[k].u2, out[k].v2}),
                (std::vector<float>{expected.u, expected.v, expected.u2, expected.v2}))
          << "trial " << trial << " " << k;
      ASSERT_EQ(out[k].clipCode, expected.clipCode);
      ASSERT_EQ(out[k].screenX, 0.0f);
      ASSERT_EQ(out[k].screenY, 7.0f);
    }
    const uint32_t codes = corners[0].clipCode | corners[1].clipCode | corners[2].clipCode;
    partly += count > 0 && codes != 0 && codes != 31u ? 1 : 0;
  }
  EXPECT_GT(partly, 2000);
}

}  // namespace
}  // namespace orvanta
