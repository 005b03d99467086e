#include "engine/math.h"

#include <cmath>

namespace orvanta {

void Matrix4::setIdentity() {
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) m[row][col] = row == col ? 1.0f : 0.0f;
  }
}

void Matrix4::setRotation(float ax, float ay, float az) {
  const float a = ax * kDegToRad;
  const float b = ay * kDegToRad;
  const float c = az * kDegToRad;
  // Sines and cosines in double, each rounded to float at once; the products stay float.
  const float sA = static_cast<float>(std::sin(static_cast<double>(a)));
  const float cA = static_cast<float>(std::cos(static_cast<double>(a)));
  const float sB = static_cast<float>(std::sin(static_cast<double>(b)));
  const float cB = static_cast<float>(std::cos(static_cast<double>(b)));
  const float sC = static_cast<float>(std::sin(static_cast<double>(c)));
  const float cC = static_cast<float>(std::cos(static_cast<double>(c)));

  m[0][0] = cB * cC;
  m[0][1] = cB * sC;
  m[0][2] = -sB;
  m[0][3] = 0.0f;
  m[1][0] = sA * sB * cC - cA * sC;
  m[1][1] = sA * sB * sC + cA * cC;
  m[1][2] = sA * cB;
  m[1][3] = 0.0f;
  m[2][0] = cA * sB * cC + sA * sC;
  m[2][1] = cA * sB * sC - sA * cC;
  m[2][2] = cA * cB;
  m[2][3] = 0.0f;
  m[3][0] = 0.0f;
  m[3][1] = 0.0f;
  m[3][2] = 0.0f;
  m[3][3] = 1.0f;
}

void Matrix4::setScale(float sx, float sy, float sz) {
  for (auto& row : m) {
    for (float& entry : row) entry = 0.0f;
  }
  m[0][0] = sx;
  m[1][1] = sy;
  m[2][2] = sz;
  m[3][3] = 1.0f;
}

void Matrix4::transformPoint(float x, float y, float z, Vec3& out) const {
  const float ox = x * m[0][0] + y * m[1][0] + z * m[2][0] + m[3][0];
  const float oy = x * m[0][1] + y * m[1][1] + z * m[2][1] + m[3][1];
  const float oz = x * m[0][2] + y * m[1][2] + z * m[2][2] + m[3][2];
  out.x = ox;
  out.y = oy;
  out.z = oz;
}

void Matrix4::applyTo(Matrix4& target) const {
  float product[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      product[i][j] = target.m[i][0] * m[0][j] + target.m[i][1] * m[1][j] + target.m[i][2] * m[2][j];
    }
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) target.m[i][j] = product[i][j];
  }
}

}  // namespace orvanta
