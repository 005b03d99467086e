// The grid kernels, written once for every register width. Included inside an anonymous
// namespace after an `Ops` type is defined with: V, kLanes, zero, set1, load, store, add,
// sub, mul, div, sqrt, keepNonNegative, lessMask; ORVANTA_KERNEL_TARGET is the target attribute of
// that width (empty for the baseline). Uses nothing from the standard library, so that no
// shared inline code is compiled for a wider instruction set.

// The field value (clamped at 0) of every sample, a row along x at a time, kLanes samples of
// the row at a time. With `below` (rows of at most 64 samples), bit i of below[k * n + j] is
// set when sample (i, j, k) lies below `level` (n samples per axis).
template <class Ops>
ORVANTA_KERNEL_TARGET void fillValues(const orvanta::field_grid::Job& job, uint64_t* below, float level) {
  using V = typename Ops::V;
  constexpr int32_t kLanes = Ops::kLanes;
  const int32_t perAxis = job.samplesPerAxis;

  // The coordinate of each sample number, as the per-sample formula has it; lanes past the
  // row take coordinate 0 and are not stored.
  constexpr int32_t kTable = 256;
  alignas(64) float table[kTable + kLanes];
  const bool tabled = perAxis <= kTable;
  for (int32_t n = 0; n < kTable + kLanes; ++n) {
    table[n] = static_cast<float>(tabled && n < perAxis ? n : 0) * job.cellSize - job.half;
  }
  auto coordinate = [&](int32_t n) { return tabled ? table[n] : static_cast<float>(n) * job.cellSize - job.half; };
  alignas(64) float xs[kLanes];
  alignas(64) float outValue[kLanes];
  const V levelLanes = Ops::set1(level);

  for (int32_t k = 0; k < perAxis; ++k) {
    for (int32_t j = 0; j < perAxis; ++j) {
      const V y = Ops::set1(coordinate(j));
      const V z = Ops::set1(coordinate(k));
      orvanta::GridSample* const row = job.samples + (k * perAxis + j) * perAxis;
      uint64_t bits = 0;
      for (int32_t i = 0; i < perAxis; i += kLanes) {
        const int32_t lanes = perAxis - i < kLanes ? perAxis - i : kLanes;
        V x;
        if (tabled) {
          x = Ops::load(table + i);
        } else {  // only for rows longer than the table; the loads wait for the stores
          for (int32_t lane = 0; lane < kLanes; ++lane) xs[lane] = coordinate(lane < lanes ? i + lane : 0);
          x = Ops::load(xs);
        }
        V centre = Ops::zero();
        for (int32_t s = 0; s < job.sourceCount; ++s) {
          const orvanta::FieldSource& source = *job.sources[s];
          V d = Ops::sub(x, Ops::set1(source.position.x));
          const V dx2 = Ops::mul(d, d);
          d = Ops::sub(y, Ops::set1(source.position.y));
          const V dy2 = Ops::mul(d, d);
          d = Ops::sub(z, Ops::set1(source.position.z));
          const V dz2 = Ops::mul(d, d);
          // Squared distances summed x, then y, then z, as the per-sample formula does.
          centre = Ops::add(centre, Ops::div(Ops::set1(source.strength), Ops::add(Ops::add(dx2, dy2), dz2)));
        }
        const V value = Ops::keepNonNegative(centre);
        Ops::store(outValue, value);
        for (int32_t lane = 0; lane < lanes; ++lane) row[i + lane].value = outValue[lane];
        if (below != nullptr) {
          const uint64_t lanesBelow = static_cast<uint64_t>(Ops::lessMask(value, levelLanes)) & ((uint64_t{1} << lanes) - 1);
          bits |= lanesBelow << i;
        }
      }
      if (below != nullptr) below[k * perAxis + j] = bits;
    }
  }
}

// The normals of the listed samples, kLanes of them at a time.
template <class Ops>
ORVANTA_KERNEL_TARGET void fillNormals(const orvanta::field_grid::Job& job, const orvanta::field_grid::Listed& listed) {
  using V = typename Ops::V;
  constexpr int32_t kLanes = Ops::kLanes;
  const V step = Ops::set1(orvanta::kNormalStep);
  const V one = Ops::set1(1.0f);

  constexpr int32_t kRun = 32 * kLanes;  // as in fillValues
  alignas(64) float xs[kRun];
  alignas(64) float ys[kRun];
  alignas(64) float zs[kRun];
  alignas(64) float outX[kLanes];
  alignas(64) float outY[kLanes];
  alignas(64) float outZ[kLanes];

  for (int32_t base = 0; base < listed.count; base += kLanes) {
    const int32_t lanes = listed.count - base < kLanes ? listed.count - base : kLanes;
    const int32_t slot = base % kRun;
    if (slot == 0) {
      for (int32_t lane = 0; lane < kRun; ++lane) {
        const int32_t at = base + lane < listed.count ? base + lane : 0;  // unused lanes repeat a sample
        xs[lane] = static_cast<float>(listed.i[at]) * job.cellSize - job.half;
        ys[lane] = static_cast<float>(listed.j[at]) * job.cellSize - job.half;
        zs[lane] = static_cast<float>(listed.k[at]) * job.cellSize - job.half;
      }
    }
    const V x = Ops::load(xs + slot);
    const V y = Ops::load(ys + slot);
    const V z = Ops::load(zs + slot);
    const V xPlus = Ops::add(x, step);
    const V xMinus = Ops::sub(x, step);
    const V yPlus = Ops::add(y, step);
    const V yMinus = Ops::sub(y, step);
    const V zPlus = Ops::add(z, step);
    const V zMinus = Ops::sub(z, step);

    V sumXPlus = Ops::zero();
    V sumXMinus = Ops::zero();
    V sumYPlus = Ops::zero();
    V sumYMinus = Ops::zero();
    V sumZPlus = Ops::zero();
    V sumZMinus = Ops::zero();
    for (int32_t s = 0; s < job.sourceCount; ++s) {
      const orvanta::FieldSource& source = *job.sources[s];
      const V px = Ops::set1(source.position.x);
      const V py = Ops::set1(source.position.y);
      const V pz = Ops::set1(source.position.z);
      const V strength = Ops::set1(source.strength);

      V d = Ops::sub(x, px);
      const V dx2 = Ops::mul(d, d);
      d = Ops::sub(xPlus, px);
      const V dxPlus2 = Ops::mul(d, d);
      d = Ops::sub(xMinus, px);
      const V dxMinus2 = Ops::mul(d, d);
      d = Ops::sub(y, py);
      const V dy2 = Ops::mul(d, d);
      d = Ops::sub(yPlus, py);
      const V dyPlus2 = Ops::mul(d, d);
      d = Ops::sub(yMinus, py);
      const V dyMinus2 = Ops::mul(d, d);
      d = Ops::sub(z, pz);
      const V dz2 = Ops::mul(d, d);
      d = Ops::sub(zPlus, pz);
      const V dzPlus2 = Ops::mul(d, d);
      d = Ops::sub(zMinus, pz);
      const V dzMinus2 = Ops::mul(d, d);

      const V xy = Ops::add(dx2, dy2);
      sumXPlus = Ops::add(sumXPlus, Ops::div(strength, Ops::add(Ops::add(dxPlus2, dy2), dz2)));
      sumXMinus = Ops::add(sumXMinus, Ops::div(strength, Ops::add(Ops::add(dxMinus2, dy2), dz2)));
      sumYPlus = Ops::add(sumYPlus, Ops::div(strength, Ops::add(Ops::add(dx2, dyPlus2), dz2)));
      sumYMinus = Ops::add(sumYMinus, Ops::div(strength, Ops::add(Ops::add(dx2, dyMinus2), dz2)));
      sumZPlus = Ops::add(sumZPlus, Ops::div(strength, Ops::add(xy, dzPlus2)));
      sumZMinus = Ops::add(sumZMinus, Ops::div(strength, Ops::add(xy, dzMinus2)));
    }

    const V gx = Ops::sub(sumXMinus, sumXPlus);
    const V gy = Ops::sub(sumYMinus, sumYPlus);
    const V gz = Ops::sub(sumZMinus, sumZPlus);
    const V length2 = Ops::add(Ops::add(Ops::mul(gx, gx), Ops::mul(gy, gy)), Ops::mul(gz, gz));
    const V scale = Ops::div(one, Ops::sqrt(length2));
    Ops::store(outX, Ops::mul(gx, scale));
    Ops::store(outY, Ops::mul(gy, scale));
    Ops::store(outZ, Ops::mul(gz, scale));

    for (int32_t lane = 0; lane < lanes; ++lane) {
      orvanta::GridSample& out = job.samples[listed.index[base + lane]];
      out.normal.x = outX[lane];
      out.normal.y = outY[lane];
      out.normal.z = outZ[lane];
    }
  }
}
