#include "engine/camera.h"

#include <cmath>

namespace orvanta {
namespace {

// What both constructors leave behind for every later lookAt: 30 and 22.5 degrees taken
// through setRotation's degree factor rather than the camera's own.
constexpr float kStoredFovX = 0.52333337f;
constexpr float kStoredFovY = 0.39250004f;

// The default constructor's first matrix: 30 and 22.5 degrees through kCameraDegToRad.
constexpr float kFirstFovX = 0.52358335f;
constexpr float kFirstFovY = 0.3926875f;

// cos / sin of the half angle, in double until stored.
float cotangentOfHalf(float fov) {
  const double half = static_cast<double>(fov / 2.0f);
  return static_cast<float>(std::cos(half) / std::sin(half));
}

}  // namespace

Camera::Camera() {
  fovX = kFirstFovX;
  fovY = kFirstFovY;
  lookAt(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f);
  fovX = kStoredFovX;
  fovY = kStoredFovY;
}

Camera::Camera(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float fieldOfView) {
  fovX = fieldOfView * kCameraDegToRad;
  fovY = fovX * 0.75f;
  lookAt(eyeX, eyeY, eyeZ, targetX, targetY, targetZ);
  fovX = kStoredFovX;
  fovY = kStoredFovY;
}

// A target straight above or below the eye, or on it, has no right vector: the matrix then
// holds NaN and the pipeline draws nothing through it.
void Camera::lookAt(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ) {
  eye = Vec3{eyeX, eyeY, eyeZ};
  const float dx = targetX - eyeX;
  const float dy = targetY - eyeY;
  const float dz = targetZ - eyeZ;

  // World y crossed with d: always horizontal.
  const float rightScale = 1.0f / std::sqrt(dx * dx + dz * dz);
  const float rightX = dz * rightScale;
  const float rightZ = -dx * rightScale;

  // World +y made perpendicular to d; +y is down on the screen.
  const float upX = -dx * dy;
  const float upY = dx * dx + dz * dz;
  const float upZ = -dy * dz;
  const float upScale = 1.0f / std::sqrt(upX * upX + upY * upY + upZ * upZ);

  const float forwardScale = 1.0f / std::sqrt(dx * dx + dy * dy + dz * dz);

  const float cx = cotangentOfHalf(fovX);
  const float cy = cotangentOfHalf(fovY);

  viewMatrix.setIdentity();
  viewMatrix.m[0][0] = rightX * cx;
  viewMatrix.m[1][0] = 0.0f;
  viewMatrix.m[2][0] = rightZ * cx;
  viewMatrix.m[0][1] = upX * upScale * cy;
  viewMatrix.m[1][1] = upY * upScale * cy;
  viewMatrix.m[2][1] = upZ * upScale * cy;
  viewMatrix.m[0][2] = dx * forwardScale;
  viewMatrix.m[1][2] = dy * forwardScale;
  viewMatrix.m[2][2] = dz * forwardScale;
}

}  // namespace orvanta
