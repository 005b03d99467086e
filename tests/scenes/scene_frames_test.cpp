// The scenes frame by frame: their random draws, first-frame flashes, overlays and switch
// times, and the helpers that move their meshes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <random>
#include <vector>

#include "engine/depth_buffer.h"
#include "engine/render_target.h"
#include "scenes/blob_scene.h"
#include "scenes/cube_scene.h"
#include "scenes/end_scene.h"
#include "scenes/intro_scene.h"
#include "scenes/plasma_plane_scene.h"
#include "scenes/scene_test_support.h"
#include "scenes/spike_scene.h"
#include "scenes/tunnel_scene.h"

namespace orvanta {
namespace {

using testing::OwnedImage;
using Words = std::vector<uint32_t>;

void release(std::initializer_list<Image*> images) {
  for (Image* image : images) releasePixels(*image);
}

class SceneFrames : public ::testing::Test {
 protected:
  // As the show does: a cleared depth buffer before the scene.
  template <typename Scene>
  void render(Scene& scene, float t) {
    depth.clear();
    scene.render(out, t);
  }
  int64_t drawsDuring(const std::function<void()>& work) { return testing::drawsDuring(random, work); }
  bool everyWordIs(uint32_t word) const { return frame.words() == Words(frame.image.pixelCount(), word); }

  testing::DataFolder folder;
  OwnedImage frame{kFrameWidth, kFrameHeight};
  DepthBuffer depth{kFrameWidth, kFrameHeight};
  ShowRandom random;
  SceneFrame out{frame.image, depth, random};
};

TEST(SceneFrame, ClearsTheDepthBufferTheFirstTimeAFrameAsksForIt) {
  OwnedImage frame{4, 3};
  DepthBuffer depth{4, 3};
  ShowRandom random;
  std::fill_n(depth.values, 12, 5);
  {
    SceneFrame out{frame.image, depth, random};
    EXPECT_EQ(std::count(depth.values, depth.values + 12, 5), 12);  // a scene without meshes pays nothing
    out.target().depth.values[7] = 9;
    EXPECT_EQ(std::count(depth.values, depth.values + 12, 0), 11);
    out.target();  // a second mesh in the same frame keeps the first one's depths
    EXPECT_EQ(depth.values[7], 9);
  }
  SceneFrame next{frame.image, depth, random};
  EXPECT_EQ(&next.target().depth, &depth);
  EXPECT_EQ(std::count(depth.values, depth.values + 12, 0), 12);
}

// A blob scene with overlays that cover the frame (alpha 0): red before 37.00 s, blue after.
// Its flash is used up by a frame at t = 0.
class BlobSceneFrames : public SceneFrames {
 protected:
  void SetUp() override {
    for (const char* name : {"box.tga", "s08_back2.tga", "s08_back3.tga"}) {
      folder.picture(name, 256, 256, 0xFF20A040u);
    }
    folder.picture("terrorist.tga", 320, 240, 0x00FF0000u);
    folder.picture("dravo.tga", 320, 240, 0x000000FFu);
    SceneLoader loader(folder.path());
    scene.load(loader);
    ASSERT_EQ(loader.failures(), 0);
    render(scene, 0.0f);
  }
  BlobScene scene;
};

TEST_F(BlobSceneFrames, FlashesItsFirstFrameAndSwitchesOverlaysAt3700) {
  scene.flash = FlashIn();
  render(scene, 3000.0f);
  EXPECT_TRUE(everyWordIs(0xFEFEFEFEu));
  scene.seek(3000.0f, 3500.0f);  // a jump into the scene: the flash is long over
  render(scene, 3500.0f);
  EXPECT_FALSE(everyWordIs(0xFEFEFEFEu));
  scene.seek(3000.0f, 2000.0f);  // a jump back before it: the next first frame flashes again
  render(scene, 3600.0f);
  EXPECT_TRUE(everyWordIs(0xFEFEFEFEu));
  render(scene, 3699.9f);
  EXPECT_GE((frame.at(160, 120) >> 16) & 0xFF, 0xF0u);
  EXPECT_EQ(frame.at(160, 120) & 0xFF, 0u);
  render(scene, 3700.0f);
  EXPECT_EQ((frame.at(160, 120) >> 16) & 0xFF, 0u);
  EXPECT_GE(frame.at(160, 120) & 0xFF, 0xF0u);
}

// One draw for the camera, one per pixel for the grain, one for the flickering blur, in this
// order. The covering overlay leaves one flat colour unless the frame is blurred afterwards.
TEST_F(BlobSceneFrames, DrawsCameraGrainAndBlurInOrder) {
  constexpr int64_t kDraws = 1 + 320 * 240 + 1;
  for (const bool blurred : {false, true}) {
    // Skip ahead until the frame's last draw blurs as wanted and its second draw would not.
    int64_t skip = 0;
    while ((testing::drawAfter(1, skip + kDraws) % 10 > 5) != blurred ||
           (testing::drawAfter(1, skip + 2) % 10 > 5) == blurred)
      ++skip;
    random = ShowRandom();
    for (int64_t i = 0; i < skip; ++i) random.next();
    EXPECT_EQ(drawsDuring([&] { render(scene, 3500.0f); }), kDraws);
    EXPECT_EQ(scene.camera.eye.z, static_cast<float>(testing::drawAfter(1, skip + 1) % 200 - 500));
    if (blurred) {
      EXPECT_LT((frame.at(0, 0) >> 16) & 0xFF, (frame.at(160, 120) >> 16) & 0xFF);  // darker edges
    } else {
      EXPECT_TRUE(everyWordIs(0x00FE0000u));
    }
  }
}

TEST_F(BlobSceneFrames, CentresStayInsideTheirCubeAndAreDrawn) {
  const IsoSurface& surface = scene.blobs;
  ASSERT_EQ(surface.sources.count, 4);
  for (float t = 3000.0f; t < 4700.0f; t += 53.7f) {
    render(scene, t);
    EXPECT_GT(surface.mesh.faceCount, 500) << t;
    int depths = 0;
    for (int32_t i = 0; i < kFrameWidth * kFrameHeight; ++i) depths += depth.values[i] != 0;
    EXPECT_GT(depths, 5000) << t;
    for (int32_t i = 0; i < 4; ++i) {
      const Vec3& p = surface.sources.data()[i]->position;
      EXPECT_TRUE(std::fabs(p.x) <= 48.0f && std::fabs(p.y) <= 48.0f && std::fabs(p.z) <= 48.0f) << t;
    }
  }
}

// Grain (one draw per pixel) and a flickering blur or credits (one draw) per frame; the still
// pictures' flicker (one draw) and grain; the tunnel's blur only; the end scene none.
TEST_F(SceneFrames, RandomDrawsPerFrame) {
  SpikeScene spike;
  CubeScene cube;
  PlasmaPlaneScene plasma;
  for (Image* image :
       {&spike.blurWork, &spike.creditsLayer, &spike.credits, &cube.work, &plasma.heights, &plasma.work}) {
    image->create(kFrameWidth, kFrameHeight);
  }
  TunnelScene tunnel;
  IntroScene intro;
  EndScene end;
  SceneLoader loader(folder.path());
  tunnel.load(loader);  // no pictures: every load is reported and skipped
  intro.load(loader);
  end.load(loader);
  EXPECT_EQ(loader.failures(), 6);
  auto spikeFrame = [&](float t) { render(spike, t); };
  auto cubeFrame = [&](float t) { render(cube, t); };
  auto plasmaFrame = [&](float t) { render(plasma, t); };
  auto tunnelFrame = [&](float t) { render(tunnel, t); };
  auto introFrame = [&](float t) { render(intro, t); };
  auto endFrame = [&](float t) { render(end, t); };
  const struct {
    std::function<void(float)> scene;
    float t;
    int64_t draws;
  } cases[] = {{spikeFrame, 4700.0f, 76800},    {spikeFrame, 4800.0f, 76800}, {spikeFrame, 4800.01f, 76801},
               {cubeFrame, 7700.0f, 76801},     {cubeFrame, 9000.0f, 76801},  {plasmaFrame, 6200.0f, 76801},
               {plasmaFrame, 7000.0f, 76801},   {tunnelFrame, 1530.0f, 1},    {tunnelFrame, 1600.0f, 1},
               {introFrame, 0.0f, 76801},       {endFrame, 9500.0f, 0}};
  for (const auto& c : cases) EXPECT_EQ(drawsDuring([&] { c.scene(c.t); }), c.draws) << c.t;
  release({&spike.blurWork, &spike.creditsLayer, &spike.credits, &cube.work, &plasma.heights, &plasma.work,
           &tunnel.blurWork});
}

TEST(SpikeMeshes, TipsStayInnerVerticesTwistFurtherAndNormalsAreKept) {
  auto meshOf = [](std::initializer_list<Vec3> points) {
    Mesh mesh;
    mesh.allocate(static_cast<int32_t>(points.size()), 0);
    int32_t i = 0;
    for (const Vec3& p : points) mesh.vertices[i++].position = p;
    return mesh;
  };
  const auto source = meshOf({{10, 0, 0}, {0, 10, 0}, {6, 0, 8}, {2, 0, 0}, {0, 0, 5}});
  std::vector<float> weights;
  computeSpikeWeights(source, weights);
  EXPECT_EQ(weights, (std::vector<float>{0.0f, 0.0f, 0.0f, 8.0f, 5.0f}));  // largest distance minus its own
  auto spikes = meshOf({{}, {}, {}, {}, {}});
  for (int i = 0; i < 5; ++i) spikes.vertices[i].normal = {0.0f, 1.0f, 0.0f};
  twistSpikes(source, spikes, weights, 0.0f, 0.0f);
  EXPECT_EQ(spikes.vertices[3].position.x, 2.0f);  // angle 0: nothing turns
  twistSpikes(source, spikes, weights, 37.0f, 1.0f);
  auto dot = [&](int a, int b) {
    const Vec3 &p = spikes.vertices[a].position, &q = spikes.vertices[b].position;
    return p.x * q.x + p.y * q.y + p.z * q.z;
  };
  // The tips turn by one rotation: lengths and the angles between them are kept; the inner
  // vertex on the first tip's axis turns further (37 + 8 degrees).
  EXPECT_NEAR(dot(0, 0), 100.0f, 1e-2f);
  EXPECT_NEAR(dot(0, 1), 0.0f, 1e-3f);
  EXPECT_NEAR(dot(0, 2), 60.0f, 1e-3f);
  EXPECT_LT(dot(0, 3) / 20.0f, 0.999f);
  EXPECT_EQ(spikes.vertices[4].normal.y, 1.0f);
  auto one = meshOf({{}});
  twistSpikes(source, one, weights, 0.0f, 0.0f);  // mismatched meshes: only the common vertices
  EXPECT_EQ(one.vertices[0].position.x, 10.0f);
  Mesh empty;
  twistSpikes(source, empty, weights, 10.0f, 1.0f);
}

// The twist builds one rotation per distinct angle and keeps it in a small cache; every vertex
// must still get exactly the position of its own rotation. Three vertices with worked-out
// positions (rotations of 30, 45 and 123.4 degrees about all three axes, float arithmetic as
// written, sines in double) recur among thousands of others whose angles crowd the cache.
TEST(SpikeMeshes, SharedRotationsGiveEachVertexItsOwnTwist) {
  struct Worked {
    float weight;
    Vec3 from, to;
  };
  const Worked worked[] = {
      {30.0f, {10.0f, 0.0f, 0.0f}, {0x1.e025a6p+2f, 0x1.150b0cp+2f, -0x1.3fda56p+2f}},
      {45.0f, {2.0f, -3.0f, 5.0f}, {0x1.6d401cp+2f, -0x1.25923ap+1f, -0x1.a58a10p-2f}},
      {123.4f, {-7.5f, 4.25f, 1.0f}, {-0x1.fcd352p-1f, 0x1.d1fb1ap+2f, 0x1.2775b2p+2f}},
  };
  std::mt19937 random(31);
  std::uniform_real_distribution<float> coordinate(-80.0f, 80.0f);
  constexpr int32_t kCount = 3000;
  Mesh source;
  source.allocate(kCount, 0);
  std::vector<float> weights(kCount);
  for (int32_t i = 0; i < kCount; ++i) {
    if (i % 5 == 0) {
      const Worked& w = worked[(i / 5) % 3];
      source.vertices[i].position = w.from;
      weights[static_cast<size_t>(i)] = w.weight;
    } else {
      source.vertices[i].position = {coordinate(random), coordinate(random), coordinate(random)};
      weights[static_cast<size_t>(i)] = coordinate(random) + 200.0f;
    }
  }
  Mesh twisted;
  twisted.allocate(kCount, 0);
  twistSpikes(source, twisted, weights, 0.0f, 1.0f);
  for (int32_t i = 0; i < kCount; i += 5) {
    const Vec3& expected = worked[(i / 5) % 3].to;
    const Vec3& got = twisted.vertices[i].position;
    ASSERT_TRUE(got.x == expected.x && got.y == expected.y && got.z == expected.z) << "vertex " << i;
  }
}

TEST_F(SceneFrames, SpikeCreditsComeAfter4800AndGrainFallsFromHundredToTwenty) {
  SpikeScene scene;
  for (Image* image : {&scene.blurWork, &scene.creditsLayer, &scene.credits}) image->create(kFrameWidth, kFrameHeight);
  scene.credits.fill(0x00204060);    // alpha 0: the credits cover the frame
  EXPECT_EQ(scene.noiseLevel, 100);  // for the first frame
  for (int i = 0; i < 79; ++i) render(scene, 4700.0f + i);
  EXPECT_EQ(scene.noiseLevel, 21);  // for the 80th
  render(scene, 4800.0f);
  EXPECT_EQ(frame.at(160, 120), 0u);
  EXPECT_EQ(scene.noiseLevel, 20);  // for the 81st frame and every later one
  render(scene, 4800.01f);
  EXPECT_EQ(scene.noiseLevel, 20);
  // (c * 255) >> 8 of each colour byte, up to two less where a blur pass rounds down.
  const uint32_t centre = frame.at(160, 120);
  EXPECT_EQ(centre >> 24, 0u);
  for (const auto& [shift, expected] : {std::pair{16, 0x1F}, std::pair{8, 0x3F}, std::pair{0, 0x5F}}) {
    EXPECT_NEAR(static_cast<int>((centre >> shift) & 0xFF), expected - 1, 1) << shift;
  }
  release({&scene.blurWork, &scene.creditsLayer, &scene.credits});
}

TEST_F(SceneFrames, CubeProjectorStaysNearTheViewCameraAndTheMaskComesLast) {
  CubeScene scene;
  scene.work.create(kFrameWidth, kFrameHeight);
  scene.greetings.create(kFrameWidth, kFrameHeight);
  scene.greetings.fill(0x00FFFFFF);  // opaque white greetings over everything
  scene.mask.create(kFrameWidth, kFrameHeight);
  for (int32_t i = 0; i < kFrameWidth * kFrameHeight; ++i) scene.mask.pixels[i] = i % kFrameWidth < 160 ? 0u : ~0u;
  for (float t = 7700.0f; t < 9400.0f; t += 37.25f) {
    render(scene, t);
    const Vec3 &view = scene.viewCamera.eye, &projector = scene.projectorCamera.eye;
    ASSERT_LE(std::fabs(projector.x - view.x), 40.0f) << t;
    ASSERT_LE(std::fabs(projector.y - view.y), 40.0f) << t;
    ASSERT_LE(std::fabs(projector.z - view.z), 40.0f) << t;
    ASSERT_GE(std::sqrt(view.x * view.x + view.y * view.y + view.z * view.z), 399.0f) << t;
    for (int32_t y = 0; y < kFrameHeight; y += 7) ASSERT_EQ(frame.at(y % 160, y), 0u) << t;  // masked black
    EXPECT_GT(frame.at(240, 120) & 0xFF, 200u) << t;  // greetings, blurred or not
  }
  release({&scene.work, &scene.greetings, &scene.mask});
}

// A 640 x 480 picture whose pixel at (x, y) says where it is: red y / 2, green x / 4.
TEST(PlasmaPlane, MixesTwoWindowsWithSaturationAndSkipsPicturesTooSmall) {
  OwnedImage first(640, 480), second(640, 480, packArgb(200, 200, 200, 200)), heights(320, 240), small(400, 300);
  for (int32_t y = 0; y < 480; ++y) {
    for (int32_t x = 0; x < 640; ++x) first.at(x, y) = packArgb(y / 2, x / 4, 7, 1);
  }
  mixPlasma(heights.image, first.image, second.image, 0.0f);  // every sine 0: both windows at (160, 120)
  EXPECT_EQ(heights.at(0, 0), packArgb(255, 240, 207, 201));   // red 60 + 200, green 40 + 200
  EXPECT_EQ(heights.at(319, 239), packArgb(255, 255, 207, 201));
  second.image.clear();
  mixPlasma(heights.image, first.image, second.image, 0.0f);
  EXPECT_EQ(heights.at(9, 5), packArgb(62, 42, 7, 1));  // picture (169, 125)
  heights.image.fill(0x12345678);
  mixPlasma(heights.image, small.image, small.image, 1234.0f);
  mixPlasma(heights.image, Image(), Image(), 0.0f);
  EXPECT_EQ(heights.words(), Words(320 * 240, 0x12345678));
}

TEST(PlasmaPlane, GridHeightsAreSampledEveryTenPixelsAndFlatVerticesStayFlat) {
  Mesh source, grid, small;
  source.allocate(24 * 24, 0);
  grid.allocate(24 * 24, 0);
  small.allocate(100, 0);
  for (int32_t k = 0; k < 24 * 24; ++k) source.vertices[k].position = {float(k % 24), float(k / 24), 1.0f};
  source.vertices[0].position.z = 0.0f;
  source.vertices[7].position.z = 0.5f;
  OwnedImage heights(320, 240, packArgb(255, 0, 0, 0));  // red everywhere but on the sample points
  for (int32_t r = 0; r < 24; ++r) {
    for (int32_t c = 0; c < 24; ++c) heights.at(10 * c, 10 * r) = packArgb(0, 255, 255, 255);
  }
  heights.at(50, 30) = packArgb(100, 0, 0, 0);                    // row 3, column 5
  heights.at(70, 0) = heights.at(0, 0) = packArgb(255, 0, 0, 0);  // the vertices at z 0.5 and 0
  displaceGrid(grid, source, 24, heights.image);
  for (int32_t k = 0; k < 24 * 24; ++k) {
    const float z = k == 3 * 24 + 5 ? 180.0f : k == 7 ? float(127.5 * 1.8) : 0.0f;
    ASSERT_EQ(grid.vertices[k].position.z, z) << k;
    ASSERT_EQ(grid.vertices[k].position.x, source.vertices[k].position.x);
  }
  displaceGrid(small, source, 24, heights.image);  // fewer than 576 vertices to write
  displaceGrid(grid, small, 24, heights.image);    // or to read
  EXPECT_EQ(small.vertices[99].position.z, 0.0f);
  EXPECT_EQ(grid.vertices[575].position.z, 0.0f);
}

TEST_F(SceneFrames, StillScenesShowTheirPictures) {
  std::vector<uint32_t> picture(320 * 240);
  for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<uint32_t>(i * 2654435761u);
  picture[239 * 320] = 0xFF000000;  // the first file row is the bottom of the picture
  folder.write("progress.tga", testing::tgaBytes(320, 240, 32, picture));
  picture[239 * 320] = 0xCAFEF00D;
  folder.write("l33t.tga", testing::tgaBytes(320, 240, 32, picture));
  IntroScene intro;
  EndScene end;
  SceneLoader loader(folder.path());
  intro.load(loader);
  end.load(loader);
  render(intro, 0.0f);
  // Top-left 0xFF000000: fade level 41 % 48 = 41 gives colour 255 * 41 >> 8 = 40 and alpha
  // 213 + 40 = 253; grain 18467 % 30 = 17 leaves 23; brightening gives 23 + 22 = 45.
  EXPECT_EQ(frame.at(0, 0), 0xFD2D2D2Du);
  const Words first = frame.words();
  random = ShowRandom();
  render(intro, 1234.0f);  // the time does not matter
  EXPECT_EQ(frame.words(), first);
  render(end, 9500.0f);
  EXPECT_EQ(frame.at(0, 0), 0xCAFEF00Du);
  EXPECT_EQ(frame.at(319, 239), static_cast<uint32_t>(319 * 2654435761u));
}

class TunnelSceneFrames : public SceneFrames {
 protected:
  void load(uint32_t base, uint32_t height, uint32_t env, uint32_t logo) {
    folder.picture("tex0132.tga", 256, 256, base);
    folder.picture("tex01b3.tga", 256, 256, height);
    folder.picture("kvennenv2.tga", 256, 256, env);
    folder.picture("trovask.tga", 320, 240, logo);
    SceneLoader loader(folder.path());
    scene.load(loader);
  }
  void TearDown() override { release({&scene.base, &scene.heightMap, &scene.envMap, &scene.logo, &scene.blurWork}); }
  TunnelScene scene;
};

TEST_F(TunnelSceneFrames, FlashesWhiteOnTheFirstFrameAndTheCameraFollowsTheShowTime) {
  load(0, 0, 0, 0);                             // black textures under an opaque black logo
  EXPECT_EQ(scene.tunnel.position.z, -256.0f);  // the start-up view
  render(scene, 1530.0f);
  EXPECT_TRUE(everyWordIs(0xFEFEFEFEu));
  EXPECT_EQ(scene.tunnel.position.z, -3519.0f);
  EXPECT_NEAR(scene.tunnel.angles.x, -28.5288f, 0.0005f);  // 30 sin(10.68110)
  EXPECT_NEAR(scene.tunnel.angles.y, 21.2048f, 0.0005f);   // 30 sin(13.35137)
  EXPECT_EQ(scene.tunnel.uOffset, 1071.0f);
  EXPECT_EQ(scene.tunnel.vOffset, 459.0f);
  render(scene, 1589.0f);  // 59 cs on: level trunc(255 - 59 / 60 * 255) = 4, 255 * 4 >> 8 = 3
  EXPECT_TRUE(everyWordIs(0x03030303u));
  render(scene, 1590.0f);
  EXPECT_TRUE(everyWordIs(0u));
}

TEST_F(TunnelSceneFrames, TexturesPlayTheirRolesUnderTheLogo) {
  // Red base plus blue environment, no bumps; a fully transparent logo keeps the tunnel.
  load(0x00600000u, 0u, 0x00000060u, 0xFF000000u);
  render(scene, 1530.0f);
  render(scene, 1600.0f);  // after the flash
  int purple = 0;
  for (uint32_t pixel : frame.words()) {
    ASSERT_EQ(pixel & 0xFF00FF00u, 0u);  // no green; alpha cleared by the blend
    purple += (pixel >> 16) != 0 && (pixel & 0xFF) != 0;
  }
  EXPECT_GT(purple, 70000);
  // An opaque logo covers it: 0x40 * 255 >> 8 = 0x3F, brightened to 0x3F + 0x3E = 0x7D. The
  // generator starts where the next draw (6334) leaves the frame unblurred.
  releasePixels(scene.logo);
  folder.picture("trovask.tga", 320, 240, 0x00404040u);
  SceneLoader(folder.path()).picture(scene.logo, "trovask.tga");
  random = ShowRandom();
  random.next();
  random.next();
  render(scene, 1600.0f);
  EXPECT_EQ(frame.at(160, 120), 0x007D7D7Du);
}

}  // namespace
}  // namespace orvanta
