#pragma once
// What the fuzzers draw with: the frame and depth buffer of the show, a work picture, good
// textures for the roles a fuzzed picture does not take, and a small cube.

#include "engine/camera.h"
#include "engine/depth_buffer.h"
#include "engine/mesh.h"
#include "engine/texture_set.h"
#include "image/image.h"

namespace orvanta::fuzz {

struct Stage {
  Image frame;
  DepthBuffer depth{kFrameWidth, kFrameHeight};
  Image work;
  Image texture64;  // square, addressable: a texture every drawing path accepts
  Image heights;    // 320 x 240, as the plasma scene's height picture
  Mesh cube;        // each face in both windings, so culling keeps half of them whatever the view
  Camera camera;
  Camera projector;
};

// Built once, on first use; lives until exit.
Stage& stage();

// Empties the depth buffer in one memset: the sanitized element loop of the engine's own
// clear would take most of each run.
void clearDepth();

// Drawing inputs go through the checks the scenes rely on; none of these may read or write
// outside an image or a mesh, whatever the picture or model holds.
void drawWithTextureSet(Mesh& mesh, const TextureSet& set);
void drawInEveryRole(Mesh& mesh, const Image& picture);

}  // namespace orvanta::fuzz
