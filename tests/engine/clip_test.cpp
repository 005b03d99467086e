#include "engine/clip.h"

#include <gtest/gtest.h>

#include <random>

namespace orvanta {
namespace {

RenderVertex at(float x, float y, float z, float u = 0.0f, float v = 0.0f) {
  RenderVertex vertex;
  vertex.view = {x, y, z};
  vertex.u = u;
  vertex.v = v;
  vertex.u2 = u * 2.0f;
  vertex.v2 = v * 2.0f;
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
  EXPECT_EQ(at(20.0f, -25.0f, 10.0f).clipCode, 25u);  // right | top | near
  // Behind the eye everything is outside at once.
  EXPECT_EQ(at(0.0f, 0.0f, -1.0f).clipCode, kClipRight | kClipLeft | kClipBottom | kClipTop | kClipNear);
}

TEST(Clip, NearPlaneCutsBothCrossingEdges) {
  const RenderVertex triangle[3] = {at(0.0f, 0.0f, 10.0f, 0.0f, 9.0f), at(0.0f, 0.0f, 100.0f, 90.0f, 0.0f),
                                    at(10.0f, 0.0f, 100.0f, 90.0f, 90.0f)};
  RenderVertex out[4];
  int count = -1;
  clipPolygon(triangle, 3, out, count, kClipNear);
  ASSERT_EQ(count, 4);
  // Entering edge: the cut point then the inside vertex; leaving edge: the cut point only.
  const float t0 = 22.0f / 90.0f;
  EXPECT_FLOAT_EQ(out[0].view.z, 32.0f);
  EXPECT_FLOAT_EQ(out[0].u, 90.0f * t0);
  EXPECT_FLOAT_EQ(out[0].v, 9.0f - 9.0f * t0);
  EXPECT_FLOAT_EQ(out[0].u2, 2.0f * 90.0f * t0);
  EXPECT_EQ(out[0].clipCode, 0u);
  EXPECT_EQ(out[1].view.z, 100.0f);
  EXPECT_EQ(out[2].view.x, 10.0f);
  const float t3 = 68.0f / 90.0f;  // from (10, 0, 100) towards (0, 0, 10)
  EXPECT_FLOAT_EQ(out[3].view.z, 32.0f);
  EXPECT_FLOAT_EQ(out[3].view.x, 10.0f - 10.0f * t3);
  EXPECT_FLOAT_EQ(out[3].u, 90.0f - 90.0f * t3);
  EXPECT_FLOAT_EQ(out[3].v, 90.0f - 81.0f * t3);
  // A cut vertex is built from scratch: nothing but the carried fields survives.
  EXPECT_EQ(out[3].position.x, 0.0f);
  EXPECT_EQ(out[3].normal.y, 0.0f);
}

TEST(Clip, WhollyOutsideVanishesAndWhollyInsideRotatesByOne) {
  const RenderVertex outside[3] = {at(0, 0, 1), at(1, 0, 2), at(0, 1, 3)};
  RenderVertex out[4];
  int count = -1;
  clipPolygon(outside, 3, out, count, kClipNear);
  EXPECT_EQ(count, 0);

  const RenderVertex inside[3] = {at(0, 0, 40), at(1, 0, 50), at(0, 1, 60)};
  clipPolygon(inside, 3, out, count, kClipNear);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(out[0].view.z, 50.0f);
  EXPECT_EQ(out[1].view.z, 60.0f);
  EXPECT_EQ(out[2].view.z, 40.0f);

  clipPolygon(inside, 0, out, count, kClipRight);
  EXPECT_EQ(count, 0);
}

TEST(Clip, SidePlanesCutOnTheirDiagonal) {
  struct Case {
    uint32_t plane;
    RenderVertex inside;
    RenderVertex outside;
  };
  const Case cases[] = {
      {kClipRight, at(0, 0, 100, 0, 0), at(300, 20, 100, 64, 32)},
      {kClipLeft, at(0, 0, 100, 0, 0), at(-300, 20, 100, 64, 32)},
      {kClipBottom, at(10, 0, 100, 0, 0), at(20, 300, 100, 64, 32)},
      {kClipTop, at(10, 0, 100, 0, 0), at(20, -300, 100, 64, 32)},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(c.outside.clipCode, c.plane);
    // Either direction along the edge finds the same point (within rounding).
    for (int direction = 0; direction < 2; ++direction) {
      RenderVertex cut;
      cut.screenX = 7.0f;  // not one of the written fields
      if (direction == 0) {
        clipEdge(c.inside, c.outside, cut, c.plane);
      } else {
        clipEdge(c.outside, c.inside, cut, c.plane);
      }
      // The cut lies a third of the way out: |x| or |y| reaches z = 100 at t = 1/3.
      EXPECT_NEAR(cut.view.z, 100.0f, 1e-4f);
      const float across = (c.plane == kClipRight || c.plane == kClipLeft) ? cut.view.x : cut.view.y;
      EXPECT_NEAR(std::abs(across), 100.0f, 1e-3f) << c.plane;
      EXPECT_NEAR(cut.u, 64.0f / 3.0f, 1e-3f);
      EXPECT_NEAR(cut.v2, 64.0f / 3.0f, 1e-3f);
      EXPECT_EQ(cut.clipCode & ~c.plane, 0u);
      EXPECT_EQ(cut.screenX, 7.0f);
    }
  }
}

TEST(Clip, AllFivePlanesLeaveAConvexPolygonInsideTheVolume) {
  std::mt19937 random(99);
  std::uniform_real_distribution<float> coordinate(-400.0f, 400.0f);
  int clipped = 0;
  for (int trial = 0; trial < 5000; ++trial) {
    RenderVertex first[20];
    RenderVertex second[20];
    for (int k = 0; k < 3; ++k) first[k] = at(coordinate(random), coordinate(random), coordinate(random));
    int counts[5];
    clipPolygon(first, 3, second, counts[0], kClipNear);
    clipPolygon(second, counts[0], first, counts[1], kClipRight);
    clipPolygon(first, counts[1], second, counts[2], kClipLeft);
    clipPolygon(second, counts[2], first, counts[3], kClipBottom);
    clipPolygon(first, counts[3], second, counts[4], kClipTop);
    // Each plane adds at most one vertex to a convex polygon.
    for (int pass = 0; pass < 5; ++pass) ASSERT_LE(counts[pass], 4 + pass);
    if (counts[4] > 0) ++clipped;
    for (int k = 0; k < counts[4]; ++k) {
      const Vec3& p = second[k].view;
      const float slack = 1e-4f * p.z;
      ASSERT_GE(p.z, kNearZ - 1e-3f);
      ASSERT_LE(std::abs(p.x), p.z + slack);
      ASSERT_LE(std::abs(p.y), p.z + slack);
    }
  }
  EXPECT_GT(clipped, 100);
}

}  // namespace
}  // namespace orvanta
