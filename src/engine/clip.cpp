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

namespace {

// clipPolygon over src[start], src[start + 1], ... (wrapping).
void clipFrom(const RenderVertex* src, int count, int start, RenderVertex* dst, int& dstCount, uint32_t plane) {
  dstCount = 0;
  int i = start;
  for (int k = 0; k < count; ++k) {
    const int next = i + 1 == count ? 0 : i + 1;
    const RenderVertex& a = src[i];
    const RenderVertex& b = src[next];
    i = next;
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

}  // namespace

ClippedPolygon clipTriangle(const RenderVertex& a, const RenderVertex& b, const RenderVertex& c, RenderVertex* first,
                            RenderVertex* second) {
  ClippedPolygon polygon;
  first[0] = a;
  first[1] = b;
  first[2] = c;
  polygon.vertices = first;
  polygon.count = 3;
  uint32_t codes = a.clipCode | b.clipCode | c.clipCode;
  for (const uint32_t plane : {kClipNear, kClipRight, kClipLeft, kClipBottom, kClipTop}) {
    if ((codes & plane) == 0) {
      polygon.start = polygon.start + 1 == polygon.count ? 0 : polygon.start + 1;
      continue;
    }
    RenderVertex* const into = polygon.vertices == first ? second : first;
    clipFrom(polygon.vertices, polygon.count, polygon.start, into, polygon.count, plane);
    polygon.vertices = into;
    polygon.start = 0;
    if (polygon.count == 0) break;
    codes = 0;
    for (int k = 0; k < polygon.count; ++k) codes |= into[k].clipCode;
  }
  return polygon;
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
