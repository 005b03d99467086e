// The box blurs' entries and the vertical blur's column sums, written once for every register
// width. Included inside an anonymous namespace after an `Ops` type is defined with: V,
// kPixels (pixels per register), zero, set16, load, store, low, high (the bytes of the first
// and second half of each 128-bit lane's pixels, widened to 16 bits), add, sub, mulhi, pack
// (the inverse of low/high), PaddedRow (the horizontal blur of one row at a time, the width's
// own prefix sums: PaddedRow(width, window), row() for the row's words, blur(destination));
// ORVANTA_KERNEL_TARGET is the target attribute of that width (empty for the
// baseline). Window sums of up to 257 bytes fit 16-bit lanes, and (sum * W) >> 16 is exactly
// the high half of a 16 x 16-bit product. Uses nothing from the standard library, so that no
// shared inline code is compiled for a wider instruction set.

constexpr int32_t kColumnsMaxWidth = 1024;  // the sums live on the stack

// Adds (kEnter) or takes away one row's pixels from the sums.
template <class Ops, bool kEnter>
ORVANTA_KERNEL_TARGET void moveSums(typename Ops::V* sums, const uint32_t* row, int32_t blocks) {
  for (int32_t b = 0; b < blocks; ++b) {
    const typename Ops::V p = Ops::load(row + Ops::kPixels * b);
    if constexpr (kEnter) {
      sums[2 * b] = Ops::add(sums[2 * b], Ops::low(p));
      sums[2 * b + 1] = Ops::add(sums[2 * b + 1], Ops::high(p));
    } else {
      sums[2 * b] = Ops::sub(sums[2 * b], Ops::low(p));
      sums[2 * b + 1] = Ops::sub(sums[2 * b + 1], Ops::high(p));
    }
  }
}

// Copies `count` words, whole registers first.
template <class Ops>
ORVANTA_KERNEL_TARGET void copyWords(const uint32_t* from, uint32_t* to, int32_t count) {
  int32_t x = 0;
  for (; x + Ops::kPixels <= count; x += Ops::kPixels) Ops::store(to + x, Ops::load(from + x));
  for (; x < count; ++x) to[x] = from[x];
}

// The column sums' sweep: for each output row y < rows, the rows y - r - 1 (leaving(y - r - 1))
// and y + r (entering(y + r)) move the sums, then emit(y, sums, weight) takes the row. Block b's
// two registers hold the windows of columns kPixels * b ... kPixels * b + kPixels - 1.
template <class Ops, class Entering, class Leaving, class Emit>
ORVANTA_KERNEL_TARGET void sweepColumns(int32_t width, int32_t height, orvanta::kernels::BoxWindow window,
                                        int32_t rows, Entering entering, Leaving leaving, Emit emit) {
  using V = typename Ops::V;
  constexpr int32_t kPixels = Ops::kPixels;
  const int32_t r = static_cast<int32_t>(window.radius);
  const int32_t blocks = (width + kPixels - 1) / kPixels;
  alignas(32) V sums[2 * ((kColumnsMaxWidth + kPixels - 1) / kPixels)];
  const V weight = Ops::set16(static_cast<int16_t>(window.weight));
  for (int32_t b = 0; b < 2 * blocks; ++b) sums[b] = Ops::zero();
  for (int32_t y = 0; y < r; ++y) moveSums<Ops, true>(sums, entering(y), blocks);
  for (int32_t y = 0; y < rows; ++y) {
    if (y > r) moveSums<Ops, false>(sums, leaving(y - r - 1), blocks);
    if (y + r < height) moveSums<Ops, true>(sums, entering(y + r), blocks);
    emit(y, static_cast<const V*>(sums), weight);
  }
}

// The vertical blur's rows. Rows whose width is not a multiple of kPixels are read through a
// padded copy and written through a tail buffer.
template <class Ops>
ORVANTA_KERNEL_TARGET void blurColumns(const orvanta::Image& source, orvanta::Image& destination,
                                       orvanta::kernels::BoxWindow window, int32_t rows) {
  using V = typename Ops::V;
  constexpr int32_t kPixels = Ops::kPixels;
  const int32_t width = source.width;
  const int32_t blocks = (width + kPixels - 1) / kPixels;
  alignas(32) uint32_t padded[kColumnsMaxWidth + kPixels];
  alignas(32) uint32_t tail[kPixels];
  const bool ragged = (width % kPixels) != 0;
  if (ragged) {
    for (int32_t x = width; x < blocks * kPixels; ++x) padded[x] = 0;
  }
  auto rowAt = [&](int32_t y) ORVANTA_KERNEL_TARGET -> const uint32_t* {
    const uint32_t* p = source.pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
    if (!ragged) return p;
    for (int32_t x = 0; x < width; ++x) padded[x] = p[x];
    return padded;
  };
  auto emit = [&](int32_t y, const V* sums, const V& weight) ORVANTA_KERNEL_TARGET {
    uint32_t* target = destination.pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int32_t b = 0; b < blocks; ++b) {
      const V out = Ops::pack(Ops::mulhi(sums[2 * b], weight), Ops::mulhi(sums[2 * b + 1], weight));
      if (kPixels * b + kPixels <= width) {
        Ops::store(target + kPixels * b, out);
      } else {
        Ops::store(tail, out);
        for (int32_t x = kPixels * b; x < width; ++x) target[x] = tail[x - kPixels * b];
      }
    }
  };
  sweepColumns<Ops>(width, source.height, window, rows, rowAt, rowAt, emit);
}

// Both blurs in one sweep: each row of the vertical blur goes straight into the horizontal
// blur's padded row (or, when the horizontal radius is 0, an exact copy, straight into the
// destination), never through the work image. When the destination is the source, a row that
// the sums still have to take away is kept in the work image (a ring of 2r + 2 rows), as its
// place may hold a finished row by then. Same-sized images, widths a multiple of kPixels and
// fast windows only.
template <class Ops>
ORVANTA_KERNEL_TARGET void blurColumnsThenRows(orvanta::Image& destination, orvanta::Image& work,
                                               const orvanta::Image& source, orvanta::kernels::BoxWindow vertical,
                                               orvanta::kernels::BoxWindow horizontal) {
  using V = typename Ops::V;
  constexpr int32_t kPixels = Ops::kPixels;
  const int32_t width = source.width;
  const int32_t height = source.height;
  const int32_t blocks = width / kPixels;
  const bool inPlace = destination.pixels == source.pixels;
  const int32_t ringRows = 2 * static_cast<int32_t>(vertical.radius) + 2 < height
                               ? 2 * static_cast<int32_t>(vertical.radius) + 2
                               : height;
  auto rowOf = [width](uint32_t* pixels, int32_t y) ORVANTA_KERNEL_TARGET {
    return pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
  };
  auto entering = [&](int32_t y) ORVANTA_KERNEL_TARGET -> const uint32_t* {
    const uint32_t* row = rowOf(source.pixels, y);
    if (inPlace) copyWords<Ops>(row, rowOf(work.pixels, y % ringRows), width);
    return row;
  };
  auto leaving = [&](int32_t y) ORVANTA_KERNEL_TARGET -> const uint32_t* {
    return inPlace ? rowOf(work.pixels, y % ringRows) : rowOf(source.pixels, y);
  };
  const bool rowsBlurred = horizontal.radius != 0;
  typename Ops::PaddedRow padded(width, rowsBlurred ? horizontal : orvanta::kernels::BoxWindow{1, 0});
  auto emit = [&](int32_t y, const V* sums, const V& weight) ORVANTA_KERNEL_TARGET {
    uint32_t* row = rowsBlurred ? padded.row() : rowOf(destination.pixels, y);
    for (int32_t b = 0; b < blocks; ++b) {
      Ops::store(row + kPixels * b, Ops::pack(Ops::mulhi(sums[2 * b], weight), Ops::mulhi(sums[2 * b + 1], weight)));
    }
    if (rowsBlurred) padded.blur(rowOf(destination.pixels, y));
  };
  sweepColumns<Ops>(width, height, vertical, height, entering, leaving, emit);
}

// The public entries: empty images, and windows the vector routes do not take, go the
// Reference way.
template <class Ops>
ORVANTA_KERNEL_TARGET void blurHorizontalWith(orvanta::Image& destination, const orvanta::Image& source,
                                              uint32_t radius) {
  using namespace orvanta::kernels;
  if (source.pixelCount() == 0 || destination.pixelCount() == 0) return;
  const BoxWindow window = radius == 0 ? BoxWindow{0, 0} : boxWindow(radius, source.width);
  if (!fastBoxWindow(window, source.width)) {
    blurHorizontalReference(destination, source, radius);
    return;
  }
  const int32_t rows = writableRows(source, destination);
  typename Ops::PaddedRow padded(source.width, window);
  for (int32_t y = 0; y < rows; ++y) {
    const size_t row = static_cast<size_t>(y) * static_cast<size_t>(source.width);
    copyWords<Ops>(source.pixels + row, padded.row(), source.width);
    padded.blur(destination.pixels + row);
  }
}

template <class Ops>
ORVANTA_KERNEL_TARGET void blurVerticalWith(orvanta::Image& destination, const orvanta::Image& source,
                                            uint32_t radius) {
  using namespace orvanta::kernels;
  if (source.pixelCount() == 0 || destination.pixelCount() == 0) return;
  const BoxWindow window = radius == 0 ? BoxWindow{0, 0} : boxWindow(radius, source.height);
  if (!fastBoxWindow(window, source.width)) {
    blurVerticalReference(destination, source, radius);
    return;
  }
  blurColumns<Ops>(source, destination, window, writableRows(source, destination));
}

template <class Ops>
ORVANTA_KERNEL_TARGET void blurPairWith(orvanta::Image& destination, orvanta::Image& work,
                                        const orvanta::Image& source, uint32_t verticalRadius,
                                        uint32_t horizontalRadius) {
  using namespace orvanta::kernels;
  const int32_t width = source.width;
  const int32_t height = source.height;
  // Images without pixels (a picture that could not be read) go the two-pass way, which
  // leaves them alone.
  const bool sameSizes = source.pixelCount() != 0 && destination.pixelCount() != 0 && work.pixelCount() != 0 &&
                         destination.width == width && destination.height == height && work.width == width &&
                         work.height == height;
  const bool ownWork = work.pixels != source.pixels && work.pixels != destination.pixels;
  if (sameSizes && ownWork && width % Ops::kPixels == 0) {
    // Radius 0 is an exact copy in either direction.
    const BoxWindow vertical = verticalRadius == 0 ? BoxWindow{0, 0} : boxWindow(verticalRadius, height);
    const BoxWindow horizontal = horizontalRadius == 0 ? BoxWindow{0, 0} : boxWindow(horizontalRadius, width);
    const bool rowsFast = horizontalRadius == 0 || fastBoxWindow(horizontal, width);
    if (fastBoxWindow(vertical, width) && rowsFast) {
      blurColumnsThenRows<Ops>(destination, work, source, vertical, horizontal);
      return;
    }
    if (verticalRadius == 0 && horizontalRadius != 0 && rowsFast) {
      blurHorizontalWith<Ops>(destination, source, horizontalRadius);
      return;
    }
  }
  blurVerticalWith<Ops>(work, source, verticalRadius);
  blurHorizontalWith<Ops>(destination, work, horizontalRadius);
}
