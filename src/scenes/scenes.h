#pragma once
// The seven scenes of the show: a start-up initialisation and a per-frame render function
// each. A render function takes the frame with its depth buffer and the absolute show time in centiseconds.

#include "engine/render_target.h"

namespace orvanta {

void initIntroScene();
void initTunnelScene();
void initBlobScene();
void initSpikeScene();
void initPlasmaPlaneScene();
void initCubeScene();
void initEndScene();

void renderIntroScene(RenderTarget target, float t);
void renderTunnelScene(RenderTarget target, float t);
void renderBlobScene(RenderTarget target, float t);
void renderSpikeScene(RenderTarget target, float t);
void renderPlasmaPlaneScene(RenderTarget target, float t);
void renderCubeScene(RenderTarget target, float t);
void renderEndScene(RenderTarget target, float t);

// Runs the seven initialisations in the show's order: blob, spike, plasma plane, cube,
// intro, tunnel, end.
void initAllScenes();

}  // namespace orvanta
