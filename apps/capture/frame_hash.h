#pragma once
// Fingerprints of frames, for comparing runs frame by frame.

#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/show_platform.h"

namespace orvanta {

// FNV-1a, 64 bits, over the pixel words as little-endian bytes.
uint64_t frameHash(const uint32_t* pixels, size_t count);

// "<index> <show time in cs, two decimals> <scene> <hash, 16 lowercase hex digits>"
std::string frameHashLine(const FrameInfo& frame, uint64_t hash);

}  // namespace orvanta
