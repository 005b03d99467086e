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

// The edges of the plane for each row, stepped in 16.16.
class PlaneEdges {
 public:
  explicit PlaneEdges(float t) {
    const Corners c = cornersAt(t);
    leftU_ = static_cast<uint32_t>(toFixed(c.topLeftU));
    leftV_ = static_cast<uint32_t>(toFixed(c.topLeftV));
    rightU_ = static_cast<uint32_t>(toFixed(c.topRightU));
    rightV_ = static_cast<uint32_t>(toFixed(c.topRightV));
    leftStepU_ = static_cast<uint32_t>(fixedStep(c.topLeftU, c.bottomLeftU, kPlaneHeight));
    leftStepV_ = static_cast<uint32_t>(fixedStep(c.topLeftV, c.bottomLeftV, kPlaneHeight));
    rightStepU_ = static_cast<uint32_t>(fixedStep(c.topRightU, c.bottomRightU, kPlaneHeight));
    rightStepV_ = static_cast<uint32_t>(fixedStep(c.topRightV, c.bottomRightV, kPlaneHeight));
  }

  // This row's line through the texture; then steps to the next row.
  kernels::TextureLine next() {
    const kernels::TextureLine line{leftU_, leftV_, static_cast<uint32_t>(static_cast<int32_t>(rightU_ - leftU_) / kPlaneWidth),
                                    static_cast<uint32_t>(static_cast<int32_t>(rightV_ - leftV_) / kPlaneWidth)};
    leftU_ += leftStepU_;
    leftV_ += leftStepV_;
    rightU_ += rightStepU_;
    rightV_ += rightStepV_;
    return line;
  }

 private:
  uint32_t leftU_, leftV_, rightU_, rightV_;
  uint32_t leftStepU_, leftStepV_, rightStepU_, rightStepV_;
};

// Each row of the plane filled by `fill`.
template <typename Fill>
void walkPlane(Image* destination, float t, Fill fill) {
  PlaneEdges edges(t);
  uint32_t* out = destination->pixels;
  for (int32_t y = 0; y < kPlaneHeight; ++y) {
    const kernels::TextureLine line = edges.next();
    fill(out, line.u, line.v, line.du, line.dv);
    out += kPlaneWidth;
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

void warpRowPairReference(uint32_t* out, const uint32_t* under, TextureLine a, const uint32_t* over, TextureLine b) {
  for (int32_t x = 0; x < kPlaneWidth; ++x) {
    const uint32_t texel = over[((b.v >> 8) & 0xFF00u) | ((b.u >> 16) & 0xFFu)];
    out[x] = ((texel >> 16) & 0xFFu) != 0xFFu ? texel : under[((a.v >> 8) & 0xFF00u) | ((a.u >> 16) & 0xFFu)];
    a.u += a.du;
    a.v += a.dv;
    b.u += b.du;
    b.v += b.dv;
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

bool warpPlanePair(Image& destination, const Image& under, float tUnder, const Image& over, float tOver) {
  if (!fitsPlane(destination, under) || !fitsPlane(destination, over) || destination.height != kPlaneHeight) return false;
  PlaneEdges underEdges(tUnder);
  PlaneEdges overEdges(tOver);
  uint32_t* out = destination.pixels;
  for (int32_t y = 0; y < kPlaneHeight; ++y) {
    const kernels::TextureLine a = underEdges.next();
    const kernels::TextureLine b = overEdges.next();
#if ORVANTA_X86_VECTORS
    if (cpu::hasAvx2()) {
      kernels::warpRowPairAvx2(out, under.pixels, a, over.pixels, b);
    } else {
      kernels::warpRowPairReference(out, under.pixels, a, over.pixels, b);
    }
#else
    kernels::warpRowPairReference(out, under.pixels, a, over.pixels, b);
#endif
    out += kPlaneWidth;
  }
  return true;
}

bool warpPlane(Image& destination, const Image& texture, float t) { return drawPlane(&destination, texture, t, false); }

// Texels whose red byte is 255 are holes: the destination shows through.
bool warpPlaneKeyed(Image& destination, const Image& texture, float t) { return drawPlane(&destination, texture, t, true); }

}  // namespace orvanta
