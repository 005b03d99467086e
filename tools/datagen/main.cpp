// datagen [--force] [DIR]: writes the show's data set into DIR (default "data").

#include <cstdio>
#include <cstring>
#include <string>

#include "datagen/data_set.h"

namespace {

void printUsage(std::FILE* out) {
  std::fputs(
      "usage: datagen [--force] [DIR]\n"
      "Writes the show's pictures, models and soundtrack into DIR (default \"data\").\n"
      "A folder that already holds files is left alone unless --force is given.\n",
      out);
}

}  // namespace

int main(int argc, char** argv) {
  bool force = false;
  std::string directory;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--force") == 0) {
      force = true;
    } else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
      printUsage(stdout);
      return 0;
    } else if (arg[0] == '-' && arg[1] != '\0') {
      std::fprintf(stderr, "datagen: unknown option %s\n", arg);
      printUsage(stderr);
      return 2;
    } else if (directory.empty()) {
      directory = arg;
    } else {
      std::fprintf(stderr, "datagen: more than one folder given (%s and %s)\n", directory.c_str(), arg);
      printUsage(stderr);
      return 2;
    }
  }
  if (directory.empty()) directory = "data";
  std::string error;
  if (!orvanta::datagen::writeDataSet(directory, force, error)) {
    std::fprintf(stderr, "datagen: %s\n", error.c_str());
    return 1;
  }
  std::printf("datagen: wrote %zu files to %s\n", orvanta::kDataSetSize, directory.c_str());
  return 0;
}
