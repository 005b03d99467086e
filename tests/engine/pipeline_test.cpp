// Meshes drawn through the whole engine (transform, cull, texture coordinates, clipping,
// setup and spans) and checked against coverage and texels worked out by hand.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/camera.h"
#include "engine/pipeline.h"
#include "engine/raster_test_support.h"

namespace orvanta {
namespace {

using testing::Frame;
using testing::makeFlatTexture;
using testing::makeTexture;
using testing::positionTexel;

// View space equals world space: the projection is then easy to work out by hand.
Camera identityCamera() {
  Camera camera;
  camera.eye = Vec3{};
  camera.viewMatrix.setIdentity();
  return camera;
}

// Corners in screen order top-left, bottom-left, bottom-right, top-right (counter-clockwise
// with y down, so facing the camera), with texture coordinates in 0..1.
struct Quad {
  Vec3 corners[4];
  FaceCorner uv[4];
};

Quad square(float half, float z, FaceCorner uv = {0.0f, 0.0f}) {
  return Quad{{{-half, -half, z}, {-half, half, z}, {half, half, z}, {half, -half, z}}, {uv, uv, uv, uv}};
}

void buildMesh(Mesh& mesh, const std::vector<Quad>& quads) {
  mesh.allocate(static_cast<int32_t>(quads.size() * 4), static_cast<int32_t>(quads.size() * 2));
  for (size_t q = 0; q < quads.size(); ++q) {
    const int32_t base = static_cast<int32_t>(q * 4);
    for (int k = 0; k < 4; ++k) mesh.vertices[base + k].position = quads[q].corners[k];
    const int corners[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int f = 0; f < 2; ++f) {
      MeshFace& face = mesh.faces[q * 2 + f];
      for (int k = 0; k < 3; ++k) {
        face.indices[k] = base + corners[f][k];
        face.corners[k] = quads[q].uv[corners[f][k]];
      }
    }
  }
  mesh.computeFaceNormals();
  mesh.computeVertexNormals();
}

struct Box {
  int left = 1 << 30;
  int top = 1 << 30;
  int right = -1;
  int bottom = -1;
  int count = 0;
};

Box drawnBox(const Frame& frame, uint32_t colour) {
  Box box;
  for (int y = 0; y < frame.image.height; ++y) {
    for (int x = 0; x < frame.image.width; ++x) {
      if (frame.pixel(x, y) != colour) continue;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
      ++box.count;
    }
  }
  return box;
}

TextureSet flatSet(uint32_t colour, int32_t flags = kTextured) {
  TextureSet set;
  set.flags = flags;
  set.texture = makeFlatTexture(16, colour);
  return set;
}

// 64 x 64: half 32, scale 31. A square of half-size 32 at z = 64 projects to 16.5 .. 47.5
// on both axes, so the pixel centres 17 .. 47 are inside it.
TEST(DrawMesh, SquareFacingTheCameraCoversThePixelCentresInsideIt) {
  Frame frame(64, 64);
  TextureSet set = flatSet(0xFF00FF00u);
  Mesh mesh;
  buildMesh(mesh, {square(32.0f, 64.0f)});
  mesh.drawMesh(frame.image, identityCamera(), set);
  const Box box = drawnBox(frame, 0xFF00FF00u);
  EXPECT_EQ(box.left, 17);
  EXPECT_EQ(box.right, 47);
  EXPECT_EQ(box.top, 17);
  EXPECT_EQ(box.bottom, 47);
  EXPECT_EQ(box.count, 31 * 31);  // the shared diagonal leaves no gap
  EXPECT_EQ(frame.countDrawn(), 31 * 31);
  // Depth 64 everywhere: 32767 / 64 in 16.16.
  EXPECT_EQ(frame.depth(30, 30), toFixed(32767.0f / 64.0f));
  EXPECT_EQ(frame.depth(16, 30), 0);

  // The same square built at half size, then scaled and placed by the mesh.
  Frame placed(64, 64);
  Mesh small;
  buildMesh(small, {square(16.0f, 0.0f)});
  small.setOrientationScale(2.0f, 2.0f, 1.0f);
  small.setPosition(0.0f, 0.0f, 64.0f);
  small.drawMesh(placed.image, identityCamera(), set);
  EXPECT_EQ(std::vector<uint32_t>(placed.image.pixels, placed.image.pixels + 64 * 64),
            std::vector<uint32_t>(frame.image.pixels, frame.image.pixels + 64 * 64));
  releasePixels(set.texture);
}

TEST(DrawMesh, ProjectsThroughALookAtCamera) {
  Frame frame(64, 64);
  TextureSet set = flatSet(0xFFFFFFFFu);
  Mesh mesh;
  buildMesh(mesh, {square(40.0f, 0.0f)});
  Camera camera;
  camera.lookAt(0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f);
  mesh.drawMesh(frame.image, camera, set);
  // Half extents on the screen: 40 / 300 of the cotangents of the half fields of view, times 31.
  const double halfX = 40.0 / 300.0 / std::tan(0.52333337 / 2.0) * 31.0;
  const double halfY = 40.0 / 300.0 / std::tan(0.39250004 / 2.0) * 31.0;
  const Box box = drawnBox(frame, 0xFFFFFFFFu);
  EXPECT_EQ(box.left, static_cast<int>(std::ceil(32.0 - halfX)));
  EXPECT_EQ(box.right, static_cast<int>(std::ceil(32.0 + halfX)) - 1);
  EXPECT_EQ(box.top, static_cast<int>(std::ceil(32.0 - halfY)));
  EXPECT_EQ(box.bottom, static_cast<int>(std::ceil(32.0 + halfY)) - 1);
  EXPECT_EQ(box.count, (box.right - box.left + 1) * (box.bottom - box.top + 1));
  releasePixels(set.texture);
}

TEST(DrawMesh, VertexFieldsFollowTheProjection) {
  Frame frame(320, 240);
  Mesh mesh;
  mesh.allocate(4, 0);
  mesh.vertices[0].position = {100.0f, 0.0f, 100.0f};
  mesh.vertices[1].position = {-100.0f, 0.0f, 100.0f};
  mesh.vertices[2].position = {0.0f, 0.0f, 100.0f};
  mesh.vertices[3].position = {0.0f, 50.0f, 50.0f};
  TextureSet nothing;
  mesh.drawMesh(frame.image, identityCamera(), nothing);
  EXPECT_EQ(mesh.vertices[0].screenX, 319.0f);
  EXPECT_EQ(mesh.vertices[1].screenX, 1.0f);
  EXPECT_EQ(mesh.vertices[2].screenX, 160.0f);
  EXPECT_EQ(mesh.vertices[2].screenY, 120.0f);
  EXPECT_EQ(mesh.vertices[3].screenY, 239.0f);
  EXPECT_EQ(mesh.vertices[3].depth, 50.0f);
  EXPECT_EQ(mesh.vertices[2].clipCode, 0u);
  // A normal no face gave a direction stays NaN through the transform.
  EXPECT_TRUE(std::isnan(mesh.vertices[0].viewNormal.x));
}

TEST(DrawMesh, TexelsFollowTheCornerCoordinates) {
  // 66 wide: screen x = view x / 2 + 33 at z = 64, exactly. The rectangle spans columns
  // 16.5 .. 47.5 and rows 16.25 .. 40.25, and its corner coordinates are the screen
  // position plus half a texel, so the pixel at column c, row r samples texel (c, r).
  // (Its diagonal never passes through a pixel centre, where a left edge samples one texel
  // further on.)
  Frame frame(66, 66);
  TextureSet set;
  set.flags = kTextured;
  set.texture = makeTexture(64, positionTexel);
  const Quad quad = {{{-33.0f, -33.5f, 64.0f}, {-33.0f, 14.5f, 64.0f}, {29.0f, 14.5f, 64.0f}, {29.0f, -33.5f, 64.0f}},
                     {{17.0f / 64, 16.75f / 64}, {17.0f / 64, 40.75f / 64}, {48.0f / 64, 40.75f / 64},
                      {48.0f / 64, 16.75f / 64}}};
  Mesh mesh;
  buildMesh(mesh, {quad});
  mesh.drawMesh(frame.image, identityCamera(), set);
  EXPECT_EQ(frame.countDrawn(), 31 * 24);
  for (int y = 17; y <= 40; ++y) {
    for (int x = 17; x <= 47; ++x) ASSERT_EQ(frame.pixel(x, y), positionTexel(x, y)) << x << "," << y;
  }
  releasePixels(set.texture);
}

TEST(DrawMesh, EnvironmentMappingReadsTheViewNormals) {
  TextureSet set;
  set.texture = makeTexture(256, positionTexel);
  Frame frame(64, 64);
  Mesh mesh;
  buildMesh(mesh, {square(32.0f, 64.0f)});

  // Face normal (0, 0, -1), towards the eye: u = v = 127 * 0 + 128 at every corner.
  set.flags = kTextured | kEnvLayer1 | kFaceNormalLayer1;
  mesh.drawMesh(frame.image, identityCamera(), set);
  EXPECT_EQ(drawnBox(frame, positionTexel(128, 128)).count, 31 * 31);

  // Vertex normals: -1 maps to texel 1, +1 to texel 255.
  const Vec3 normals[] = {{-1.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, -1.0f, 0.0f}, {0.0f, 1.0f, 0.0f}};
  const uint32_t expected[] = {positionTexel(1, 128), positionTexel(255, 128), positionTexel(128, 1),
                               positionTexel(128, 255)};
  set.flags = kTextured | kEnvLayer1;
  for (int n = 0; n < 4; ++n) {
    for (int k = 0; k < 4; ++k) mesh.vertices[k].normal = normals[n];
    frame.image.clear();
    clearDepthBuffer();
    mesh.drawMesh(frame.image, identityCamera(), set);
    EXPECT_EQ(drawnBox(frame, expected[n]).count, 31 * 31) << n;
  }
  releasePixels(set.texture);
}

TEST(DrawMesh, ProjectedSecondLayerSamplesWhereTheVertexIsDrawn) {
  // The cube scene's path: screen-space coordinates for the second layer from the same
  // camera; a flat height map and a black base leave the second texel as it is.
  Frame frame(320, 240);
  TextureSet set;
  set.flags = kTwoLayer | kBumpMap | kAddLayers | kVertexUvLayer2;
  set.texture = makeFlatTexture(256, 0);
  set.envMap = makeTexture(256, positionTexel);
  set.extra = makeFlatTexture(256, 0x00404040u);
  Mesh mesh;
  buildMesh(mesh, {square(90.0f, 100.0f)});
  const Camera camera = identityCamera();
  mesh.projectTextureCoords(1, camera);
  mesh.drawMesh(frame.image, camera, set);
  int checked = 0;
  for (int y = 40; y < 200; y += 7) {
    for (int x = 40; x < 280; x += 9) {
      const uint32_t texel = frame.pixel(x, y);
      ASSERT_NE(texel, 0u);
      const int column = static_cast<int>(texel & 0xFFF);
      const int row = static_cast<int>((texel >> 12) & 0xFFF);
      // Frame position scaled to the 256-texel layer.
      EXPECT_NEAR(column, x * 256.0 / 320.0, 1.0) << x << "," << y;
      EXPECT_NEAR(row, y * 256.0 / 240.0, 1.0) << x << "," << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 100);
  releasePixels(set.texture);
  releasePixels(set.envMap);
  releasePixels(set.extra);
}

TEST(DrawMesh, NearerQuadWinsWhateverTheOrder) {
  TextureSet set;
  set.flags = kTextured;
  // Left half red, right half blue; constant corner coordinates pick one colour per quad.
  set.texture = makeTexture(16, [](int32_t column, int32_t) { return column < 8 ? 0xFFFF0000u : 0xFF0000FFu; });
  const Quad nearQuad = square(32.0f, 64.0f, {0.25f, 0.25f});   // red, 16.5 .. 47.5
  const Quad farQuad = square(96.0f, 128.0f, {0.75f, 0.25f});   // blue, 8.75 .. 55.25
  std::vector<uint32_t> images[2];
  for (int order = 0; order < 2; ++order) {
    Frame frame(64, 64);
    Mesh mesh;
    buildMesh(mesh, order == 0 ? std::vector<Quad>{nearQuad, farQuad} : std::vector<Quad>{farQuad, nearQuad});
    mesh.drawMesh(frame.image, identityCamera(), set);
    const Box red = drawnBox(frame, 0xFFFF0000u);
    const Box blue = drawnBox(frame, 0xFF0000FFu);
    EXPECT_EQ(red.count, 31 * 31);
    EXPECT_EQ(red.left, 17);
    EXPECT_EQ(red.bottom, 47);
    EXPECT_EQ(blue.count, 47 * 47 - 31 * 31);  // columns and rows 9 .. 55, minus the near square
    EXPECT_EQ(blue.left, 9);
    EXPECT_EQ(blue.right, 55);
    images[order].assign(frame.image.pixels, frame.image.pixels + 64 * 64);
  }
  EXPECT_EQ(images[0], images[1]);
  releasePixels(set.texture);
}

TEST(DrawMesh, BackFacesAreCulledUnlessTranslucent) {
  Quad back = square(32.0f, 64.0f);
  std::swap(back.corners[1], back.corners[3]);  // clockwise on the screen
  Mesh mesh;
  buildMesh(mesh, {back});
  {
    Frame frame(64, 64);
    TextureSet set = flatSet(0xFFFFFFFFu);
    mesh.drawMesh(frame.image, identityCamera(), set);
    EXPECT_EQ(frame.countDrawn(), 0);
    releasePixels(set.texture);
  }
  {
    Frame frame(64, 64);
    TextureSet set = flatSet(0xFFFFFFFFu, kTextured | kTranslucent);
    mesh.drawMesh(frame.image, identityCamera(), set);
    // Half and half with black, and no depth written.
    EXPECT_EQ(drawnBox(frame, 0x7F7F7F7Fu).count, 31 * 31);
    EXPECT_EQ(frame.depth(30, 30), 0);
    releasePixels(set.texture);
  }
}

TEST(DrawMesh, FaceCrossingTheNearPlaneIsClippedToItsVisiblePart) {
  // A floor strip 20 below the eye from z = 8 to z = 200, x from -20 to 20. Cut at z = 32 it
  // reaches down to row 20 / 32 * 31 + 32 = 51.375; unclipped it would run off the frame.
  Frame frame(64, 64);
  TextureSet set = flatSet(0xFFFFFFFFu);
  const Quad floor = {{{-20.0f, 20.0f, 200.0f}, {-20.0f, 20.0f, 8.0f}, {20.0f, 20.0f, 8.0f}, {20.0f, 20.0f, 200.0f}},
                      {}};
  Mesh mesh;
  buildMesh(mesh, {floor});
  mesh.drawMesh(frame.image, identityCamera(), set);

  int drawnRows = 0;
  for (int y = 0; y < 64; ++y) {
    // Row y sees the floor at z = 620 / (y - 32); its edges are at x = +-20 there.
    const double z = 620.0 / (y - 32.0);
    const bool rowVisible = y > 32 && z >= 32.0 && z <= 200.0;
    const double halfWidth = rowVisible ? 20.0 / z * 31.0 : 0.0;
    for (int x = 0; x < 64; ++x) {
      const bool drawn = frame.pixel(x, y) != 0;
      if (!rowVisible) {
        EXPECT_FALSE(drawn) << x << "," << y;
        continue;
      }
      const double fromCentre = std::abs(x - 32.0);
      if (fromCentre < halfWidth - 1.0) {
        EXPECT_TRUE(drawn) << x << "," << y;
      }
      if (fromCentre > halfWidth + 1.0) {
        EXPECT_FALSE(drawn) << x << "," << y;
      }
      if (drawn && x == 32) {
        EXPECT_NEAR(frame.depth(x, y) / 65536.0, 32767.0 / z, 0.5) << y;
      }
    }
    drawnRows += frame.pixel(32, y) != 0 ? 1 : 0;
  }
  EXPECT_EQ(frame.pixel(32, 51), 0xFFFFFFFFu);  // the row just above the cut
  EXPECT_EQ(frame.pixel(32, 52), 0u);
  EXPECT_EQ(drawnRows, 51 - 36 + 1);  // rows 36 (z = 155) to 51 (z = 32.6)
  releasePixels(set.texture);
}

TEST(DrawMesh, UnusableInputsDrawNothing) {
  Frame frame(64, 64);
  Mesh empty;  // a model that failed to load
  TextureSet set = flatSet(0xFFFFFFFFu, kTextured | kTranslucent);
  empty.drawMesh(frame.image, identityCamera(), set);
  EXPECT_EQ(frame.countDrawn(), 0);

  Mesh mesh;
  buildMesh(mesh, {square(32.0f, 64.0f)});

  // A texture the spans cannot address: nothing drawn, but the mesh still gets its view.
  TextureSet odd = set;
  Image wide;
  wide.create(32, 16);
  odd.texture = wide;
  mesh.drawMesh(frame.image, identityCamera(), odd);
  EXPECT_EQ(frame.countDrawn(), 0);
  EXPECT_EQ(mesh.vertices[0].view.z, 64.0f);
  EXPECT_EQ(mesh.faces[0].viewFaceNormal.z, -1.0f);

  // A target the depth buffer does not cover.
  Image other;
  other.create(80, 64);
  mesh.drawMesh(other, identityCamera(), set);
  EXPECT_EQ(std::count(other.pixels, other.pixels + 80 * 64, 0u), 80 * 64);

  // A camera looking straight down has no right vector: its matrix is NaN.
  Camera down;
  down.lookAt(0.0f, -100.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  mesh.drawMesh(frame.image, down, set);
  EXPECT_EQ(frame.countDrawn(), 0);

  // Non-finite model coordinates, as a damaged file may hold.
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (float bad : {nan, inf, -inf}) {
    buildMesh(mesh, {square(32.0f, 64.0f)});
    mesh.vertices[2].position.x = bad;
    mesh.drawMesh(frame.image, identityCamera(), set);
    // Vertex 2 is a corner of both faces.
    EXPECT_EQ(frame.countDrawn(), 0) << bad;
  }
  releasePixels(wide);
  releasePixels(other);
  releasePixels(set.texture);
}

}  // namespace
}  // namespace orvanta
