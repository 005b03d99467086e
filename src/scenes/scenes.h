#pragma once
// The seven scenes of the show: a start-up initialisation and a per-frame render function
// each. A render function takes the frame and the absolute show time in centiseconds.

#include "image/image.h"

namespace orvanta {

void initIntroScene();
void initTunnelScene();
void initBlobScene();
void initSpikeScene();
void initPlasmaPlaneScene();
void initCubeScene();
void initEndScene();

void renderIntroScene(Image& frame, float t);
void renderTunnelScene(Image& frame, float t);
void renderBlobScene(Image& frame, float t);
void renderSpikeScene(Image& frame, float t);
void renderPlasmaPlaneScene(Image& frame, float t);
void renderCubeScene(Image& frame, float t);
void renderEndScene(Image& frame, float t);

// Runs the seven initialisations in the show's order: blob, spike, plasma plane, cube,
// intro, tunnel, end.
void initAllScenes();

}  // namespace orvanta
