#include "engine/clip.h"

namespace orvanta {

void computeClipCode(RenderVertex& vertex) {
  const Vec3& p = vertex.view;
  uint32_t code = 0;
  if (p.x > p.z) code |= kClipRight;
  if (p.x < -p.z) code |= kClipLeft;
  if (p.y > p.z) code |= kClipBottom;
  if (p.y < -p.z) code |= kClipTop;
  if (p.z < kNearZ) code |= kClipNear;
  vertex.clipCode = code;
}

void clipEdge(const RenderVertex& a, const RenderVertex& b, RenderVertex& out, uint32_t plane) {
  const Vec3& pa = a.view;
  const Vec3& pb = b.view;
  const float dx = pb.x - pa.x;
  const float dy = pb.y - pa.y;
  const float dz = pb.z - pa.z;
  // Always measured from a towards b, whichever end is outside.
  float t = 0.0f;
  switch (plane) {
    case kClipRight:
      t = (pa.x - pa.z) / (dz - dx);
      break;
    case kClipLeft:
      t = (pa.z + pa.x) / (-dz - dx);
      break;
    case kClipBottom:
      t = (pa.y - pa.z) / (dz - dy);
      break;
    case kClipTop:
      t = (pa.z + pa.y) / (-dz - dy);
      break;
    default:  // kClipNear
      t = (kNearZ - pa.z) / dz;
      break;
  }
  out.view.x = pa.x + t * dx;
  out.view.y = pa.y + t * dy;
  out.view.z = pa.z + t * dz;
  out.u = a.u + t * (b.u - a.u);
  out.v = a.v + t * (b.v - a.v);
  out.u2 = a.u2 + t * (b.u2 - a.u2);
  out.v2 = a.v2 + t * (b.v2 - a.v2);
  computeClipCode(out);
}

void clipPolygon(const RenderVertex* src, int count, RenderVertex* dst, int& dstCount, uint32_t plane) {
  dstCount = 0;
  for (int i = 0; i < count; ++i) {
    const RenderVertex& a = src[i];
    const RenderVertex& b = src[i + 1 == count ? 0 : i + 1];
    const bool aOutside = (a.clipCode & plane) == plane;
    const bool bOutside = (b.clipCode & plane) == plane;
    if (!aOutside) {
      if (!bOutside) {
        dst[dstCount++] = b;
      } else {
        dst[dstCount] = RenderVertex{};
        clipEdge(a, b, dst[dstCount++], plane);
      }
    } else if (!bOutside) {
      dst[dstCount] = RenderVertex{};
      clipEdge(a, b, dst[dstCount++], plane);
      dst[dstCount++] = b;
    }
  }
}

}  // namespace orvanta
