#pragma once
// Frames as PNG files: the frame's colour bytes, alpha dropped as on screen, each pixel
// repeated into a scale x scale block.

#include <cstdint>
#include <string>
#include <vector>

namespace orvanta {

class PngWriter {
 public:
  // Creates the directory if needed; false (with a reason in error()) when it cannot.
  bool open(const std::string& directory, int scale = 1);
  // Writes <directory>/frame_NNNNNN.png for the frame index.
  bool write(uint64_t index, const uint32_t* pixels, int32_t width, int32_t height);
  const std::string& error() const { return error_; }
  const std::string& directory() const { return directory_; }
  int scale() const { return scale_; }

 private:
  std::string directory_;
  int scale_ = 1;
  std::vector<uint8_t> rgb_;  // reused for every frame
  std::vector<uint8_t> png_;
  std::string error_;
};

std::string pngFileName(uint64_t index);

}  // namespace orvanta
