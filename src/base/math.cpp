#include "base/math.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace orvanta {

void Matrix4::setIdentity() {
  for (int row = 0; row < 4; ++row) {
    for (int col = 0; col < 4; ++col) m[row][col] = row == col ? 1.0f : 0.0f;
  }
}

namespace {

struct SineCosine {
  float sine;
  float cosine;
};

// Sine and cosine in double, each rounded to float at once.
SineCosine sineCosine(float radians) {
  return {static_cast<float>(std::sin(static_cast<double>(radians))),
          static_cast<float>(std::cos(static_cast<double>(radians)))};
}

// The same angle gives the same values; the twisting scenes pass one angle three times.
SineCosine sineCosineReusing(float radians, float known, const SineCosine& knownValues) {
  if (std::bit_cast<uint32_t>(radians) == std::bit_cast<uint32_t>(known)) return knownValues;
  return sineCosine(radians);
}

}  // namespace

void Matrix4::setRotation(float ax, float ay, float az) {
  const float a = ax * kDegToRad;
  const float b = ay * kDegToRad;
  const float c = az * kDegToRad;
  // The products stay float.
  const SineCosine scA = sineCosine(a);
  const SineCosine scB = sineCosineReusing(b, a, scA);
  const SineCosine scC = sineCosineReusing(c, b, scB);
  const float sA = scA.sine;
  const float cA = scA.cosine;
  const float sB = scB.sine;
  const float cB = scB.cosine;
  const float sC = scC.sine;
  const float cC = scC.cosine;

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
