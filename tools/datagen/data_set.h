#pragma once
// The whole data set (base/data_set_manifest.h lists it): how each file is made, and writing
// them to a folder.

#include <cstdint>
#include <string>
#include <vector>

#include "base/data_set_manifest.h"
#include "datagen/text.h"

namespace orvanta::datagen {

// The bytes of one picture or model (every file but the soundtrack). False for an unknown name.
bool buildDataFile(const std::string& name, const FontSet& fonts, std::vector<uint8_t>& bytes);

// Writes every file into `directory`, creating it if needed. A folder that already holds
// anything is left alone unless `force` is set. False with a reason on any failure.
bool writeDataSet(const std::string& directory, bool force, std::string& error);

}  // namespace orvanta::datagen
