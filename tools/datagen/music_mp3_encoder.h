#pragma once
// MP3 encoding of 16-bit stereo samples through LAME, constant bit rate, with an Info tag at the front that
// tells players the encoder delay and padding so the decoded length matches the input.

#include <cstdint>
#include <string>
#include <vector>

namespace orvanta::datagen {

struct Mp3Settings {
  int sampleRate = 44100;
  int bitrateKbps = 192;
  int quality = 3;  // LAME's 0 (best, slowest) .. 9; 3 is near the best at half the time of 2
};

// `interleaved` holds left/right pairs. On failure returns false and says why in `error`.
bool encodeMp3(const std::vector<int16_t>& interleaved, const Mp3Settings& settings, std::vector<uint8_t>& mp3,
               std::string& error);

}  // namespace orvanta::datagen
