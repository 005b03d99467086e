#pragma once
// Small pictures and TGA files made by the tests themselves.

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "image/image.h"

namespace orvanta::testing {

// An image whose pixel array is released when the test ends.
struct OwnedImage {
  Image image;
  OwnedImage() = default;
  OwnedImage(int32_t width, int32_t height, uint32_t colour = 0) {
    image.create(width, height);
    image.fill(colour);
  }
  ~OwnedImage() { releasePixels(image); }
  OwnedImage(const OwnedImage&) = delete;
  OwnedImage& operator=(const OwnedImage&) = delete;
  uint32_t& at(int32_t x, int32_t y) { return image.pixels[y * image.width + x]; }
  std::vector<uint32_t> words() const { return {image.pixels, image.pixels + image.pixelCount()}; }
};

inline void fillRandom(Image& image, uint32_t seed) {
  std::mt19937 generator(seed);
  for (size_t i = 0; i < image.pixelCount(); ++i) image.pixels[i] = static_cast<uint32_t>(generator());
}

// A grey level repeated in all four bytes, so one number checks every channel.
inline uint32_t grey(uint32_t level) { return level * 0x01010101u; }

// An 18-byte header followed by `words` as little-endian pixel data.
inline std::vector<unsigned char> tgaBytes(uint32_t width, uint32_t height, unsigned depth,
                                           const std::vector<uint32_t>& words, unsigned char idLength = 0) {
  std::vector<unsigned char> bytes(18, 0);
  bytes[0] = idLength;
  bytes[2] = 2;  // uncompressed true colour
  bytes[12] = static_cast<unsigned char>(width & 0xFF);
  bytes[13] = static_cast<unsigned char>(width >> 8);
  bytes[14] = static_cast<unsigned char>(height & 0xFF);
  bytes[15] = static_cast<unsigned char>(height >> 8);
  bytes[16] = static_cast<unsigned char>(depth);
  bytes[17] = 8;
  for (uint32_t word : words) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<unsigned char>(word >> shift));
  }
  return bytes;
}

// A folder of its own under the system's temporary folder, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    static int serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("orvanta_pictures_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  std::string write(const std::string& name, const std::vector<unsigned char>& bytes) const {
    const std::string file = (path_ / name).string();
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return file;
  }
  // A picture of one colour, as the scenes' data files.
  std::string picture(const std::string& name, int32_t width, int32_t height, uint32_t colour) const {
    return write(name, tgaBytes(width, height, 32, std::vector<uint32_t>(size_t(width) * size_t(height), colour)));
  }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace orvanta::testing
