#pragma once
// The data set the benchmarks run on: the one the golden test makes with our generator
// (build/<preset>/tests/golden/data) unless ORVANTA_DATA names another folder.

#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/data_set_manifest.h"

namespace orvanta::bench {

inline std::string dataDirectory() {
  if (const char* chosen = std::getenv("ORVANTA_DATA"); chosen != nullptr && *chosen != '\0') return chosen;
  return ORVANTA_BENCH_DATA;
}

// Every file the offline show reads (the soundtrack is not played).
inline bool dataSetPresent() {
  for (const DataSetFile& file : kDataSet) {
    if (file.kind == DataKind::kSoundtrack) continue;
    if (!std::filesystem::is_regular_file(std::filesystem::path(dataDirectory()) / file.name)) return false;
  }
  return true;
}

}  // namespace orvanta::bench
