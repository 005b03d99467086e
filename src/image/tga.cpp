#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>

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

constexpr size_t kHeaderSize = 18;
constexpr size_t kPixelDataOffset = 18;  // the ID field is not skipped: pixels start here

void reportBrokenFile() {
  std::fputs("\n ERROR! Fuckedup tgafile! \n", stdout);
  std::fflush(stdout);
}

// Bytes 0-11 (ID length, colour map, image type, origin) are not looked at; nor is the
// descriptor: files are taken as uncompressed and bottom-up. A failed load leaves the size
// but no pixel array, so nothing can draw from it.
void takeSize(const uint8_t (&header)[kHeaderSize], Image& image) {
  image.width = header[12] | (header[13] << 8);
  image.height = header[14] | (header[15] << 8);
  image.pixels = nullptr;
  image.storage.reset();
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

bool Image::decodeTga(std::span<const uint8_t> file) {
  uint8_t header[kHeaderSize] = {};  // a short header reads as zeros
  if (!file.empty()) std::memcpy(header, file.data(), std::min(file.size(), kHeaderSize));
  takeSize(header, *this);
  const unsigned depth = header[16];
  const long long bytesWanted = static_cast<long long>(width) * height * 4;
  if (file.size() < kHeaderSize || width == 0 || height == 0 || depth != 32 ||
      bytesWanted > static_cast<long long>(file.size()) + kTruncationMargin) {
    return false;
  }

  uint32_t* array = allocatePixels(*this, static_cast<size_t>(width) * static_cast<size_t>(height));
  // A short file leaves the rest of the (zeroed) array as it is.
  const size_t present = std::min(static_cast<size_t>(bytesWanted), file.size() - kPixelDataOffset);
  std::memcpy(array, file.data() + kPixelDataOffset, present);
  flipRows(*this);
  chooseTextureAddressing(*this);
  return true;
}

void Image::loadTga(const char* path) {
  std::FILE* file = openDataFile(path);
  if (file == nullptr) {
    char text[1024];
    std::snprintf(text, sizeof text, "Cant open %s", path);
    showMessage(text, "ERROR!");
    return;
  }

  // Only the header and the pixels it promises are read, however long the file: the size
  // check needs the file's length, not its tail.
  uint8_t header[kHeaderSize] = {};
  const size_t headerBytes = std::fread(header, 1, sizeof header, file);
  const long long promised = static_cast<long long>(header[12] | (header[13] << 8)) * (header[14] | (header[15] << 8)) * 4;
  long long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size < 0 || headerBytes < kHeaderSize || promised > size + kTruncationMargin ||
      std::fseek(file, static_cast<long>(kPixelDataOffset), SEEK_SET) != 0) {
    std::fclose(file);
    takeSize(header, *this);
    reportBrokenFile();
    return;
  }
  const auto pixelBytes = static_cast<size_t>(std::min(promised, size - static_cast<long long>(kPixelDataOffset)));
  const size_t length = kPixelDataOffset + pixelBytes;
  std::unique_ptr<uint8_t[]> bytes(new uint8_t[length]);
  std::memcpy(bytes.get(), header, kHeaderSize);
  const size_t read = std::fread(bytes.get() + kHeaderSize, 1, length - kHeaderSize, file);
  std::fclose(file);
  if (!decodeTga({bytes.get(), kHeaderSize + read})) reportBrokenFile();
}

}  // namespace orvanta
