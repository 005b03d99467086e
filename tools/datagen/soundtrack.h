#pragma once
// The show's soundtrack: 98 seconds of music synthesised here and encoded to MP3.

#include <string>

namespace orvanta::datagen {

// Writes the MP3 to `path`. On failure returns false and says why in `error`.
bool writeSoundtrack(const std::string& path, std::string& error);

}  // namespace orvanta::datagen
