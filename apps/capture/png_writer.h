#pragma once
// Frames as PNG files: the frame's colour bytes, alpha dropped as on screen.

#include <cstdint>
#include <string>
#include <vector>

namespace orvanta {

class PngWriter {
 public:
  // Creates the directory if needed; false (with a reason in error()) when it cannot.
  bool open(const std::string& directory);
  // Writes <directory>/frame_NNNNNN.png for the frame index.
  bool write(uint64_t index, const uint32_t* pixels, int32_t width, int32_t height);
  const std::string& error() const { return error_; }

 private:
  std::string directory_;
  std::vector<uint8_t> rgb_;  // reused for every frame
  std::vector<uint8_t> png_;
  std::string error_;
};

std::string pngFileName(uint64_t index);

}  // namespace orvanta
