// Whole triangles through the triangle routines (which take the Avx2 walks where the processor
// runs them, two rows at a time, with either way of loading texels) against the same triangles
// set up plainly and drawn part by part through the fill routines' Sse2 walk, word for word;
// and the eight-lane byte arithmetic against the per-byte formulas.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "base/cpu_features.h"
#include "engine/engine_test_support.h"
#include "engine/span_pixels.h"
#include "image/height_slopes.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>
#endif

namespace orvanta {
namespace {

using testing::Frame;

struct Routine {
  const char* name;
  bool twoLayers;
  bool translucent;
  CombineMode combine;
};

const Routine kRoutines[] = {
    {"textured", false, false, kAdd},         {"texturedTranslucent", false, true, kAdd},
    {"bumpAdd", true, false, kAdd},           {"bumpMultiply", true, false, kMultiply},
    {"bumpAddTranslucent", true, true, kAdd}, {"bumpMultiplyTranslucent", true, true, kMultiply},
};

struct Layers {
  Image texture, envMap, extra;
  const HeightSlopes* slopes;
};

void drawTriangle(const Routine& routine, Frame& frame, const Layers& layers, RenderVertex v[3],
                  cpu::LaneLoads loads) {
  if (!routine.twoLayers) {
    (routine.translucent ? setupTexturedTriangleTranslucent : setupTexturedTriangle)(frame.target(), layers.texture,
                                                                                      v[0], v[1], v[2], loads);
    return;
  }
  (routine.translucent ? setupTwoLayerTriangleTranslucent : setupTwoLayerTriangle)(
      frame.target(), layers.texture, layers.envMap, layers.extra, v[0], v[1], v[2], kBump, routine.combine,
      layers.slopes, loads);
}

struct FillContext {
  const Routine* routine;
  Frame* frame;
  const Layers* layers;
};

// One part of the triangle through the fill routine of the same pixels, on the Sse2 walk.
void fillPart(void* context, const TriangleEdge& left, const TriangleEdge& right, int32_t firstRow, int32_t rows,
              const SpanSteps& steps) {
  const FillContext& c = *static_cast<const FillContext*>(context);
  const Layers& l = *c.layers;
  const RenderTarget target = c.frame->target();
  const bool add = c.routine->combine == kAdd;
  const cpu::VectorPath sse2 = cpu::VectorPath::kSse2;
  if (!c.routine->twoLayers) {
    (c.routine->translucent ? fillTexturedSpansTranslucent : fillTexturedSpans)(target, l.texture, left, right,
                                                                                firstRow, rows, steps);
  } else if (c.routine->translucent) {
    (add ? fillLayersBumpAddTranslucent : fillLayersBumpMultiplyTranslucent)(
        target, l.texture, l.envMap, l.extra, left, right, firstRow, rows, steps, l.slopes, sse2,
        cpu::LaneLoads::kGather);
  } else {
    (add ? fillLayersBumpAdd : fillLayersBumpMultiply)(target, l.texture, l.envMap, l.extra, left, right, firstRow,
                                                       rows, steps, l.slopes, sse2, cpu::LaneLoads::kGather);
  }
}

TEST(SpanPairs, TrianglesMatchTheFillRoutinesWordForWord) {
  std::mt19937 random(777);
  auto within = [&random](float low, float high) { return std::uniform_real_distribution<float>(low, high)(random); };
  auto pick = [&random](int32_t low, int32_t high) { return std::uniform_int_distribution<int32_t>(low, high)(random); };
  int64_t changed = 0;
  for (int trial = 0; trial < 6000; ++trial) {
    const Routine& routine = kRoutines[trial % 6];
    // Mostly a small frame; now and then one narrower than a group of four, or a row or two
    // high (every row the last but one or the last).
    const int32_t width = trial % 20 == 7 ? pick(1, 6) : 40;
    const int32_t height = trial % 20 == 13 ? pick(1, 2) : 32;
    Frame frame(width, height);
    auto randomTexel = [&](int32_t, int32_t) { return static_cast<uint32_t>(random()); };
    const int32_t side = 16 << pick(0, 3);
    Frame textures(1, 1);
    Layers layers{textures.texture(side, randomTexel), textures.texture(16 << pick(0, 3), randomTexel),
                  textures.texture(side, randomTexel), nullptr};
    HeightSlopes slopes;
    slopes.build(layers.extra);
    layers.slopes = &slopes;

    // Slivers of a fraction of a pixel up to triangles twice the frame, partly off it; far
    // texture coordinates (they wrap) and depths on both sides of those already drawn.
    const float size = std::exp2(within(-4.0f, 6.5f));
    const float centreX = within(-0.5f, 1.5f) * width, centreY = within(-0.5f, 1.5f) * height;
    const float reach = trial % 9 == 0 ? 40000.0f : 300.0f;
    RenderVertex corners[3];
    for (RenderVertex& corner : corners) {
      corner = testing::screenVertex(centreX + size * within(-1.0f, 1.0f), centreY + size * within(-1.0f, 1.0f),
                                     within(1.0f, 2000.0f), within(-reach, reach), within(-reach, reach),
                                     within(-reach, reach), within(-reach, reach));
    }
    for (size_t i = 0; i < frame.image.pixelCount(); ++i) {
      frame.image.pixels[i] = static_cast<uint32_t>(random());
      frame.depthBuffer.values[i] = toFixed(kDepthNumerator / within(1.0f, 2000.0f));
    }
    const std::vector<uint32_t> pixels = frame.pixels();
    const std::vector<int32_t> depths = frame.depths();

    RenderVertex fillCorners[3] = {corners[0], corners[1], corners[2]};
    FillContext context{&routine, &frame, &layers};
    setupTriangle(fillCorners[0], fillCorners[1], fillCorners[2], routine.twoLayers, fillPart, &context);
    const std::vector<uint32_t> expectedPixels = frame.pixels();
    const std::vector<int32_t> expectedDepths = frame.depths();

    // Either way of loading the texels, the same words.
    for (const cpu::LaneLoads loads : {cpu::LaneLoads::kGather, cpu::LaneLoads::kSingle}) {
      const char* const way = loads == cpu::LaneLoads::kGather ? "gathers" : "single loads";
      std::copy(pixels.begin(), pixels.end(), frame.image.pixels);
      std::copy(depths.begin(), depths.end(), frame.depthBuffer.values);
      RenderVertex drawn[3] = {corners[0], corners[1], corners[2]};
      drawTriangle(routine, frame, layers, drawn, loads);
      ASSERT_EQ(frame.pixels(), expectedPixels) << routine.name << " trial " << trial << ", " << way;
      ASSERT_EQ(frame.depths(), expectedDepths) << routine.name << " trial " << trial << ", " << way;
    }
    for (size_t i = 0; i < pixels.size(); ++i) changed += pixels[i] != expectedPixels[i];
  }
  EXPECT_GT(changed, 50000);  // the triangles drew, not only the empty ones matched
}

#if ORVANTA_X86_AVX2
// The eight-lane forms on a + b, (a + b) >> 1 and (a * b) >> 8 per byte, eight words at a time.
ORVANTA_TARGET_AVX2 void eightLanes(const uint32_t* a, const uint32_t* b, uint32_t* average, uint32_t* sum,
                                    uint32_t* product) {
  const __m256i x = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a));
  const __m256i y = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(average), span::averageBytes8(x, y));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(sum), span::addBytesSaturated8(x, y));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(product), span::multiplyBytes8(x, y));
}

TEST(SpanPairs, EightLaneByteArithmeticMatchesThePerByteFormulas) {
  if (!cpu::hasAvx2()) GTEST_SKIP() << "no AVX2 here";
  std::mt19937 random(99);
  // Random words, and words of the bytes where carries and saturation start.
  const uint8_t edges[] = {0, 1, 2, 127, 128, 129, 254, 255};
  auto word = [&](int trial) {
    if (trial % 2 == 0) return static_cast<uint32_t>(random());
    uint32_t w = 0;
    for (int k = 0; k < 4; ++k) w = (w << 8) | edges[random() % 8];
    return w;
  };
  for (int trial = 0; trial < 20000; ++trial) {
    uint32_t a[8], b[8], average[8], sum[8], product[8];
    for (int i = 0; i < 8; ++i) a[i] = word(trial), b[i] = word(trial);
    eightLanes(a, b, average, sum, product);
    for (int i = 0; i < 8; ++i) {
      for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t x = (a[i] >> shift) & 0xFF, y = (b[i] >> shift) & 0xFF;
        ASSERT_EQ((average[i] >> shift) & 0xFF, (x + y) >> 1) << std::hex << a[i] << " " << b[i];
        ASSERT_EQ((sum[i] >> shift) & 0xFF, std::min(255u, x + y)) << std::hex << a[i] << " " << b[i];
        ASSERT_EQ((product[i] >> shift) & 0xFF, (x * y) >> 8) << std::hex << a[i] << " " << b[i];
      }
    }
  }
}
#endif

}  // namespace
}  // namespace orvanta
