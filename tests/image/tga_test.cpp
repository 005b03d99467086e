#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "base/messages.h"
#include "engine/texture_set.h"
#include "image/test_pictures.h"

namespace orvanta {
namespace {

using testing::OwnedImage;
using testing::tgaBytes;
using Words = std::vector<uint32_t>;

std::string gMessage;

class TgaLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    gMessage.clear();
    setMessageHook([](const char* text, const char* caption) { gMessage = std::string(caption) + "|" + text; });
  }
  void TearDown() override { setMessageHook(nullptr); }

  // Loads the file and returns what went to the standard output.
  std::string load(OwnedImage& owned, const std::string& path) {
    ::testing::internal::CaptureStdout();
    owned.image.loadTga(path.c_str());
    return ::testing::internal::GetCapturedStdout();
  }

  testing::ScratchFolder folder;
};

constexpr const char* kBrokenFile = "\n ERROR! Fuckedup tgafile! \n";

TEST_F(TgaLoader, FlipsBottomUpRowsAndTakesIdFieldAndCompressedDataAsPixels) {
  // File rows: {1, 2} first (the bottom of the picture), then {0xAABBCCDD, 4}.
  OwnedImage owned;
  EXPECT_EQ(load(owned, folder.write("two.tga", tgaBytes(2, 2, 32, {1, 2, 0xAABBCCDD, 4}))), "");
  EXPECT_EQ(owned.words(), (Words{0xAABBCCDD, 4, 1, 2}));
  // ID length 4 is not skipped: its 4 bytes become the first pixel word (the bottom left).
  std::vector<unsigned char> bytes = tgaBytes(2, 1, 32, {0x11223344, 0x55667788}, 4);
  OwnedImage id;
  load(id, folder.write("id.tga", bytes));
  EXPECT_EQ(id.image.pixels[0], 0x11223344u);
  bytes[2] = 10;  // run-length encoded: not recognised, the bytes are read as they stand
  OwnedImage rle;
  EXPECT_EQ(load(rle, folder.write("rle.tga", bytes)), "");
  EXPECT_EQ(rle.image.pixels[1], 0x55667788u);
  // 2 x 3 promised, 3 words supplied: the bottom row and half of the middle one.
  OwnedImage truncated;
  EXPECT_EQ(load(truncated, folder.write("short.tga", tgaBytes(2, 3, 32, {1, 2, 3}))), "");
  EXPECT_EQ(truncated.words(), (Words{0, 0, 3, 0, 1, 2}));
}

TEST_F(TgaLoader, ChoosesTheTextureAddressingPairByWidth) {
  for (const auto& [width, shift, mask] : std::vector<std::tuple<uint32_t, int32_t, uint32_t>>{
           {16, 4, 15}, {100, 8, 255}, {256, 8, 255}, {512, 9, 511}, {1024, 10, 1023}, {2048, 8, 255}, {1, 8, 255}}) {
    OwnedImage owned;
    load(owned, folder.write("w.tga", tgaBytes(width, 1, 32, Words(width, 7))));
    EXPECT_EQ(owned.image.widthShift, shift) << width;
    EXPECT_EQ(owned.image.widthMask, mask) << width;
    EXPECT_EQ(owned.image.pixels[width - 1], 7u);
  }
}

TEST_F(TgaLoader, RefusesHeadersItCannotReadOrThatPromiseFarMoreThanTheFileHolds) {
  for (const auto& bytes : {tgaBytes(2, 2, 24, Words(3, 0)), tgaBytes(0, 5, 32, {}), tgaBytes(5, 0, 32, {}),
                            std::vector<unsigned char>(10, 0x20), tgaBytes(65535, 65535, 32, {1, 2, 3})}) {
    OwnedImage owned(4, 4);  // an earlier array is dropped, never kept under the new size
    EXPECT_EQ(load(owned, folder.write("bad.tga", bytes)), kBrokenFile);
    EXPECT_EQ(owned.image.pixels, nullptr);
  }
  OwnedImage owned;  // the size from a refused header is kept; only the pixels are missing
  load(owned, folder.write("d24.tga", tgaBytes(3, 4, 24, {})));
  EXPECT_EQ(owned.image.width, 3);
  EXPECT_EQ(owned.image.height, 4);
  EXPECT_EQ(gMessage, "");  // a console message, not a box
}

TEST_F(TgaLoader, BytesDecodeAsTheFileLoadsButSilently) {
  // 128 x 130 promises 66560 pixel bytes: accepted while the whole file, header included,
  // is at least 64 KiB short of that; 252 words make it so, 251 do not.
  std::vector<unsigned char> junkAfter = tgaBytes(2, 2, 32, Words(40, 0x01020304u));
  junkAfter[18 + 16 + 3] = 9;  // past the promised pixels: never looked at
  std::vector<unsigned char> midWord = tgaBytes(3, 2, 32, {1, 2, 3, 0x0A0B0C0Du});
  midWord.resize(midWord.size() - 2);  // the file ends inside the first word of its second row
  const std::vector<std::vector<unsigned char>> files = {
      tgaBytes(2, 2, 32, {1, 2, 0xAABBCCDD, 4}),
      tgaBytes(2, 3, 32, {1, 2, 3}),
      junkAfter,
      tgaBytes(128, 130, 32, Words(252, 6)),
      tgaBytes(128, 130, 32, Words(251, 6)),
      midWord,
      tgaBytes(3, 4, 24, {}),
      std::vector<unsigned char>(10, 0x20),
      {},
  };
  for (size_t i = 0; i < files.size(); ++i) {
    OwnedImage loaded, decoded;
    const std::string output = load(loaded, folder.write("same.tga", files[i]));
    ::testing::internal::CaptureStdout();
    const bool good = decoded.image.decodeTga(files[i]);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "") << i;
    EXPECT_EQ(good, output.empty()) << i;
    EXPECT_EQ(good, loaded.image.pixels != nullptr) << i;
    EXPECT_EQ(decoded.image.width, loaded.image.width) << i;
    EXPECT_EQ(decoded.image.height, loaded.image.height) << i;
    EXPECT_EQ(decoded.image.widthShift, loaded.image.widthShift) << i;
    EXPECT_EQ(decoded.words(), loaded.words()) << i;
  }
  OwnedImage cut;
  EXPECT_TRUE(cut.image.decodeTga(midWord));
  EXPECT_EQ(cut.words(), (Words{0x0C0D, 0, 0, 1, 2, 3}));  // the top row holds the word's first two bytes
  OwnedImage edge;
  EXPECT_TRUE(edge.image.decodeTga(files[3]));
  EXPECT_EQ(edge.image.pixels[129 * 128 + 127], 6u);  // the bottom row, given first
  EXPECT_EQ(edge.image.pixels[128 * 128 + 123], 6u);  // word 251, the last given
  EXPECT_EQ(edge.image.pixels[128 * 128 + 124], 0u);
  EXPECT_FALSE(edge.image.decodeTga(files[4]));
  EXPECT_EQ(edge.image.width, 128);
  EXPECT_EQ(gMessage, "");
}

TEST_F(TgaLoader, UnopenableFilesAreReportedInABoxAndChangeNothing) {
  const std::string missing = folder.path() + "/absent.tga", directory = folder.path() + "/folder.tga",
                    pipe = folder.path() + "/pipe.tga";
  std::filesystem::create_directory(directory);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);  // opening it for reading would wait for a writer
  for (const std::string& path : {missing, directory, pipe}) {
    OwnedImage owned(2, 2, 5);
    EXPECT_EQ(load(owned, path), "");
    EXPECT_EQ(gMessage, "ERROR!|Cant open " + path);
    EXPECT_EQ(owned.words(), Words(4, 5));
  }
}

TEST_F(TgaLoader, TextureSetLoadersFillTheirLayerAndAlwaysReturnOne) {
  const std::string path = folder.write("t.tga", tgaBytes(16, 1, 32, Words(16, 9)));
  TextureSet set;
  set.setFlags(kTextured | kTwoLayer);
  EXPECT_EQ(set.flags, 0x0A);
  EXPECT_EQ(set.loadTexture(path.c_str()), 1);
  EXPECT_EQ(set.loadEnvMap((folder.path() + "/absent.tga").c_str()), 1);
  EXPECT_EQ(set.loadExtra(path.c_str()), 1);
  EXPECT_EQ(set.texture.widthShift, 4);
  EXPECT_EQ(set.extra.pixels[15], 9u);
  EXPECT_NE(set.slopes.wordsFor(set.extra), nullptr);  // the height map's slopes come with it
  EXPECT_EQ(set.envMap.pixels, nullptr);
  EXPECT_EQ(gMessage.substr(0, 7), "ERROR!|");
  releasePixels(set.texture);
  releasePixels(set.extra);
}

}  // namespace
}  // namespace orvanta
