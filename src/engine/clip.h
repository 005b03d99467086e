#pragma once
// Clipping against the view volume |x| <= z, |y| <= z, z >= kNearZ, one plane at a time.

#include <cstdint>

#include "engine/mesh.h"

namespace orvanta {

// Outcode bits of RenderVertex::clipCode; a vertex exactly on a plane is inside it.
inline constexpr uint32_t kClipRight = 1;   // x > z
inline constexpr uint32_t kClipLeft = 2;    // x < -z
inline constexpr uint32_t kClipBottom = 4;  // y > z
inline constexpr uint32_t kClipTop = 8;     // y < -z
inline constexpr uint32_t kClipNear = 16;   // z < kNearZ

inline constexpr float kNearZ = 32.0f;

// Sets clipCode from view.
void computeClipCode(RenderVertex& vertex);

// The point where edge a -> b crosses `plane` (one bit): writes view, u, v, u2, v2 and
// clipCode of out, nothing else.
void clipEdge(const RenderVertex& a, const RenderVertex& b, RenderVertex& out, uint32_t plane);

// Clips the closed polygon src[0 .. count-1] against one plane into dst, using the clip
// codes already held by src. A convex polygon gains at most one vertex, so dst must hold
// count + 1 records (count + count / 2 whatever the codes say).
void clipPolygon(const RenderVertex* src, int count, RenderVertex* dst, int& dstCount, uint32_t plane);

// Triangle (a, b, c) clipped plane by plane in the order near, right, left, bottom, top (near
// first, so that z >= kNearZ before any side plane divides by it): the polygon the five
// clipPolygon calls give, vertex for vertex from the same first one, as its count and the
// view, u, v, u2, v2 and clipCode of out[0 ..] (nothing else of out is written; at most 19
// records). Only those fields are carried from plane to plane, and a plane no vertex is
// outside of is not clipped against: that would only turn the polygon by one vertex.
int clipTriangle(const RenderVertex& a, const RenderVertex& b, const RenderVertex& c, RenderVertex* out);

}  // namespace orvanta
