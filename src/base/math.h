#pragma once
// Vectors and matrices of the 3D engine, all in 32-bit floats. Matrices are row-major and
// multiply row vectors from the left; the translation sits in row 3.

namespace orvanta {

// Degrees to radians for setRotation; deliberately not pi/180.
inline constexpr float kDegToRad = 0.017444444f;

struct Vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
};

struct Matrix4 {
  float m[4][4] = {{1.0f, 0.0f, 0.0f, 0.0f},
                   {0.0f, 1.0f, 0.0f, 0.0f},
                   {0.0f, 0.0f, 1.0f, 0.0f},
                   {0.0f, 0.0f, 0.0f, 1.0f}};

  void setIdentity();
  // Rotation about x by ax, then y by ay, then z by az (degrees).
  void setRotation(float ax, float ay, float az);
  void setScale(float sx, float sy, float sz);
  // out = (x, y, z, 1) * M, without a division by w.
  void transformPoint(float x, float y, float z, Vec3& out) const;
  // target 3x3 := target 3x3 * this 3x3; the target's row 3 and column 3 stay.
  void applyTo(Matrix4& target) const;
};

}  // namespace orvanta
