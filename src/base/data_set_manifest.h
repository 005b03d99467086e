#pragma once
// Every file of the show's data set, by the name it has in the data folder. The scenes load
// these, the generator writes them and the tests damage or check them: this is the one list.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orvanta {

// Pictures.
inline constexpr const char* kOpeningPicture = "progress.tga";
inline constexpr const char* kPanelTexture = "tex0132.tga";
inline constexpr const char* kPanelHeights = "tex01b3.tga";  // height in every colour byte
inline constexpr const char* kTealEnvironment = "kvennenv2.tga";
inline constexpr const char* kGoldEnvironment = "kvennenv3.tga";
inline constexpr const char* kTunnelLogo = "trovask.tga";
inline constexpr const char* kStoneTexture = "s08_back2.tga";
inline constexpr const char* kChromeEnvironment = "s08_back3.tga";
inline constexpr const char* kLatticeTexture = "box.tga";  // red 255 marks the holes
inline constexpr const char* kBlobOverlayFirst = "terrorist.tga";
inline constexpr const char* kBlobOverlaySecond = "dravo.tga";
inline constexpr const char* kCoreTexture = "s02_tex1.tga";
inline constexpr const char* kSpikeMask = "happyface.tga";
inline constexpr const char* kCredits = "credits.tga";
inline constexpr const char* kPlasma = "plasma.tga";
inline constexpr const char* kControlTest = "control_test.tga";
inline constexpr const char* kGreetings = "greets.tga";
inline constexpr const char* kCubeMask = "rux.tga";
inline constexpr const char* kEndPicture = "l33t.tga";
// Models.
inline constexpr const char* kSpikeBody = "s01_a.3ds";
inline constexpr const char* kSpikeBall = "spike.3ds";
inline constexpr const char* kPlaneGrid = "plane24.3ds";
inline constexpr const char* kBevelCube = "bcube.3ds";
// Music.
inline constexpr const char* kSoundtrack = "pro2.mp3";

enum class DataKind : uint8_t { kPicture, kModel, kSoundtrack };

struct DataSetFile {
  const char* name;
  DataKind kind;
  int32_t width, height;  // what the scenes need of a picture; 0 for models and the soundtrack
};

// In the order the generator writes them, the soundtrack last.
inline constexpr DataSetFile kDataSet[] = {
    {kOpeningPicture, DataKind::kPicture, 320, 240},
    {kPanelTexture, DataKind::kPicture, 256, 256},
    {kPanelHeights, DataKind::kPicture, 256, 256},
    {kTealEnvironment, DataKind::kPicture, 256, 256},
    {kGoldEnvironment, DataKind::kPicture, 256, 256},
    {kTunnelLogo, DataKind::kPicture, 320, 240},
    {kStoneTexture, DataKind::kPicture, 256, 256},
    {kChromeEnvironment, DataKind::kPicture, 256, 256},
    {kLatticeTexture, DataKind::kPicture, 256, 256},
    {kBlobOverlayFirst, DataKind::kPicture, 320, 240},
    {kBlobOverlaySecond, DataKind::kPicture, 320, 240},
    {kCoreTexture, DataKind::kPicture, 256, 256},
    {kSpikeMask, DataKind::kPicture, 320, 240},
    {kCredits, DataKind::kPicture, 320, 240},
    {kPlasma, DataKind::kPicture, 640, 480},
    {kControlTest, DataKind::kPicture, 320, 240},
    {kGreetings, DataKind::kPicture, 320, 240},
    {kCubeMask, DataKind::kPicture, 320, 240},
    {kEndPicture, DataKind::kPicture, 320, 240},
    {kSpikeBody, DataKind::kModel, 0, 0},
    {kSpikeBall, DataKind::kModel, 0, 0},
    {kPlaneGrid, DataKind::kModel, 0, 0},
    {kBevelCube, DataKind::kModel, 0, 0},
    {kSoundtrack, DataKind::kSoundtrack, 0, 0},
};

inline constexpr size_t kDataSetSize = sizeof(kDataSet) / sizeof(kDataSet[0]);

// The entry named `name`, or nullptr when the data set has no such file.
constexpr const DataSetFile* findDataSetFile(std::string_view name) {
  for (const DataSetFile& file : kDataSet) {
    if (name == file.name) return &file;
  }
  return nullptr;
}

}  // namespace orvanta
