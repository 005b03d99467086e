#include "datagen/data_set.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string_view>
#include <system_error>

#include "datagen/env_maps.h"
#include "datagen/frames.h"
#include "datagen/model_3ds.h"
#include "datagen/models.h"
#include "datagen/plasma.h"
#include "datagen/soundtrack.h"
#include "datagen/textures.h"
#include "datagen/tga_writer.h"

namespace orvanta::datagen {
namespace {

namespace fs = std::filesystem;

struct Generator {
  const char* name;
  std::function<std::vector<uint8_t>(const FontSet&)> build;
};

template <typename F>
Generator picture(const char* name, F make) {
  return {name, [make](const FontSet&) { return encodeTga(make()); }};
}

template <typename F>
Generator lettered(const char* name, F make) {
  return {name, [make](const FontSet& fonts) { return encodeTga(make(fonts)); }};
}

template <typename F>
Generator model(const char* name, F make) {
  return {name, [make](const FontSet&) { return encode3ds(make()); }};
}

// One maker for every picture and model of the data set, in any order: the manifest says
// which files there are and in what order they are written.
const std::vector<Generator>& generators() {
  static const std::vector<Generator> list = {
      lettered(kOpeningPicture, buildOpeningPicture),
      picture(kPanelTexture, buildPanelTexture),
      picture(kPanelHeights, buildPanelHeights),
      picture(kTealEnvironment, buildTealEnvironment),
      picture(kGoldEnvironment, buildGoldEnvironment),
      lettered(kTunnelLogo, buildTunnelLogo),
      picture(kStoneTexture, buildStoneTexture),
      picture(kChromeEnvironment, buildChromeEnvironment),
      picture(kLatticeTexture, buildLatticeTexture),
      lettered(kBlobOverlayFirst, buildBlobOverlayFirst),
      lettered(kBlobOverlaySecond, buildBlobOverlaySecond),
      picture(kCoreTexture, buildCoreTexture),
      picture(kSpikeMask, buildSpikeMask),
      lettered(kCredits, buildCredits),
      picture(kPlasma, buildPlasma),
      lettered(kControlTest, buildControlTest),
      lettered(kGreetings, buildGreetings),
      picture(kCubeMask, buildCubeMask),
      lettered(kEndPicture, buildEndPicture),
      model(kSpikeBody, buildSpikeBody),
      model(kSpikeBall, buildSpikeBall),
      model(kPlaneGrid, buildPlaneGrid),
      model(kBevelCube, buildBevelCube),
  };
  return list;
}

const Generator* findGenerator(std::string_view name) {
  for (const Generator& g : generators()) {
    if (name == g.name) return &g;
  }
  return nullptr;
}

// Writes through a temporary name and renames, so a failed run never leaves half a file
// under the real name.
bool writeFile(const fs::path& path, const std::vector<uint8_t>& bytes, std::string& error) {
  const fs::path temporary = fs::path(path).concat(".part");
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (file == nullptr) {
    error = "cannot create " + temporary.string() + ": " + std::strerror(errno);
    return false;
  }
  const size_t written = bytes.empty() ? 0 : std::fwrite(bytes.data(), 1, bytes.size(), file);
  const bool closed = std::fclose(file) == 0;
  if (written != bytes.size() || !closed) {
    error = "cannot write " + temporary.string() + ": " + std::strerror(errno);
    std::remove(temporary.c_str());
    return false;
  }
  std::error_code code;
  fs::rename(temporary, path, code);
  if (code) {
    error = "cannot rename " + temporary.string() + " to " + path.string() + ": " + code.message();
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace

bool buildDataFile(const std::string& name, const FontSet& fonts, std::vector<uint8_t>& bytes) {
  const Generator* g = findGenerator(name);
  if (g == nullptr) return false;
  bytes = g->build(fonts);
  return true;
}

bool writeDataSet(const std::string& directory, bool force, std::string& error) {
  const fs::path root(directory);
  std::error_code code;
  const fs::file_status status = fs::status(root, code);
  if (fs::exists(status)) {
    if (!fs::is_directory(status)) {
      error = directory + " exists and is not a folder";
      return false;
    }
    if (!force && !fs::is_empty(root, code)) {
      error = directory + " already exists and is not empty; pass --force to overwrite its data files";
      return false;
    }
  } else {
    fs::create_directories(root, code);
    if (code) {
      error = "cannot create the folder " + directory + ": " + code.message();
      return false;
    }
  }
  FontSet fonts;
  if (!fonts.load(error)) return false;
  for (const DataSetFile& file : kDataSet) {
    if (file.kind == DataKind::kSoundtrack) continue;
    const Generator* g = findGenerator(file.name);
    if (g == nullptr) {
      error = std::string("no maker for ") + file.name;
      return false;
    }
    if (!writeFile(root / file.name, g->build(fonts), error)) return false;
  }
  const fs::path soundtrack = root / kSoundtrack;
  const std::string partial = fs::path(soundtrack).concat(".part").string();
  if (!writeSoundtrack(partial, error)) {
    std::remove(partial.c_str());
    error = "cannot make " + soundtrack.string() + ": " + error;
    return false;
  }
  fs::rename(partial, soundtrack, code);
  if (code) {
    error = "cannot rename " + partial + " to " + soundtrack.string() + ": " + code.message();
    return false;
  }
  return true;
}

}  // namespace orvanta::datagen
