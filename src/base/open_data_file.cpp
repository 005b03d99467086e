#include "base/open_data_file.h"

#include <sys/stat.h>

namespace orvanta {

std::FILE* openDataFile(const char* path) {
  struct stat info {};
  if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
  return std::fopen(path, "rb");
}

}  // namespace orvanta
