#pragma once
// The 256 x 256 textures. Each repeats every 256 texels in both directions without a seam.

#include "datagen/picture.h"

namespace orvanta::datagen {

inline constexpr int32_t kTextureSide = 256;

// "tex0132.tga": riveted metal panels, the base of the tunnel, the grid and the cube.
ArgbPicture buildPanelTexture();
// "tex01b3.tga": the relief of the same panels, height in every colour byte (the red one counts).
ArgbPicture buildPanelHeights();
// "s08_back2.tga": cracked violet stone with glowing seams, the warped background plane.
ArgbPicture buildStoneTexture();
// "box.tga": a brass lattice; texels with red 255 are holes that let the plane below show.
ArgbPicture buildLatticeTexture();
// "s02_tex1.tga": glowing cells, the body of the spike scene.
ArgbPicture buildCoreTexture();

// The red byte that keys a lattice texel out.
inline constexpr uint32_t kKeyRed = 255;

}  // namespace orvanta::datagen
