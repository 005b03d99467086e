#pragma once
// The show reads its pictures, models and soundtrack from one data folder, "data" unless a
// front end chooses another (the capture tool's --data).

#include <string>

namespace orvanta {

void setDataDirectory(const std::string& directory);
// "<data directory>/<name>", e.g. "data/progress.tga". The string lives until the next call
// to setDataDirectory.
const char* dataFile(const char* name);

}  // namespace orvanta
