#pragma once
// Reading back what a capture wrote, for comparing runs byte for byte.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

namespace orvanta::testing {

inline std::string readAll(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// File name -> contents, for every file in the folder (none if it does not exist).
inline std::map<std::string, std::string> readFolder(const std::filesystem::path& folder) {
  std::map<std::string, std::string> files;
  if (!std::filesystem::exists(folder)) return files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    files[entry.path().filename().string()] = readAll(entry.path());
  }
  return files;
}

}  // namespace orvanta::testing
