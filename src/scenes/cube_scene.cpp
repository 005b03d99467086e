#include "scenes/cube_scene.h"

#include <cmath>

#include "base/data_set_manifest.h"
#include "image/effects.h"
#include "scenes/toolkit.h"

namespace orvanta {

void CubeScene::load(SceneLoader& loader) {
  cubeSet.setFlags(kTextured | kTwoLayer | kBumpMap | kAddLayers | kVertexUvLayer2);
  loader.picture(cubeSet.texture, kPanelTexture);
  loader.picture(cubeSet.envMap, kTealEnvironment);
  loader.picture(cubeSet.extra, kPanelHeights);
  cubeSet.slopes.build(cubeSet.extra);
  loader.model(cube, kBevelCube);
  cube.computeVertexNormals();
  loader.picture(mask, kCubeMask);
  work.create(kFrameWidth, kFrameHeight);
  loader.picture(greetings, kGreetings);
}

void CubeScene::render(SceneFrame& out, float t) {
  Image& frame = out.image;
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
  cube.drawMesh(out.target(), viewCamera, cubeSet);

  smoothThenFinish(frame, {.amount = 20, .brightenings = 1, .overlay = &greetings}, out.random);
  flickerBlur(frame, work, t, out.random);
  mask.modulateInto(frame);
}

void CubeScene::skip(ShowRandom& random, float /*t*/, size_t framePixels) {
  random.discard(framePixels + 1);  // the grain, the flickering blur
}

}  // namespace orvanta
