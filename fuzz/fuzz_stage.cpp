#include "fuzz_stage.h"

#include <cstring>

#include "engine/render_target.h"

namespace orvanta::fuzz {
namespace {

void makeTexture(Image& image, int32_t shift) {
  image.create(1 << shift, 1 << shift);
  image.widthShift = shift;
  image.widthMask = static_cast<uint32_t>((1 << shift) - 1);
  uint32_t state = 12345;
  for (size_t i = 0; i < image.pixelCount(); ++i) {
    state = state * 1103515245u + 12345u;
    image.pixels[i] = state;
  }
}

void makeCube(Mesh& mesh) {
  static const float kCorners[8][3] = {{-60, -60, -60}, {60, -60, -60}, {60, 60, -60}, {-60, 60, -60},
                                       {-60, -60, 60},  {60, -60, 60},  {60, 60, 60},  {-60, 60, 60}};
  static const int32_t kTriangles[12][3] = {{0, 1, 2}, {0, 2, 3}, {4, 6, 5}, {4, 7, 6}, {0, 4, 5}, {0, 5, 1},
                                            {3, 2, 6}, {3, 6, 7}, {0, 3, 7}, {0, 7, 4}, {1, 5, 6}, {1, 6, 2}};
  mesh.allocate(8, 24);
  for (int32_t i = 0; i < 8; ++i) {
    mesh.vertices[i].position = Vec3{kCorners[i][0], kCorners[i][1], kCorners[i][2]};
    mesh.vertices[i].u = static_cast<float>(i & 1);
    mesh.vertices[i].v = static_cast<float>((i >> 1) & 1);
  }
  for (int32_t i = 0; i < 12; ++i) {
    for (int corner = 0; corner < 3; ++corner) {
      MeshFace& front = mesh.faces[i * 2];
      MeshFace& back = mesh.faces[i * 2 + 1];
      front.indices[corner] = kTriangles[i][corner];
      back.indices[corner] = kTriangles[i][2 - corner];
      for (MeshFace* face : {&front, &back}) {
        face->corners[corner].u = mesh.vertices[face->indices[corner]].u;
        face->corners[corner].v = mesh.vertices[face->indices[corner]].v;
      }
    }
  }
  mesh.computeFaceNormals();
  mesh.computeVertexNormals();
}

}  // namespace

Stage& stage() {
  static Stage* built = [] {
    auto* s = new Stage;
    s->frame.create(kFrameWidth, kFrameHeight);
    s->work.create(kFrameWidth, kFrameHeight);
    s->heights.create(kFrameWidth, kFrameHeight);
    makeTexture(s->texture64, 6);
    makeCube(s->cube);
    s->camera.lookAt(40.0f, -120.0f, -300.0f, 0.0f, 0.0f, 0.0f);
    s->projector.lookAt(-60.0f, -100.0f, -280.0f, 0.0f, 0.0f, 0.0f);
    return s;
  }();
  return *built;
}

void clearDepth() {
  DepthBuffer& depth = stage().depth;
  std::memset(depth.values, 0, sizeof(int32_t) * static_cast<size_t>(depth.width) * static_cast<size_t>(depth.height));
}

void drawWithTextureSet(Mesh& mesh, const TextureSet& set) {
  Stage& s = stage();
  mesh.setOrientationScale(1.0f, 1.0f, 1.0f);
  mesh.rotate(20.0f, 30.0f, 0.0f);
  mesh.setPosition(0.0f, 0.0f, 0.0f);
  if (set.flags & kVertexUvLayer2) mesh.projectTextureCoords(1, s.projector);
  mesh.drawMesh(RenderTarget{s.frame, s.depth}, s.camera, set);
}

void drawInEveryRole(Mesh& mesh, const Image& picture) {
  const Image good = stage().texture64;
  clearDepth();
  // The flag words the scenes use. A single-texture set reads only its texture; the
  // two-layer sets read all three images.
  for (int32_t flags : {kTextured, kTextured | kEnvLayer1}) {
    TextureSet set;
    set.setFlags(flags);
    set.texture = picture;
    drawWithTextureSet(mesh, set);
  }
  for (int32_t flags : {kTextured | kTwoLayer | kEnvLayer2 | kBumpMap | kAddLayers,
                        kTextured | kTwoLayer | kBumpMap | kAddLayers | kVertexUvLayer2}) {
    for (int role = 0; role < 4; ++role) {
      TextureSet set;
      set.setFlags(flags);
      set.texture = role == 0 || role == 3 ? picture : good;
      set.envMap = role == 1 || role == 3 ? picture : good;
      set.extra = role == 2 || role == 3 ? picture : good;
      drawWithTextureSet(mesh, set);
    }
  }
}

}  // namespace orvanta::fuzz
