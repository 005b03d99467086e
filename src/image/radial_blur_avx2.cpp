#include "image/radial_blur_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

#include <algorithm>

#include "image/pixel_mixing.h"
#include "image/radial_blur_kernels.h"

namespace orvanta::kernels {
namespace {

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

ORVANTA_TARGET_AVX2 __m256i widen(__m256i x) { return _mm256_unpacklo_epi8(x, _mm256_setzero_si256()); }
ORVANTA_TARGET_AVX2 __m256i widenHigh(__m256i x) { return _mm256_unpackhi_epi8(x, _mm256_setzero_si256()); }
ORVANTA_TARGET_AVX2 __m256i scaled(__m256i bytes, __m256i weights) {
  return _mm256_srli_epi16(_mm256_mullo_epi16(bytes, weights), 8);
}

// Each pair is (x0, x0 + 1) of one pixel, loaded as one 64-bit word, reordered to both left
// words, then both right words, in each half.
ORVANTA_TARGET_AVX2 __m128i pairAt(const uint32_t* pixels, int index) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(pixels + index));
}
ORVANTA_TARGET_AVX2 __m256i pairsAt(const uint32_t* pixels, int i0, int i1, int i2, int i3) {
  const __m256i four = _mm256_set_m128i(_mm_unpacklo_epi64(pairAt(pixels, i2), pairAt(pixels, i3)),
                                        _mm_unpacklo_epi64(pairAt(pixels, i0), pairAt(pixels, i1)));
  return _mm256_shuffle_epi32(four, _MM_SHUFFLE(3, 1, 2, 0));
}

// Four neighbouring pixels of a run: the sample column is the same in every row, so each
// group's columns and fu (in the four lanes of each pixel) are worked out once per blur.
struct ColumnGroup {
  __m256i fu;
  int32_t column[4];
};

// The columns of a run of `count` pixels from `first` on, whose sample column is
// u = start + k * step for the k-th pixel: whole groups of four, as many as there are.
struct RunColumns {
  int32_t first = 0;
  int32_t count = 0;
  uint32_t start = 0;
  uint32_t step = 0;
  int32_t groups = 0;
  int32_t largestColumn = 0;  // of the whole groups
  const ColumnGroup* group = nullptr;
};

ORVANTA_TARGET_AVX2 void prepareRun(RunColumns& run, ColumnGroup* storage, int32_t first, int32_t last, uint32_t start,
                             uint32_t step) {
  run.first = first;
  run.count = last >= first ? last - first + 1 : 0;
  run.start = start;
  run.step = step;
  run.groups = run.count / 4;
  run.group = storage;
  run.largestColumn = 0;
  for (int32_t g = 0; g < run.groups; ++g) {
    alignas(16) uint32_t fu[4];
    for (int k = 0; k < 4; ++k) {
      const uint32_t u = start + static_cast<uint32_t>(4 * g + k) * step;
      fu[k] = u & 0xFFFFu;
      storage[g].column[k] = static_cast<int32_t>(u) >> 16;
      run.largestColumn = std::max(run.largestColumn, storage[g].column[k]);
    }
    const __m256i wide = _mm256_cvtepu32_epi64(_mm_load_si128(reinterpret_cast<const __m128i*>(fu)));
    storage[g].fu = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(wide, 0), 0);
  }
}

// The run's pixels in row y: four at a time from the column groups, the rest one by one.
// Four pixels share a register: 16-bit lanes, pixels 0 and 1 in the low half, 2 and 3 in the
// high.
ORVANTA_TARGET_AVX2 void mixRun(const FreeRow& row, int32_t y, const RunColumns& run) {
  const __m256i zero = _mm256_setzero_si256();
  const uint32_t fv = row.v & 0xFFFFu;
  const __m256i fvLanes = _mm256_set1_epi16(static_cast<int16_t>(fv));
  const __m256i restLanes = _mm256_set1_epi16(static_cast<int16_t>(0xFFFFu - fv));
  const __m256i keep = _mm256_set1_epi16(static_cast<int16_t>(255u - row.level));
  const __m256i level = _mm256_set1_epi16(static_cast<int16_t>(row.level));
  const __m256i lowWord = _mm256_set1_epi16(-1);
  const ptrdiff_t sampleRow = static_cast<ptrdiff_t>(static_cast<int32_t>(row.v) >> 16) * kRow;
  uint32_t* const out = row.pixels + static_cast<ptrdiff_t>(y) * kRow + run.first;
  const uint32_t* const top = row.pixels + sampleRow;
  const uint32_t* const bottom = top + kRow;
  // Only next to the last row could a right neighbour fall past the array.
  const int32_t whole = sampleRow + run.largestColumn <= row.lastSafe ? run.groups : 0;
  for (int32_t g = 0; g < whole; ++g) {
    const ColumnGroup& group = run.group[g];
    const int32_t* const c = group.column;
    const __m256i topPairs = pairsAt(top, c[0], c[1], c[2], c[3]);
    const __m256i bottomPairs = pairsAt(bottom, c[0], c[1], c[2], c[3]);
    const __m256i fu = group.fu;
    const __m256i restU = _mm256_xor_si256(fu, lowWord);
    // (a * b) >> 24 as the high half of the 16-bit product shifted by 8.
    const __m256i topLeft = _mm256_srli_epi16(_mm256_mulhi_epu16(restU, restLanes), 8);
    const __m256i topRight = _mm256_srli_epi16(_mm256_mulhi_epu16(fu, restLanes), 8);
    const __m256i bottomLeft = _mm256_srli_epi16(_mm256_mulhi_epu16(restU, fvLanes), 8);
    const __m256i bottomRight = _mm256_srli_epi16(_mm256_mulhi_epu16(fu, fvLanes), 8);
    // The four terms never sum past 254 (the weights sum to at most 255), so nothing saturates.
    const __m256i sample = _mm256_add_epi16(
        _mm256_add_epi16(scaled(widen(topPairs), topLeft), scaled(widenHigh(topPairs), topRight)),
        _mm256_add_epi16(scaled(widen(bottomPairs), bottomLeft), scaled(widenHigh(bottomPairs), bottomRight)));
    uint32_t* const at = out + 4 * g;
    const __m256i old = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(at)));
    const __m256i mixed = _mm256_add_epi16(scaled(old, keep), scaled(sample, level));
    const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi16(mixed, zero), _MM_SHUFFLE(3, 1, 2, 0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(at), _mm256_castsi256_si128(packed));
  }
  for (int32_t k = 4 * whole; k < run.count; ++k) {
    mixOne(row, y, run.first + k, run.start + static_cast<uint32_t>(k) * run.step);
  }
}

// The rows nearer the centre row read their own row: pixel k of a run (counted from the
// centre) reads pixels 0 ... k of its own row and of the row before it in the walk, and no
// other pixels with a weight above 0. Pixel k of row j therefore needs only pixel k - 1 of row
// j and pixel k of row j - 1 done: all pixels with the same j + k (one diagonal of the
// quadrant) are independent of each other. A quadrant's near rows are walked diagonal by
// diagonal, eight rows of a diagonal at a time, the samples gathered; nothing waits on the
// pixel just written. Rows go in bands of kBand, each band finished before the next starts.
constexpr int32_t kBand = 128;

struct DiagonalBand {
  uint32_t* pixels;
  int32_t last;            // last index of the array: reads are clamped to it
  int32_t rows;            // rows in this band
  int32_t runLength;
  int32_t start;           // index of pixel 0 of the band's first row
  int32_t rowStride;       // from a row to the next
  int32_t laneStride;      // from a row's pixel k to the next row's pixel k - 1
  int32_t dx;
  uint32_t firstU, du;
  __m256i keep, mix;
  __m256i laneOffsets;     // i * laneStride in lane i
  __m256i laneU;           // -i * du in lane i: row j + i is i pixels behind row j
  // Per row, padded by a group of lanes: (v >> 16) * 320, and 0xFFFF - fv and fv in both
  // 16-bit halves.
  alignas(32) int32_t sampleRow[kBand + 8];
  alignas(32) uint32_t restV[kBand + 8];
  alignas(32) uint32_t fv[kBand + 8];
};

// Pixels 0, 1, 4, 5 (low) or 2, 3, 6, 7 (high) of eight, one 16-bit lane per byte.
ORVANTA_TARGET_AVX2 __m256i lowPixels(__m256i x) { return _mm256_unpacklo_epi8(x, _mm256_setzero_si256()); }
ORVANTA_TARGET_AVX2 __m256i highPixels(__m256i x) { return _mm256_unpackhi_epi8(x, _mm256_setzero_si256()); }

ORVANTA_TARGET_AVX2 __m256i gatherClamped(const int* base, __m256i index, __m256i last, __m256i mask) {
  return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, _mm256_min_epi32(index, last), mask, 4);
}

// The mixes of `count` (1 ... 8) pixels of one diagonal: rows lane ... lane + count - 1 of the
// band, row lane at pixel k. Lanes past count are masked off.
ORVANTA_TARGET_AVX2 void mixDiagonal(const DiagonalBand& band, int32_t lane, int32_t k, int32_t count) {
  const __m256i ones = _mm256_set1_epi32(-1);
  const __m256i mask =
      count == 8 ? ones : _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  const __m256i zero = _mm256_setzero_si256();
  const int* const base = reinterpret_cast<const int*>(band.pixels);
  uint32_t* const target = band.pixels + band.start + lane * band.rowStride + k * band.dx;

  const __m256i u = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(band.firstU + static_cast<uint32_t>(k) * band.du)),
                                     band.laneU);
  const __m256i at = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(band.sampleRow + lane)),
                                      _mm256_srai_epi32(u, 16));
  const __m256i last = _mm256_set1_epi32(band.last);
  const __m256i topLeftPixels = gatherClamped(base, at, last, mask);
  const __m256i topRightPixels = gatherClamped(base, _mm256_add_epi32(at, _mm256_set1_epi32(1)), last, mask);
  const __m256i bottomLeftPixels = gatherClamped(base, _mm256_add_epi32(at, _mm256_set1_epi32(kRow)), last, mask);
  const __m256i bottomRightPixels = gatherClamped(base, _mm256_add_epi32(at, _mm256_set1_epi32(kRow + 1)), last, mask);
  const __m256i old = _mm256_mask_i32gather_epi32(zero, reinterpret_cast<const int*>(target), band.laneOffsets, mask, 4);

  // fu in both halves of each lane; (a * b) >> 24 as the high half of the 16-bit product
  // shifted by 8.
  const __m256i fu = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(u, 0xA0), 0xA0);
  const __m256i restU = _mm256_xor_si256(fu, ones);
  const __m256i restV = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(band.restV + lane));
  const __m256i fv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(band.fv + lane));
  const __m256i topLeft = _mm256_srli_epi16(_mm256_mulhi_epu16(restU, restV), 8);
  const __m256i topRight = _mm256_srli_epi16(_mm256_mulhi_epu16(fu, restV), 8);
  const __m256i bottomLeft = _mm256_srli_epi16(_mm256_mulhi_epu16(restU, fv), 8);
  const __m256i bottomRight = _mm256_srli_epi16(_mm256_mulhi_epu16(fu, fv), 8);

  // The four terms never sum past 254 (the weights sum to at most 255), so nothing saturates.
  const __m256i low = _mm256_add_epi16(
      scaled(lowPixels(old), band.keep),
      scaled(_mm256_add_epi16(_mm256_add_epi16(scaled(lowPixels(topLeftPixels), _mm256_unpacklo_epi32(topLeft, topLeft)),
                                               scaled(lowPixels(topRightPixels), _mm256_unpacklo_epi32(topRight, topRight))),
                              _mm256_add_epi16(scaled(lowPixels(bottomLeftPixels), _mm256_unpacklo_epi32(bottomLeft, bottomLeft)),
                                               scaled(lowPixels(bottomRightPixels), _mm256_unpacklo_epi32(bottomRight, bottomRight)))),
             band.mix));
  const __m256i high = _mm256_add_epi16(
      scaled(highPixels(old), band.keep),
      scaled(_mm256_add_epi16(_mm256_add_epi16(scaled(highPixels(topLeftPixels), _mm256_unpackhi_epi32(topLeft, topLeft)),
                                               scaled(highPixels(topRightPixels), _mm256_unpackhi_epi32(topRight, topRight))),
                              _mm256_add_epi16(scaled(highPixels(bottomLeftPixels), _mm256_unpackhi_epi32(bottomLeft, bottomLeft)),
                                               scaled(highPixels(bottomRightPixels), _mm256_unpackhi_epi32(bottomRight, bottomRight)))),
             band.mix));
  const __m256i mixed = _mm256_packus_epi16(low, high);  // pixels 0 ... 7 in order

  const ptrdiff_t step = band.laneStride;
  if (count == 8) {
    const __m128i first = _mm256_castsi256_si128(mixed);
    const __m128i second = _mm256_extracti128_si256(mixed, 1);
    target[0] = static_cast<uint32_t>(_mm_cvtsi128_si32(first));
    target[step] = static_cast<uint32_t>(_mm_extract_epi32(first, 1));
    target[2 * step] = static_cast<uint32_t>(_mm_extract_epi32(first, 2));
    target[3 * step] = static_cast<uint32_t>(_mm_extract_epi32(first, 3));
    target[4 * step] = static_cast<uint32_t>(_mm_cvtsi128_si32(second));
    target[5 * step] = static_cast<uint32_t>(_mm_extract_epi32(second, 1));
    target[6 * step] = static_cast<uint32_t>(_mm_extract_epi32(second, 2));
    target[7 * step] = static_cast<uint32_t>(_mm_extract_epi32(second, 3));
  } else {
    alignas(32) uint32_t out[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(out), mixed);
    for (int32_t i = 0; i < count; ++i) target[i * step] = out[i];
  }
}

// Rows first ... first + rows - 1 (counted from the centre) of one quadrant.
ORVANTA_TARGET_AVX2 void walkBand(DiagonalBand& band, const Quadrant& quadrant, int32_t first, int32_t rows) {
  band.rows = rows;
  band.runLength = quadrant.runLength;
  band.start = (quadrant.firstY + first * quadrant.dy) * kRow + quadrant.firstX;
  band.rowStride = quadrant.dy * kRow;
  band.laneStride = band.rowStride - quadrant.dx;
  band.dx = quadrant.dx;
  band.firstU = quadrant.firstU;
  band.du = quadrant.du;
  band.laneOffsets = _mm256_mullo_epi32(_mm256_set1_epi32(band.laneStride), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  band.laneU = _mm256_mullo_epi32(_mm256_set1_epi32(static_cast<int32_t>(0u - quadrant.du)),
                                  _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  for (int32_t j = 0; j < kBand + 8; ++j) {
    const uint32_t v = quadrant.firstV + static_cast<uint32_t>(first + std::min(j, rows - 1)) * quadrant.dv;
    band.sampleRow[j] = (static_cast<int32_t>(v) >> 16) * kRow;
    band.fv[j] = (v & 0xFFFFu) * 0x10001u;
    band.restV[j] = (0xFFFFu - (v & 0xFFFFu)) * 0x10001u;
  }
  // Diagonal s holds pixel s - j of row j.
  const int32_t diagonals = band.runLength + rows - 1;
  for (int32_t s = 0; s < diagonals; ++s) {
    const int32_t lo = std::max(0, s - band.runLength + 1);
    const int32_t hi = std::min(rows - 1, s);
    for (int32_t lane = lo; lane <= hi; lane += 8) mixDiagonal(band, lane, s - lane, std::min(8, hi - lane + 1));
  }
}

// The quadrants one after another; each has no chain to hide.
ORVANTA_TARGET_AVX2 void mixNearRows(Image* image, int32_t cx, int32_t cy, uint32_t c, int32_t keep, int32_t near) {
  DiagonalBand band;
  band.pixels = image->pixels;
  band.last = static_cast<int32_t>(image->pixelCount()) - 1;
  const uint32_t level = (255u - static_cast<uint32_t>(keep)) & 0xFFu;
  band.keep = _mm256_set1_epi16(static_cast<int16_t>(255u - level));
  band.mix = _mm256_set1_epi16(static_cast<int16_t>(level));
  Quadrant quadrants[4];
  const int active = quadrantsOf(*image, cx, cy, c, near, near, quadrants);
  for (int i = 0; i < active; ++i) {
    for (int32_t first = 0; first < quadrants[i].rows; first += kBand) {
      walkBand(band, quadrants[i], first, std::min(kBand, quadrants[i].rows - first));
    }
  }
}

}  // namespace

ORVANTA_TARGET_AVX2 void radialBlurAvx2(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep) {
  if (!radialBlurQuadrantsApply(*image, cx, cy, strength)) {
    radialBlurReference(image, cx, cy, strength, keep);
    return;
  }
  const uint32_t c = static_cast<uint32_t>(strength);
  // Rows nearer the centre row than ceil(65536 / c) read their own row.
  const int32_t near = c == 0 ? image->height : static_cast<int32_t>((65536u + c - 1u) / c);
  mixNearRows(image, cx, cy, c, keep, near);

  FreeRow row{};
  row.pixels = image->pixels;
  row.count = static_cast<ptrdiff_t>(image->pixelCount());
  row.lastSafe = row.count - kRow - 2;
  row.level = (255u - static_cast<uint32_t>(keep)) & 0xFFu;
  // The left run's sample column is x + (cx - x) c' / 65536, the right run's
  // x - (x - cx - 1) c' / 65536, in 16.16; both grow by 65536 - c' per column.
  const uint32_t ucx = static_cast<uint32_t>(cx);
  const uint32_t step = 65536u - c;
  ColumnGroup storage[kRow / 4 + 2];
  RunColumns left;
  RunColumns right;
  prepareRun(left, storage, 0, cx, (ucx << 16) + ucx * (c - 65536u), step);
  prepareRun(right, storage + left.groups, cx + 1, image->width - 1, (ucx + 1u) << 16, step);
  const uint32_t ucy = static_cast<uint32_t>(cy);
  for (int32_t y = cy - near; y >= 0; --y) {
    row.v = (ucy << 16) + static_cast<uint32_t>(cy - y) * (c - 65536u);
    mixRun(row, y, left);
    mixRun(row, y, right);
  }
  for (int32_t y = cy + 1 + near; y < image->height; ++y) {
    row.v = ((ucy + 1u) << 16) + static_cast<uint32_t>(y - cy - 1) * (65536u - c);
    mixRun(row, y, left);
    mixRun(row, y, right);
  }
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
