#pragma once
// Where a show finds its pictures, models and soundtrack: files by name in its data folder.

#include <string>
#include <string_view>

namespace orvanta {

// "<folder>/<name>", e.g. "data/progress.tga".
std::string dataFilePath(std::string_view folder, std::string_view name);

}  // namespace orvanta
