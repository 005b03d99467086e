#pragma once
// The inner loop of the tunnel: the 8 rows of an 8 x 8 block, stepped in 16.16 fixed point.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"

namespace orvanta {

// A block is kTunnelBlockSize x kTunnelBlockSize pixels between four ray-cast nodes.
inline constexpr int32_t kTunnelBlockSize = 8;

// u, v, u2, v2 and the shade s, all 16.16.
struct TunnelFixed {
  int32_t u = 0;
  int32_t v = 0;
  int32_t u2 = 0;
  int32_t v2 = 0;
  int32_t s = 0;
};

// Wrapping addition, as 32-bit registers do it.
inline int32_t wrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

inline TunnelFixed advance(const TunnelFixed& value, const TunnelFixed& step) {
  return {wrapAdd(value.u, step.u), wrapAdd(value.v, step.v), wrapAdd(value.u2, step.u2),
          wrapAdd(value.v2, step.v2), wrapAdd(value.s, step.s)};
}

// The three 256 x 256 textures; the height map's red byte displaces the environment lookup.
// `slopes`, when given, holds the height map's slopes (image/height_slopes.h), which the vector
// versions read in place of three height texels; the reference version always reads the map.
struct TunnelTextures {
  const uint32_t* base;
  const uint32_t* height;
  const uint32_t* env;
  const uint32_t* slopes = nullptr;
};

// A vertical edge of a row of blocks: its 16.16 values at the top row and their steps per row.
struct TunnelColumnEdge {
  TunnelFixed start;
  TunnelFixed step;
};

// A row's step from the left to the right edge: an eighth of the difference, wrapping.
inline int32_t tunnelPixelStep(int32_t left, int32_t right) {
  return static_cast<int32_t>(static_cast<uint32_t>(right) - static_cast<uint32_t>(left)) >> 3;
}

// Every row of `blocks` blocks side by side, in order: drawRow(left, right, row) gets the row's
// edge values and its first output word; both edges step down once per row.
template <typename DrawRow>
void forEachBlockRow(const TunnelColumnEdge* edges, int32_t blocks, uint32_t* out, ptrdiff_t stride,
                     DrawRow&& drawRow) {
  for (int32_t block = 0; block < blocks; ++block) {
    TunnelFixed left = edges[block].start;
    TunnelFixed right = edges[block + 1].start;
    uint32_t* row = out + kTunnelBlockSize * block;
    for (int32_t y = 0; y < kTunnelBlockSize; ++y) {
      drawRow(left, right, row);
      left = advance(left, edges[block].step);
      right = advance(right, edges[block + 1].step);
      row += stride;
    }
  }
}

// Writes `blocks` blocks of 8 rows of 8 pixels side by side, rows `stride` (at least 8 x blocks)
// words apart; block b
// lies between edges b and b + 1 (`edges` holds blocks + 1), and each of its rows runs from the
// left edge towards the right one in eighths of the difference. Takes the fastest version this
// processor runs.
void drawTunnelBlocks(const TunnelTextures& textures, const TunnelColumnEdge* edges, int32_t blocks, uint32_t* out,
                      ptrdiff_t stride);

// Pixel by pixel and byte by byte: each pixel stepped from the last, each byte saturated and
// shaded on its own.
void drawTunnelBlocksReference(const TunnelTextures& textures, const TunnelColumnEdge* edges, int32_t blocks,
                               uint32_t* out, ptrdiff_t stride);
#if ORVANTA_X86_VECTORS
// Four pixels of a row per register, each lane placed at left + j x step.
void drawTunnelBlocksSse2(const TunnelTextures& textures, const TunnelColumnEdge* edges, int32_t blocks,
                          uint32_t* out, ptrdiff_t stride);
// Only when cpu::hasAvx2(). With the slopes, a column of eight pixels per register, its
// texels loaded the way `loads` says; without them, a row.
void drawTunnelBlocksAvx2(const TunnelTextures& textures, const TunnelColumnEdge* edges, int32_t blocks,
                          uint32_t* out, ptrdiff_t stride, cpu::LaneLoads loads = cpu::fasterLaneLoads());
#endif

}  // namespace orvanta
