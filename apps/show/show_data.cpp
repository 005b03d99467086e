#include "show/show_data.h"

#include <filesystem>
#include <system_error>

#include "base/data_set_manifest.h"

namespace orvanta {
namespace {

bool isFolder(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

}  // namespace

std::string installedDataDirectory(const char* relativeToProgram) {
  std::error_code error;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error || program.empty()) return {};
  return (program.parent_path() / relativeToProgram).lexically_normal().string();
}

std::string chooseDataDirectory(const std::string& given, const std::string& installed) {
  if (!given.empty()) return given;
  if (isFolder("data") || installed.empty() || !isFolder(installed)) return "data";
  return installed;
}

bool holdsShowData(const std::string& directory) {
  if (!isFolder(directory)) return false;
  std::error_code error;
  for (const DataSetFile& file : kDataSet) {
    if (std::filesystem::exists(std::filesystem::path(directory) / file.name, error)) return true;
  }
  return false;
}

std::string missingDataMessage(const std::string& directory, bool forBox) {
  const bool exists = isFolder(directory);
  const std::string what = std::string(exists ? "o show data in the folder '" : "o data folder '") + directory + "'";
  if (forBox) return "N" + what + ".\n\nMake it with scripts/play.sh in the source tree,\nor with: datagen " + directory;
  return "orvanta: n" + what + "; make it with scripts/play.sh in the source tree, or with: datagen " + directory;
}

}  // namespace orvanta
