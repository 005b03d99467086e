#pragma once
// The plasma-plane scene: a grid displaced by a moving plasma, turning slowly, drawn with a
// bump-mapped two-layer texture; an overlay, grain and the flickering blur.

#include <cstdint>

#include "engine/camera.h"
#include "engine/mesh.h"
#include "engine/texture_set.h"
#include "image/image.h"
#include "scenes/scene_frame.h"
#include "scenes/scene_loader.h"

namespace orvanta {

// Fills the destination with the saturating per-byte sum of two moving windows into the
// plasma pictures. Pictures too small for the windows leave the destination unchanged. With a
// spacing above 1, only the pixels whose column and row are multiples of it are written (all
// a grid of that spacing reads).
void mixPlasma(Image& destination, const Image& first, const Image& second, float t, int32_t spacing = 1);

// Vertex k = r * n + c of the destination gets the source position with its z multiplied by
// the red byte of heights at (10c, 10r) and by 1.8. Only positions change.
void displaceGrid(Mesh& destination, const Mesh& source, int32_t n, const Image& heights);

struct PlasmaPlaneScene {
  Camera camera{0.0f, 0.0f, -300.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  Mesh grid;
  Mesh gridSource;  // flat positions, never drawn
  TextureSet gridSet;
  Image overlay;
  Image firstPlasma;
  Image secondPlasma;
  Image heights;
  Image work;

  PlasmaPlaneScene() = default;
  PlasmaPlaneScene(const PlasmaPlaneScene&) = delete;
  PlasmaPlaneScene& operator=(const PlasmaPlaneScene&) = delete;
  ~PlasmaPlaneScene() {
    releasePictures(
        {&gridSet.texture, &gridSet.envMap, &gridSet.extra, &overlay, &firstPlasma, &secondPlasma, &heights, &work});
  }

  void load(SceneLoader& loader);
  void render(SceneFrame& out, float t);
  // What render does to the random generator and to the state the scene carries from frame to
  // frame, without drawing: a show fast-forwarded to a later frame. Kept beside render.
  void skip(ShowRandom& random, float t, size_t framePixels);
};

}  // namespace orvanta
