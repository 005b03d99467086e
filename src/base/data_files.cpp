#include "base/data_files.h"

namespace orvanta {

std::string dataFilePath(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder).append("/").append(name);
  return path;
}

}  // namespace orvanta
