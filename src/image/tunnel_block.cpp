#include "image/tunnel_block.h"

#include <immintrin.h>

namespace orvanta {
namespace {

constexpr int32_t kBlockSize = 8;

int32_t pixelStep(int32_t left, int32_t right) {
  return static_cast<int32_t>(static_cast<uint32_t>(right) - static_cast<uint32_t>(left)) >> 3;
}

TunnelFixed pixelSteps(const TunnelFixed& left, const TunnelFixed& right) {
  return {pixelStep(left.u, right.u), pixelStep(left.v, right.v), pixelStep(left.u2, right.u2),
          pixelStep(left.v2, right.v2), pixelStep(left.s, right.s)};
}

// Texel index of the base texture and the height map: row (v) and column (u), modulo 256.
uint32_t texelIndex(int32_t u, int32_t v) {
  return (static_cast<uint32_t>(v >> 8) & 0xFF00u) | (static_cast<uint32_t>(u >> 16) & 0xFFu);
}

// The neighbours right and below wrap to the start of the map instead of reading past it.
int32_t heightAt(const uint32_t* height, uint32_t index) {
  return static_cast<int32_t>((height[index & 0xFFFFu] >> 16) & 0xFFu);
}

// Environment texel displaced by the height map's slope to the right and downwards.
uint32_t envTexel(const TunnelTextures& textures, uint32_t index, int32_t u2, int32_t v2) {
  const int32_t h0 = heightAt(textures.height, index);
  const int32_t hr = heightAt(textures.height, index + 1);
  const int32_t hd = heightAt(textures.height, index + 256);
  const uint32_t column = static_cast<uint32_t>((u2 >> 16) + hr - h0) & 0xFFu;
  const uint32_t row = static_cast<uint32_t>((v2 >> 16) + hd - h0) & 0xFFu;
  return textures.env[(row << 8) | column];
}

uint32_t shadeOf(int32_t s) { return static_cast<uint32_t>(s >> 16) & 0xFFu; }

// Saturating addition of the four bytes at once.
uint32_t addSaturated(uint32_t a, uint32_t b) {
  const uint32_t low = (a & 0x7F7F7F7Fu) + (b & 0x7F7F7F7Fu);
  const uint32_t carry = ((a & b) | ((a ^ b) & low)) & 0x80808080u;
  const uint32_t sum = low ^ ((a ^ b) & 0x80808080u);
  return sum | ((carry >> 7) * 0xFFu);
}

// Red, green and blue times k / 256; alpha kept.
uint32_t shadePixel(uint32_t p, uint32_t k) {
  const uint32_t redBlue = (((p & 0x00FF00FFu) * k) >> 8) & 0x00FF00FFu;
  const uint32_t green = (((p & 0x0000FF00u) * k) >> 8) & 0x0000FF00u;
  return (p & 0xFF000000u) | redBlue | green;
}

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

// Lane j holds left + j x (an eighth of right - left), wrapping like the scalar steps.
__attribute__((target("avx2"))) inline __m256i spreadAvx2(int32_t left, int32_t right) {
  const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
  const __m256i step = _mm256_set1_epi32(pixelStep(left, right));
  return _mm256_add_epi32(_mm256_set1_epi32(left), _mm256_mullo_epi32(step, lane));
}

__attribute__((target("avx2"))) inline __m256i redBytesAvx2(const uint32_t* words) {
  const __m256i loaded = _mm256_load_si256(reinterpret_cast<const __m256i*>(words));
  return _mm256_and_si256(_mm256_srli_epi32(loaded, 16), _mm256_set1_epi32(0xFF));
}

__attribute__((target("avx2"))) inline __m256i loadAvx2(const uint32_t* words) {
  return _mm256_load_si256(reinterpret_cast<const __m256i*>(words));
}

__attribute__((target("avx2"))) inline void storeAvx2(uint32_t* words, __m256i value) {
  _mm256_store_si256(reinterpret_cast<__m256i*>(words), value);
}

// The block's rows from the left to the right edge, eight pixels each, every pixel from
// pixel(position).
template <typename Pixel>
void walkBlock(const TunnelEdges& edges, uint32_t* out, ptrdiff_t stride, Pixel pixel) {
  TunnelFixed left = edges.left;
  TunnelFixed right = edges.right;
  for (int32_t row = 0; row < kBlockSize; ++row) {
    const TunnelFixed step = pixelSteps(left, right);
    TunnelFixed at = left;
    for (int32_t x = 0; x < kBlockSize; ++x) {
      out[x] = pixel(at);
      at = advance(at, step);
    }
    left = advance(left, edges.leftStep);
    right = advance(right, edges.rightStep);
    out += stride;
  }
}

}  // namespace

void drawTunnelBlockPixelsReference(const TunnelTextures& textures, const TunnelEdges& edges,
                                    uint32_t* out, ptrdiff_t stride) {
  walkBlock(edges, out, stride, [&](const TunnelFixed& at) { return referencePixel(textures, at); });
}

void drawTunnelBlockPixelsScalar(const TunnelTextures& textures, const TunnelEdges& edges,
                                 uint32_t* out, ptrdiff_t stride) {
  walkBlock(edges, out, stride, [&](const TunnelFixed& at) {
    const uint32_t index = texelIndex(at.u, at.v);
    const uint32_t sum = addSaturated(textures.base[index], envTexel(textures, index, at.u2, at.v2));
    return shadePixel(sum, shadeOf(at.s));
  });
}

bool tunnelBlockHasAvx2() {
  static const bool hasAvx2 = __builtin_cpu_supports("avx2");
  return hasAvx2;
}

// A row of 8 pixels per 256-bit register. The texture reads are single loads between the
// vector steps, which measured faster than gather instructions.
__attribute__((target("avx2"))) void drawTunnelBlockPixelsAvx2(const TunnelTextures& textures,
                                                               const TunnelEdges& edges,
                                                               uint32_t* out, ptrdiff_t stride) {
  const __m256i byteMask = _mm256_set1_epi32(0xFF);
  const __m256i rowMask = _mm256_set1_epi32(0xFF00);
  // 16-bit lanes per pixel: blue, green and red take the shade, alpha is multiplied by 256.
  const __m256i colourLanes = _mm256_set1_epi64x(0x0000FFFFFFFFFFFFLL);
  const __m256i alphaLanes = _mm256_set1_epi64x(0x0100000000000000LL);
  const __m256i zero = _mm256_setzero_si256();

  alignas(32) uint32_t index[kBlockSize];
  alignas(32) uint32_t baseTexel[kBlockSize];
  alignas(32) uint32_t height0[kBlockSize];
  alignas(32) uint32_t heightRight[kBlockSize];
  alignas(32) uint32_t heightDown[kBlockSize];
  alignas(32) uint32_t envIndex[kBlockSize];
  alignas(32) uint32_t envTexel[kBlockSize];

  TunnelFixed left = edges.left;
  TunnelFixed right = edges.right;
  for (int32_t row = 0; row < kBlockSize; ++row) {
    const __m256i u = spreadAvx2(left.u, right.u);
    const __m256i v = spreadAvx2(left.v, right.v);
    const __m256i u2 = spreadAvx2(left.u2, right.u2);
    const __m256i v2 = spreadAvx2(left.v2, right.v2);
    const __m256i s = spreadAvx2(left.s, right.s);

    storeAvx2(index, _mm256_or_si256(_mm256_and_si256(_mm256_srai_epi32(v, 8), rowMask),
                                     _mm256_and_si256(_mm256_srli_epi32(u, 16), byteMask)));
    for (int32_t x = 0; x < kBlockSize; ++x) {
      const uint32_t i = index[x];
      baseTexel[x] = textures.base[i];
      height0[x] = textures.height[i];
      heightRight[x] = textures.height[(i + 1) & 0xFFFFu];
      heightDown[x] = textures.height[(i + 256) & 0xFFFFu];
    }
    const __m256i h0 = redBytesAvx2(height0);
    const __m256i hr = redBytesAvx2(heightRight);
    const __m256i hd = redBytesAvx2(heightDown);
    const __m256i column = _mm256_and_si256(
        _mm256_sub_epi32(_mm256_add_epi32(_mm256_srai_epi32(u2, 16), hr), h0), byteMask);
    const __m256i envRow = _mm256_and_si256(
        _mm256_sub_epi32(_mm256_add_epi32(_mm256_srai_epi32(v2, 16), hd), h0), byteMask);
    storeAvx2(envIndex, _mm256_or_si256(_mm256_slli_epi32(envRow, 8), column));
    for (int32_t x = 0; x < kBlockSize; ++x) envTexel[x] = textures.env[envIndex[x]];

    const __m256i p = _mm256_adds_epu8(loadAvx2(baseTexel), loadAvx2(envTexel));
    const __m256i k = _mm256_and_si256(_mm256_srai_epi32(s, 16), byteMask);
    const __m256i kPair = _mm256_or_si256(k, _mm256_slli_epi32(k, 16));
    const __m256i kLow =
        _mm256_or_si256(_mm256_and_si256(_mm256_unpacklo_epi32(kPair, kPair), colourLanes), alphaLanes);
    const __m256i kHigh =
        _mm256_or_si256(_mm256_and_si256(_mm256_unpackhi_epi32(kPair, kPair), colourLanes), alphaLanes);
    const __m256i low = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpacklo_epi8(p, zero), kLow), 8);
    const __m256i high = _mm256_srli_epi16(_mm256_mullo_epi16(_mm256_unpackhi_epi8(p, zero), kHigh), 8);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_packus_epi16(low, high));

    left = advance(left, edges.leftStep);
    right = advance(right, edges.rightStep);
    out += stride;
  }
}

void drawTunnelBlockPixels(const TunnelTextures& textures, const TunnelEdges& edges, uint32_t* out,
                           ptrdiff_t stride) {
  if (tunnelBlockHasAvx2()) {
    drawTunnelBlockPixelsAvx2(textures, edges, out, stride);
  } else {
    drawTunnelBlockPixelsScalar(textures, edges, out, stride);
  }
}

}  // namespace orvanta
