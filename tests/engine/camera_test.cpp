#include "engine/camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace orvanta {
namespace {

Vec3 toView(const Camera& camera, float x, float y, float z) {
  Vec3 out;
  camera.viewMatrix.transformPoint(x - camera.eye.x, y - camera.eye.y, z - camera.eye.z, out);
  return out;
}

float cotangentOfHalf(double angle) { return static_cast<float>(1.0 / std::tan(angle / 2.0)); }

TEST(Camera, DefaultLooksDownZAndKeepsTheNarrowerStoredFieldOfView) {
  Camera camera;
  EXPECT_EQ(camera.fovX, 0.52333337f);
  EXPECT_EQ(camera.fovY, 0.39250004f);
  EXPECT_EQ(camera.eye.z, -300.0f);

  const Vec3 origin = toView(camera, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(origin.x, 0.0f);
  EXPECT_EQ(origin.y, 0.0f);
  EXPECT_EQ(origin.z, 300.0f);
  // The first matrix is built from 30 degrees through 0.017452778.
  EXPECT_FLOAT_EQ(toView(camera, 10.0f, 0.0f, 0.0f).x, 10.0f * 3.7321659f);
  EXPECT_FLOAT_EQ(toView(camera, 0.0f, 10.0f, 0.0f).y, 10.0f * cotangentOfHalf(0.3926875));

  camera.lookAt(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(camera.viewMatrix.m[0][0], 3.7340328f);
  EXPECT_FLOAT_EQ(camera.viewMatrix.m[1][1], 5.0299556f);
  EXPECT_EQ(camera.viewMatrix.m[2][2], 1.0f);
  EXPECT_EQ(camera.viewMatrix.m[3][0], 0.0f);
  EXPECT_EQ(camera.viewMatrix.m[3][3], 1.0f);
  // World +y is down on the screen, as is view +y.
  EXPECT_GT(toView(camera, 0.0f, 10.0f, 0.0f).y, 0.0f);
}

TEST(Camera, ConstructorFieldOfViewShapesOnlyTheFirstMatrix) {
  Camera camera(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 60.0f);
  const float fovX = 60.0f * 0.017452778f;
  EXPECT_FLOAT_EQ(camera.viewMatrix.m[0][0], cotangentOfHalf(fovX));
  EXPECT_FLOAT_EQ(camera.viewMatrix.m[1][1], cotangentOfHalf(fovX * 0.75f));
  EXPECT_EQ(camera.fovX, 0.52333337f);
  EXPECT_EQ(camera.fovY, 0.39250004f);

  Camera zero(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_FALSE(std::isfinite(zero.viewMatrix.m[0][0]));
  EXPECT_EQ(zero.fovX, 0.52333337f);
  zero.lookAt(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_FLOAT_EQ(zero.viewMatrix.m[0][0], 3.7340328f);
}

TEST(Camera, LookingLeftTurnsTheRightVectorTowardsPlusZ) {
  Camera camera;
  camera.lookAt(5.0f, 0.0f, 0.0f, 4.0f, 0.0f, 0.0f);
  const float cx = camera.viewMatrix.m[2][0];
  EXPECT_FLOAT_EQ(cx, 3.7340328f);  // r = (0, 0, 1)
  EXPECT_EQ(camera.viewMatrix.m[0][0], 0.0f);
  EXPECT_EQ(camera.viewMatrix.m[1][0], 0.0f);
  EXPECT_EQ(camera.viewMatrix.m[0][2], -1.0f);  // f = (-1, 0, 0)
  EXPECT_EQ(camera.viewMatrix.m[1][2], 0.0f);
  EXPECT_EQ(camera.viewMatrix.m[2][2], 0.0f);
}

TEST(Camera, AnyViewPutsTheTargetOnTheAxisAtItsDistance) {
  Camera camera;
  camera.lookAt(120.0f, -80.0f, 200.0f, 10.0f, 20.0f, -30.0f);
  const Vec3 target = toView(camera, 10.0f, 20.0f, -30.0f);
  const float distance = std::sqrt(110.0f * 110.0f + 100.0f * 100.0f + 230.0f * 230.0f);
  EXPECT_NEAR(target.x, 0.0f, 1e-3f);
  EXPECT_NEAR(target.y, 0.0f, 1e-3f);
  EXPECT_FLOAT_EQ(target.z, distance);

  const Matrix4& m = camera.viewMatrix;
  EXPECT_EQ(m.m[1][0], 0.0f);  // the right vector stays horizontal
}

}  // namespace
}  // namespace orvanta
