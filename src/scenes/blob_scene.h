#pragma once
// The blob scene's state, for tests and tools (the scene itself is in scenes.h).

#include "engine/camera.h"
#include "iso/iso_surface.h"

namespace orvanta {

const Camera& blobSceneCamera();
const IsoSurface& blobSceneSurface();
// Arms the white flash again, as at program start (for rendering the show twice in one process).
void rearmBlobSceneFlash();

}  // namespace orvanta
