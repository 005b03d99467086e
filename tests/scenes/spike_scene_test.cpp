#include "scenes/spike_scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "driver/depth_buffer.h"
#include "scenes/random_draws.h"
#include "scenes/toolkit.h"

namespace orvanta {
namespace {

using testing::drawsBetween;

void setPositions(Mesh& mesh, const std::vector<Vec3>& positions) {
  mesh.allocate(static_cast<int32_t>(positions.size()), 0);
  for (size_t i = 0; i < positions.size(); ++i) mesh.vertices[i].position = positions[i];
}

float dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

TEST(SpikeWeights, TipsGetZeroAndInnerVerticesTheirDistanceFromTheTips) {
  Mesh mesh;
  setPositions(mesh, {{3.0f, 4.0f, 0.0f}, {0.0f, 0.0f, 5.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}});
  std::vector<float> weights;
  computeSpikeWeights(mesh, weights);
  ASSERT_EQ(weights.size(), 4u);
  EXPECT_EQ(weights[0], 0.0f);
  EXPECT_EQ(weights[1], 0.0f);
  EXPECT_EQ(weights[2], 4.0f);
  EXPECT_EQ(weights[3], 5.0f);
}

TEST(TwistSpikes, EqualDistancesTurnAlikeAndNormalsStay) {
  Mesh source;
  setPositions(source, {{10.0f, 0.0f, 0.0f}, {0.0f, 10.0f, 0.0f}, {6.0f, 0.0f, 8.0f}, {2.0f, 0.0f, 0.0f}});
  Mesh spikes;
  setPositions(spikes, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
  for (int i = 0; i < 4; ++i) spikes.vertices[i].normal = {0.0f, 1.0f, 0.0f};
  std::vector<float> weights;
  computeSpikeWeights(source, weights);

  twistSpikes(source, spikes, weights, 0.0f, 1.0f);
  // Angle 0 and weight 0: the tips stay where they are.
  EXPECT_EQ(spikes.vertices[0].position.x, 10.0f);
  EXPECT_EQ(spikes.vertices[1].position.y, 10.0f);

  twistSpikes(source, spikes, weights, 37.0f, 1.0f);
  // The three tips turn by one rotation: lengths and the angles between them are kept.
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(std::sqrt(dot(spikes.vertices[i].position, spikes.vertices[i].position)), 10.0f, 1e-4f);
  }
  EXPECT_NEAR(dot(spikes.vertices[0].position, spikes.vertices[1].position), 0.0f, 1e-3f);
  EXPECT_NEAR(dot(spikes.vertices[0].position, spikes.vertices[2].position), 60.0f, 1e-3f);
  // The inner vertex turns further (37 + 8 degrees) than the tip on the same axis (37).
  const Vec3& tip = spikes.vertices[0].position;
  const Vec3& inner = spikes.vertices[3].position;
  const float cosTipInner = dot(tip, inner) / (10.0f * 2.0f);
  EXPECT_LT(cosTipInner, 0.999f);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(spikes.vertices[i].normal.y, 1.0f);
    EXPECT_EQ(spikes.vertices[i].normal.x, 0.0f);
  }
}

TEST(TwistSpikes, MismatchedMeshesMoveOnlyTheCommonVertices) {
  Mesh source;
  setPositions(source, {{1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
  Mesh spikes;
  setPositions(spikes, {{0, 0, 0}});
  std::vector<float> weights;
  computeSpikeWeights(source, weights);
  twistSpikes(source, spikes, weights, 0.0f, 0.0f);
  EXPECT_EQ(spikes.vertices[0].position.x, 1.0f);
  Mesh empty;
  twistSpikes(source, empty, weights, 10.0f, 1.0f);  // nothing to write into
}

class SpikeSceneFrames : public ::testing::Test {
 protected:
  void SetUp() override {
    createDepthBuffer(kFrameWidth, kFrameHeight);
    frame.create(kFrameWidth, kFrameHeight);
    scene.blurWork.create(kFrameWidth, kFrameHeight);
    scene.creditsLayer.create(kFrameWidth, kFrameHeight);
    scene.credits.create(kFrameWidth, kFrameHeight);
    scene.credits.fill(0x00204060);  // alpha 0: the credits cover the frame
  }
  void TearDown() override {
    releasePixels(frame);
    releasePixels(scene.blurWork);
    releasePixels(scene.creditsLayer);
    releasePixels(scene.credits);
  }

  int64_t drawsForFrame(float t) {
    const uint32_t before = gSceneRandomState;
    scene.render(frame, t);
    return drawsBetween(before, gSceneRandomState);
  }

  SpikeScene scene;
  Image frame;
};

TEST_F(SpikeSceneFrames, CreditsAndTheirDrawOnlyAfter4800) {
  EXPECT_EQ(drawsForFrame(4700.0f), 76800);
  EXPECT_EQ(frame.pixels[0], 0u);
  EXPECT_EQ(drawsForFrame(4800.0f), 76800);
  EXPECT_EQ(frame.pixels[0], 0u);
  EXPECT_EQ(drawsForFrame(4800.01f), 76801);
  // Credits blended with alpha 0: (c * 255) >> 8 of each colour byte, up to two less where
  // the random draw chose to blur them (each pass may round down once).
  const uint32_t centre = frame.pixels[120 * kFrameWidth + 160];
  EXPECT_EQ(centre >> 24, 0u);
  for (const auto& [shift, expected] : {std::pair{16, 0x1F}, std::pair{8, 0x3F}, std::pair{0, 0x5F}}) {
    const int byte = static_cast<int>((centre >> shift) & 0xFF);
    EXPECT_LE(byte, expected);
    EXPECT_GE(byte, expected - 2);
  }
}

TEST_F(SpikeSceneFrames, GrainFallsFromHundredToTwenty) {
  EXPECT_EQ(scene.noiseLevel, 100);  // used by the first frame
  for (int i = 0; i < 79; ++i) scene.render(frame, 4600.0f + i);
  EXPECT_EQ(scene.noiseLevel, 21);  // the 80th frame
  scene.render(frame, 4700.0f);
  EXPECT_EQ(scene.noiseLevel, 20);  // the 81st frame and every later one
  scene.render(frame, 4701.0f);
  EXPECT_EQ(scene.noiseLevel, 20);
}

}  // namespace
}  // namespace orvanta
