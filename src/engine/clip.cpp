#include "engine/clip.h"

namespace orvanta {
namespace {

template <typename Point>
uint32_t clipCodeOf(const Point& p) {
  uint32_t code = 0;
  if (p.x > p.z) code |= kClipRight;
  if (p.x < -p.z) code |= kClipLeft;
  if (p.y > p.z) code |= kClipBottom;
  if (p.y < -p.z) code |= kClipTop;
  if (p.z < kNearZ) code |= kClipNear;
  return code;
}

// The cut of edge a -> b, for RenderVertex and for the short record clipTriangle works on.
template <typename Vertex>
void cutEdge(const Vertex& a, const Vertex& b, Vertex& out, uint32_t plane) {
  const auto& pa = a.view;
  const auto& pb = b.view;
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
  out.clipCode = clipCodeOf(out.view);
}

// What clipping reads and writes of a vertex, a third of the whole record (without
// initialisers: a buffer of them is not cleared on every call).
struct ClipVertex {
  struct {
    float x, y, z;
  } view;
  float u;
  float v;
  float u2;
  float v2;
  uint32_t clipCode;
};

ClipVertex clipVertexOf(const RenderVertex& vertex) {
  return {{vertex.view.x, vertex.view.y, vertex.view.z}, vertex.u, vertex.v, vertex.u2, vertex.v2, vertex.clipCode};
}

// One plane's clip of src[start], src[start + 1], ... (wrapping) into dst; returns dst's clip
// codes combined. A cut vertex starts from a cleared record.
template <typename Vertex>
uint32_t clipFrom(const Vertex* src, int count, int start, Vertex* dst, int& dstCount, uint32_t plane) {
  dstCount = 0;
  uint32_t codes = 0;
  int i = start;
  for (int k = 0; k < count; ++k) {
    const int next = i + 1 == count ? 0 : i + 1;
    const Vertex& a = src[i];
    const Vertex& b = src[next];
    i = next;
    const bool aOutside = (a.clipCode & plane) == plane;
    const bool bOutside = (b.clipCode & plane) == plane;
    if (aOutside && bOutside) continue;
    if (aOutside != bOutside) {
      dst[dstCount] = Vertex{};
      cutEdge(a, b, dst[dstCount], plane);
      codes |= dst[dstCount++].clipCode;
    }
    if (!bOutside) {
      dst[dstCount++] = b;
      codes |= b.clipCode;
    }
  }
  return codes;
}

}  // namespace

void computeClipCode(RenderVertex& vertex) { vertex.clipCode = clipCodeOf(vertex.view); }

void clipEdge(const RenderVertex& a, const RenderVertex& b, RenderVertex& out, uint32_t plane) {
  cutEdge(a, b, out, plane);
}

int clipTriangle(const RenderVertex& a, const RenderVertex& b, const RenderVertex& c, RenderVertex* out) {
  constexpr int kCapacity = 20;
  ClipVertex buffers[2][kCapacity];
  ClipVertex* polygon = buffers[0];
  polygon[0] = clipVertexOf(a);
  polygon[1] = clipVertexOf(b);
  polygon[2] = clipVertexOf(c);
  int count = 3;
  int start = 0;
  uint32_t codes = a.clipCode | b.clipCode | c.clipCode;
  for (const uint32_t plane : {kClipNear, kClipRight, kClipLeft, kClipBottom, kClipTop}) {
    if ((codes & plane) == 0) {
      start = start + 1 == count ? 0 : start + 1;
      continue;
    }
    ClipVertex* const into = polygon == buffers[0] ? buffers[1] : buffers[0];
    codes = clipFrom(polygon, count, start, into, count, plane);
    polygon = into;
    start = 0;
    if (count == 0) return 0;
  }
  for (int k = 0; k < count; ++k) {
    const ClipVertex& vertex = polygon[(start + k) % count];
    RenderVertex& to = out[k];
    to.view = Vec3{vertex.view.x, vertex.view.y, vertex.view.z};
    to.u = vertex.u;
    to.v = vertex.v;
    to.u2 = vertex.u2;
    to.v2 = vertex.v2;
    to.clipCode = vertex.clipCode;
  }
  return count;
}

void clipPolygon(const RenderVertex* src, int count, RenderVertex* dst, int& dstCount, uint32_t plane) {
  clipFrom(src, count, 0, dst, dstCount, plane);
}

}  // namespace orvanta
