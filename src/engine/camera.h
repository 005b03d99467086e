#pragma once
// World space to view space (x right, y down, z forward), with the field-of-view scale held
// in the view matrix so that the visible volume is |x| <= z, |y| <= z.

#include "base/math.h"

namespace orvanta {

inline constexpr float kCameraDegToRad = 0.017452778f;

class Camera {
 public:
  Vec3 eye;
  float fovX = 0.0f;
  float fovY = 0.0f;
  Matrix4 viewMatrix;

  Camera();
  Camera(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ, float fieldOfView);

  void lookAt(float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ);
};

}  // namespace orvanta
