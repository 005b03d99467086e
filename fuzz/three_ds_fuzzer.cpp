// libFuzzer target: any bytes as a 3DS file, handed straight to the byte reader, then the
// mesh through what the scenes do with meshes: normals, drawing with each kind of texture
// set, the spike twist and the grid displacement.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "base/messages.h"
#include "fuzz_stage.h"
#include "scenes/plasma_plane_scene.h"
#include "scenes/spike_scene.h"

namespace {

using namespace orvanta;

void ignoreMessage(const char*, const char*) {}

void drawEveryWay(Mesh& mesh) {
  const Image good = fuzz::stage().texture64;
  fuzz::clearDepth();
  constexpr int32_t kFlagWords[] = {
      kTextured,
      kTextured | kEnvLayer1,
      kTextured | kTwoLayer | kEnvLayer2 | kBumpMap | kAddLayers,
      kTextured | kTwoLayer | kBumpMap | kAddLayers | kVertexUvLayer2,
      kWireframe | kTranslucent | kEnvLayer1 | kFaceNormalLayer1,
  };
  for (int32_t flags : kFlagWords) {
    TextureSet set;
    set.setFlags(flags);
    set.texture = good;
    set.envMap = good;
    set.extra = good;
    fuzz::drawWithTextureSet(mesh, set);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = [] {
    setMessageHook(ignoreMessage);
    return true;
  }();
  (void)quiet;

  const std::span<const uint8_t> bytes(data, size);
  Mesh mesh;
  if (!mesh.decode3ds(bytes)) return 0;  // a refused file leaves nothing to draw
  mesh.computeFaceNormals();
  mesh.computeVertexNormals();
  drawEveryWay(mesh);

  // The spike scene twists a second copy of the same file; the plasma scene displaces one.
  Mesh copy;
  copy.decode3ds(bytes);
  std::vector<float> weights;
  computeSpikeWeights(copy, weights);
  twistSpikes(mesh, copy, weights, 1234.5f, 1.0f);
  copy.computeVertexNormals();
  TextureSet spikeSet;
  spikeSet.setFlags(kTextured | kEnvLayer1);
  spikeSet.texture = fuzz::stage().texture64;
  fuzz::drawWithTextureSet(copy, spikeSet);
  displaceGrid(copy, mesh, 24, fuzz::stage().heights);
  return 0;
}
