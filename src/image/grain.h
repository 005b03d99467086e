#pragma once
// Grain: darkens every pixel by a draw of a show's random generator.

#include "base/random.h"
#include "image/image.h"

namespace orvanta {

// Subtracts random.next() % amount from red, green and blue of every pixel (one draw per pixel).
void addNoise(Image& image, int amount, ShowRandom& random);

}  // namespace orvanta
