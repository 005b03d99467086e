// The generated files read back through the show's own loaders, and the models survive the
// real pipeline's back-face cull from their scenes' cameras.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "datagen/data_set.h"
#include "datagen/model_3ds.h"
#include "datagen/models.h"
#include "datagen/plasma.h"
#include "driver/depth_buffer.h"
#include "engine/camera.h"
#include "engine/mesh.h"
#include "image/image.h"
#include "image/messages.h"
#include "image/texture_set.h"

namespace orvanta::datagen {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> gMessages;
void recordMessage(const char* text, const char* /*caption*/) { gMessages.emplace_back(text); }

class LoaderReadback : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    root_ = new fs::path(fs::temp_directory_path() / ("datagen_readback_" + std::to_string(::getpid())));
    fs::create_directories(*root_);
    FontSet fonts;
    std::string error;
    ASSERT_TRUE(fonts.load(error)) << error;
    for (const std::string& name : dataFileNames()) {
      std::vector<uint8_t> bytes;
      if (!buildDataFile(name, fonts, bytes)) continue;
      std::ofstream out(*root_ / name, std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
  }
  static void TearDownTestSuite() {
    fs::remove_all(*root_);
    delete root_;
    root_ = nullptr;
  }
  void SetUp() override {
    gMessages.clear();
    setMessageHook(recordMessage);
  }
  void TearDown() override { setMessageHook(nullptr); }
  static std::string path(const std::string& name) { return (*root_ / name).string(); }
  static fs::path* root_;
};
fs::path* LoaderReadback::root_ = nullptr;

TEST_F(LoaderReadback, EveryPictureLoadsWithTheSizeItsSceneNeeds) {
  struct Expect {
    const char* name;
    int32_t width, height, shift;
  };
  const Expect pictures[] = {
      {"progress.tga", 320, 240, 8},  {"tex0132.tga", 256, 256, 8},  {"tex01b3.tga", 256, 256, 8},
      {"kvennenv2.tga", 256, 256, 8}, {"kvennenv3.tga", 256, 256, 8}, {"trovask.tga", 320, 240, 8},
      {"s08_back2.tga", 256, 256, 8}, {"s08_back3.tga", 256, 256, 8}, {"box.tga", 256, 256, 8},
      {"terrorist.tga", 320, 240, 8}, {"dravo.tga", 320, 240, 8},     {"s02_tex1.tga", 256, 256, 8},
      {"happyface.tga", 320, 240, 8}, {"credits.tga", 320, 240, 8},   {"plasma.tga", 640, 480, 8},
      {"control_test.tga", 320, 240, 8}, {"greets.tga", 320, 240, 8}, {"rux.tga", 320, 240, 8},
      {"l33t.tga", 320, 240, 8},
  };
  for (const Expect& e : pictures) {
    Image image;
    image.loadTga(path(e.name).c_str());
    ASSERT_NE(image.pixels, nullptr) << e.name;
    EXPECT_EQ(image.width, e.width) << e.name;
    EXPECT_EQ(image.height, e.height) << e.name;
    EXPECT_EQ(image.widthShift, e.shift) << e.name;
    releasePixels(image);
  }
  EXPECT_TRUE(gMessages.empty()) << gMessages.front();
}

TEST_F(LoaderReadback, PicturesKeepTheirTopRowOnTop) {
  // The end picture's sky is darker at the top than at the planet's limb near the bottom.
  Image image;
  image.loadTga(path("l33t.tga").c_str());
  ASSERT_NE(image.pixels, nullptr);
  auto brightness = [&](int32_t row) {
    uint32_t sum = 0;
    for (int32_t x = 0; x < image.width; ++x) {
      const uint32_t p = image.pixels[row * image.width + x];
      sum += ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
    }
    return sum;
  };
  EXPECT_LT(brightness(2), brightness(236));
  releasePixels(image);

  // The plasma's red byte, as the grid scene reads it, stays at or below 127.
  image.loadTga(path("plasma.tga").c_str());
  ASSERT_NE(image.pixels, nullptr);
  uint32_t top = 0;
  for (size_t i = 0; i < image.pixelCount(); ++i) top = std::max(top, (image.pixels[i] >> 16) & 0xFF);
  EXPECT_LE(top, kPlasmaMaxRed);
  releasePixels(image);
}

TEST_F(LoaderReadback, ModelsLoadWithTheirVerticesMappingAndFaces) {
  struct Case {
    const char* name;
    Model model;
  };
  Case cases[] = {{"s01_a.3ds", buildSpikeBody()},
                  {"spike.3ds", buildSpikeBall()},
                  {"plane24.3ds", buildPlaneGrid()},
                  {"bcube.3ds", buildBevelCube()}};
  for (const Case& c : cases) {
    Mesh mesh;
    mesh.load3ds(path(c.name).c_str());
    ASSERT_EQ(mesh.vertexCount, static_cast<int32_t>(c.model.vertices.size())) << c.name;
    ASSERT_EQ(mesh.faceCount, static_cast<int32_t>(c.model.faces.size())) << c.name;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
      const RenderVertex& v = mesh.vertices[i];
      const ModelVertex& m = c.model.vertices[static_cast<size_t>(i)];
      ASSERT_EQ(v.position.x, m.x) << c.name;
      ASSERT_EQ(v.position.y, m.y) << c.name;
      ASSERT_EQ(v.position.z, m.z) << c.name;
      ASSERT_NEAR(v.u, m.u, 1e-6f) << c.name;
      ASSERT_EQ(v.v, m.v) << c.name;
    }
    for (int32_t f = 0; f < mesh.faceCount; ++f)
      for (int k = 0; k < 3; ++k) ASSERT_EQ(mesh.faces[f].indices[k], c.model.faces[static_cast<size_t>(f)][k]);
  }
  EXPECT_TRUE(gMessages.empty()) << gMessages.front();
  Mesh grid;
  grid.load3ds(path("plane24.3ds").c_str());
  EXPECT_EQ(grid.vertexCount, kGridSide * kGridSide);
}

TEST(ThreeDsRoundTrip, WriterAndParserAgree) {
  Model model;
  model.name = "round";
  for (int i = 0; i < 40; ++i) {
    const float a = static_cast<float>(i) * 0.37f;
    model.add(std::sin(a) * 50.0f, std::cos(a * 1.3f) * -20.0f, static_cast<float>(i) - 7.5f, 0.01f * i, 1.0f - 0.02f * i);
  }
  for (uint16_t i = 0; i + 2 < 40; ++i) model.addTriangle(i, static_cast<uint16_t>(i + 2), static_cast<uint16_t>(i + 1));
  const std::vector<uint8_t> bytes = encode3ds(model);
  Parsed3ds parsed;
  ASSERT_TRUE(Mesh::parse3ds(bytes.data(), bytes.size(), parsed));
  ASSERT_EQ(parsed.vertexCount, 40);
  ASSERT_EQ(parsed.faceCount, 38);
  for (int i = 0; i < 40; ++i) {
    EXPECT_EQ(parsed.vertices[i].x, model.vertices[i].x);
    EXPECT_EQ(parsed.vertices[i].y, model.vertices[i].y);
    EXPECT_EQ(parsed.vertices[i].z, model.vertices[i].z);
    // The parser keeps the file's u; the loader turns it into 1 - u.
    EXPECT_NEAR(1.0f - parsed.vertices[i].u, model.vertices[i].u, 1e-6f);
    EXPECT_EQ(parsed.vertices[i].v, model.vertices[i].v);
  }
  for (int f = 0; f < 38; ++f)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(parsed.faceIndices[f * 3 + k], model.faces[f][k]);
}

struct Coverage {
  int pixels = 0;
  int64_t nearness = 0;  // sum of the depth buffer: larger when the nearer surface is drawn
};

// What a textured draw of `model` covers from `eye`, with the faces as built or reversed.
Coverage coverage(const Model& built, float eyeX, float eyeY, float eyeZ, bool reversed) {
  Model model = built;
  if (reversed)
    for (auto& f : model.faces) std::swap(f[1], f[2]);
  Mesh mesh;
  const std::vector<uint8_t> bytes = encode3ds(model);
  Parsed3ds parsed;
  if (!Mesh::parse3ds(bytes.data(), bytes.size(), parsed)) return {};
  mesh.allocate(parsed.vertexCount, parsed.faceCount);
  for (int32_t i = 0; i < parsed.vertexCount; ++i) {
    mesh.vertices[i].position = {parsed.vertices[i].x, parsed.vertices[i].y, parsed.vertices[i].z};
  }
  for (int32_t f = 0; f < parsed.faceCount; ++f)
    for (int k = 0; k < 3; ++k) mesh.faces[f].indices[k] = parsed.faceIndices[f * 3 + k];
  mesh.computeFaceNormals();
  mesh.computeVertexNormals();
  Image frame;
  frame.create(kFrameWidth, kFrameHeight);
  createDepthBuffer(kFrameWidth, kFrameHeight);
  clearDepthBuffer();
  TextureSet set;
  set.setFlags(kTextured);
  set.texture.create(16, 16);
  set.texture.widthShift = 4;
  set.texture.widthMask = 15;
  set.texture.fill(0xFFFFFFFFu);
  Camera camera(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  camera.lookAt(eyeX, eyeY, eyeZ, 0.0f, 0.0f, 0.0f);
  mesh.setOrientationScale(1.0f, 1.0f, 1.0f);
  mesh.setPosition(0.0f, 0.0f, 0.0f);
  mesh.drawMesh(frame, camera, set);
  Coverage result;
  for (size_t i = 0; i < frame.pixelCount(); ++i) {
    result.pixels += frame.pixels[i] != 0 ? 1 : 0;
    result.nearness += gDepthBuffer.values[i];
  }
  releasePixels(frame);
  releasePixels(set.texture);
  return result;
}

TEST(ModelsInThePipeline, FrontFacesSurviveTheCull) {
  // The spike scene's camera circles at 400 to 800 units; the cube scene's too, with height.
  const Model body = buildSpikeBody();
  const Model spikes = buildSpikeBall();
  const Model cube = buildBevelCube();
  // A closed model drawn inside out shows its far side; drawn right it shows its near side.
  for (const auto& eye : {std::array<float, 3>{0.0f, 0.0f, -600.0f}, {560.0f, 30.0f, 200.0f}, {-300.0f, -40.0f, 350.0f}}) {
    const Coverage bodyFront = coverage(body, eye[0], eye[1], eye[2], false);
    EXPECT_GT(bodyFront.pixels, 1500);
    EXPECT_GT(bodyFront.nearness, coverage(body, eye[0], eye[1], eye[2], true).nearness);
    EXPECT_GT(coverage(spikes, eye[0], eye[1], eye[2], false).pixels, 3000);
  }
  for (const auto& eye : {std::array<float, 3>{0.0f, 0.0f, -600.0f}, {400.0f, 380.0f, 300.0f}, {-200.0f, -500.0f, -300.0f}}) {
    const Coverage front = coverage(cube, eye[0], eye[1], eye[2], false);
    EXPECT_GT(front.pixels, 8000);
    EXPECT_GT(front.nearness, coverage(cube, eye[0], eye[1], eye[2], true).nearness);
  }
  // The flat grid from the plasma scene's camera fills the frame; turned over it is culled.
  Model flat = buildPlaneGrid();
  for (ModelVertex& v : flat.vertices) v.z = 0.0f;
  EXPECT_GT(coverage(flat, 0.0f, 200.0f, -300.0f, false).pixels, kFrameWidth * kFrameHeight * 98 / 100);
  EXPECT_EQ(coverage(flat, 0.0f, 200.0f, -300.0f, true).pixels, 0);
}

}  // namespace
}  // namespace orvanta::datagen
