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

// One pixel by the formulas with reads clamped to the array, for the lanes of a wave that do
// not fill four.
void mixPixel(uint32_t* pixels, ptrdiff_t count, uint32_t level, int32_t x, int32_t y, uint32_t u, uint32_t v) {
  auto read = [&](ptrdiff_t i) { return pixels[std::clamp<ptrdiff_t>(i, 0, count - 1)]; };
  const ptrdiff_t at = static_cast<ptrdiff_t>(static_cast<int32_t>(v) >> 16) * kRow + (static_cast<int32_t>(u) >> 16);
  const uint32_t sample = pixel::mixFour(read(at), read(at + 1), read(at + kRow), read(at + kRow + 1),
                                         pixel::bilinearWeights(static_cast<int32_t>(u), static_cast<int32_t>(v)));
  uint32_t& target = pixels[static_cast<ptrdiff_t>(y) * kRow + x];
  target = pixel::mixTwo(target, sample, level);
}

// The rows nearer the centre row read their own row: pixel k of a run (counted from the
// centre) reads pixels 0 ... k of its own row and of the row before it in the walk, and no
// other pixels with a weight above 0. Four rows therefore go side by side as a wave, row j
// of the four one pixel behind row j - 1: in step s, row j mixes its pixel s - j, and all
// it reads was written in earlier steps. Each wave walks one quadrant, four rows at a time.
struct Wave : Quadrant {
  // The current four rows (fewer at the end) and the step.
  int32_t group = 0;
  int32_t lanes = 0;
  int32_t step = 0;
  int32_t y[4] = {};
  uint32_t v[4] = {};
  int32_t target[4] = {};  // index of each row's pixel of this step
  __m128i u;               // each row's u in this step
  __m128i sampleRows;      // (v >> 16) * 320 of each row
  __m256i restV, fv;       // 0xFFFF - fv and fv, each row's in its four lanes
};

struct WaveShared {
  uint32_t* pixels;
  ptrdiff_t count;
  ptrdiff_t lastSafe;
  uint32_t level;
  __m256i keep, mix;
};

ORVANTA_TARGET_AVX2 __m256i perRow(const uint32_t (&values)[4]) {
  const __m256i wide = _mm256_cvtepu32_epi64(_mm_loadu_si128(reinterpret_cast<const __m128i*>(values)));
  return _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(wide, 0), 0);
}

ORVANTA_TARGET_AVX2 void enterGroup(Wave& wave) {
  wave.lanes = std::min(4, wave.rows - wave.group);
  wave.step = 0;
  uint32_t fv[4] = {};
  uint32_t restV[4] = {};
  alignas(16) int32_t sampleRows[4] = {};
  alignas(16) uint32_t u[4] = {};
  for (int j = 0; j < 4; ++j) {
    const int32_t row = wave.group + std::min(j, wave.lanes - 1);
    wave.y[j] = wave.firstY + row * wave.dy;
    wave.v[j] = wave.firstV + static_cast<uint32_t>(row) * wave.dv;
    // Row j starts j pixels before the run (those steps leave it alone).
    wave.target[j] = wave.y[j] * kRow + wave.firstX - j * wave.dx;
    u[j] = wave.firstU - static_cast<uint32_t>(j) * wave.du;
    fv[j] = wave.v[j] & 0xFFFFu;
    restV[j] = 0xFFFFu - fv[j];
    sampleRows[j] = (static_cast<int32_t>(wave.v[j]) >> 16) * kRow;
  }
  wave.u = _mm_load_si128(reinterpret_cast<const __m128i*>(u));
  wave.sampleRows = _mm_load_si128(reinterpret_cast<const __m128i*>(sampleRows));
  wave.fv = perRow(fv);
  wave.restV = perRow(restV);
}

ORVANTA_TARGET_AVX2 __m256i widenFour(const uint32_t* pixels, int i0, int i1, int i2, int i3) {
  // 32-bit loads, so that a pixel stored a step ago is forwarded from its store.
  return _mm256_cvtepu8_epi16(_mm_setr_epi32(static_cast<int>(pixels[i0]), static_cast<int>(pixels[i1]),
                                             static_cast<int>(pixels[i2]), static_cast<int>(pixels[i3])));
}

// One step of the wave: four pixels at once when all four rows are inside their run,
// otherwise the rows that are, one by one. False once the quadrant is done.
ORVANTA_TARGET_AVX2 bool advance(Wave& wave, const WaveShared& shared) {
  const int32_t s = wave.step;
  const __m128i at = _mm_add_epi32(wave.sampleRows, _mm_srai_epi32(wave.u, 16));
  const bool full = wave.lanes == 4 && s >= 3 && s < wave.runLength &&
                    _mm_movemask_epi8(_mm_cmpgt_epi32(at, _mm_set1_epi32(static_cast<int>(shared.lastSafe)))) == 0;
  if (full) {
    uint32_t* const p = shared.pixels;
    const int i0 = _mm_cvtsi128_si32(at);
    const int i1 = _mm_extract_epi32(at, 1);
    const int i2 = _mm_extract_epi32(at, 2);
    const int i3 = _mm_extract_epi32(at, 3);
    const __m256i topLeftPixels = widenFour(p, i0, i1, i2, i3);
    const __m256i topRightPixels = widenFour(p, i0 + 1, i1 + 1, i2 + 1, i3 + 1);
    const __m256i bottomLeftPixels = widenFour(p, i0 + kRow, i1 + kRow, i2 + kRow, i3 + kRow);
    const __m256i bottomRightPixels = widenFour(p, i0 + kRow + 1, i1 + kRow + 1, i2 + kRow + 1, i3 + kRow + 1);
    const __m256i old = widenFour(p, wave.target[0], wave.target[1], wave.target[2], wave.target[3]);
    const __m256i fuWide = _mm256_cvtepu32_epi64(_mm_and_si128(wave.u, _mm_set1_epi32(0xFFFF)));
    const __m256i fu = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(fuWide, 0), 0);
    const __m256i restU = _mm256_xor_si256(fu, _mm256_set1_epi16(-1));
    const __m256i topLeft = _mm256_srli_epi16(_mm256_mulhi_epu16(restU, wave.restV), 8);
    const __m256i topRight = _mm256_srli_epi16(_mm256_mulhi_epu16(fu, wave.restV), 8);
    const __m256i bottomLeft = _mm256_srli_epi16(_mm256_mulhi_epu16(restU, wave.fv), 8);
    const __m256i bottomRight = _mm256_srli_epi16(_mm256_mulhi_epu16(fu, wave.fv), 8);
    const __m256i sample =
        _mm256_add_epi16(_mm256_add_epi16(scaled(topLeftPixels, topLeft), scaled(topRightPixels, topRight)),
                         _mm256_add_epi16(scaled(bottomLeftPixels, bottomLeft), scaled(bottomRightPixels, bottomRight)));
    const __m256i mixed = _mm256_add_epi16(scaled(old, shared.keep), scaled(sample, shared.mix));
    const __m128i out = _mm256_castsi256_si128(
        _mm256_permute4x64_epi64(_mm256_packus_epi16(mixed, _mm256_setzero_si256()), _MM_SHUFFLE(3, 1, 2, 0)));
    p[wave.target[0]] = static_cast<uint32_t>(_mm_cvtsi128_si32(out));
    p[wave.target[1]] = static_cast<uint32_t>(_mm_extract_epi32(out, 1));
    p[wave.target[2]] = static_cast<uint32_t>(_mm_extract_epi32(out, 2));
    p[wave.target[3]] = static_cast<uint32_t>(_mm_extract_epi32(out, 3));
  } else {
    alignas(16) uint32_t u[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(u), wave.u);
    for (int j = 0; j < wave.lanes; ++j) {
      const int32_t k = s - j;
      if (k < 0 || k >= wave.runLength) continue;
      mixPixel(shared.pixels, shared.count, shared.level, wave.firstX + k * wave.dx, wave.y[j], u[j], wave.v[j]);
    }
  }
  wave.u = _mm_add_epi32(wave.u, _mm_set1_epi32(static_cast<int>(wave.du)));
  for (int32_t& t : wave.target) t += wave.dx;
  if (++wave.step < wave.runLength + wave.lanes - 1) return true;
  wave.group += wave.lanes;
  if (wave.group >= wave.rows) return false;
  enterGroup(wave);
  return true;
}

// The four quadrants' waves side by side, so that the processor overlaps their chains.
ORVANTA_TARGET_AVX2 void mixNearRows(Image* image, int32_t cx, int32_t cy, uint32_t c, int32_t keep, int32_t near) {
  WaveShared shared{};
  shared.pixels = image->pixels;
  shared.count = static_cast<ptrdiff_t>(image->pixelCount());
  shared.lastSafe = shared.count - kRow - 2;
  shared.level = (255u - static_cast<uint32_t>(keep)) & 0xFFu;
  shared.keep = _mm256_set1_epi16(static_cast<int16_t>(255u - shared.level));
  shared.mix = _mm256_set1_epi16(static_cast<int16_t>(shared.level));
  Quadrant quadrants[4];
  int active = quadrantsOf(*image, cx, cy, c, near, near, quadrants);
  Wave waves[4];
  for (int i = 0; i < active; ++i) {
    static_cast<Quadrant&>(waves[i]) = quadrants[i];
    enterGroup(waves[i]);
  }
  while (active > 0) {
    for (int i = 0; i < active;) {
      if (advance(waves[i], shared)) {
        ++i;
      } else {
        waves[i] = waves[--active];
      }
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
