#include "datagen/soundtrack.h"

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <vector>

#include "datagen/music_mp3_encoder.h"
#include "datagen/music_render.h"

namespace orvanta::datagen {

bool writeSoundtrack(const std::string& path, std::string& error) {
  // Open first: a bad path fails at once instead of after the whole piece is made.
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) {
    error = "cannot create " + path;
    return false;
  }
  std::vector<uint8_t> mp3;
  if (!encodeMp3(renderSoundtrackPcm(), Mp3Settings(), mp3, error)) {
    file.close();
    std::remove(path.c_str());
    return false;
  }
  file.write(reinterpret_cast<const char*>(mp3.data()), static_cast<std::streamsize>(mp3.size()));
  if (!file.flush()) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace orvanta::datagen
