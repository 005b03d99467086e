#include <bit>
#include <cstdio>

#include "base/messages.h"
#include "base/open_data_file.h"
#include "image/image.h"

// File bytes blue, green, red, alpha read as one word give 0xAARRGGBB only on little-endian machines.
static_assert(std::endian::native == std::endian::little);

namespace orvanta {
namespace {

// A header may promise a little more than a truncated file holds (the missing pixels stay
// zero), but never so much more that a broken header makes us allocate gigabytes.
constexpr long long kTruncationMargin = 64 * 1024;

constexpr long kPixelDataOffset = 18;  // the ID field is not skipped: pixels start here

void reportBrokenFile() {
  std::fputs("\n ERROR! Fuckedup tgafile! \n", stdout);
  std::fflush(stdout);
}

long long fileSize(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  return std::ftell(file);
}

void chooseTextureAddressing(Image& image) {
  image.widthShift = 8;
  image.widthMask = 255;
  for (int32_t shift = 4; shift <= 10; ++shift) {
    if (image.width == (1 << shift)) {
      image.widthShift = shift;
      image.widthMask = static_cast<uint32_t>(image.width - 1);
    }
  }
}

// Rows are stored bottom row first; the show keeps row 0 at the top.
void flipRows(Image& image) {
  const size_t rowLength = static_cast<size_t>(image.width);
  uint32_t* top = image.pixels;
  uint32_t* bottom = image.pixels + (static_cast<size_t>(image.height) - 1) * rowLength;
  for (; top < bottom; top += rowLength, bottom -= rowLength) {
    for (size_t x = 0; x < rowLength; ++x) {
      const uint32_t word = top[x];
      top[x] = bottom[x];
      bottom[x] = word;
    }
  }
}

}  // namespace

void Image::loadTga(const char* path) {
  std::FILE* file = openDataFile(path);
  if (file == nullptr) {
    char text[1024];
    std::snprintf(text, sizeof text, "Cant open %s", path);
    showMessage(text, "ERROR!");
    return;
  }

  // Bytes 0-11 (ID length, colour map, image type, origin) are not looked at; nor is the
  // descriptor: files are taken as uncompressed and bottom-up.
  unsigned char header[18] = {};
  const size_t headerBytes = std::fread(header, 1, sizeof header, file);
  width = header[12] | (header[13] << 8);
  height = header[14] | (header[15] << 8);
  const unsigned depth = header[16];

  // A failed load leaves a size but no pixel array, so nothing can draw from it.
  pixels = nullptr;
  const long long bytesWanted = static_cast<long long>(width) * height * 4;
  const long long size = fileSize(file);
  if (headerBytes < sizeof header || width == 0 || height == 0 || depth != 32 || size < 0 ||
      bytesWanted > size + kTruncationMargin) {
    reportBrokenFile();
    std::fclose(file);
    return;
  }

  uint32_t* array = allocatePixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  if (std::fseek(file, kPixelDataOffset, SEEK_SET) == 0) {
    // A short file leaves the rest of the (zeroed) array as it is.
    std::fread(array, 1, static_cast<size_t>(bytesWanted), file);
  }
  std::fclose(file);
  pixels = array;
  flipRows(*this);
  chooseTextureAddressing(*this);
}

}  // namespace orvanta
