// The generated data set: every file has the size and the traits its scene relies on, the
// models face the right way for the back-face cull, and two runs give the same bytes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include <unistd.h>

#include "datagen/data_set.h"
#include "datagen/models.h"

namespace orvanta::datagen {
namespace {

struct Decoded {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // row 0 at the top
  uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// A reader written from the format, independent of the writer.
Decoded decodeTga(const std::vector<uint8_t>& b) {
  Decoded d;
  if (b.size() < 18 || b[16] != 32) return d;
  d.width = b[12] | (b[13] << 8);
  d.height = b[14] | (b[15] << 8);
  if (b.size() != 18u + static_cast<size_t>(d.width) * d.height * 4u) return {};
  d.pixels.resize(static_cast<size_t>(d.width) * d.height);
  size_t at = 18;
  for (int row = d.height - 1; row >= 0; --row) {
    for (int x = 0; x < d.width; ++x, at += 4) {
      d.pixels[static_cast<size_t>(row) * d.width + x] =
          static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
          (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
    }
  }
  return d;
}

uint32_t red(uint32_t p) { return (p >> 16) & 0xFF; }
uint32_t alpha(uint32_t p) { return p >> 24; }

class DataSet : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    fonts_ = new FontSet;
    std::string error;
    ASSERT_TRUE(fonts_->load(error)) << error;
  }
  static void TearDownTestSuite() {
    delete fonts_;
    fonts_ = nullptr;
  }
  static std::vector<uint8_t> build(const std::string& name) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(buildDataFile(name, *fonts_, bytes)) << name;
    return bytes;
  }
  static Decoded picture(const std::string& name) { return decodeTga(build(name)); }
  static FontSet* fonts_;
};
FontSet* DataSet::fonts_ = nullptr;

TEST_F(DataSet, TwentyFourFilesWithTheShowsNames) {
  const std::vector<std::string>& names = dataFileNames();
  ASSERT_EQ(names.size(), 24u);
  int pictures = 0;
  int models = 0;
  for (const std::string& n : names) {
    if (n.ends_with(".tga")) ++pictures;
    if (n.ends_with(".3ds")) ++models;
  }
  EXPECT_EQ(pictures, 19);
  EXPECT_EQ(models, 4);
  EXPECT_EQ(names.back(), "pro2.mp3");
  std::vector<uint8_t> bytes;
  EXPECT_FALSE(buildDataFile("pro2.mp3", *fonts_, bytes));
  EXPECT_FALSE(buildDataFile("nothing.tga", *fonts_, bytes));
}

TEST_F(DataSet, EveryPictureHasTheSizeItsSceneNeeds) {
  const std::map<std::string, std::pair<int, int>> sizes = {
      {"progress.tga", {320, 240}}, {"tex0132.tga", {256, 256}},   {"tex01b3.tga", {256, 256}},
      {"kvennenv2.tga", {256, 256}}, {"kvennenv3.tga", {256, 256}}, {"trovask.tga", {320, 240}},
      {"s08_back2.tga", {256, 256}}, {"s08_back3.tga", {256, 256}}, {"box.tga", {256, 256}},
      {"terrorist.tga", {320, 240}}, {"dravo.tga", {320, 240}},     {"s02_tex1.tga", {256, 256}},
      {"happyface.tga", {320, 240}}, {"credits.tga", {320, 240}},   {"plasma.tga", {640, 480}},
      {"control_test.tga", {320, 240}}, {"greets.tga", {320, 240}}, {"rux.tga", {320, 240}},
      {"l33t.tga", {320, 240}},
  };
  for (const auto& [name, size] : sizes) {
    const Decoded d = picture(name);
    EXPECT_EQ(d.width, size.first) << name;
    EXPECT_EQ(d.height, size.second) << name;
  }
}

TEST_F(DataSet, TexturesTileWithoutSeams) {
  for (const char* name : {"tex0132.tga", "tex01b3.tga", "s08_back2.tga", "s02_tex1.tga", "kvennenv2.tga"}) {
    const Decoded d = picture(name);
    ASSERT_EQ(d.width, 256) << name;
    auto diff = [](uint32_t a, uint32_t b) {
      int sum = 0;
      for (int s = 0; s < 24; s += 8) sum += std::abs(static_cast<int>((a >> s) & 0xFF) - static_cast<int>((b >> s) & 0xFF));
      return sum;
    };
    // The step across the wrap-around must be no larger than the steps inside the picture:
    // compare it with the roughest interior column and row.
    double worstColumn = 0.0;
    double worstRow = 0.0;
    for (int k = 0; k < 255; ++k) {
      double column = 0.0;
      double row = 0.0;
      for (int i = 0; i < 256; ++i) {
        column += diff(d.at(k, i), d.at(k + 1, i));
        row += diff(d.at(i, k), d.at(i, k + 1));
      }
      worstColumn = std::max(worstColumn, column);
      worstRow = std::max(worstRow, row);
    }
    double wrapX = 0.0;
    double wrapY = 0.0;
    for (int i = 0; i < 256; ++i) {
      wrapX += diff(d.at(255, i), d.at(0, i));
      wrapY += diff(d.at(i, 255), d.at(i, 0));
    }
    EXPECT_LE(wrapX, worstColumn * 1.05 + 256.0) << name;
    EXPECT_LE(wrapY, worstRow * 1.05 + 256.0) << name;
  }
}

TEST_F(DataSet, HeightsPlasmaAndKeyedLattice) {
  const Decoded heights = picture("tex01b3.tga");
  uint32_t low = 255;
  uint32_t high = 0;
  for (uint32_t p : heights.pixels) {
    low = std::min(low, red(p));
    high = std::max(high, red(p));
  }
  EXPECT_GE(high - low, 120u) << "the relief must be clear";

  // Two plasma windows are added with saturation: each red byte stays at or below 127.
  const Decoded plasma = picture("plasma.tga");
  uint32_t top = 0;
  uint32_t bottom = 255;
  for (uint32_t p : plasma.pixels) {
    top = std::max(top, red(p));
    bottom = std::min(bottom, red(p));
  }
  EXPECT_LE(top, 127u);
  EXPECT_GE(top - bottom, 100u);

  // The lattice: a good share of holes (red 255) and of metal.
  const Decoded box = picture("box.tga");
  const auto holes = std::count_if(box.pixels.begin(), box.pixels.end(), [](uint32_t p) { return red(p) == 255; });
  EXPECT_GT(holes, 256 * 256 / 3);
  EXPECT_LT(holes, 256 * 256 * 9 / 10);
}

TEST_F(DataSet, OverlaysShowTheSceneAroundTheirPictures) {
  // Alpha is a transparency: 255 lets the scene through. Text overlays mostly do.
  for (const char* name : {"credits.tga", "greets.tga", "control_test.tga", "terrorist.tga", "dravo.tga",
                           "trovask.tga"}) {
    const Decoded d = picture(name);
    const auto clear = std::count_if(d.pixels.begin(), d.pixels.end(), [](uint32_t p) { return alpha(p) >= 128; });
    const auto solid = std::count_if(d.pixels.begin(), d.pixels.end(), [](uint32_t p) { return alpha(p) < 64; });
    EXPECT_GT(clear, 320 * 240 * 6 / 10) << name;
    EXPECT_GT(solid, 500) << name;
  }
  // The logo covers the middle of the tunnel, not its corners.
  const Decoded logo = picture("trovask.tga");
  EXPECT_EQ(alpha(logo.at(2, 2)), 255u);
  EXPECT_LT(alpha(logo.at(160, 124)), 255u);
}

TEST_F(DataSet, MasksKeepTheMiddleAndBlankTheEdges) {
  for (const char* name : {"happyface.tga", "rux.tga"}) {
    const Decoded d = picture(name);
    EXPECT_GE(red(d.at(160, 120)), 200u) << name;
    EXPECT_EQ(red(d.at(0, 0)), 0u) << name;
    EXPECT_EQ(red(d.at(319, 0)), 0u) << name;
  }
}

// ---- Models ---------------------------------------------------------------------------------

struct P {
  double x, y, z;
};
P sub(P a, P b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
P cross(P a, P b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(P a, P b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
P pos(const ModelVertex& v) { return {v.x, v.y, v.z}; }

// Screen-space signed area of a face as the pipeline's cull test computes it, from a camera
// at `eye` looking at the origin (x right, y down on the screen).
double screenArea(const Model& m, const std::array<uint16_t, 3>& f, P eye) {
  const P d{-eye.x, -eye.y, -eye.z};
  const double h = std::sqrt(d.x * d.x + d.z * d.z);
  const P right{d.z / h, 0.0, -d.x / h};
  P up{-d.x * d.y, d.x * d.x + d.z * d.z, -d.y * d.z};
  const double upLength = std::sqrt(dot(up, up));
  up = {up.x / upLength, up.y / upLength, up.z / upLength};
  const double dl = std::sqrt(dot(d, d));
  const P forward{d.x / dl, d.y / dl, d.z / dl};
  double sx[3];
  double sy[3];
  for (int k = 0; k < 3; ++k) {
    const P rel = sub(pos(m.vertices[f[k]]), eye);
    const double z = dot(rel, forward);
    sx[k] = dot(rel, right) * 3.734 / z * 159.0 + 160.0;
    sy[k] = dot(rel, up) * 5.03 / z * 119.0 + 120.0;
  }
  return (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sy[1] - sy[0]) * (sx[2] - sx[0]);
}

TEST_F(DataSet, GridIsTwentyFourSquareRowByRowWithFlatBorder) {
  const Model grid = buildPlaneGrid();
  ASSERT_EQ(grid.vertices.size(), 576u);
  for (int r = 0; r < 24; ++r) {
    for (int c = 0; c < 24; ++c) {
      const ModelVertex& v = grid.vertices[static_cast<size_t>(r) * 24 + c];
      if (c > 0) {
        EXPECT_GT(v.x, grid.vertices[static_cast<size_t>(r) * 24 + c - 1].x);
      }
      if (r > 0) {
        EXPECT_GT(v.y, grid.vertices[static_cast<size_t>(r - 1) * 24 + c].y);
      }
      if (r == 0 || c == 0 || r == 23 || c == 23) {
        EXPECT_EQ(v.z, 0.0f) << r << "," << c;
      } else {
        EXPECT_GT(v.z, 0.0f);
        EXPECT_LE(v.z, 1.0f);
      }
    }
  }
  // The displacement reaches at most 254 x weight x 1.8 along z.
  float heaviest = 0.0f;
  for (const ModelVertex& v : grid.vertices) heaviest = std::max(heaviest, v.z);
  EXPECT_LE(254.0f * heaviest * 1.8f, 450.0f);
}

// The body's core is a sphere of about 66 units; its ring starts at 92.
constexpr double kRingInner = 90.0;

TEST_F(DataSet, ModelsFaceOutwardsAndSurviveTheCullFromTheirCameras) {
  struct Case {
    const char* name;
    Model model;
    std::vector<P> eyes;
  };
  const std::vector<P> circling = {{0, 0, -600}, {600, 30, 0}, {-420, -40, 300}, {300, 0, 700}};
  const std::vector<P> cubeEyes = {{0, 0, -600}, {500, 350, 200}, {-300, -400, -500}, {100, -560, 200}};
  std::vector<Case> cases;
  cases.push_back({"spike", buildSpikeBall(), circling});
  cases.push_back({"body", buildSpikeBody(), circling});
  cases.push_back({"cube", buildBevelCube(), cubeEyes});
  for (const Case& c : cases) {
    for (const auto& f : c.model.faces) {
      for (uint16_t i : f) ASSERT_LT(i, c.model.vertices.size()) << c.name;
      const P p0 = pos(c.model.vertices[f[0]]);
      const P n = cross(sub(pos(c.model.vertices[f[1]]), p0), sub(pos(c.model.vertices[f[2]]), p0));
      // Every face turns its front away from the centre, except the body's flat ring, which
      // has a face on either side.
      if (std::string(c.name) == "body" && std::sqrt(dot(p0, p0)) > kRingInner) continue;
      ASSERT_GT(dot(n, p0), 0.0) << c.name;
    }
    for (const P& eye : c.eyes) {
      int front = 0;
      for (const auto& f : c.model.faces) {
        const P p0 = pos(c.model.vertices[f[0]]);
        const P n = cross(sub(pos(c.model.vertices[f[1]]), p0), sub(pos(c.model.vertices[f[2]]), p0));
        const P toEye = sub(eye, p0);
        const double facing = dot(n, toEye) / std::sqrt(dot(n, n) * dot(toEye, toEye));
        if (facing > 0.05) {
          ++front;
          EXPECT_LT(screenArea(c.model, f, eye), 0.0) << c.name;
        } else if (facing < -0.05) {
          EXPECT_GT(screenArea(c.model, f, eye), 0.0) << c.name;
        }
      }
      EXPECT_GT(front, static_cast<int>(c.model.faces.size()) / 5) << c.name;
    }
  }
  // The grid, turned about z by any angle, shows its front to the plasma scene's camera.
  const Model grid = buildPlaneGrid();
  for (double angle : {0.0, 0.7, 2.0, 4.1}) {
    Model turned = grid;
    for (ModelVertex& v : turned.vertices) {
      const double x = v.x * std::cos(angle) - v.y * std::sin(angle);
      const double y = v.x * std::sin(angle) + v.y * std::cos(angle);
      v.x = static_cast<float>(x);
      v.y = static_cast<float>(y);
      v.z = 0.0f;
    }
    for (const auto& f : turned.faces) ASSERT_LT(screenArea(turned, f, {0, 200, -300}), 0.0);
  }
}

TEST_F(DataSet, SpikeTipsAreTheOutermostVertices) {
  const Model spikes = buildSpikeBall();
  const Model body = buildSpikeBody();
  float bodyMax = 0.0f;  // the core, without its ring
  for (const ModelVertex& v : body.vertices) {
    const float d = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (d < kRingInner) bodyMax = std::max(bodyMax, d);
  }
  std::vector<float> distances;
  for (const ModelVertex& v : spikes.vertices) distances.push_back(std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z));
  std::vector<int> uses(spikes.vertices.size(), 0);
  for (const auto& f : spikes.faces)
    for (uint16_t i : f) ++uses[i];
  const float farthest = *std::max_element(distances.begin(), distances.end());
  int tips = 0;
  for (size_t i = 0; i < distances.size(); ++i) {
    // A cone tip is shared by one triangle per side (8); ring vertices by six faces.
    if (uses[i] == 8) {
      ++tips;
      EXPECT_GT(distances[i], 0.75f * farthest);
      EXPECT_GT(distances[i], bodyMax * 1.5f) << "tips stand well clear of the core";
    } else {
      // Each cone's inner vertices are nearer than that cone's tip: the twist weights them more.
      EXPECT_LT(distances[i], 0.9f * farthest);
    }
  }
  EXPECT_GE(tips, 30);
  // The cones start inside the body, so their roots stay hidden.
  EXPECT_LT(*std::min_element(distances.begin(), distances.end()), bodyMax * 0.8f);
  // Frames the camera at 400 to 800 units: at 600 the frame's half-height is about 120.
  EXPECT_GT(farthest, 110.0f);
  EXPECT_LT(farthest, 190.0f);
}

TEST_F(DataSet, CubeIsBevelledAndMapped) {
  const Model cube = buildBevelCube();
  float extent = 0.0f;
  float minU = 1e9f;
  float maxU = -1e9f;
  for (const ModelVertex& v : cube.vertices) {
    extent = std::max({extent, std::fabs(v.x), std::fabs(v.y), std::fabs(v.z)});
    minU = std::min(minU, v.u);
    maxU = std::max(maxU, v.u);
  }
  EXPECT_GT(extent, 50.0f);
  EXPECT_LT(extent, 100.0f);
  EXPECT_GT(maxU - minU, 0.4f);
  // Bevelled: no vertex sits on a sharp corner of the bounding cube.
  for (const ModelVertex& v : cube.vertices) {
    const bool corner = std::fabs(v.x) > extent - 0.5f && std::fabs(v.y) > extent - 0.5f && std::fabs(v.z) > extent - 0.5f;
    EXPECT_FALSE(corner);
  }
}

TEST_F(DataSet, TwoRunsGiveTheSameBytes) {
  for (const std::string& name : dataFileNames()) {
    if (name == kSoundtrackName) continue;
    const std::vector<uint8_t> first = build(name);
    const std::vector<uint8_t> second = build(name);
    EXPECT_FALSE(first.empty()) << name;
    EXPECT_TRUE(first == second) << name;
  }
}

TEST(DataSetFolder, LeavesAnExistingFolderAloneWithoutForce) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("datagen_test_" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  {
    std::ofstream mine(root / "progress.tga");
    mine << "my own picture";
  }
  std::string error;
  EXPECT_FALSE(writeDataSet(root.string(), false, error));
  EXPECT_NE(error.find("--force"), std::string::npos) << error;
  std::ifstream kept(root / "progress.tga");
  std::string content;
  std::getline(kept, content);
  EXPECT_EQ(content, "my own picture");

  // A file where the folder should be is refused too.
  const fs::path file = root / "plain_file";
  { std::ofstream(file) << "x"; }
  error.clear();
  EXPECT_FALSE(writeDataSet(file.string(), true, error));
  EXPECT_FALSE(error.empty());
  fs::remove_all(root);
}

}  // namespace
}  // namespace orvanta::datagen
