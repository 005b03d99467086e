// The box blurs' entries and the vertical blur's column sums, written once for every register
// width. Included inside an anonymous namespace after an `Ops` type is defined with: V,
// kPixels (pixels per register), zero, set16, load, store, low, high (the bytes of the first
// and second half of each 128-bit lane's pixels, widened to 16 bits), add, sub, mulhi, pack
// (the inverse of low/high), row (one row of the horizontal blur: the width's own prefix
// sums); ORVANTA_KERNEL_TARGET is the target attribute of that width (empty for the
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

// Column sums of a whole row at once: block b's two registers hold the windows of columns
// kPixels * b ... kPixels * b + kPixels - 1. Rows whose width is not a multiple of kPixels
// are read through a padded copy and written through a tail buffer.
template <class Ops>
ORVANTA_KERNEL_TARGET void blurColumns(const orvanta::Image& source, orvanta::Image& destination,
                                       orvanta::kernels::BoxWindow window, int32_t rows) {
  using V = typename Ops::V;
  constexpr int32_t kPixels = Ops::kPixels;
  const int32_t width = source.width;
  const int32_t height = source.height;
  const int32_t r = static_cast<int32_t>(window.radius);
  const int32_t blocks = (width + kPixels - 1) / kPixels;
  alignas(32) V sums[2 * ((kColumnsMaxWidth + kPixels - 1) / kPixels)];
  alignas(32) uint32_t padded[kColumnsMaxWidth + kPixels];
  alignas(32) uint32_t tail[kPixels];
  const V weight = Ops::set16(static_cast<int16_t>(window.weight));
  const bool ragged = (width % kPixels) != 0;
  if (ragged) {
    for (int32_t x = width; x < blocks * kPixels; ++x) padded[x] = 0;
  }

  auto rowAt = [&](int32_t y) -> const uint32_t* {
    const uint32_t* p = source.pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
    if (!ragged) return p;
    for (int32_t x = 0; x < width; ++x) padded[x] = p[x];
    return padded;
  };

  for (int32_t b = 0; b < 2 * blocks; ++b) sums[b] = Ops::zero();
  for (int32_t y = 0; y < r; ++y) moveSums<Ops, true>(sums, rowAt(y), blocks);
  for (int32_t y = 0; y < rows; ++y) {
    if (y > r) moveSums<Ops, false>(sums, rowAt(y - r - 1), blocks);
    if (y + r < height) moveSums<Ops, true>(sums, rowAt(y + r), blocks);
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
  }
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
  for (int32_t y = 0; y < rows; ++y) {
    const size_t row = static_cast<size_t>(y) * static_cast<size_t>(source.width);
    Ops::row(source.pixels + row, destination.pixels + row, source.width, window);
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
