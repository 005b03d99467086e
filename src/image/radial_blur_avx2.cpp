#include "image/radial_blur_kernels.h"

#if ORVANTA_X86_AVX2
#include <immintrin.h>

#include <algorithm>

#include "image/lane_loads_avx2.h"
#include "image/pixel_mixing.h"
#include "image/radial_blur_kernels.h"

namespace orvanta::kernels {
namespace {

constexpr int32_t kRow = pixel::kRowLength;

// (a * b) >> 8 for a byte a and a weight b (0 ... 255), as the high half of the 16-bit product
// of a << 8 and b: the bytes are widened into the high halves of their lanes, so no shift
// follows the multiply. Pixels 0, 1, 4, 5 (low) or 2, 3, 6, 7 (high) of eight.
ORVANTA_TARGET_AVX2 __m256i lowPixels(__m256i x) { return _mm256_unpacklo_epi8(_mm256_setzero_si256(), x); }
ORVANTA_TARGET_AVX2 __m256i highPixels(__m256i x) { return _mm256_unpackhi_epi8(_mm256_setzero_si256(), x); }

// Eight pixels: their old values and four neighbours, the bilinear weights of each (in both
// 16-bit halves of its lane), mixed by the formulas. keep is 255 - L, mix is L << 8 (the
// sample is a plain 16-bit value, so its factor carries the shift).
ORVANTA_TARGET_AVX2 __m256i mixEight(__m256i old, __m256i topLeftPixels, __m256i topRightPixels, __m256i bottomLeftPixels,
                                     __m256i bottomRightPixels, __m256i topLeft, __m256i topRight, __m256i bottomLeft,
                                     __m256i bottomRight, __m256i keep, __m256i mix) {
  // The four terms never sum past 254 (the weights sum to at most 255), so nothing saturates.
  const __m256i lowSample = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mulhi_epu16(lowPixels(topLeftPixels), _mm256_unpacklo_epi32(topLeft, topLeft)),
                       _mm256_mulhi_epu16(lowPixels(topRightPixels), _mm256_unpacklo_epi32(topRight, topRight))),
      _mm256_add_epi16(_mm256_mulhi_epu16(lowPixels(bottomLeftPixels), _mm256_unpacklo_epi32(bottomLeft, bottomLeft)),
                       _mm256_mulhi_epu16(lowPixels(bottomRightPixels), _mm256_unpacklo_epi32(bottomRight, bottomRight))));
  const __m256i highSample = _mm256_add_epi16(
      _mm256_add_epi16(_mm256_mulhi_epu16(highPixels(topLeftPixels), _mm256_unpackhi_epi32(topLeft, topLeft)),
                       _mm256_mulhi_epu16(highPixels(topRightPixels), _mm256_unpackhi_epi32(topRight, topRight))),
      _mm256_add_epi16(_mm256_mulhi_epu16(highPixels(bottomLeftPixels), _mm256_unpackhi_epi32(bottomLeft, bottomLeft)),
                       _mm256_mulhi_epu16(highPixels(bottomRightPixels), _mm256_unpackhi_epi32(bottomRight, bottomRight))));
  const __m256i low = _mm256_add_epi16(_mm256_mulhi_epu16(lowPixels(old), keep), _mm256_mulhi_epu16(lowSample, mix));
  const __m256i high = _mm256_add_epi16(_mm256_mulhi_epu16(highPixels(old), keep), _mm256_mulhi_epu16(highSample, mix));
  return _mm256_packus_epi16(low, high);  // pixels 0 ... 7 in order
}

// (a * b) >> 24 of two 16-bit fractions, in both halves of each lane.
ORVANTA_TARGET_AVX2 __m256i weight(__m256i a, __m256i b) { return _mm256_srli_epi16(_mm256_mulhi_epu16(a, b), 8); }

// Eight neighbouring pixels of a row: the sample column is the same in every row, so each
// group's columns and fu are worked out once per blur. Their columns lie within base ...
// base + 7 (each pixel's sample is less than a column past the one before, the step from the
// left run to the right one included), so the left and right neighbours of all eight come
// from two loads of eight words each, picked by `offsets`.
struct ColumnGroup {
  __m256i fu;       // in both halves of each lane
  __m256i restU;    // 0xFFFF - fu
  __m256i offsets;  // column - base
  int32_t base;
};

constexpr int32_t kGroups = kRow / 8;

struct FreeRows {
  uint32_t* pixels;
  int32_t last;             // last index of the array
  int32_t largestBase = 0;  // of the groups
  uint32_t level;
  __m256i keep, mix;
  ColumnGroup group[kGroups];
};

// The sample column of pixel x of a row: x + (cx - x) c' / 65536 left of the centre and
// x - (x - cx - 1) c' / 65536 right of it, in 16.16, as the plain order has them.
uint32_t sampleColumn(int32_t x, int32_t cx, uint32_t c) {
  const uint32_t ucx = static_cast<uint32_t>(cx);
  return x <= cx ? (ucx << 16) + static_cast<uint32_t>(cx - x) * (c - 65536u)
                 : ((ucx + 1u) << 16) + static_cast<uint32_t>(x - cx - 1) * (65536u - c);
}

ORVANTA_TARGET_AVX2 void prepareGroups(FreeRows& rows, int32_t cx, uint32_t c) {
  for (int32_t g = 0; g < kGroups; ++g) {
    alignas(32) uint32_t fu[8];
    alignas(32) int32_t offsets[8];
    ColumnGroup& group = rows.group[g];
    group.base = static_cast<int32_t>(sampleColumn(8 * g, cx, c)) >> 16;
    for (int32_t i = 0; i < 8; ++i) {
      const uint32_t u = sampleColumn(8 * g + i, cx, c);
      fu[i] = (u & 0xFFFFu) * 0x10001u;
      offsets[i] = (static_cast<int32_t>(u) >> 16) - group.base;
    }
    group.fu = _mm256_load_si256(reinterpret_cast<const __m256i*>(fu));
    group.restU = _mm256_xor_si256(group.fu, _mm256_set1_epi32(-1));
    group.offsets = _mm256_load_si256(reinterpret_cast<const __m256i*>(offsets));
    rows.largestBase = std::max(rows.largestBase, group.base);
  }
}

// One pixel by the formulas with reads clamped to the array.
void mixPixel(uint32_t* pixels, int32_t last, uint32_t level, int32_t x, int32_t y, uint32_t u, uint32_t v) {
  auto read = [&](int64_t i) { return pixels[std::clamp<int64_t>(i, 0, last)]; };
  const int64_t at = int64_t{static_cast<int32_t>(v) >> 16} * kRow + (static_cast<int32_t>(u) >> 16);
  const uint32_t sample = pixel::mixFour(read(at), read(at + 1), read(at + kRow), read(at + kRow + 1),
                                         pixel::bilinearWeights(static_cast<int32_t>(u), static_cast<int32_t>(v)));
  uint32_t& target = pixels[int64_t{y} * kRow + x];
  target = pixel::mixTwo(target, sample, level);
}

ORVANTA_TARGET_AVX2 __m256i load(const uint32_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }

// Row y, whose samples lie on row v >> 16 and the one below, both already done.
ORVANTA_TARGET_AVX2 void mixRow(const FreeRows& rows, int32_t y, uint32_t v, int32_t cx, uint32_t c) {
  const int32_t sampleRow = (static_cast<int32_t>(v) >> 16) * kRow;
  uint32_t* const out = rows.pixels + y * kRow;
  // Next to the last row the loads would run past the array; those rows go one by one.
  if (int64_t{sampleRow} + kRow + rows.largestBase + 8 > rows.last) {
    for (int32_t x = 0; x < kRow; ++x) mixPixel(rows.pixels, rows.last, rows.level, x, y, sampleColumn(x, cx, c), v);
    return;
  }
  const uint32_t fv = v & 0xFFFFu;
  const __m256i fvLanes = _mm256_set1_epi16(static_cast<int16_t>(fv));
  const __m256i restV = _mm256_set1_epi16(static_cast<int16_t>(0xFFFFu - fv));
  const uint32_t* const top = rows.pixels + sampleRow;
  const uint32_t* const bottom = top + kRow;
  for (int32_t g = 0; g < kGroups; ++g) {
    const ColumnGroup& group = rows.group[g];
    const __m256i topLeftPixels = _mm256_permutevar8x32_epi32(load(top + group.base), group.offsets);
    const __m256i topRightPixels = _mm256_permutevar8x32_epi32(load(top + group.base + 1), group.offsets);
    const __m256i bottomLeftPixels = _mm256_permutevar8x32_epi32(load(bottom + group.base), group.offsets);
    const __m256i bottomRightPixels = _mm256_permutevar8x32_epi32(load(bottom + group.base + 1), group.offsets);
    uint32_t* const at = out + 8 * g;
    const __m256i mixed = mixEight(load(at), topLeftPixels, topRightPixels, bottomLeftPixels, bottomRightPixels,
                                   weight(group.restU, restV), weight(group.fu, restV), weight(group.restU, fvLanes),
                                   weight(group.fu, fvLanes), rows.keep, rows.mix);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), mixed);
  }
}

// The rows nearer the centre row read their own row: pixel k of a run (counted from the
// centre) reads pixels 0 ... k of its own row and of the row before it in the walk, and no
// other pixels with a weight above 0. Pixel k of row j therefore needs only pixel k - 1 of row
// j and pixel k of row j - 1 done: all pixels with the same j + k (one diagonal of the
// quadrant) are independent of each other. A quadrant's near rows are walked diagonal by
// diagonal, eight rows of a diagonal at a time, the samples loaded by lane (gathers, or single
// loads where the processor does those faster); nothing waits on the pixel just written. Rows
// go in bands of kBand, each band finished before the next starts.
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
  __m256i keep, mix;       // 255 - L, and L << 8
  __m256i laneOffsets;     // i * laneStride in lane i
  __m256i laneU;           // -i * du in lane i: row j + i is i pixels behind row j
  // Per row, padded by a group of lanes: (v >> 16) * 320, and 0xFFFF - fv and fv in both
  // 16-bit halves.
  alignas(32) int32_t sampleRow[kBand + 8];
  alignas(32) uint32_t restV[kBand + 8];
  alignas(32) uint32_t fv[kBand + 8];
};

ORVANTA_TARGET_AVX2 __m256i gatherClamped(const int* base, __m256i index, __m256i last, __m256i mask) {
  return _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), base, _mm256_min_epi32(index, last), mask, 4);
}

// The four neighbours of eight samples at `at` and the eight old pixels, loaded the way kWay
// says. Lanes outside `mask` are not needed: gathers skip them (and give 0); single loads, which
// must stay inside the array too, read lane 0's samples and the first old pixel there. With
// kClamp each read index is clamped to the array's last pixel.
template <bool kClamp, cpu::LaneLoads kWay>
ORVANTA_TARGET_AVX2 void loadSamples(const DiagonalBand& band, const uint32_t* target, __m256i at, __m256i mask,
                                     __m256i (&neighbours)[4], __m256i& old) {
  const __m256i last = _mm256_set1_epi32(band.last);
  constexpr int32_t kOffsets[4] = {0, 1, kRow, kRow + 1};
  if constexpr (kWay == cpu::LaneLoads::kGather) {
    const __m256i zero = _mm256_setzero_si256();
    const int* const base = reinterpret_cast<const int*>(band.pixels);
    for (int n = 0; n < 4; ++n) {
      if constexpr (kClamp) {
        neighbours[n] = gatherClamped(base, _mm256_add_epi32(at, _mm256_set1_epi32(kOffsets[n])), last, mask);
      } else {
        neighbours[n] = _mm256_mask_i32gather_epi32(zero, base + kOffsets[n], at, mask, 4);
      }
    }
    old = _mm256_mask_i32gather_epi32(zero, reinterpret_cast<const int*>(target), band.laneOffsets, mask, 4);
  } else {
    const __m256i index = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(at, _mm256_setzero_si256()), at, mask);
    for (int n = 0; n < 4; ++n) {
      if constexpr (kClamp) {
        neighbours[n] =
            loadLanes<kWay>(band.pixels, _mm256_min_epi32(_mm256_add_epi32(index, _mm256_set1_epi32(kOffsets[n])), last));
      } else {
        neighbours[n] = loadLanes<kWay>(band.pixels + kOffsets[n], index);
      }
    }
    old = loadLanes<kWay>(target, _mm256_and_si256(band.laneOffsets, mask));
  }
}

// The mixes of `count` (1 ... 8) pixels of one diagonal: rows lane ... lane + count - 1 of the
// band, row lane at pixel k. Lanes past count are masked off. Reads are clamped to the array
// only where the band's samples can reach past it (kClamp).
template <bool kClamp, cpu::LaneLoads kWay>
ORVANTA_TARGET_AVX2 void mixDiagonal(const DiagonalBand& band, int32_t lane, int32_t k, int32_t count) {
  const __m256i ones = _mm256_set1_epi32(-1);
  const __m256i mask =
      count == 8 ? ones : _mm256_cmpgt_epi32(_mm256_set1_epi32(count), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
  uint32_t* const target = band.pixels + band.start + lane * band.rowStride + k * band.dx;

  const __m256i u = _mm256_add_epi32(_mm256_set1_epi32(static_cast<int>(band.firstU + static_cast<uint32_t>(k) * band.du)),
                                     band.laneU);
  const __m256i at = _mm256_add_epi32(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(band.sampleRow + lane)),
                                      _mm256_srai_epi32(u, 16));
  __m256i neighbours[4];
  __m256i old;
  loadSamples<kClamp, kWay>(band, target, at, mask, neighbours, old);

  // fu in both halves of each lane.
  const __m256i fu = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(u, 0xA0), 0xA0);
  const __m256i restU = _mm256_xor_si256(fu, ones);
  const __m256i restV = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(band.restV + lane));
  const __m256i fv = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(band.fv + lane));
  const __m256i mixed = mixEight(old, neighbours[0], neighbours[1], neighbours[2], neighbours[3],
                                 weight(restU, restV), weight(fu, restV), weight(restU, fv), weight(fu, fv), band.keep,
                                 band.mix);

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
template <cpu::LaneLoads kWay>
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
  // The samples' columns move one way along the run, so its ends bound them; with the
  // largest sample row that bounds every read.
  int32_t largestRow = 0;
  for (int32_t j = 0; j < rows; ++j) largestRow = std::max(largestRow, band.sampleRow[j]);
  const int32_t lastU = static_cast<int32_t>(band.firstU + static_cast<uint32_t>(band.runLength - 1) * band.du);
  const int32_t largestColumn = std::max(static_cast<int32_t>(band.firstU) >> 16, lastU >> 16);
  const bool clamp = int64_t{largestRow} + largestColumn + kRow + 1 > band.last;
  // Diagonal s holds pixel s - j of row j.
  const int32_t diagonals = band.runLength + rows - 1;
  for (int32_t s = 0; s < diagonals; ++s) {
    const int32_t lo = std::max(0, s - band.runLength + 1);
    const int32_t hi = std::min(rows - 1, s);
    for (int32_t lane = lo; lane <= hi; lane += 8) {
      if (clamp) {
        mixDiagonal<true, kWay>(band, lane, s - lane, std::min(8, hi - lane + 1));
      } else {
        mixDiagonal<false, kWay>(band, lane, s - lane, std::min(8, hi - lane + 1));
      }
    }
  }
}

// The quadrants one after another; each has no chain to hide.
ORVANTA_TARGET_AVX2 void mixNearRows(Image* image, int32_t cx, int32_t cy, uint32_t c, uint32_t level, int32_t near,
                                     cpu::LaneLoads loads) {
  DiagonalBand band;
  band.pixels = image->pixels;
  band.last = static_cast<int32_t>(image->pixelCount()) - 1;
  band.keep = _mm256_set1_epi16(static_cast<int16_t>(255u - level));
  band.mix = _mm256_set1_epi16(static_cast<int16_t>(level << 8));
  Quadrant quadrants[4];
  const int active = quadrantsOf(*image, cx, cy, c, near, near, quadrants);
  withLaneLoads(loads, [&]<cpu::LaneLoads kWay>() {
    for (int i = 0; i < active; ++i) {
      for (int32_t first = 0; first < quadrants[i].rows; first += kBand) {
        walkBand<kWay>(band, quadrants[i], first, std::min(kBand, quadrants[i].rows - first));
      }
    }
  });
}

}  // namespace

ORVANTA_TARGET_AVX2 void radialBlurAvx2(Image* image, int32_t cx, int32_t cy, int32_t strength, int32_t keep,
                                        cpu::LaneLoads loads) {
  if (!radialBlurQuadrantsApply(*image, cx, cy, strength)) {
    radialBlurReference(image, cx, cy, strength, keep);
    return;
  }
  const uint32_t c = static_cast<uint32_t>(strength);
  const uint32_t level = (255u - static_cast<uint32_t>(keep)) & 0xFFu;
  // Rows nearer the centre row than ceil(65536 / c) read their own row.
  const int32_t near = c == 0 ? image->height : static_cast<int32_t>((65536u + c - 1u) / c);
  mixNearRows(image, cx, cy, c, level, near, loads);

  FreeRows rows;
  rows.pixels = image->pixels;
  rows.last = static_cast<int32_t>(image->pixelCount()) - 1;
  rows.level = level;
  rows.keep = _mm256_set1_epi16(static_cast<int16_t>(255u - level));
  rows.mix = _mm256_set1_epi16(static_cast<int16_t>(level << 8));
  prepareGroups(rows, cx, c);
  const uint32_t ucy = static_cast<uint32_t>(cy);
  for (int32_t y = cy - near; y >= 0; --y) {
    mixRow(rows, y, (ucy << 16) + static_cast<uint32_t>(cy - y) * (c - 65536u), cx, c);
  }
  for (int32_t y = cy + 1 + near; y < image->height; ++y) {
    mixRow(rows, y, ((ucy + 1u) << 16) + static_cast<uint32_t>(y - cy - 1) * (65536u - c), cx, c);
  }
}

}  // namespace orvanta::kernels

#endif  // ORVANTA_X86_AVX2
