#include <algorithm>

#include "image/blend_kernels.h"
#include "image/effects.h"
#include "image/image.h"

namespace orvanta {

void Image::fadeTo(uint32_t level, uint32_t colour) { kernels::fadeToSse2(pixels, pixelCount(), level, colour); }

void Image::brighten(uint32_t amount) { kernels::brightenSse2(pixels, pixelCount(), amount); }

// Callers pass images of equal size; a smaller target bounds the count.
void Image::modulateInto(Image& target) const {
  kernels::modulateSse2(pixels, target.pixels, std::min(pixelCount(), target.pixelCount()));
}

void blendImage(Image source, Image* destination) {
  kernels::blendOverSse2(source.pixels, destination->pixels,
                         std::min(source.pixelCount(), destination->pixelCount()));
}

}  // namespace orvanta
