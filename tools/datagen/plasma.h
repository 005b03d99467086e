#pragma once
// "plasma.tga": 640 x 480, a smooth plasma. Its red byte (0..127, so two windows added by the
// scene stay below saturation) drives the grid's heights; green and blue only colour it.

#include "datagen/picture.h"

namespace orvanta::datagen {

inline constexpr int32_t kPlasmaWidth = 640;
inline constexpr int32_t kPlasmaHeight = 480;
inline constexpr uint32_t kPlasmaMaxRed = 127;

ArgbPicture buildPlasma();

}  // namespace orvanta::datagen
