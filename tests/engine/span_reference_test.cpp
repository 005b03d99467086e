// Every span routine against a plain per-pixel, per-byte reference on random inputs. The fast
// paths (byte lanes in SIMD registers, several pixels at a time) must give exactly these pixels.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/raster.h"
#include "engine/raster_test_support.h"
#include "engine/span_pixels.h"

namespace orvanta {
namespace {

using testing::Frame;

int32_t wrap32(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value))); }

uint32_t byteOf(uint32_t word, int index) { return (word >> (8 * index)) & 0xFFu; }

enum class Compose { kTexel, kTexelHalf, kSum, kAverage, kProduct, kHalfThenSum, kProductThenHalf };

uint32_t composeReference(Compose compose, uint32_t t1, uint32_t t2, uint32_t d) {
  uint32_t out = 0;
  for (int i = 0; i < 4; ++i) {
    const uint32_t a = byteOf(t1, i), b = byteOf(t2, i), old = byteOf(d, i);
    uint32_t value = 0;
    switch (compose) {
      case Compose::kTexel: value = a; break;
      case Compose::kTexelHalf: value = (a + old) >> 1; break;
      case Compose::kSum: value = std::min(255u, a + b); break;
      case Compose::kAverage: value = (a + b) >> 1; break;
      case Compose::kProduct: value = (a * b) >> 8; break;
      case Compose::kHalfThenSum: value = std::min(255u, ((a + old) >> 1) + b); break;
      case Compose::kProductThenHalf: value = (((a * b) >> 8) + old) >> 1; break;
    }
    out |= value << (8 * i);
  }
  return out;
}

struct Textures {
  Image texture;
  Image envMap;
  Image extra;
};

struct Variant {
  const char* name;
  bool twoLayers;
  bool bump;
  bool writesDepth;
  Compose compose;
};

void runRoutine(const Variant& variant, Image& target, const Textures& t, const TriangleEdge& left,
                const TriangleEdge& right, int32_t firstRow, int32_t rows, const SpanSteps& steps) {
  const std::string name = variant.name;
  if (name == "fillTexturedSpans") fillTexturedSpans(target, t.texture, left, right, firstRow, rows, steps);
  if (name == "fillTexturedSpansTranslucent")
    fillTexturedSpansTranslucent(target, t.texture, left, right, firstRow, rows, steps);
  if (name == "fillLayersBumpAdd") fillLayersBumpAdd(target, t.texture, t.envMap, t.extra, left, right, firstRow, rows, steps);
  if (name == "fillLayersBumpMultiply")
    fillLayersBumpMultiply(target, t.texture, t.envMap, t.extra, left, right, firstRow, rows, steps);
  if (name == "fillLayersAdd") fillLayersAdd(target, t.texture, t.envMap, left, right, firstRow, rows, steps);
  if (name == "fillLayersMultiply") fillLayersMultiply(target, t.texture, t.envMap, left, right, firstRow, rows, steps);
  if (name == "fillLayersBumpAddTranslucent")
    fillLayersBumpAddTranslucent(target, t.texture, t.envMap, t.extra, left, right, firstRow, rows, steps);
  if (name == "fillLayersBumpMultiplyTranslucent")
    fillLayersBumpMultiplyTranslucent(target, t.texture, t.envMap, t.extra, left, right, firstRow, rows, steps);
  if (name == "fillLayersAddTranslucent")
    fillLayersAddTranslucent(target, t.texture, t.envMap, left, right, firstRow, rows, steps);
  if (name == "fillLayersMultiplyTranslucent")
    fillLayersMultiplyTranslucent(target, t.texture, t.envMap, left, right, firstRow, rows, steps);
}

uint32_t texelAt(const Image& image, int64_t column, int64_t row) {
  const int64_t side = image.width;
  const int64_t c = ((column % side) + side) % side;
  const int64_t r = ((row % side) + side) % side;
  return image.pixels[r * side + c];
}

// The span walk written out per pixel, with 64-bit arithmetic wrapped back to 32 bits.
void referenceWalk(const Variant& variant, std::vector<uint32_t>& pixels, std::vector<int32_t>& depths,
                   int32_t width, int32_t height, const Textures& t, TriangleEdge left, TriangleEdge right,
                   int32_t firstRow, int32_t rows, const SpanSteps& steps) {
  for (int32_t k = 0; k < rows; ++k) {
    const int64_t row = static_cast<int64_t>(firstRow) + k;
    const int32_t xs = wrap32(static_cast<int64_t>(left.x) + 0xFFFF) >> 16;
    const int32_t xe = wrap32(static_cast<int64_t>(right.x) + 0xFFFF) >> 16;
    const int32_t p = (0xFFFF - (left.x & 0xFFFF)) >> 8;
    auto start = [p](int32_t value, int32_t step) {
      return wrap32(static_cast<int64_t>(value) + (wrap32(static_cast<int64_t>(step >> 4) * p) >> 4));
    };
    int32_t u = start(left.u, steps.du), v = start(left.v, steps.dv);
    int32_t u2 = start(left.u2, steps.du2), v2 = start(left.v2, steps.dv2);
    int32_t z = left.invDepth;
    for (int32_t column = xs; column < xe; ++column) {
      const bool inside = row >= 0 && row < height && column >= 0 && column < width;
      const size_t index = inside ? static_cast<size_t>(row * width + column) : 0;
      if (inside && z > depths[index]) {
        const int64_t side = t.texture.width;
        const int64_t baseColumn = u >> 16, baseRow = v >> 16;
        const uint32_t t1 = texelAt(t.texture, baseColumn, baseRow);
        uint32_t t2 = 0;
        if (variant.twoLayers) {
          int64_t c2 = u2 >> 16, r2 = v2 >> 16;
          if (variant.bump) {
            const int64_t count = side * side;
            const int64_t i1 = (((baseRow % side) + side) % side) * side + (((baseColumn % side) + side) % side);
            const int64_t h0 = byteOf(t.extra.pixels[i1], 2);
            const int64_t hx = byteOf(t.extra.pixels[(i1 + 1) % count], 2);
            const int64_t hy = byteOf(t.extra.pixels[(i1 + t.extra.height) % count], 2);
            c2 += hx - h0;
            r2 += hy - h0;
          }
          t2 = texelAt(t.envMap, c2, r2);
        }
        pixels[index] = composeReference(variant.compose, t1, t2, pixels[index]);
        if (variant.writesDepth) depths[index] = z;
      }
      u = wrap32(static_cast<int64_t>(u) + steps.du);
      v = wrap32(static_cast<int64_t>(v) + steps.dv);
      u2 = wrap32(static_cast<int64_t>(u2) + steps.du2);
      v2 = wrap32(static_cast<int64_t>(v2) + steps.dv2);
      z = wrap32(static_cast<int64_t>(z) + steps.dInvDepth);
    }
    left.x = wrap32(static_cast<int64_t>(left.x) + left.xStep);
    right.x = wrap32(static_cast<int64_t>(right.x) + right.xStep);
    left.u = wrap32(static_cast<int64_t>(left.u) + left.uStep);
    left.v = wrap32(static_cast<int64_t>(left.v) + left.vStep);
    left.u2 = wrap32(static_cast<int64_t>(left.u2) + left.u2Step);
    left.v2 = wrap32(static_cast<int64_t>(left.v2) + left.v2Step);
    left.invDepth = wrap32(static_cast<int64_t>(left.invDepth) + left.invDepthStep);
  }
}

const Variant kVariants[] = {
    {"fillTexturedSpans", false, false, true, Compose::kTexel},
    {"fillTexturedSpansTranslucent", false, false, false, Compose::kTexelHalf},
    {"fillLayersBumpAdd", true, true, true, Compose::kSum},
    {"fillLayersBumpMultiply", true, true, true, Compose::kProduct},
    {"fillLayersAdd", true, false, true, Compose::kAverage},
    {"fillLayersMultiply", true, false, true, Compose::kProduct},
    {"fillLayersBumpAddTranslucent", true, true, false, Compose::kHalfThenSum},
    {"fillLayersBumpMultiplyTranslucent", true, true, false, Compose::kProductThenHalf},
    {"fillLayersAddTranslucent", true, false, false, Compose::kHalfThenSum},
    {"fillLayersMultiplyTranslucent", true, false, false, Compose::kProductThenHalf},
};

TEST(SpanReference, EveryRoutineMatchesThePerPixelFormulas) {
  std::mt19937 random(20240601);
  auto any = [&random]() { return static_cast<int32_t>(random()); };
  auto within = [&random](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  };
  const int32_t width = 48, height = 40;
  for (int trial = 0; trial < 300; ++trial) {
    Textures t;
    const int32_t side = 16 << within(0, 3);
    auto randomTexel = [&](int32_t, int32_t) { return static_cast<uint32_t>(random()); };
    t.texture = testing::makeTexture(side, randomTexel);
    t.envMap = testing::makeTexture(16 << within(0, 3), randomTexel);
    t.extra = testing::makeTexture(side, randomTexel);

    TriangleEdge left;
    TriangleEdge right;
    // Mostly sensible spans, some running off the frame, some with wild steps that wrap.
    const bool wild = trial % 10 == 0;
    left.x = within(-8 << 16, 40 << 16);
    right.x = left.x + within(-2 << 16, 50 << 16);
    left.xStep = within(-0x30000, 0x30000);
    right.xStep = within(-0x30000, 0x30000);
    left.u = any();
    left.v = any();
    left.u2 = any();
    left.v2 = any();
    left.uStep = wild ? any() : within(-0x80000, 0x80000);
    left.vStep = wild ? any() : within(-0x80000, 0x80000);
    left.u2Step = wild ? any() : within(-0x80000, 0x80000);
    left.v2Step = wild ? any() : within(-0x80000, 0x80000);
    left.invDepth = within(0, 0x4000000);
    left.invDepthStep = within(-0x40000, 0x40000);
    SpanSteps steps;
    steps.du = wild ? any() : within(-0x40000, 0x40000);
    steps.dv = wild ? any() : within(-0x40000, 0x40000);
    steps.du2 = wild ? any() : within(-0x40000, 0x40000);
    steps.dv2 = wild ? any() : within(-0x40000, 0x40000);
    steps.dInvDepth = wild ? any() : within(-0x40000, 0x40000);
    const int32_t firstRow = within(-5, height);
    const int32_t rows = within(1, 45);

    const Variant& variant = kVariants[trial % 10];
    Frame frame(width, height);
    for (size_t i = 0; i < frame.image.pixelCount(); ++i) {
      frame.image.pixels[i] = static_cast<uint32_t>(random());
      gDepthBuffer.values[i] = within(0, 0x4000000);
    }
    std::vector<uint32_t> expectedPixels(frame.image.pixels, frame.image.pixels + width * height);
    std::vector<int32_t> expectedDepths(gDepthBuffer.values, gDepthBuffer.values + width * height);
    referenceWalk(variant, expectedPixels, expectedDepths, width, height, t, left, right, firstRow, rows, steps);
    runRoutine(variant, frame.image, t, left, right, firstRow, rows, steps);
    EXPECT_EQ(std::vector<uint32_t>(frame.image.pixels, frame.image.pixels + width * height), expectedPixels)
        << variant.name << " trial " << trial;
    EXPECT_EQ(std::vector<int32_t>(gDepthBuffer.values, gDepthBuffer.values + width * height), expectedDepths)
        << variant.name << " trial " << trial;
    releasePixels(t.texture);
    releasePixels(t.envMap);
    releasePixels(t.extra);
  }
}

TEST(SpanPixels, ByteLaneArithmeticMatchesThePerByteFormulas) {
  std::mt19937 random(99);
  for (int i = 0; i < 200000; ++i) {
    uint32_t a = static_cast<uint32_t>(random());
    uint32_t b = static_cast<uint32_t>(random());
    if (i % 4 == 1) a |= 0x80808080u;  // plenty of saturating and extreme bytes
    if (i % 4 == 2) b |= 0xF0F0F0F0u;
    if (i % 8 == 3) b = 0xFFFFFFFFu;
    ASSERT_EQ(span::addBytesSaturated(a, b), composeReference(Compose::kSum, a, b, 0)) << a << " " << b;
    ASSERT_EQ(span::averageBytes(a, b), composeReference(Compose::kAverage, a, b, 0)) << a << " " << b;
    ASSERT_EQ(span::multiplyBytes(a, b), composeReference(Compose::kProduct, a, b, 0)) << a << " " << b;
  }
#if defined(__SSE2__)
  for (int i = 0; i < 50000; ++i) {
    alignas(16) uint32_t a[4], b[4], sum[4], average[4], product[4];
    for (int lane = 0; lane < 4; ++lane) {
      a[lane] = static_cast<uint32_t>(random()) | (lane == 1 ? 0x80808080u : 0u);
      b[lane] = lane == 2 ? 0xFFFFFFFFu : static_cast<uint32_t>(random());
    }
    const __m128i va = _mm_load_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i vb = _mm_load_si128(reinterpret_cast<const __m128i*>(b));
    _mm_store_si128(reinterpret_cast<__m128i*>(sum), span::addBytesSaturated4(va, vb));
    _mm_store_si128(reinterpret_cast<__m128i*>(average), span::averageBytes4(va, vb));
    _mm_store_si128(reinterpret_cast<__m128i*>(product), span::multiplyBytes4(va, vb));
    for (int lane = 0; lane < 4; ++lane) {
      ASSERT_EQ(sum[lane], composeReference(Compose::kSum, a[lane], b[lane], 0));
      ASSERT_EQ(average[lane], composeReference(Compose::kAverage, a[lane], b[lane], 0));
      ASSERT_EQ(product[lane], composeReference(Compose::kProduct, a[lane], b[lane], 0));
    }
  }
#endif
}

}  // namespace
}  // namespace orvanta
