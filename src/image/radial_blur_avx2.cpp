#include <immintrin.h>

#include <algorithm>

#include "image/pixel_mixing.h"
#include "image/radial_blur_kernels.h"

namespace orvanta::kernels {
namespace {

#define ORVANTA_AVX2 __attribute__((target("avx2")))

constexpr int32_t kRow = pixel::kRowLength;

struct FreeRow {
  uint32_t* pixels;
  ptrdiff_t count;
  ptrdiff_t lastSafe;  // largest index whose four neighbours lie inside the array
  uint32_t level;      // L: the sample's share
  uint32_t v;
};

// One pixel by the formulas, for the ends of a run that do not fill four lanes.
void mixOne(const FreeRow& row, int32_t y, int32_t x, uint32_t u) {
  auto read = [&](ptrdiff_t i) { return row.pixels[std::clamp<ptrdiff_t>(i, 0, row.count - 1)]; };
  const ptrdiff_t at = static_cast<ptrdiff_t>(static_cast<int32_t>(row.v) >> 16) * kRow + (static_cast<int32_t>(u) >> 16);
  const uint32_t sample = pixel::mixFour(read(at), read(at + 1), read(at + kRow), read(at + kRow + 1),
                                         pixel::bilinearWeights(static_cast<int32_t>(u), static_cast<int32_t>(row.v)));
  uint32_t& target = row.pixels[static_cast<ptrdiff_t>(y) * kRow + x];
  target = pixel::mixTwo(target, sample, row.level);
}

ORVANTA_AVX2 __m256i widen(__m256i x) { return _mm256_unpacklo_epi8(x, _mm256_setzero_si256()); }
ORVANTA_AVX2 __m256i widenHigh(__m256i x) { return _mm256_unpackhi_epi8(x, _mm256_setzero_si256()); }
ORVANTA_AVX2 __m256i scaled(__m256i bytes, __m256i weights) {
  return _mm256_srli_epi16(_mm256_mullo_epi16(bytes, weights), 8);
}

// Each pair is (x0, x0 + 1) of one pixel, loaded as one 64-bit word, reordered to both left
// words, then both right words, in each half.
ORVANTA_AVX2 __m128i pairAt(const uint32_t* pixels, int index) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels + index));
}
ORVANTA_AVX2 __m256i pairsAt(const uint32_t* pixels, int i0, int i1, int i2, int i3) {
  const __m256i four = _mm256_set_m128i(_mm_unpacklo_epi64(pairAt(pixels, i2), pairAt(pixels, i3)),
                                        _mm_unpacklo_epi64(pairAt(pixels, i0), pairAt(pixels, i1)));
  return _mm256_shuffle_epi32(four, _MM_SHUFFLE(3, 1, 2, 0));
}

// Pixels first ... last of row y, whose sample column is u = start + (x - first) * step. Four
// pixels share a register: 16-bit lanes, pixels 0 and 1 in the low half, 2 and 3 in the high.
ORVANTA_AVX2 void mixRun(const FreeRow& row, int32_t y, int32_t first, int32_t last, uint32_t start, uint32_t step) {
  const __m256i zero = _mm256_setzero_si256();
  const uint32_t fv = row.v & 0xFFFFu;
  const __m256i fvLanes = _mm256_set1_epi16(static_cast<int16_t>(fv));
  const __m256i restLanes = _mm256_set1_epi16(static_cast<int16_t>(0xFFFFu - fv));
  const __m256i keep = _mm256_set1_epi16(static_cast<int16_t>(255u - row.level));
  const __m256i level = _mm256_set1_epi16(static_cast<int16_t>(row.level));
  const __m256i lowWord = _mm256_set1_epi16(-1);
  const __m128i sampleRow = _mm_set1_epi32(static_cast<int>((static_cast<int32_t>(row.v) >> 16) * kRow));
  const __m128i steps = _mm_set1_epi32(static_cast<int>(4u * step));
  __m128i u = _mm_setr_epi32(static_cast<int>(start), static_cast<int>(start + step), static_cast<int>(start + 2u * step),
                             static_cast<int>(start + 3u * step));
  uint32_t* const out = row.pixels + static_cast<ptrdiff_t>(y) * kRow;
  int32_t x = first;
  for (; x + 3 <= last; x += 4) {
    const __m128i at = _mm_add_epi32(sampleRow, _mm_srai_epi32(u, 16));
    if (_mm_cvtsi128_si32(_mm_shuffle_epi32(at, 3)) > row.lastSafe) break;  // the columns only grow
    const int i0 = _mm_cvtsi128_si32(at);
    const int i1 = _mm_extract_epi32(at, 1);
    const int i2 = _mm_extract_epi32(at, 2);
    const int i3 = _mm_extract_epi32(at, 3);
    const __m256i top = pairsAt(row.pixels, i0, i1, i2, i3);
    const __m256i bottom = pairsAt(row.pixels, i0 + kRow, i1 + kRow, i2 + kRow, i3 + kRow);
    // fu of each pixel in its four lanes.
    const __m256i fuWide = _mm256_cvtepu32_epi64(_mm_and_si128(u, _mm_set1_epi32(0xFFFF)));
    const __m256i fu = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(fuWide, 0), 0);
    const __m256i restU = _mm256_xor_si256(fu, lowWord);
    // (a * b) >> 24 as the high half of the 16-bit product shifted by 8.
    const __m256i topLeft = _mm256_srli_epi16(_mm256_mulhi_epu16(restU, restLanes), 8);
    const __m256i topRight = _mm256_srli_epi16(_mm256_mulhi_epu16(fu, restLanes), 8);
    const __m256i bottomLeft = _mm256_srli_epi16(_mm256_mulhi_epu16(restU, fvLanes), 8);
    const __m256i bottomRight = _mm256_srli_epi16(_mm256_mulhi_epu16(fu, fvLanes), 8);
    // The four terms never sum past 254 (the weights sum to at most 255), so nothing saturates.
    const __m256i sample = _mm256_add_epi16(
        _mm256_add_epi16(scaled(widen(top), topLeft), scaled(widenHigh(top), topRight)),
        _mm256_add_epi16(scaled(widen(bottom), bottomLeft), scaled(widenHigh(bottom), bottomRight)));
    const __m256i old = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out + x)));
    const __m256i mixed = _mm256_add_epi16(scaled(old, keep), scaled(sample, level));
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(mixed, zero), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm256_castsi256_si128(packed));
    u = _mm_add_epi32(u, steps);
  }
  for (; x <= last; ++x) mixOne(row, y, x, start + static_cast<uint32_t>(x - first) * step);
}

// Both runs of a row: the left run's sample column is x + (cx - x) c' / 65536, the right
// run's x - (x - cx - 1) c' / 65536, in 16.16; both grow by 65536 - c' per column.
ORVANTA_AVX2 void mixRow(FreeRow row, int32_t y, int32_t cx, uint32_t c, int32_t width) {
  const uint32_t ucx = static_cast<uint32_t>(cx);
  const uint32_t step = 65536u - c;
  mixRun(row, y, 0, cx, (ucx << 16) + ucx * (c - 65536u), step);
  mixRun(row, y, cx + 1, width - 1, (ucx + 1u) << 16, step);
}

}  // namespace

ORVANTA_AVX2 void radialBlurQuadrantsAvx2(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep) {
  if (!radialBlurQuadrantsApply(*image, cx, cy, strength)) {
    radialBlurPlain(image, cx, cy, strength, keep);
    return;
  }
  const uint32_t c = static_cast<uint32_t>(strength);
  // Rows nearer the centre row than ceil(65536 / c) read their own row.
  const int32_t near = c == 0 ? image->height : static_cast<int32_t>((65536u + c - 1u) / c);
  walkQuadrants(image, cx, cy, strength, keep, near, near);

  FreeRow row{};
  row.pixels = image->pixels;
  row.count = static_cast<ptrdiff_t>(image->pixelCount());
  row.lastSafe = row.count - kRow - 2;
  row.level = (255u - static_cast<uint32_t>(keep)) & 0xFFu;
  const uint32_t ucy = static_cast<uint32_t>(cy);
  for (int32_t y = cy - near; y >= 0; --y) {
    row.v = (ucy << 16) + static_cast<uint32_t>(cy - y) * (c - 65536u);
    mixRow(row, y, cx, c, image->width);
  }
  for (int32_t y = cy + 1 + near; y < image->height; ++y) {
    row.v = ((ucy + 1u) << 16) + static_cast<uint32_t>(y - cy - 1) * (65536u - c);
    mixRow(row, y, cx, c, image->width);
  }
}

}  // namespace orvanta::kernels
