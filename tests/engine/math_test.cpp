#include "engine/math.h"

#include <gtest/gtest.h>

namespace orvanta {
namespace {

TEST(Matrix4, ZeroRotationIsTheIdentity) {
  Matrix4 m;
  m.setRotation(0.0f, 0.0f, 0.0f);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) EXPECT_EQ(m.m[r][c], r == c ? 1.0f : 0.0f);
  }
}

TEST(Matrix4, RotationUsesTheShowsDegreeFactor) {
  Matrix4 m;
  m.setRotation(90.0f, 0.0f, 0.0f);
  // 90 degrees become 1.57 radians, not pi/2.
  // cos(1.57) = 0.000796, where pi/2 would give 0.
  EXPECT_NEAR(m.m[1][1], 0.00079629f, 1e-6f);
  EXPECT_EQ(m.m[1][1], m.m[2][2]);
  EXPECT_NEAR(m.m[1][2], 0.99999968f, 1e-6f);
  EXPECT_NE(m.m[1][1], 0.0f);
}

TEST(Matrix4, ApplyToKeepsTheTargetsTranslation) {
  Matrix4 target;
  target.m[3][0] = 5.0f;
  target.m[3][1] = 6.0f;
  target.m[3][2] = 7.0f;
  Matrix4 scale;
  scale.setScale(2.0f, 3.0f, 4.0f);
  scale.m[3][0] = 100.0f;  // ignored by applyTo
  scale.applyTo(target);
  EXPECT_EQ(target.m[0][0], 2.0f);
  EXPECT_EQ(target.m[1][1], 3.0f);
  EXPECT_EQ(target.m[2][2], 4.0f);
  EXPECT_EQ(target.m[3][0], 5.0f);
  EXPECT_EQ(target.m[3][1], 6.0f);
  EXPECT_EQ(target.m[3][2], 7.0f);
}

TEST(Matrix4, TransformPointScalesAndTranslates) {
  Matrix4 m;
  Vec3 out;
  m.transformPoint(1.5f, -2.0f, 3.0f, out);
  EXPECT_EQ(out.x, 1.5f);
  EXPECT_EQ(out.y, -2.0f);
  EXPECT_EQ(out.z, 3.0f);

  m.setScale(2.0f, 3.0f, 4.0f);
  m.transformPoint(1.0f, 1.0f, 1.0f, out);
  EXPECT_EQ(out.x, 2.0f);
  EXPECT_EQ(out.y, 3.0f);
  EXPECT_EQ(out.z, 4.0f);

  m.setIdentity();
  m.m[3][0] = 10.0f;
  m.m[3][1] = 20.0f;
  m.m[3][2] = 30.0f;
  m.transformPoint(1.0f, 2.0f, 3.0f, out);
  EXPECT_EQ(out.x, 11.0f);
  EXPECT_EQ(out.y, 22.0f);
  EXPECT_EQ(out.z, 33.0f);
}

TEST(Matrix4, RotationAppliesXThenYThenZ) {
  // Rotating (0, 1, 0) by 90 degrees about x gives about (0, 0, 1) for row vectors.
  Matrix4 m;
  m.setRotation(90.0f, 0.0f, 0.0f);
  Vec3 out;
  m.transformPoint(0.0f, 1.0f, 0.0f, out);
  EXPECT_NEAR(out.y, 0.0f, 1e-3);
  EXPECT_NEAR(out.z, 1.0f, 1e-5);
}

}  // namespace
}  // namespace orvanta
