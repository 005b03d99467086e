#pragma once
// The one raster type of the show: 32-bit 0xAARRGGBB pixels, row-major, row 0 at the top.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace orvanta {

// The amount every scene brightens by; the vector blends take a shorter path for it.
inline constexpr uint32_t kFullBrightening = 255;

inline constexpr int32_t kFrameWidth = 320;
inline constexpr int32_t kFrameHeight = 240;

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  uint32_t* pixels = nullptr;
  int32_t widthShift = 0;  // texture addressing pair, written only by loadTga
  uint32_t widthMask = 0;
  // Keeps `pixels` alive when this image made them; copies of an image share its array, and
  // the last one to go frees it. Empty when `pixels` belongs to someone else.
  std::shared_ptr<uint32_t[]> storage;

  // Allocates width x height pixels, all 0, owned by this image and its copies.
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

// `count` words from `first` on as a one-row image over that array (not owned), so that the
// whole-image operations can run over part of a frame.
Image pixelRun(uint32_t* first, size_t count);

// Copies source width x height words; the count is bounded by the destination's array.
void copyImage(const Image& source, Image& destination);

// Gives the image a new zeroed array of `count` words (at least one), owned by it.
uint32_t* allocatePixels(Image& image, size_t count);
// Lets go of the image's array (freed once no copy holds it); the image is left empty.
void releasePixels(Image& image);

}  // namespace orvanta
