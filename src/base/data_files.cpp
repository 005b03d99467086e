#include "base/data_files.h"

#include <map>

namespace orvanta {
namespace {

struct DataFiles {
  std::string directory = "data";
  std::map<std::string, std::string> paths;
};

DataFiles& dataFiles() {
  static DataFiles files;
  return files;
}

}  // namespace

void setDataDirectory(const std::string& directory) {
  dataFiles().directory = directory;
  dataFiles().paths.clear();
}

const char* dataFile(const char* name) {
  DataFiles& files = dataFiles();
  auto [it, inserted] = files.paths.try_emplace(name);
  if (inserted) it->second = files.directory + "/" + name;
  return it->second.c_str();
}

}  // namespace orvanta
