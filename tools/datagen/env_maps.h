#pragma once
// Environment maps: 256 x 256 pictures of a reflective sphere lit by a surrounding scene.
//
// The engine looks a texel up at u = 127 x nx + 128, v = 127 x ny + 128 from a vertex normal
// that points into the object (the engine's vertex normals face inwards), in view axes with
// y pointing down. A point on the right of an object therefore reads the left of the map and
// a point on top reads its bottom: the maps are drawn turned by half a turn, so that the sky
// they reflect is seen above the objects.

#include "datagen/picture.h"

namespace orvanta::datagen {

// "kvennenv2.tga": teal sky, warm ground and a hot key light; also the tunnel's lamp layer
// and the cube's projected light.
ArgbPicture buildTealEnvironment();
// "kvennenv3.tga": a golden variant.
ArgbPicture buildGoldEnvironment();
// "s08_back3.tga": cool chrome for the blobs and the spikes, the same under a half turn.
ArgbPicture buildChromeEnvironment();

}  // namespace orvanta::datagen
