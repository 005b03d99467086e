#include "datagen/data_set.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
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

const std::vector<Generator>& generators() {
  static const std::vector<Generator> list = {
      lettered("progress.tga", buildOpeningPicture),
      picture("tex0132.tga", buildPanelTexture),
      picture("tex01b3.tga", buildPanelHeights),
      picture("kvennenv2.tga", buildTealEnvironment),
      picture("kvennenv3.tga", buildGoldEnvironment),
      lettered("trovask.tga", buildTunnelLogo),
      picture("s08_back2.tga", buildStoneTexture),
      picture("s08_back3.tga", buildChromeEnvironment),
      picture("box.tga", buildLatticeTexture),
      lettered("terrorist.tga", buildBlobOverlayFirst),
      lettered("dravo.tga", buildBlobOverlaySecond),
      picture("s02_tex1.tga", buildCoreTexture),
      picture("happyface.tga", buildSpikeMask),
      lettered("credits.tga", buildCredits),
      picture("plasma.tga", buildPlasma),
      lettered("control_test.tga", buildControlTest),
      lettered("greets.tga", buildGreetings),
      picture("rux.tga", buildCubeMask),
      lettered("l33t.tga", buildEndPicture),
      model("s01_a.3ds", buildSpikeBody),
      model("spike.3ds", buildSpikeBall),
      model("plane24.3ds", buildPlaneGrid),
      model("bcube.3ds", buildBevelCube),
  };
  return list;
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

const std::vector<std::string>& dataFileNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> list;
    for (const Generator& g : generators()) list.emplace_back(g.name);
    list.emplace_back(kSoundtrackName);
    return list;
  }();
  return names;
}

bool buildDataFile(const std::string& name, const FontSet& fonts, std::vector<uint8_t>& bytes) {
  for (const Generator& g : generators()) {
    if (name == g.name) {
      bytes = g.build(fonts);
      return true;
    }
  }
  return false;
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
  for (const Generator& g : generators()) {
    if (!writeFile(root / g.name, g.build(fonts), error)) return false;
  }
  const fs::path soundtrack = root / kSoundtrackName;
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
