#pragma once
// Writes the one kind of TGA the show reads: uncompressed, 32 bits per pixel, rows stored
// bottom row first, pixel bytes blue, green, red, alpha.

#include <cstdint>
#include <string>
#include <vector>

#include "datagen/picture.h"

namespace orvanta::datagen {

inline constexpr size_t kTgaHeaderSize = 18;

// The complete file. `picture.pixels` holds width x height 0xAARRGGBB words, row 0 at the top.
std::vector<uint8_t> encodeTga(const ArgbPicture& picture);

}  // namespace orvanta::datagen
