#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

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

// Whether a file of `fileBytes` bytes with this header is a picture the show reads: a size,
// 32 bits a pixel, and no more pixels promised than the file holds plus the margin.
bool readable(const uint8_t (&header)[kHeaderSize], long long fileBytes) {
  const long long width = header[12] | (header[13] << 8);
  const long long height = header[14] | (header[15] << 8);
  return fileBytes >= static_cast<long long>(kHeaderSize) && width != 0 && height != 0 && header[16] == 32 &&
         width * height * 4 <= fileBytes + kTruncationMargin;
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

// Rows are stored bottom row first; the show keeps row 0 at the top. Each row of the file goes
// straight to its place: `fill(row, bytes)` writes up to `bytes` bytes of the next file row
// at `row` and says how many it wrote; a short row ends the picture (the rest stays zero).
// Returns the bytes written in all.
template <typename Fill>
size_t placeRowsBottomUp(Image& image, size_t bytes, Fill fill) {
  const size_t rowBytes = static_cast<size_t>(image.width) * 4;
  size_t placed = 0;
  for (int32_t row = image.height - 1; row >= 0 && placed < bytes; --row) {
    const size_t wanted = std::min(rowBytes, bytes - placed);
    const size_t got = fill(image.pixels + static_cast<size_t>(row) * static_cast<size_t>(image.width), wanted);
    placed += got;
    if (got < wanted) break;
  }
  return placed;
}

}  // namespace

bool Image::decodeTga(std::span<const uint8_t> file) {
  uint8_t header[kHeaderSize] = {};  // a short header reads as zeros
  if (!file.empty()) std::memcpy(header, file.data(), std::min(file.size(), kHeaderSize));
  takeSize(header, *this);
  if (!readable(header, static_cast<long long>(file.size()))) return false;

  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  allocatePixels(*this, count);
  // A short file leaves the rest of the (zeroed) array as it is.
  const uint8_t* from = file.data() + kPixelDataOffset;
  placeRowsBottomUp(*this, std::min(count * 4, file.size() - kPixelDataOffset), [&](uint32_t* row, size_t bytes) {
    std::memcpy(row, from, bytes);
    from += bytes;
    return bytes;
  });
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
  // What the header promises is weighed by readable() below, against the bytes there are.
  if (size < 0 || headerBytes < kHeaderSize ||
      std::fseek(file, static_cast<long>(kPixelDataOffset), SEEK_SET) != 0) {
    std::fclose(file);
    takeSize(header, *this);
    reportBrokenFile();
    return;
  }
  // Decoded as decodeTga decodes the header and the bytes read, but each row is read straight
  // into its place in the pixel array: no copy of the file is made.
  const auto pixelBytes = static_cast<size_t>(std::min(promised, size - static_cast<long long>(kPixelDataOffset)));
  takeSize(header, *this);
  if (!readable(header, static_cast<long long>(kHeaderSize + pixelBytes))) {
    std::fclose(file);
    reportBrokenFile();
    return;
  }
  allocatePixels(*this, static_cast<size_t>(width) * static_cast<size_t>(height));
  const size_t read = placeRowsBottomUp(
      *this, pixelBytes, [file](uint32_t* row, size_t bytes) { return std::fread(row, 1, bytes, file); });
  std::fclose(file);
  if (!readable(header, static_cast<long long>(kHeaderSize + read))) {
    takeSize(header, *this);  // the file shrank while it was read
    reportBrokenFile();
    return;
  }
  chooseTextureAddressing(*this);
}

}  // namespace orvanta
