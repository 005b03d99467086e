#pragma once
// Fingerprints of frames, for comparing runs frame by frame.

#include <cstddef>
#include <cstdint>
#include <string>

#include "driver/frame_hash_batch.h"
#include "driver/show_platform.h"

namespace orvanta {

// "<index> <show time in cs, two decimals> <scene> <hash, 16 lowercase hex digits>"
std::string frameHashLine(const FrameInfo& frame, uint64_t hash);

}  // namespace orvanta
