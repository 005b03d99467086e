#include "engine/raster.h"
#include "engine/span_pixels.h"
#include "engine/span_walk.h"
#include "engine/triangle_setup_lanes.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

#include "image/lane_loads_avx2.h"
#endif

namespace orvanta {
namespace {

// The texel itself, or the texel averaged with the old pixel.
template <bool kTranslucent>
struct TexelShader {
  const uint32_t* texels;
  span::TexelAddress address;

  explicit TexelShader(const Image& texture) : texels(texture.pixels), address(texture) {}

  uint32_t operator()(uint32_t old, uint32_t u, uint32_t v, uint32_t, uint32_t) const {
    const uint32_t texel = texels[address(u, v)];
    if constexpr (kTranslucent) return span::averageBytes(texel, old);
    return texel;
  }

#if ORVANTA_X86_VECTORS
  __m128i four(__m128i old, __m128i u, __m128i v, __m128i, __m128i) const {
    const __m128i texel = span::gather4(texels, address(u, v));
    if constexpr (kTranslucent) return span::averageBytes4(texel, old);
    return texel;
  }
#endif
};

#if ORVANTA_X86_AVX2
template <bool kTranslucent, cpu::LaneLoads kWay>
struct TexelShaderAvx2 : TexelShader<kTranslucent> {
  using TexelShader<kTranslucent>::TexelShader;
  ORVANTA_TARGET_AVX2 __m128i four(__m128i old, __m128i u, __m128i v, __m128i, __m128i) const {
    const __m128i texel = loadLanes<kWay>(this->texels, this->address(u, v));
    if constexpr (kTranslucent) return span::averageBytes4(texel, old);
    return texel;
  }
};

template <bool kWriteDepth, typename Shader>
ORVANTA_TARGET_AVX2 __attribute__((flatten)) void walkSpansAvx2(const RenderTarget& target, const TriangleEdge& left,
                                                                const TriangleEdge& right, int32_t firstRow,
                                                                int32_t rows, const SpanSteps& steps,
                                                                const Shader& shader) {
  span::walkSpans<false, kWriteDepth>(target, left, right, firstRow, rows, steps, shader);
}
#endif

// The triangle's parts walked as soon as they are set up, with one shader for both.
template <bool kTranslucent>
void setupWithTexels(RenderTarget target, const Image& texture, RenderVertex& a, RenderVertex& b, RenderVertex& c,
                     [[maybe_unused]] cpu::LaneLoads loads) {
#if ORVANTA_X86_AVX2
  if (cpu::hasAvx2()) {
    withLaneLoads(loads, [&]<cpu::LaneLoads kWay>() {
      const TexelShaderAvx2<kTranslucent, kWay> shader(texture);
      kernels::setupParts<false>(a, b, c,
                                 [&](const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow,
                                     int32_t rows, const SpanSteps& steps) {
                                   walkSpansAvx2<!kTranslucent>(target, left, right, firstRow, rows, steps, shader);
                                 });
    });
    return;
  }
#endif
  const TexelShader<kTranslucent> shader(texture);
  kernels::setupParts<false>(a, b, c,
                                    [&](const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow,
                                        int32_t rows, const SpanSteps& steps) {
                                      span::walkSpans<false, !kTranslucent>(target, left, right, firstRow, rows,
                                                                            steps, shader);
                                    });
}

}  // namespace

void setupTexturedTriangle(RenderTarget target, const Image& texture, RenderVertex& a, RenderVertex& b,
                           RenderVertex& c, cpu::LaneLoads loads) {
  setupWithTexels<false>(target, texture, a, b, c, loads);
}

void setupTexturedTriangleTranslucent(RenderTarget target, const Image& texture, RenderVertex& a, RenderVertex& b,
                                      RenderVertex& c, cpu::LaneLoads loads) {
  setupWithTexels<true>(target, texture, a, b, c, loads);
}

void fillTexturedSpans(RenderTarget target, const Image& texture, TriangleEdge left, TriangleEdge right,
                       int32_t firstRow, int32_t rows, SpanSteps steps) {
  span::walkSpans<false, true>(target, left, right, firstRow, rows, steps, TexelShader<false>(texture));
}

void fillTexturedSpansTranslucent(RenderTarget target, const Image& texture, TriangleEdge left, TriangleEdge right,
                                  int32_t firstRow, int32_t rows, SpanSteps steps) {
  span::walkSpans<false, false>(target, left, right, firstRow, rows, steps, TexelShader<true>(texture));
}

}  // namespace orvanta
