#include "datagen/tga_writer.h"

namespace orvanta::datagen {

std::vector<uint8_t> encodeTga(const ArgbPicture& picture) {
  const auto width = static_cast<uint32_t>(picture.width);
  const auto height = static_cast<uint32_t>(picture.height);
  std::vector<uint8_t> bytes(kTgaHeaderSize + static_cast<size_t>(width) * height * 4, 0);
  bytes[2] = 2;  // uncompressed true colour
  bytes[12] = static_cast<uint8_t>(width & 0xFF);
  bytes[13] = static_cast<uint8_t>(width >> 8);
  bytes[14] = static_cast<uint8_t>(height & 0xFF);
  bytes[15] = static_cast<uint8_t>(height >> 8);
  bytes[16] = 32;
  bytes[17] = 8;  // eight alpha bits, origin at the bottom left
  size_t out = kTgaHeaderSize;
  for (uint32_t row = height; row-- > 0;) {
    const uint32_t* line = picture.pixels.data() + static_cast<size_t>(row) * width;
    for (uint32_t x = 0; x < width; ++x) {
      const uint32_t p = line[x];
      bytes[out++] = static_cast<uint8_t>(p & 0xFF);
      bytes[out++] = static_cast<uint8_t>((p >> 8) & 0xFF);
      bytes[out++] = static_cast<uint8_t>((p >> 16) & 0xFF);
      bytes[out++] = static_cast<uint8_t>(p >> 24);
    }
  }
  return bytes;
}

}  // namespace orvanta::datagen
