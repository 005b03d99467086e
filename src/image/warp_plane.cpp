#include <cmath>

#include "base/cpu_features.h"
#include "base/truncate.h"
#include "image/effects.h"
#include "image/warp_plane_kernels.h"

namespace orvanta {
namespace {

constexpr double kK1 = 0.0052358333269755045;
constexpr double kK2 = 0.0034905555513170036;
constexpr double kK3 = 0.008726388878292508;
constexpr double kK4 = 0.006981111102634007;
constexpr double kK5 = 0.01221694442960951;

constexpr int32_t kPlaneWidth = 320;
constexpr int32_t kPlaneHeight = 240;

// 16.16 texture coordinates of the frame's four corners.
struct Corners {
  int32_t topLeftU, topLeftV, bottomLeftU, bottomLeftV, topRightU, topRightV, bottomRightU, bottomRightV;
};

Corners cornersAt(float t) {
  const double phase = t;
  const double a = 512.0 + 256.0 * std::sin(kK1 * phase);
  auto corner = [a](double angle) { return truncToInt32(a * (1.0 + std::sin(angle)) + 1.0); };
  const int32_t p1 = corner(kK2 * phase);
  const int32_t p2 = corner(-kK3 * phase);
  const int32_t p3 = corner(-kK4 * phase);
  const int32_t p4 = corner(-kK1 * phase);
  const int32_t p5 = corner(kK3 * phase);
  const int32_t p6 = corner(kK5 * phase);
  const int32_t p7 = corner(-kK2 * phase);
  return Corners{p1, p2, p4, p5, p3, p1, p6, p7};
}

int32_t toFixed(int32_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value) << 16); }

// ((to - from) * 65536) / steps, wrapping like the machine for the extreme phases.
int32_t fixedStep(int32_t from, int32_t to, int32_t steps) {
  return static_cast<int32_t>((static_cast<uint32_t>(to) - static_cast<uint32_t>(from)) << 16) / steps;
}

bool fitsPlane(const Image& destination, const Image& texture) {
  return destination.pixels != nullptr && destination.width == kPlaneWidth && destination.height >= kPlaneHeight &&
         texture.pixels != nullptr && texture.width == 256 && texture.height == 256;
}

// The edges of the plane for each row, stepped in 16.16; each row is then filled by `fill`.
template <typename Fill>
void walkPlane(Image* destination, float t, Fill fill) {
  const Corners c = cornersAt(t);
  uint32_t leftU = static_cast<uint32_t>(toFixed(c.topLeftU));
  uint32_t leftV = static_cast<uint32_t>(toFixed(c.topLeftV));
  uint32_t rightU = static_cast<uint32_t>(toFixed(c.topRightU));
  uint32_t rightV = static_cast<uint32_t>(toFixed(c.topRightV));
  const uint32_t leftStepU = static_cast<uint32_t>(fixedStep(c.topLeftU, c.bottomLeftU, kPlaneHeight));
  const uint32_t leftStepV = static_cast<uint32_t>(fixedStep(c.topLeftV, c.bottomLeftV, kPlaneHeight));
  const uint32_t rightStepU = static_cast<uint32_t>(fixedStep(c.topRightU, c.bottomRightU, kPlaneHeight));
  const uint32_t rightStepV = static_cast<uint32_t>(fixedStep(c.topRightV, c.bottomRightV, kPlaneHeight));
  uint32_t* out = destination->pixels;
  for (int32_t y = 0; y < kPlaneHeight; ++y) {
    const uint32_t du = static_cast<uint32_t>(static_cast<int32_t>(rightU - leftU) / kPlaneWidth);
    const uint32_t dv = static_cast<uint32_t>(static_cast<int32_t>(rightV - leftV) / kPlaneWidth);
    fill(out, leftU, leftV, du, dv);
    out += kPlaneWidth;
    leftU += leftStepU;
    leftV += leftStepV;
    rightU += rightStepU;
    rightV += rightStepV;
  }
}

}  // namespace

namespace kernels {

void warpRowReference(uint32_t* out, const uint32_t* texels, uint32_t u, uint32_t v, uint32_t du, uint32_t dv, bool keyed) {
  for (int32_t x = 0; x < kPlaneWidth; ++x) {
    // Bits 16-23 of each coordinate: the texture repeats every 256 texels.
    const uint32_t texel = texels[((v >> 8) & 0xFF00u) | ((u >> 16) & 0xFFu)];
    if (!keyed || ((texel >> 16) & 0xFFu) != 0xFFu) out[x] = texel;
    u += du;
    v += dv;
  }
}

}  // namespace kernels

namespace {

bool drawPlane(Image* destination, const Image& texture, float t, bool keyed) {
  if (!fitsPlane(*destination, texture)) return false;
  const uint32_t* texels = texture.pixels;
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    walkPlane(destination, t, [&](uint32_t* out, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
      kernels::warpRowAvx2(out, texels, u, v, du, dv, keyed);
    });
    return destination->height == kPlaneHeight;
  }
#endif
  walkPlane(destination, t, [&](uint32_t* out, uint32_t u, uint32_t v, uint32_t du, uint32_t dv) {
    kernels::warpRowReference(out, texels, u, v, du, dv, keyed);
  });
  return destination->height == kPlaneHeight;
}

}  // namespace

bool warpPlane(Image& destination, const Image& texture, float t) { return drawPlane(&destination, texture, t, false); }

// Texels whose red byte is 255 are holes: the destination shows through.
bool warpPlaneKeyed(Image& destination, const Image& texture, float t) { return drawPlane(&destination, texture, t, true); }

}  // namespace orvanta
