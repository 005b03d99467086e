// The generated pictures and models, read back through the show's own loaders: each has the
// size and the traits its scene relies on, the models survive the back-face cull, and two runs
// give the same bytes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/messages.h"
#include "datagen/data_set.h"
#include "datagen/models.h"
#include "datagen/plasma.h"
#include "datagen/tga_writer.h"
#include "engine/camera.h"
#include "engine/render_target.h"
#include "engine/mesh.h"
#include "engine/texture_set.h"
#include "image/image.h"

namespace orvanta::datagen {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> gMessages;

uint32_t red(uint32_t p) { return (p >> 16) & 0xFF; }
uint32_t alpha(uint32_t p) { return p >> 24; }
uint32_t at(const Image& image, int32_t x, int32_t y) { return image.pixels[y * image.width + x]; }

std::vector<uint8_t> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file but the soundtrack (which has tests of its own), made once into a folder.
class DataSet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fs::create_directories(root_);
    std::string error;
    ASSERT_TRUE(fonts_.load(error)) << error;
    for (const DataSetFile& file : kDataSet) {
      std::vector<uint8_t> bytes;
      if (!buildDataFile(file.name, fonts_, bytes)) continue;
      std::ofstream(root_ / file.name, std::ios::binary)
          .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
  }
  static void TearDownTestSuite() { fs::remove_all(root_); }
  void SetUp() override {
    gMessages.clear();
    setMessageHook([](const char* text, const char*) { gMessages.emplace_back(text); });
  }
  void TearDown() override {
    setMessageHook(nullptr);
    for (Image& image : loaded_) releasePixels(image);
  }
  static std::string path(const std::string& name) { return (root_ / name).string(); }
  Image picture(const char* name) {
    Image image;
    image.loadTga(path(name).c_str());
    loaded_.push_back(image);
    return image;
  }

  inline static const fs::path root_ =
      fs::temp_directory_path() / ("orvanta_data_" + std::to_string(::getpid()));
  inline static FontSet fonts_;
  std::vector<Image> loaded_;
};

TEST_F(DataSet, EveryFileLoadsWithTheSizeItsSceneNeeds) {
  int pictureCount = 0, modelCount = 0;
  for (const DataSetFile& file : kDataSet) {
    std::vector<uint8_t> bytes;  // a maker for every file but the soundtrack, none for unknown names
    EXPECT_EQ(buildDataFile(file.name, fonts_, bytes), file.kind != DataKind::kSoundtrack) << file.name;
    if (file.kind == DataKind::kModel) ++modelCount;
    if (file.kind != DataKind::kPicture) continue;
    ++pictureCount;
    const Image image = picture(file.name);
    EXPECT_EQ(image.width, file.width) << file.name;
    EXPECT_EQ(image.height, file.height) << file.name;
  }
  EXPECT_EQ(pictureCount, 19);
  EXPECT_EQ(modelCount, 4);
  EXPECT_EQ(kDataSet[kDataSetSize - 1].kind, DataKind::kSoundtrack);
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(buildDataFile("nothing.tga", fonts_, bytes));
  // The loader gets back exactly the models that were built: the 3DS writer and reader agree.
  const std::pair<const char*, Model> models[] = {{kSpikeBody, buildSpikeBody()},
                                                  {kSpikeBall, buildSpikeBall()},
                                                  {kPlaneGrid, buildPlaneGrid()},
                                                  {kBevelCube, buildBevelCube()}};
  for (const auto& [name, model] : models) {
    Mesh mesh;
    mesh.load3ds(path(name).c_str());
    ASSERT_EQ(mesh.vertexCount, static_cast<int32_t>(model.vertices.size())) << name;
    ASSERT_EQ(mesh.faceCount, static_cast<int32_t>(model.faces.size())) << name;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
      const RenderVertex& loaded = mesh.vertices[i];
      const ModelVertex& built = model.vertices[static_cast<size_t>(i)];
      ASSERT_EQ(loaded.position.x, built.x) << name << " vertex " << i;
      ASSERT_EQ(loaded.position.y, built.y) << name << " vertex " << i;
      ASSERT_EQ(loaded.position.z, built.z) << name << " vertex " << i;
      ASSERT_NEAR(loaded.u, built.u, 1e-6f) << name << " vertex " << i;  // the file holds 1 - u
      ASSERT_EQ(loaded.v, built.v) << name << " vertex " << i;
    }
    for (int32_t f = 0; f < mesh.faceCount; ++f) {
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(mesh.faces[f].indices[k], model.faces[static_cast<size_t>(f)][k]) << name;
      }
    }
  }
  EXPECT_TRUE(gMessages.empty()) << gMessages.front();
}

TEST_F(DataSet, TwoRunsGiveTheSameBytes) {
  for (const DataSetFile& file : kDataSet) {
    std::vector<uint8_t> again;
    if (!buildDataFile(file.name, fonts_, again)) continue;
    EXPECT_TRUE(again == readFile(root_ / file.name)) << file.name;
  }
}

TEST_F(DataSet, TexturesTileWithoutSeams) {
  // The step across the wrap-around must be no larger than the roughest step inside.
  auto step = [](uint32_t a, uint32_t b) {
    int sum = 0;
    for (int s = 0; s < 24; s += 8) {
      sum += std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF));
    }
    return sum;
  };
  for (const char* name : {kPanelTexture, kPanelHeights, kStoneTexture, kCoreTexture, kTealEnvironment}) {
    const Image image = picture(name);
    ASSERT_EQ(image.width, 256) << name;
    double roughestColumn = 0.0, roughestRow = 0.0, wrapX = 0.0, wrapY = 0.0;
    for (int32_t k = 0; k < 256; ++k) {
      double column = 0.0, row = 0.0;
      for (int32_t i = 0; i < 256; ++i) {
        column += step(at(image, k, i), at(image, (k + 1) % 256, i));
        row += step(at(image, i, k), at(image, i, (k + 1) % 256));
      }
      if (k == 255) {
        wrapX = column;
        wrapY = row;
      } else {
        roughestColumn = std::max(roughestColumn, column);
        roughestRow = std::max(roughestRow, row);
      }
    }
    EXPECT_LE(wrapX, roughestColumn * 1.05 + 256.0) << name;
    EXPECT_LE(wrapY, roughestRow * 1.05 + 256.0) << name;
  }
}

TEST_F(DataSet, PicturesServeTheirRoles) {
  auto redRange = [](const Image& image) {
    const auto [low, high] = std::minmax_element(image.pixels, image.pixels + image.pixelCount(),
                                                 [](uint32_t a, uint32_t b) { return red(a) < red(b); });
    return std::pair{red(*low), red(*high)};
  };
  const auto [lowestHeight, highestHeight] = redRange(picture(kPanelHeights));
  EXPECT_GE(highestHeight - lowestHeight, 120u) << "the relief must be clear";
  // Two plasma windows are added with saturation: each red byte stays at or below 127.
  const auto [lowestPlasma, highestPlasma] = redRange(picture(kPlasma));
  EXPECT_LE(highestPlasma, kPlasmaMaxRed);
  EXPECT_GE(highestPlasma - lowestPlasma, 100u);
  // The lattice: a good share of holes (red 255) and of metal.
  const Image box = picture(kLatticeTexture);
  const auto holes =
      std::count_if(box.pixels, box.pixels + box.pixelCount(), [](uint32_t p) { return red(p) == 255; });
  EXPECT_GT(holes, 256 * 256 / 3);
  EXPECT_LT(holes, 256 * 256 * 9 / 10);
  // Overlays: alpha 255 lets the scene through, and mostly does.
  for (const char* name :
       {kCredits, kGreetings, kControlTest, kBlobOverlayFirst, kBlobOverlaySecond, kTunnelLogo}) {
    const Image overlay = picture(name);
    const uint32_t *begin = overlay.pixels, *end = begin + overlay.pixelCount();
    EXPECT_GT(std::count_if(begin, end, [](uint32_t p) { return alpha(p) >= 128; }), 320 * 240 * 6 / 10)
        << name;
    EXPECT_GT(std::count_if(begin, end, [](uint32_t p) { return alpha(p) < 64; }), 500) << name;
  }
  const Image logo = picture(kTunnelLogo);  // over the middle of the tunnel, not its corners
  EXPECT_EQ(alpha(at(logo, 2, 2)), 255u);
  EXPECT_LT(alpha(at(logo, 160, 124)), 255u);
  for (const char* name : {kSpikeMask, kCubeMask}) {  // masks: keep the middle, blank the edges
    const Image mask = picture(name);
    EXPECT_GE(red(at(mask, 160, 120)), 200u) << name;
    EXPECT_EQ(red(at(mask, 0, 0)) + red(at(mask, 319, 0)), 0u) << name;
  }
}

TEST(Models, HaveTheShapesTheirScenesNeed) {
  // The grid: 24 x 24 vertices row by row; the third coordinate is the displacement weight,
  // zero on the border so the edges stay flat.
  const Model grid = buildPlaneGrid();
  ASSERT_EQ(grid.vertices.size(), 576u);
  for (size_t i = 0; i < 576; ++i) {
    const ModelVertex& v = grid.vertices[i];
    const size_t row = i / 24, column = i % 24;
    EXPECT_TRUE(column == 0 || v.x > grid.vertices[i - 1].x) << i;
    EXPECT_TRUE(row == 0 || v.y > grid.vertices[i - 24].y) << i;
    const bool border = row == 0 || column == 0 || row == 23 || column == 23;
    EXPECT_TRUE(border ? v.z == 0.0f : v.z > 0.0f && v.z <= 1.0f) << i;
  }
  // The spikes: each cone's tip (where eight faces meet) is its outermost vertex and stands well
  // clear of the body's core; the roots start inside the core.
  const Model spikes = buildSpikeBall();
  auto distance = [](const ModelVertex& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); };
  float core = 0.0f;  // the body without its ring, which starts at 92
  for (const ModelVertex& v : buildSpikeBody().vertices) {
    if (distance(v) < 90.0f) core = std::max(core, distance(v));
  }
  std::vector<int> uses(spikes.vertices.size(), 0);
  for (const auto& face : spikes.faces)
    for (uint16_t i : face) ++uses[i];
  EXPECT_GE(std::count(uses.begin(), uses.end(), 8), 30);
  float nearest = 1e9f;
  for (const auto& face : spikes.faces) {
    for (uint16_t i : face) {
      nearest = std::min(nearest, distance(spikes.vertices[i]));
      if (uses[i] != 8) continue;
      EXPECT_GT(distance(spikes.vertices[i]), core * 1.5f);
      for (uint16_t j : face) EXPECT_TRUE(j == i || distance(spikes.vertices[j]) < distance(spikes.vertices[i]));
    }
  }
  EXPECT_LT(nearest, core * 0.8f);
}

struct Coverage {
  int pixels = 0;
  int64_t nearness = 0;  // sum of the depth buffer: larger when the nearer surface is drawn
};

// What a white textured draw of `model` covers from `eye`, with its faces as built or turned over.
Coverage coverage(const Model& model, std::array<float, 3> eye, bool turnedOver) {
  Mesh mesh;
  mesh.allocate(static_cast<int32_t>(model.vertices.size()), static_cast<int32_t>(model.faces.size()));
  for (int32_t i = 0; i < mesh.vertexCount; ++i) {
    const ModelVertex& v = model.vertices[static_cast<size_t>(i)];
    mesh.vertices[i].position = {v.x, v.y, v.z};
  }
  for (int32_t f = 0; f < mesh.faceCount; ++f) {
    const auto& face = model.faces[static_cast<size_t>(f)];
    mesh.faces[f].indices[0] = face[0];
    mesh.faces[f].indices[1] = face[turnedOver ? 2 : 1];
    mesh.faces[f].indices[2] = face[turnedOver ? 1 : 2];
  }
  mesh.computeFaceNormals();
  mesh.computeVertexNormals();
  Image frame;
  frame.create(kFrameWidth, kFrameHeight);
  DepthBuffer depth(kFrameWidth, kFrameHeight);
  TextureSet set;
  set.setFlags(kTextured);
  set.texture.create(16, 16);
  set.texture.widthShift = 4;
  set.texture.widthMask = 15;
  set.texture.fill(0xFFFFFFFFu);
  Camera camera(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  camera.lookAt(eye[0], eye[1], eye[2], 0.0f, 0.0f, 0.0f);
  mesh.setOrientationScale(1.0f, 1.0f, 1.0f);
  mesh.setPosition(0.0f, 0.0f, 0.0f);
  mesh.drawMesh(RenderTarget{frame, depth}, camera, set);
  Coverage result;
  for (size_t i = 0; i < frame.pixelCount(); ++i) {
    result.pixels += frame.pixels[i] != 0 ? 1 : 0;
    result.nearness += depth.values[i];
  }
  releasePixels(frame);
  releasePixels(set.texture);
  return result;
}

TEST(Models, FrontFacesSurviveTheCullFromTheirScenesCameras) {
  // A closed model drawn inside out shows its far side; drawn right it shows its near side.
  // The spike scene's camera circles at 400 to 800 units; the cube scene's too, with height.
  const Model body = buildSpikeBody();
  const Model spikes = buildSpikeBall();
  using Eye = std::array<float, 3>;
  for (const Eye& eye : {Eye{0.0f, 0.0f, -600.0f}, Eye{560.0f, 30.0f, 200.0f}, Eye{-300.0f, -40.0f, 350.0f}}) {
    const Coverage front = coverage(body, eye, false);
    EXPECT_GT(front.pixels, 1500);
    EXPECT_GT(front.nearness, coverage(body, eye, true).nearness);
    EXPECT_GT(coverage(spikes, eye, false).pixels, 3000);
  }
  const Model cube = buildBevelCube();
  for (const Eye& eye : {Eye{0.0f, 0.0f, -600.0f}, Eye{400.0f, 380.0f, 300.0f}, Eye{-200.0f, -500.0f, -300.0f}}) {
    const Coverage front = coverage(cube, eye, false);
    EXPECT_GT(front.pixels, 8000);
    EXPECT_GT(front.nearness, coverage(cube, eye, true).nearness);
  }
  // The flat grid from the plasma scene's camera fills the frame; turned over it is culled.
  Model flat = buildPlaneGrid();
  for (ModelVertex& v : flat.vertices) v.z = 0.0f;
  EXPECT_GT(coverage(flat, {0.0f, 200.0f, -300.0f}, false).pixels, kFrameWidth * kFrameHeight * 98 / 100);
  EXPECT_EQ(coverage(flat, {0.0f, 200.0f, -300.0f}, true).pixels, 0);
}

TEST(DataSetFolder, ExistingFilesAreLeftAloneWithoutForce) {
  const fs::path root = fs::temp_directory_path() / ("orvanta_mine_" + std::to_string(::getpid()));
  fs::create_directories(root);
  std::ofstream(root / "progress.tga") << "my own picture";
  std::ofstream(root / "plain_file") << "x";
  std::string error;
  EXPECT_FALSE(writeDataSet(root.string(), false, error));
  EXPECT_NE(error.find("--force"), std::string::npos) << error;
  const std::vector<uint8_t> kept = readFile(root / "progress.tga");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "my own picture");
  error.clear();  // a file where the folder should be is refused even with --force
  EXPECT_FALSE(writeDataSet((root / "plain_file").string(), true, error));
  EXPECT_FALSE(error.empty());
  fs::remove_all(root);
}

// The writer on its own, byte by byte: the bottom row first, each pixel blue, green, red, alpha.
TEST(TgaWriter, WritesTheBottomRowFirstInBlueGreenRedAlpha) {
  ArgbPicture picture;
  picture.width = 3;
  picture.height = 2;
  picture.pixels = {0x11223344u, 0x55667788u, 0x99AABBCCu, 0xA1B2C3D4u, 0x01020304u, 0xFFEEDDCCu};
  const std::vector<uint8_t> expected = {
      0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, 32, 8,  // true colour, 3 x 2, 32 bits, 8 of alpha
      0xD4, 0xC3, 0xB2, 0xA1, 0x04, 0x03, 0x02, 0x01, 0xCC, 0xDD, 0xEE, 0xFF,
      0x44, 0x33, 0x22, 0x11, 0x88, 0x77, 0x66, 0x55, 0xCC, 0xBB, 0xAA, 0x99};
  EXPECT_EQ(encodeTga(picture), expected);
}

}  // namespace
}  // namespace orvanta::datagen
