#pragma once
// The whole soundtrack as 16-bit stereo samples at 44.1 kHz, left and right interleaved.

#include <cstdint>
#include <vector>

namespace orvanta::datagen {

std::vector<int16_t> renderSoundtrackPcm();

}  // namespace orvanta::datagen
