#include "scenes/cube_scene.h"

#include <cmath>

#include "base/data_files.h"
#include "image/effects.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

namespace orvanta {

void CubeScene::load() {
  cubeSet.setFlags(kTextured | kTwoLayer | kBumpMap | kAddLayers | kVertexUvLayer2);
  cubeSet.loadTexture(dataFile("tex0132.tga"));
  cubeSet.loadEnvMap(dataFile("kvennenv2.tga"));
  cubeSet.loadExtra(dataFile("tex01b3.tga"));
  cube.load3ds(dataFile("bcube.3ds"));
  cube.computeVertexNormals();
  mask.loadTga(dataFile("rux.tga"));
  work.create(kFrameWidth, kFrameHeight);
  greetings.loadTga(dataFile("greets.tga"));
}

void CubeScene::render(RenderTarget target, float t) {
  Image& frame = target.image;
  const float s = static_cast<float>(t * 0.1);
  frame.clear();

  // The view camera circles the origin; unlike the spike scene its height scales with R too.
  const double radius = 200.0 * std::sin(s * 0.0052358333269755045) + 600.0;
  const float angle = s * 0.017452778f;
  const float eyeX = static_cast<float>(radius * std::sin(static_cast<double>(angle)));
  const float eyeY = static_cast<float>(radius * std::sin(s * 0.010471666653951009));
  const float eyeZ = static_cast<float>(radius * std::cos(static_cast<double>(angle)));
  viewCamera.lookAt(eyeX, eyeY, eyeZ, 0.0f, 0.0f, 0.0f);

  // The projector wobbles within 40 units of the view camera.
  const float projectorX = static_cast<float>(eyeX + 40.0 * std::sin(s * 0.16405611091189914));
  const float projectorY = static_cast<float>(eyeY + 40.0 * std::sin(-s * 0.1256599998474121));
  const float projectorZ = static_cast<float>(eyeZ + 40.0 * std::sin(s * 0.15183916648228962));
  projectorCamera.lookAt(projectorX, projectorY, projectorZ, 0.0f, 0.0f, 0.0f);

  cube.projectTextureCoords(1, projectorCamera);
  cube.setOrientationScale(1.0f, 1.0f, 1.0f);
  cube.rotate(0.0f, 0.0f, 0.0f);
  cube.setPosition(0.0f, 0.0f, 0.0f);
  cube.drawMesh(target, viewCamera, cubeSet);

  smoothNeighbours(&frame);
  addNoiseThenBrighten(frame, 20, 1);
  blendImage(greetings, &frame);
  flickerBlur(frame, work, t);
  mask.modulateInto(frame);
}

CubeScene& cubeScene() {
  static CubeScene scene;
  return scene;
}

void initCubeScene() { cubeScene().load(); }

void renderCubeScene(RenderTarget target, float t) { cubeScene().render(target, t); }

}  // namespace orvanta
