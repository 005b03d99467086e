#pragma once
// The four models of the show, built in engine axes (see model_3ds.h).

#include "datagen/model_3ds.h"

namespace orvanta::datagen {

inline constexpr int kGridSide = 24;

// "plane24.3ds": 24 x 24 vertices row by row in the x-y plane, facing -z; the z of each
// vertex is its displacement weight, 0 on the border.
Model buildPlaneGrid();
// "spike.3ds": cones radiating from the centre; the tips are the outermost vertices.
Model buildSpikeBall();
// "s01_a.3ds": the lumpy, textured orb the spikes grow out of.
Model buildSpikeBody();
// "bcube.3ds": a cube with rounded edges, each side mapped on its own.
Model buildBevelCube();

}  // namespace orvanta::datagen
