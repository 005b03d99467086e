#include "image/radial_blur_kernels.h"

#if ORVANTA_X86_VECTORS
#include <emmintrin.h>

#include <algorithm>

#include "image/pixel_mixing.h"

// With the centre inside the image and 0 <= strength <= 65536, every sample of a quadrant
// (upper-left, upper-right, lower-left, lower-right of the centre) lies between its pixel and
// the quadrant's corner at the centre, so it reads only pixels of its own quadrant that the
// same quadrant has already rewritten; reads of other quadrants carry weight 0. The four
// quadrants are therefore walked side by side, each in its own order, which lets the
// processor overlap four chains of dependent pixels instead of waiting on one.

namespace orvanta::kernels {
namespace {

constexpr int32_t kRow = pixel::kRowLength;

struct QuadrantWalk : Quadrant {
  uint32_t* row;        // the row being rewritten
  ptrdiff_t sampleRow;  // (v >> 16) * 320
  __m128i topWeights;   // 0xFFFF - fv in every lane
  __m128i bottomWeights;
  int32_t x;
  int32_t left;  // pixels left in this row
  uint32_t u;
  int32_t y;
  int32_t rowsLeft;
  uint32_t v;
};

struct Shared {
  uint32_t* pixels;
  ptrdiff_t lastSafe;  // largest index whose four neighbours lie inside the array
  ptrdiff_t count;
  __m128i keep;        // 255 - L in every lane
  __m128i level;       // L
  __m128i firstHalf;   // 0xFFFF in lanes 0-3: turns fu into 0xFFFF - fu there
};

void enterRow(QuadrantWalk& walk, const Shared& shared) {
  walk.row = shared.pixels + static_cast<ptrdiff_t>(walk.y) * kRow;
  walk.sampleRow = static_cast<ptrdiff_t>(static_cast<int32_t>(walk.v) >> 16) * kRow;
  const uint32_t fv = walk.v & 0xFFFFu;
  walk.topWeights = _mm_set1_epi16(static_cast<int16_t>(0xFFFFu - fv));
  walk.bottomWeights = _mm_set1_epi16(static_cast<int16_t>(fv));
  walk.x = walk.firstX;
  walk.u = walk.firstU;
  walk.left = walk.runLength;
}

__m128i loadPair(const uint32_t* p) {
  // Two 32-bit loads, so a pixel stored a moment ago is forwarded from the store.
  return _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(p[0])), _mm_cvtsi32_si128(static_cast<int>(p[1])));
}

inline void visit(QuadrantWalk& walk, const Shared& shared) {
  const __m128i zero = _mm_setzero_si128();
  uint32_t* target = walk.row + walk.x;
  const ptrdiff_t at = walk.sampleRow + (static_cast<int32_t>(walk.u) >> 16);
  __m128i sample;
  if (at <= shared.lastSafe) {
    // Lanes 0-3: 0xFFFF - fu, lanes 4-7: fu; (a * g) >> 24 is the high half shifted by 8.
    const __m128i across = _mm_xor_si128(_mm_set1_epi16(static_cast<int16_t>(walk.u)), shared.firstHalf);
    const __m128i topWeights = _mm_srli_epi16(_mm_mulhi_epu16(across, walk.topWeights), 8);
    const __m128i bottomWeights = _mm_srli_epi16(_mm_mulhi_epu16(across, walk.bottomWeights), 8);
    const __m128i top = _mm_unpacklo_epi8(loadPair(shared.pixels + at), zero);
    const __m128i bottom = _mm_unpacklo_epi8(loadPair(shared.pixels + at + kRow), zero);
    const __m128i terms = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(top, topWeights), 8),
                                        _mm_srli_epi16(_mm_mullo_epi16(bottom, bottomWeights), 8));
    // The four terms never sum past 254, so the saturation of the formula never acts.
    sample = _mm_add_epi16(terms, _mm_srli_si128(terms, 8));
  } else {
    // Only at the bottom edge, where the reads past the array carry weight 0.
    auto read = [&](ptrdiff_t i) { return shared.pixels[i < shared.count ? i : shared.count - 1]; };
    const uint32_t mixed = pixel::mixFour(read(at), read(at + 1), read(at + kRow), read(at + kRow + 1),
                                          pixel::bilinearWeights(static_cast<int32_t>(walk.u), static_cast<int32_t>(walk.v)));
    sample = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(mixed)), zero);
  }
  const __m128i old = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(*target)), zero);
  const __m128i blended = _mm_add_epi16(_mm_srli_epi16(_mm_mullo_epi16(old, shared.keep), 8),
                                        _mm_srli_epi16(_mm_mullo_epi16(sample, shared.level), 8));
  *target = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(blended, zero)));
}

// Moves to the next pixel of the walk; false once the quadrant is done.
inline bool advance(QuadrantWalk& walk, const Shared& shared) {
  walk.x += walk.dx;
  walk.u += walk.du;
  if (--walk.left > 0) return true;
  if (--walk.rowsLeft == 0) return false;
  walk.y += walk.dy;
  walk.v += walk.dv;
  enterRow(walk, shared);
  return true;
}

}  // namespace

void walkQuadrants(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep, int32_t upperRows,
                   int32_t lowerRows) {
  const uint32_t c = static_cast<uint32_t>(strength);
  const uint32_t level = (255u - static_cast<uint32_t>(keep)) & 0xFFu;
  Shared shared{};
  shared.pixels = image->pixels;
  shared.count = static_cast<ptrdiff_t>(image->pixelCount());
  shared.lastSafe = shared.count - kRow - 2;
  shared.keep = _mm_set1_epi16(static_cast<int16_t>(255u - level));
  shared.level = _mm_set1_epi16(static_cast<int16_t>(level));
  shared.firstHalf = _mm_set_epi16(0, 0, 0, 0, -1, -1, -1, -1);

  Quadrant quadrants[4];
  const int active = quadrantsOf(*image, cx, cy, c, upperRows, lowerRows, quadrants);
  QuadrantWalk walks[4];
  for (int i = 0; i < active; ++i) {
    QuadrantWalk& walk = walks[i];
    static_cast<Quadrant&>(walk) = quadrants[i];
    walk.y = walk.firstY;
    walk.rowsLeft = walk.rows;
    walk.v = walk.firstV;
    enterRow(walk, shared);
  }

  for (int left = active; left > 0;) {
    for (int i = 0; i < left;) {
      visit(walks[i], shared);
      if (advance(walks[i], shared)) {
        ++i;
      } else {
        walks[i] = walks[--left];
      }
    }
  }
}

void radialBlurSse2(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep) {
  if (!radialBlurQuadrantsApply(*image, cx, cy, strength)) {
    radialBlurReference(image, cx, cy, strength, keep);
    return;
  }
  walkQuadrants(image, cx, cy, strength, keep, image->height, image->height);
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_VECTORS
