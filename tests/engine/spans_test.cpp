// The span routines: worked pixels of the walk, the depth test and the byte arithmetic, then
// every routine against a plain per-pixel, per-byte reference on random inputs (the fast
// paths, byte lanes of SIMD registers included, work on several pixels at a time).

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "engine/engine_test_support.h"

namespace orvanta {
namespace {

using testing::Frame;
using testing::positionTexel;

// One span on row 1 of a 32 x 4 frame, sampling a 256-wide position texture.
class SingleLayerSpans : public ::testing::Test {
 protected:
  Frame frame{32, 4};
  Image texture = frame.texture(256, positionTexel);
  TriangleEdge left, right;
  SpanSteps steps;

  // Draws from left x to right x with an inverse depth that beats every earlier one.
  uint32_t draw(int32_t leftX, int32_t rightX, int32_t u = 0, int32_t v = 0) {
    left.x = leftX, right.x = rightX, left.u = u, left.v = v, left.invDepth = ++depth;
    fillTexturedSpans(frame.target(), texture, left, right, 1, 1, steps);
    return frame.pixel(5, 1);
  }
  int32_t depth = 1000;
};

TEST_F(SingleLayerSpans, CoverageFromCeilingToCeilingPrestepAndWrappingTexels) {
  EXPECT_EQ(draw(0x50000, 0x50000), 0u);
  EXPECT_EQ(draw(0x70000, 0x50000), 0u);                   // reversed edges draw nothing
  EXPECT_EQ(draw(0x4C000, 0x60000), positionTexel(0, 0));  // 4.75 .. 6.0: column 5 only
  EXPECT_EQ(frame.countDrawn(), 1);
  steps.du = 0x10000;
  EXPECT_EQ(draw(0x50000, 0x50001, 0x100), positionTexel(1, 0));  // pixel centre: 0x100 + 0xFF00 = 1.0
  steps.du = 0x100000;
  EXPECT_EQ(draw(0x4C000, 0x50001, 0xFFF), positionTexel(3, 0));  // p = 63: 0xFFF + 0x3F000 = 3.99998
  steps.du = 0x7FFFFFFF;
  EXPECT_EQ(draw(0x50000, 0x50001), positionTexel(0x7F, 0));  // 0x07FFFFFF * 255 wraps: >> 4 = 0xFF7FFFF0
  steps.du = 0;
  EXPECT_EQ(draw(0x50000, 0x50001, -0x10000, -0x20000), positionTexel(255, 254));
  EXPECT_EQ(draw(0x50000, 0x50001, 0x1000000, 0x1030000), positionTexel(0, 3));
  EXPECT_EQ(frame.countDrawn(), 1);
}

TEST_F(SingleLayerSpans, DepthTestIsStrictlyGreaterAndEveryPixelSteps) {
  steps.dInvDepth = 10;  // 100, 110, 120, 130 over columns 2 .. 5
  steps.du = 0x10000;
  frame.depthBuffer.values[1 * 32 + 3] = 110;  // equal: kept
  frame.depthBuffer.values[1 * 32 + 4] = 119;  // smaller: drawn
  depth = 99;
  EXPECT_EQ(draw(0x20000, 0x60000), positionTexel(3, 0));  // its own texel although column 3 was skipped
  EXPECT_NE(frame.pixel(2, 1), 0u);
  EXPECT_EQ(frame.pixel(3, 1), 0u);
  EXPECT_EQ(frame.depth(3, 1), 110);
  EXPECT_EQ(frame.depth(4, 1), 120);
  frame.depthBuffer = DepthBuffer(20, 4);  // a depth buffer of another width: nothing is drawn
  frame.image.clear();
  draw(0, 0x100000);
  EXPECT_EQ(frame.countDrawn(), 0);
}

enum class Compose { kTexel, kTexelHalf, kSum, kAverage, kProduct, kHalfThenSum, kProductThenHalf };

struct Textures {
  Image texture, envMap, extra;
  const HeightSlopes* slopes = nullptr;  // read by the bump routines in place of extra when made from it
  cpu::VectorPath path = cpu::VectorPath::kAvx2;  // the newest walk the bump routines may take
  cpu::LaneLoads loads = cpu::fasterLaneLoads();   // how that walk loads its texels
};
using Fill = void (*)(RenderTarget, const Textures&, TriangleEdge, TriangleEdge, int32_t, int32_t, SpanSteps);
template <auto F>
void single(RenderTarget d, const Textures& t, TriangleEdge l, TriangleEdge r, int32_t first, int32_t rows, SpanSteps s) {
  F(d, t.texture, l, r, first, rows, s);
}
template <auto F>
void layers(RenderTarget d, const Textures& t, TriangleEdge l, TriangleEdge r, int32_t first, int32_t rows, SpanSteps s) {
  F(d, t.texture, t.envMap, l, r, first, rows, s);
}
template <auto F>
void bump(RenderTarget d, const Textures& t, TriangleEdge l, TriangleEdge r, int32_t first, int32_t rows, SpanSteps s) {
  F(d, t.texture, t.envMap, t.extra, l, r, first, rows, s, t.slopes, t.path, t.loads);
}

const struct Routine {
  const char* name;
  Fill fill;
  bool twoLayers, bump, writesDepth;
  Compose compose;
} kRoutines[] = {
    {"textured", single<fillTexturedSpans>, false, false, true, Compose::kTexel},
    {"texturedTranslucent", single<fillTexturedSpansTranslucent>, false, false, false, Compose::kTexelHalf},
    {"bumpAdd", bump<fillLayersBumpAdd>, true, true, true, Compose::kSum},
    {"bumpMultiply", bump<fillLayersBumpMultiply>, true, true, true, Compose::kProduct},
    {"add", layers<fillLayersAdd>, true, false, true, Compose::kAverage},
    {"multiply", layers<fillLayersMultiply>, true, false, true, Compose::kProduct},
    {"bumpAddTranslucent", bump<fillLayersBumpAddTranslucent>, true, true, false, Compose::kHalfThenSum},
    {"bumpMultiplyTranslucent", bump<fillLayersBumpMultiplyTranslucent>, true, true, false, Compose::kProductThenHalf},
    {"addTranslucent", layers<fillLayersAddTranslucent>, true, false, false, Compose::kHalfThenSum},
    {"multiplyTranslucent", layers<fillLayersMultiplyTranslucent>, true, false, false, Compose::kProductThenHalf},
};

TEST(SpanRoutines, WorkedBytesAndTheDepthTest) {
  // Pixel (2, 1), holding `old` with depth `stored`, drawn at depth 77 from flat layers t1, t2
  // and a flat height map.
  const struct {
    int routine;
    uint32_t t1, t2, old;
    int32_t stored;
    uint32_t expected;
  } cases[] = {
      {0, 0x80808080, 0, 0x12345678, 77, 0x12345678},  // equal depth: kept
      {1, 0xFFFFFFFF, 0, 0, 0, 0x7F7F7F7F},            // translucent: half and half, depth left as is
      {1, 0xFFFFFFFF, 0, 0x7F7F7F7F, 76, 0xBFBFBFBF},  // again over the first
      {1, 0xFFFFFFFF, 0, 0x80808080, 78, 0x80808080},  // behind an opaque pixel
      {2, 0x80402010, 0x90C0F0F8, 0, 0, 0xFFFFFFFF},   // sum saturates
      {2, 0x80402010, 0x01010101, 0, 0, 0x81412111},
      {4, 0x80402010, 0x01010101, 0, 0, 0x40201008},  // average
      {4, 0xFFFFFFFF, 0xFFFFFFFF, 0, 0, 0xFFFFFFFF},
      {3, 0xFF804001, 0xFFFFFFFF, 0, 0, 0xFE7F3F00},  // (a * b) >> 8
      {5, 0xFF804001, 0xFFFFFFFF, 0, 0, 0xFE7F3F00},
      {5, 0xFF804001, 0, 0, 0, 0},
      {3, 0x80808080, 0x80408010, 0, 0, 0x40204008},
      {6, 0xFF80FF80, 0x10101010, 0xFF00FF00, 0, 0xFF50FF50},  // ((t1 + old) >> 1) + t2, saturated
      {8, 0xFF80FF80, 0x10101010, 0xFF00FF00, 0, 0xFF50FF50},
      {7, 0xFF80FF80, 0xFF80FF80, 0x00FF00FF, 0, 0x7F9F7F9F},  // (((t1 * t2) >> 8) + old) >> 1
      {9, 0xFF80FF80, 0xFF80FF80, 0x00FF00FF, 0, 0x7F9F7F9F},
      {9, 0xFF80FF80, 0xFF80FF80, 0x00FF00FF, 80, 0x00FF00FF},
  };
  for (const auto& c : cases) {
    const Routine& routine = kRoutines[c.routine];
    Frame frame(4, 4);
    frame.image.pixels[1 * 4 + 2] = c.old;
    frame.depthBuffer.values[1 * 4 + 2] = c.stored;
    const Textures t{frame.flat(16, c.t1), frame.flat(32, c.t2), frame.flat(16, 0x00400000)};
    TriangleEdge left, right;
    left.x = 0x20000, right.x = 0x30000, left.invDepth = 77;
    routine.fill(frame.target(), t, left, right, 1, 1, SpanSteps());
    EXPECT_EQ(frame.pixel(2, 1), c.expected) << routine.name << " over " << c.old;
    EXPECT_EQ(frame.depth(2, 1), routine.writesDepth && c.stored < 77 ? 77 : c.stored) << routine.name;
  }
}

TEST(BumpDisplacement, RightAndLowerHeightDifferencesMoveTheSecondLayerAndWrap) {
  Frame frame(4, 4);
  const Image black = frame.flat(16, 0), envMap = frame.texture(32, positionTexel);
  const Image heights = frame.flat(16, 0x12320034);  // height 0x32; the other bytes are ignored
  auto setHeight = [&](int32_t column, int32_t row, uint32_t h) {
    heights.pixels[row * 16 + column] = 0xAA0000BBu | (h << 16);
  };
  // The second-layer texel seen by one pixel at base (u, v) and second (u2, v2).
  // Drawn from the map's texels and again from slopes made from it as it is now: both agree.
  auto seen = [&, depth = 0](int32_t u, int32_t v, int32_t u2, int32_t v2) mutable {
    TriangleEdge left, right;
    left.x = 0x10000, right.x = 0x20000, left.invDepth = ++depth;
    left.u = u << 16, left.v = v << 16, left.u2 = (u2 << 16) | 0x8000, left.v2 = (v2 << 16) | 0x4000;
    fillLayersBumpAdd(frame.target(), black, envMap, heights, left, right, 0, 1, SpanSteps());
    const uint32_t fromTexels = frame.pixel(1, 0);
    HeightSlopes slopes;
    slopes.build(heights);
    left.invDepth = ++depth;
    fillLayersBumpAdd(frame.target(), black, envMap, heights, left, right, 0, 1, SpanSteps(), &slopes);
    EXPECT_EQ(frame.pixel(1, 0), fromTexels) << u << ", " << v;
    return fromTexels;
  };
  EXPECT_EQ(seen(3, 4, 5, 7), positionTexel(5, 7));  // flat: no displacement
  setHeight(3, 4, 100);
  setHeight(4, 4, 110);  // right: +10 across
  setHeight(3, 5, 95);   // below: -5 down
  EXPECT_EQ(seen(3, 4, 5, 7), positionTexel(15, 2));
  EXPECT_EQ(seen(3 + 16, 4 - 32, 5, 7), positionTexel(15, 2));  // base coordinates wrap
  EXPECT_EQ(seen(3, 4, 25, 2), positionTexel(3, 29));           // so does the displaced texel
  // Neighbours follow the index: last column of row 2 -> first texel of row 3; the very
  // last texel -> texel 0 on the right and texel 15 below; last row -> row 0 below.
  setHeight(0, 3, 0x32 + 4);
  EXPECT_EQ(seen(15, 2, 10, 10), positionTexel(14, 10));
  setHeight(0, 0, 0x32 + 3);
  setHeight(15, 0, 0x32 - 10);
  EXPECT_EQ(seen(15, 15, 10, 10), positionTexel(13, 0));
  EXPECT_EQ(seen(0, 15, 10, 10), positionTexel(10, 13));
}

uint32_t composeReference(Compose compose, uint32_t t1, uint32_t t2, uint32_t d) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t a = (t1 >> shift) & 0xFF, b = (t2 >> shift) & 0xFF, old = (d >> shift) & 0xFF;
    const uint32_t value[] = {a,
                              (a + old) >> 1,
                              std::min(255u, a + b),
                              (a + b) >> 1,
                              (a * b) >> 8,
                              std::min(255u, ((a + old) >> 1) + b),
                              (((a * b) >> 8) + old) >> 1};
    out |= value[static_cast<int>(compose)] << shift;
  }
  return out;
}

uint32_t texelAt(const Image& image, int64_t column, int64_t row) {
  const int64_t side = image.width;
  return image.pixels[(((row % side) + side) % side) * side + ((column % side) + side) % side];
}

int32_t wrap(int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); }

// The span walk written out per pixel, in 64-bit arithmetic wrapped back to 32 bits.
void referenceWalk(const Routine& routine, Frame& frame, const Textures& t, TriangleEdge left, TriangleEdge right,
                   int32_t firstRow, int32_t rows, const SpanSteps& s) {
  const int32_t width = frame.image.width, height = frame.image.height;
  for (int64_t row = firstRow; row < int64_t(firstRow) + rows; ++row) {
    const int32_t p = (0xFFFF - (left.x & 0xFFFF)) >> 8;
    auto start = [p](int32_t value, int32_t step) {
      return wrap(int64_t(value) + (wrap(int64_t(step >> 4) * p) >> 4));
    };
    int32_t u = start(left.u, s.du), v = start(left.v, s.dv), u2 = start(left.u2, s.du2), v2 = start(left.v2, s.dv2);
    int32_t z = left.invDepth;
    for (int32_t column = wrap(int64_t(left.x) + 0xFFFF) >> 16; column < wrap(int64_t(right.x) + 0xFFFF) >> 16;
         ++column) {
      const size_t index = static_cast<size_t>(row * width + column);
      if (row >= 0 && row < height && column >= 0 && column < width && z > frame.depthBuffer.values[index]) {
        const int64_t side = t.texture.width, c1 = u >> 16, r1 = v >> 16;
        int64_t c2 = u2 >> 16, r2 = v2 >> 16;
        if (routine.bump) {
          const int64_t i1 = (((r1 % side) + side) % side) * side + ((c1 % side) + side) % side;
          const int64_t h0 = (t.extra.pixels[i1] >> 16) & 0xFF;
          c2 += ((t.extra.pixels[(i1 + 1) % (side * side)] >> 16) & 0xFF) - h0;
          r2 += ((t.extra.pixels[(i1 + side) % (side * side)] >> 16) & 0xFF) - h0;
        }
        const uint32_t t2 = routine.twoLayers ? texelAt(t.envMap, c2, r2) : 0;
        frame.image.pixels[index] =
            composeReference(routine.compose, texelAt(t.texture, c1, r1), t2, frame.image.pixels[index]);
        if (routine.writesDepth) frame.depthBuffer.values[index] = z;
      }
      u = wrap(int64_t(u) + s.du), v = wrap(int64_t(v) + s.dv), u2 = wrap(int64_t(u2) + s.du2);
      v2 = wrap(int64_t(v2) + s.dv2), z = wrap(int64_t(z) + s.dInvDepth);
    }
    left.x = wrap(int64_t(left.x) + left.xStep), right.x = wrap(int64_t(right.x) + right.xStep);
    left.u = wrap(int64_t(left.u) + left.uStep), left.v = wrap(int64_t(left.v) + left.vStep);
    left.u2 = wrap(int64_t(left.u2) + left.u2Step), left.v2 = wrap(int64_t(left.v2) + left.v2Step);
    left.invDepth = wrap(int64_t(left.invDepth) + left.invDepthStep);
  }
}

TEST(SpanReference, EveryRoutineMatchesThePerPixelFormulas) {
  std::mt19937 random(20240601);
  auto any = [&random]() { return static_cast<int32_t>(random()); };
  auto within = [&random](int32_t low, int32_t high) {
    return std::uniform_int_distribution<int32_t>(low, high)(random);
  };
  // Many trials: the last pixels of a row go as a masked group wherever the arrays allow.
  for (int trial = 0; trial < 2000; ++trial) {
    const Routine& routine = kRoutines[trial % 10];
    // Now and then a frame narrower than a group of eight (or four).
    Frame frame(trial % 50 >= 42 ? within(1, 9) : 48, 40);
    auto randomTexel = [&](int32_t, int32_t) { return static_cast<uint32_t>(random()); };
    const int32_t side = 16 << within(0, 3);
    Textures t{frame.texture(side, randomTexel), frame.texture(16 << within(0, 3), randomTexel),
               frame.texture(side, randomTexel)};
    // The bump routines in turn: from the map's texels, from its slopes, and given slopes of
    // another map of that size (ignored: the texels are read).
    HeightSlopes slopes;
    const int slopeCase = (trial / 10) % 3;
    if (slopeCase == 1) slopes.build(t.extra);
    if (slopeCase == 2) {
      slopes.build(frame.texture(side, [](int32_t column, int32_t) { return uint32_t(column) << 18; }));
    }
    if (slopeCase != 0) t.slopes = &slopes;
    // Mostly sensible spans, some running off the frame, every tenth with wild steps that wrap.
    const bool wild = trial % 10 == 0;
    auto step = [&](int32_t range) { return wild ? any() : within(-range, range); };
    TriangleEdge left, right;
    left.x = within(-8 << 16, 40 << 16);
    right.x = left.x + within(-2 << 16, 50 << 16);
    left.xStep = within(-0x30000, 0x30000), right.xStep = within(-0x30000, 0x30000);
    left.u = any(), left.v = any(), left.u2 = any(), left.v2 = any();
    left.uStep = step(0x80000), left.vStep = step(0x80000), left.u2Step = step(0x80000), left.v2Step = step(0x80000);
    left.invDepth = within(0, 0x4000000), left.invDepthStep = within(-0x40000, 0x40000);
    const SpanSteps steps{step(0x40000), step(0x40000), step(0x40000), step(0x40000), step(0x40000)};
    const int32_t firstRow = within(-5, 40), rows = within(1, 45);
    for (size_t i = 0; i < frame.image.pixelCount(); ++i) {
      frame.image.pixels[i] = static_cast<uint32_t>(random());
      frame.depthBuffer.values[i] = within(0, 0x4000000);
    }
    const std::vector<uint32_t> pixels = frame.pixels();
    const std::vector<int32_t> depths = frame.depths();
    referenceWalk(routine, frame, t, left, right, firstRow, rows, steps);
    const std::vector<uint32_t> expectedPixels = frame.pixels();
    const std::vector<int32_t> expectedDepths = frame.depths();
    // With slopes, the Sse2 walk and (where the processor runs it) the Avx2 one with either way
    // of loading texels.
    const struct {
      cpu::VectorPath path;
      cpu::LaneLoads loads;
      const char* name;
    } walks[] = {{cpu::VectorPath::kSse2, cpu::LaneLoads::kGather, "sse2"},
                 {cpu::VectorPath::kAvx2, cpu::LaneLoads::kGather, "avx2 gathers"},
                 {cpu::VectorPath::kAvx2, cpu::LaneLoads::kSingle, "avx2 single loads"}};
    for (const auto& walk : walks) {
      if (walk.path == cpu::VectorPath::kSse2 && slopeCase != 1) continue;
      t.path = walk.path;
      t.loads = walk.loads;
      std::copy(pixels.begin(), pixels.end(), frame.image.pixels);
      std::copy(depths.begin(), depths.end(), frame.depthBuffer.values);
      routine.fill(frame.target(), t, left, right, firstRow, rows, steps);
      ASSERT_EQ(frame.pixels(), expectedPixels) << routine.name << " trial " << trial << " slopes " << slopeCase
                                                << " walk " << walk.name;
      ASSERT_EQ(frame.depths(), expectedDepths) << routine.name << " trial " << trial << " walk " << walk.name;
    }
  }
}

}  // namespace
}  // namespace orvanta
