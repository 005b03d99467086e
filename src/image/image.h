#pragma once
// The one raster type of the show: 32-bit 0xAARRGGBB pixels, row-major, row 0 at the top.

#include <cstddef>
#include <cstdint>
#include <span>

namespace orvanta {

inline constexpr int32_t kFrameWidth = 320;
inline constexpr int32_t kFrameHeight = 240;

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t* pixels = nullptr;
  int32_t widthShift = 0;  // texture addressing pair, written only by loadTga
  uint32_t widthMask = 0;

  // Allocates width x height pixels, all 0. The array lives until the process ends.
  void create(int32_t newWidth, int32_t newHeight);
  void clear();
  void fill(uint32_t colour);

  // Reads an uncompressed 32-bit TGA (image/tga.cpp); a file that cannot be opened or read
  // is reported.
  void loadTga(const char* path);
  // The same from the file's bytes, reporting nothing: false (a size but no pixel array)
  // when they are not a picture the show can use.
  bool decodeTga(std::span<const uint8_t> file);

  // Whole-image blends (image/blends.cpp).
  void fadeTo(uint32_t level, uint32_t colour);
  void brighten(uint32_t amount);
  void modulateInto(Image& target) const;

  // Number of pixel words the array holds; 0 when there is no array.
  size_t pixelCount() const {
    if (pixels == nullptr || width <= 0 || height <= 0) return 0;
    return static_cast<size_t>(width) * static_cast<size_t>(height);
  }
};

uint32_t packArgb(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha);

// Copies source width x height words; the count is bounded by the destination's array.
void copyImage(const Image& source, Image& destination);

// Pixel arrays are never freed while the show runs; they are kept in one store that is
// released at process exit. Tools that load many pictures (fuzzers, tests) may release
// an array explicitly; the image is then left empty.
uint32_t* allocatePixels(size_t count);
void releasePixels(Image& image);

}  // namespace orvanta
