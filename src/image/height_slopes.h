#pragma once
// A height map's slopes, made once when the map is loaded: per texel, the differences of the
// red byte to the next texel and to the texel one row on, in one word, so that a bump-mapped
// pixel reads one word where it would read three texels. Neighbours follow the texel index
// modulo the texel count, as the bump lookups address them: the last texel of a row is
// followed by the first of the next, the last row by the first.

#include <cstdint>
#include <vector>

#include "image/image.h"

namespace orvanta {

// Low 16 bits: next - this; high 16 bits: below - this; each a signed difference of red bytes.
// Only the low bits of a displaced coordinate are kept, so adding the whole word to a column
// (or its top half to a row) gives the column (row) the three texels would give.
inline uint32_t packHeightSlope(uint32_t here, uint32_t next, uint32_t below) {
  auto red = [](uint32_t texel) { return (texel >> 16) & 0xFFu; };
  return ((red(next) - red(here)) & 0xFFFFu) | ((red(below) - red(here)) << 16);
}

class HeightSlopes {
 public:
  // Made from the map's current pixels; left empty when the map has none.
  void build(const Image& heights);
  // The words when they were made from this very map (its array and size), else nullptr:
  // the caller then reads the map's texels.
  const uint32_t* wordsFor(const Image& heights) const {
    return heights.pixels != nullptr && heights.pixels == source_ && heights.width == width_ &&
                   heights.height == height_ && !words_.empty()
               ? words_.data()
               : nullptr;
  }

 private:
  std::vector<uint32_t> words_;
  const uint32_t* source_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
};

}  // namespace orvanta
