// Meshes drawn through the whole engine (transform, cull, texture coordinates, clipping,
// setup and spans) and checked against coverage and texels worked out by hand.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <utility>
#include <vector>

#include "engine/engine_test_support.h"
#include "engine/pipeline.h"

namespace orvanta {
namespace {

using testing::buildMesh;
using testing::Frame;
using testing::identityCamera;
using testing::positionTexel;
using testing::Quad;
using testing::square;

TextureSet flatSet(Frame& frame, uint32_t colour, int32_t flags = kTextured) {
  TextureSet set;
  set.flags = flags;
  set.texture = frame.flat(16, colour);
  return set;
}

// 64 x 64: half 32, scale 31. A square of half-size 32 at z = 64 projects to 16.5 .. 47.5
// on both axes, so the pixel centres 17 .. 47 are inside it.
TEST(DrawMesh, SquareFacingTheCameraCoversThePixelCentresInsideIt) {
  Frame frame(64, 64);
  const TextureSet set = flatSet(frame, 0xFF00FF00u);
  Mesh mesh;
  buildMesh(mesh, {square(32.0f, 64.0f)});
  mesh.drawMesh(frame.target(), identityCamera(), set);
  EXPECT_TRUE(frame.fills(0xFF00FF00u, 17, 17, 47, 47));  // the shared diagonal leaves no gap
  EXPECT_EQ(frame.countDrawn(), 31 * 31);
  EXPECT_EQ(frame.depth(30, 30), 0x1FFFC00);  // 32767 / 64 in 16.16
  EXPECT_EQ(mesh.vertices[0].screenX, 16.5f);

  // The same square built at half size, then scaled and placed by the mesh.
  const std::vector<uint32_t> pixels = frame.pixels();
  frame.clear();
  buildMesh(mesh, {square(16.0f, 0.0f)});
  mesh.setOrientationScale(2.0f, 2.0f, 1.0f);
  mesh.setPosition(0.0f, 0.0f, 64.0f);
  mesh.drawMesh(frame.target(), identityCamera(), set);
  EXPECT_EQ(frame.pixels(), pixels);
}

TEST(DrawMesh, TexelsFollowTheCornerCoordinates) {
  // 66 wide: screen x = view x / 2 + 33 at z = 64, exactly. The rectangle spans columns
  // 16.5 .. 47.5 and rows 16.25 .. 40.25, and its corner coordinates are the screen position
  // plus half a texel, so the pixel at column c, row r samples texel (c, r).
  Frame frame(66, 66);
  TextureSet set;
  set.flags = kTextured;
  set.texture = frame.texture(64, positionTexel);
  const float left = 17.0f / 64, right = 48.0f / 64, top = 16.75f / 64, bottom = 40.75f / 64;
  const Quad quad = {{{-33.0f, -33.5f, 64.0f}, {-33.0f, 14.5f, 64.0f}, {29.0f, 14.5f, 64.0f}, {29.0f, -33.5f, 64.0f}},
                     {{left, top}, {left, bottom}, {right, bottom}, {right, top}}};
  Mesh mesh;
  buildMesh(mesh, {quad});
  mesh.drawMesh(frame.target(), identityCamera(), set);
  EXPECT_EQ(frame.countDrawn(), 31 * 24);
  for (int y = 17; y <= 40; ++y) {
    for (int x = 17; x <= 47; ++x) ASSERT_EQ(frame.pixel(x, y), positionTexel(x, y)) << x << "," << y;
  }
}

TEST(DrawMesh, EnvironmentMappingReadsTheViewNormals) {
  Frame frame(64, 64);
  TextureSet set;
  set.texture = frame.texture(256, positionTexel);
  Mesh mesh;
  buildMesh(mesh, {square(32.0f, 64.0f)});
  // Face normal (0, 0, -1), towards the eye: u = v = 127 * 0 + 128 at every corner.
  set.flags = kTextured | kEnvLayer1 | kFaceNormalLayer1;
  mesh.drawMesh(frame.target(), identityCamera(), set);
  EXPECT_EQ(frame.count(positionTexel(128, 128)), 31 * 31);
  // Vertex normals: -1 maps to texel 1, +1 to texel 255.
  const struct {
    Vec3 normal;
    uint32_t texel;
  } cases[] = {{{-1, 0, 0}, positionTexel(1, 128)},
               {{1, 0, 0}, positionTexel(255, 128)},
               {{0, -1, 0}, positionTexel(128, 1)},
               {{0, 1, 0}, positionTexel(128, 255)}};
  set.flags = kTextured | kEnvLayer1;
  for (const auto& c : cases) {
    for (int k = 0; k < 4; ++k) mesh.vertices[k].normal = c.normal;
    frame.clear();
    mesh.drawMesh(frame.target(), identityCamera(), set);
    EXPECT_EQ(frame.count(c.texel), 31 * 31) << c.normal.x << "," << c.normal.y;
  }
}

TEST(DrawMesh, ProjectedTextureCoordinatesMapTheFixedFrameOntoTheUnitSquare) {
  Mesh mesh;
  mesh.allocate(3, 0);
  mesh.vertices[0].position = {0.0f, 0.0f, 100.0f};       // frame centre
  mesh.vertices[1].position = {200.0f, -110.0f, 100.0f};  // (478, -10.9): clamped
  mesh.vertices[2].position = {-25.0f, 30.0f, 50.0f};     // (80.5, 191.4)
  mesh.vertices[2].u = 0.25f;
  const Camera camera = identityCamera();
  mesh.projectTextureCoords(1, camera);
  EXPECT_FLOAT_EQ(mesh.vertices[0].u2, 0.5f);
  EXPECT_FLOAT_EQ(mesh.vertices[0].v2, 0.5f);
  EXPECT_EQ(mesh.vertices[1].u2, 1.0f);
  EXPECT_EQ(mesh.vertices[1].v2, 0.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[2].u2, 80.5f / 320.0f);
  EXPECT_FLOAT_EQ(mesh.vertices[2].v2, 191.4f / 240.0f);
  EXPECT_EQ(mesh.vertices[2].u, 0.25f);  // the other layer is left alone
  Mesh empty;
  empty.projectTextureCoords(0, camera);  // never loaded: nothing to do, nothing made
  EXPECT_EQ(empty.vertexCount, 0);
  EXPECT_EQ(empty.vertices, nullptr);

  // The cube scene's path: the second layer sampled where the same camera draws the vertex
  // (a flat height map and a black base leave the second texel as it is).
  Frame frame(320, 240);
  TextureSet set;
  set.flags = kTwoLayer | kBumpMap | kAddLayers | kVertexUvLayer2;
  set.texture = frame.flat(256, 0);
  set.envMap = frame.texture(256, positionTexel);
  set.extra = frame.flat(256, 0x00404040u);
  buildMesh(mesh, {square(90.0f, 100.0f)});
  mesh.projectTextureCoords(1, camera);
  mesh.drawMesh(frame.target(), camera, set);
  for (int y = 40; y < 200; y += 7) {
    for (int x = 40; x < 280; x += 9) {
      const uint32_t texel = frame.pixel(x, y);
      ASSERT_NE(texel, 0u);
      EXPECT_NEAR(static_cast<int>(texel & 0xFFF), x * 256.0 / 320.0, 1.0) << x << "," << y;
      EXPECT_NEAR(static_cast<int>((texel >> 12) & 0xFFF), y * 256.0 / 240.0, 1.0) << x << "," << y;
    }
  }
}

TEST(DrawMesh, NearerQuadWinsWhateverTheOrderAndBackFacesAreCulledUnlessTranslucent) {
  const Quad nearQuad = square(32.0f, 64.0f, {0.25f, 0.25f});  // red, 16.5 .. 47.5
  const Quad farQuad = square(96.0f, 128.0f, {0.75f, 0.25f});  // blue, 8.75 .. 55.25
  for (const auto& quads : {std::vector<Quad>{nearQuad, farQuad}, std::vector<Quad>{farQuad, nearQuad}}) {
    Frame frame(64, 64);
    TextureSet set;
    set.flags = kTextured;
    set.texture = frame.texture(16, [](int32_t column, int32_t) { return column < 8 ? 0xFFFF0000u : 0xFF0000FFu; });
    Mesh mesh;
    buildMesh(mesh, quads);
    mesh.drawMesh(frame.target(), identityCamera(), set);
    EXPECT_TRUE(frame.fills(0xFFFF0000u, 17, 17, 47, 47));
    EXPECT_EQ(frame.count(0xFF0000FFu), 47 * 47 - 31 * 31);  // columns and rows 9 .. 55 around it
    EXPECT_EQ(frame.pixel(9, 9), 0xFF0000FFu);
    EXPECT_EQ(frame.pixel(55, 55), 0xFF0000FFu);
  }

  Quad back = square(32.0f, 64.0f);
  std::swap(back.corners[1], back.corners[3]);  // clockwise on the screen
  Frame frame(64, 64);
  Mesh mesh;
  buildMesh(mesh, {back});
  mesh.drawMesh(frame.target(), identityCamera(), flatSet(frame, 0xFFFFFFFFu));
  EXPECT_EQ(frame.countDrawn(), 0);
  mesh.drawMesh(frame.target(), identityCamera(), flatSet(frame, 0xFFFFFFFFu, kTextured | kTranslucent));
  EXPECT_TRUE(frame.fills(0x7F7F7F7Fu, 17, 17, 47, 47));  // half and half with black
  EXPECT_EQ(frame.depth(30, 30), 0);
}

TEST(DrawMesh, FaceCrossingTheNearPlaneIsClippedToItsVisiblePart) {
  // A floor strip 20 below the eye from z = 8 to z = 200, x from -20 to 20. Row y sees the
  // floor at z = 620 / (y - 32); cut at z = 32 it reaches down to row 51.375.
  Frame frame(64, 64);
  const Quad floor = {{{-20, 20, 200}, {-20, 20, 8}, {20, 20, 8}, {20, 20, 200}}, {}};
  Mesh mesh;
  buildMesh(mesh, {floor});
  mesh.drawMesh(frame.target(), identityCamera(), flatSet(frame, 0xFFFFFFFFu));
  for (int y = 0; y < 64; ++y) {
    const double z = 620.0 / (y - 32.0);
    const bool rowVisible = y > 32 && z >= 32.0 && z <= 200.0;  // rows 36 .. 51
    const double halfWidth = rowVisible ? 20.0 / z * 31.0 : -2.0;
    for (int x = 0; x < 64; ++x) {
      const double fromCentre = std::abs(x - 32.0);
      const bool drawn = frame.pixel(x, y) != 0;
      EXPECT_TRUE(std::abs(fromCentre - halfWidth) <= 1.0 || drawn == (fromCentre < halfWidth)) << x << "," << y;
    }
    EXPECT_NEAR(frame.depth(32, y) / 65536.0, rowVisible ? 32767.0 / z : 0.0, 0.5) << y;
  }
}

TEST(DrawMesh, UnusableInputsDrawNothing) {
  Frame frame(64, 64);
  const TextureSet set = flatSet(frame, 0xFFFFFFFFu, kTextured | kTranslucent);
  Mesh empty;  // a model that failed to load
  empty.drawMesh(frame.target(), identityCamera(), set);
  Mesh mesh;
  buildMesh(mesh, {square(32.0f, 64.0f)});
  TextureSet odd = set;  // a texture the spans cannot address; the mesh still gets its view
  odd.texture.height = 8;
  mesh.drawMesh(frame.target(), identityCamera(), odd);
  EXPECT_EQ(mesh.vertices[0].view.z, 64.0f);
  EXPECT_EQ(mesh.faces[0].viewFaceNormal.z, -1.0f);
  Camera down;  // looking straight down: no right vector, a NaN matrix
  down.lookAt(0.0f, -100.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  mesh.drawMesh(frame.target(), down, set);
  for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()}) {
    mesh.vertices[2].position.x = bad;  // in both faces, as a damaged file may hold
    mesh.drawMesh(frame.target(), identityCamera(), set);
  }
  EXPECT_EQ(frame.countDrawn(), 0);

  // A target the depth buffer does not cover row for row.
  buildMesh(mesh, {square(32.0f, 64.0f)});
  for (const auto& [width, height, drawable] : std::vector<std::tuple<int32_t, int32_t, bool>>{
           {64, 64, true}, {64, 65, true}, {65, 64, false}, {64, 63, false}, {0, 0, false}}) {
    frame.depthBuffer = width == 0 ? DepthBuffer{} : DepthBuffer(width, height);
    EXPECT_EQ(targetDrawable(frame.target()), drawable) << width << "x" << height;
    mesh.drawMesh(frame.target(), identityCamera(), set);
    EXPECT_EQ(frame.countDrawn() != 0, drawable) << width << "x" << height;
    frame.image.clear();
  }
  Image none;
  DepthBuffer covering(kFrameWidth, kFrameHeight);
  EXPECT_FALSE(targetDrawable({none, covering}));
}

}  // namespace
}  // namespace orvanta
