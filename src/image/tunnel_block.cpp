#include "image/tunnel_block.h"

namespace orvanta {
namespace {

uint32_t referencePixel(const TunnelTextures& textures, const TunnelFixed& at) {
  const int32_t i = ((at.v >> 16) & 0xFF) * 256 + ((at.u >> 16) & 0xFF);
  const uint32_t a = textures.base[i];
  const int32_t h0 = static_cast<int32_t>((textures.height[i] >> 16) & 0xFF);
  const int32_t hr = static_cast<int32_t>((textures.height[(i + 1) & 0xFFFF] >> 16) & 0xFF);
  const int32_t hd = static_cast<int32_t>((textures.height[(i + 256) & 0xFFFF] >> 16) & 0xFF);
  const int32_t column = ((at.u2 >> 16) + hr - h0) & 0xFF;
  const int32_t row = ((at.v2 >> 16) + hd - h0) & 0xFF;
  const uint32_t e = textures.env[row * 256 + column];
  const uint32_t k = static_cast<uint32_t>(at.s >> 16) & 0xFF;
  uint32_t pixel = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    uint32_t byte = ((a >> shift) & 0xFF) + ((e >> shift) & 0xFF);
    if (byte > 255) byte = 255;
    if (shift < 24) byte = (byte * k) >> 8;
    pixel |= byte << shift;
  }
  return pixel;
}

}  // namespace

void drawTunnelBlocksReference(const TunnelTextures& textures, const TunnelColumnEdge* edges, int32_t blocks,
                               uint32_t* out, ptrdiff_t stride) {
  forEachBlockRow(edges, blocks, out, stride, [&](const TunnelFixed& left, const TunnelFixed& right, uint32_t* row) {
    const TunnelFixed step{tunnelPixelStep(left.u, right.u), tunnelPixelStep(left.v, right.v),
                           tunnelPixelStep(left.u2, right.u2), tunnelPixelStep(left.v2, right.v2),
                           tunnelPixelStep(left.s, right.s)};
    TunnelFixed at = left;
    for (int32_t x = 0; x < kTunnelBlockSize; ++x) {
      row[x] = referencePixel(textures, at);
      at = advance(at, step);
    }
  });
}

void drawTunnelBlocks(const TunnelTextures& textures, const TunnelColumnEdge* edges, int32_t blocks, uint32_t* out,
                      ptrdiff_t stride) {
#if ORVANTA_X86_VECTORS
  if (cpu::hasAvx2()) {
    drawTunnelBlocksAvx2(textures, edges, blocks, out, stride);
  } else {
    drawTunnelBlocksSse2(textures, edges, blocks, out, stride);
  }
#else
  drawTunnelBlocksReference(textures, edges, blocks, out, stride);
#endif
}

}  // namespace orvanta
