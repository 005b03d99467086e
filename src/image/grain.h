#pragma once
// Grain: darkens every pixel by a draw of the show's random generator.

#include "image/image.h"

namespace orvanta {

// Subtracts sceneRandom() % amount from red, green and blue of every pixel (one draw per pixel).
void addNoise(Image& image, int amount);

}  // namespace orvanta
