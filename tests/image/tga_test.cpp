#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/messages.h"
#include "image/test_pictures.h"
#include "image/texture_set.h"

namespace orvanta {
namespace {

using testing::OwnedImage;
using testing::ScratchFolder;
using testing::tgaBytes;

std::string gLastMessage;
std::string gLastCaption;
void recordMessage(const char* text, const char* caption) {
  gLastMessage = text;
  gLastCaption = caption;
}

class TgaLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    gLastMessage.clear();
    gLastCaption.clear();
    setMessageHook(recordMessage);
  }
  void TearDown() override { setMessageHook(nullptr); }

  // Loads the file and returns what went to the standard output.
  std::string load(OwnedImage& owned, const std::string& path) {
    ::testing::internal::CaptureStdout();
    owned.image.loadTga(path.c_str());
    return ::testing::internal::GetCapturedStdout();
  }

  ScratchFolder folder;
};

constexpr const char* kBrokenFile = "\n ERROR! Fuckedup tgafile! \n";

TEST_F(TgaLoader, FlipsBottomUpRowsAndKeepsTheBytesAsWords) {
  // File rows: A = {1, 2} first (the bottom of the picture), then B = {0xAABBCCDD, 4}.
  const std::string path = folder.write("two.tga", tgaBytes(2, 2, 32, {1, 2, 0xAABBCCDD, 4}));
  OwnedImage owned;
  EXPECT_EQ(load(owned, path), "");
  ASSERT_NE(owned.image.pixels, nullptr);
  EXPECT_EQ(owned.image.width, 2);
  EXPECT_EQ(owned.image.height, 2);
  EXPECT_EQ(std::vector<uint32_t>(owned.image.pixels, owned.image.pixels + 4),
            (std::vector<uint32_t>{0xAABBCCDD, 4, 1, 2}));
}

TEST_F(TgaLoader, ChoosesTheTextureAddressingPairByWidth) {
  struct Case {
    uint32_t width;
    int32_t shift;
    uint32_t mask;
  };
  for (const Case c : {Case{16, 4, 15}, Case{100, 8, 255}, Case{256, 8, 255}, Case{512, 9, 511},
                       Case{1024, 10, 1023}, Case{2048, 8, 255}, Case{1, 8, 255}}) {
    const std::string path = folder.write("w.tga", tgaBytes(c.width, 1, 32, std::vector<uint32_t>(c.width, 7)));
    OwnedImage owned;
    load(owned, path);
    EXPECT_EQ(owned.image.widthShift, c.shift) << c.width;
    EXPECT_EQ(owned.image.widthMask, c.mask) << c.width;
    EXPECT_EQ(owned.image.pixels[c.width - 1], 7u);
  }
}

TEST_F(TgaLoader, RefusesHeadersItCannotRead) {
  for (const auto& bytes : {tgaBytes(2, 2, 24, std::vector<uint32_t>(3, 0)), tgaBytes(0, 5, 32, {}),
                            tgaBytes(5, 0, 32, {}), std::vector<unsigned char>(10, 0x20)}) {
    const std::string path = folder.write("bad.tga", bytes);
    OwnedImage owned;
    EXPECT_EQ(load(owned, path), kBrokenFile);
    EXPECT_EQ(owned.image.pixels, nullptr);
    EXPECT_EQ(owned.image.pixelCount(), 0u);
  }
  // The size from a refused header is kept; only the pixels are missing.
  OwnedImage owned;
  load(owned, folder.write("d24.tga", tgaBytes(3, 4, 24, {})));
  EXPECT_EQ(owned.image.width, 3);
  EXPECT_EQ(owned.image.height, 4);
  EXPECT_EQ(gLastMessage, "");  // a console message, not a box
}

TEST_F(TgaLoader, RefusedHeaderDropsAnEarlierPixelArray) {
  OwnedImage owned(4, 4);
  load(owned, folder.write("bad.tga", tgaBytes(64, 64, 24, {})));
  EXPECT_EQ(owned.image.pixels, nullptr);  // never a 64 x 64 size over a 4 x 4 array
}

TEST_F(TgaLoader, TakesTheIdFieldAndCompressedDataAsPixels) {
  // ID length 4: the loader does not skip the ID, so its 4 bytes become the first pixel
  // word of the file (the bottom-left pixel).
  std::vector<unsigned char> bytes = tgaBytes(2, 1, 32, {0x11223344, 0x55667788}, 4);
  OwnedImage owned;
  load(owned, folder.write("id.tga", bytes));
  EXPECT_EQ(owned.image.pixels[0], 0x11223344u);

  bytes[2] = 10;  // run-length encoded: not recognised, the bytes are read as they stand
  OwnedImage rle;
  EXPECT_EQ(load(rle, folder.write("rle.tga", bytes)), "");
  EXPECT_EQ(rle.image.pixels[1], 0x55667788u);
}

TEST_F(TgaLoader, TruncatedFileLeavesTheMissingPixelsZero) {
  // 2 x 3 promised, 3 words supplied: the bottom row and half of the middle one.
  std::vector<unsigned char> bytes = tgaBytes(2, 3, 32, {0x01, 0x02, 0x03});
  OwnedImage owned;
  EXPECT_EQ(load(owned, folder.write("short.tga", bytes)), "");
  ASSERT_NE(owned.image.pixels, nullptr);
  EXPECT_EQ(std::vector<uint32_t>(owned.image.pixels, owned.image.pixels + 6),
            (std::vector<uint32_t>{0, 0, 0x03, 0, 0x01, 0x02}));
}

TEST_F(TgaLoader, RefusesAHeaderThatPromisesFarMoreThanTheFileHolds) {
  OwnedImage owned;
  EXPECT_EQ(load(owned, folder.write("huge.tga", tgaBytes(65535, 65535, 32, {1, 2, 3}))), kBrokenFile);
  EXPECT_EQ(owned.image.pixels, nullptr);
}

TEST_F(TgaLoader, MissingFileIsReportedInABoxAndChangesNothing) {
  OwnedImage owned(2, 2);
  owned.image.fill(5);
  const std::string path = folder.path() + "/absent.tga";
  EXPECT_EQ(load(owned, path), "");
  EXPECT_EQ(gLastMessage, "Cant open " + path);
  EXPECT_EQ(gLastCaption, "ERROR!");
  EXPECT_EQ(owned.image.width, 2);
  EXPECT_EQ(owned.image.pixels[3], 5u);
}

TEST_F(TgaLoader, DirectoryOrNamedPipeInThePlaceOfAPictureCannotBeOpened) {
  const std::string directory = folder.path() + "/folder.tga";
  const std::string pipe = folder.path() + "/pipe.tga";
  std::filesystem::create_directory(directory);
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);  // opening it for reading would wait for a writer
  for (const std::string& path : {directory, pipe}) {
    OwnedImage owned(2, 2);
    EXPECT_EQ(load(owned, path), "");
    EXPECT_EQ(gLastMessage, "Cant open " + path);
    EXPECT_EQ(gLastCaption, "ERROR!");
    EXPECT_EQ(owned.image.width, 2);
  }
}

TEST_F(TgaLoader, TextureSetLoadersFillTheirLayerAndAlwaysReturnOne) {
  const std::string path = folder.write("t.tga", tgaBytes(16, 1, 32, std::vector<uint32_t>(16, 9)));
  TextureSet set;
  set.setFlags(kTextured | kTwoLayer);
  EXPECT_EQ(set.flags, 0x0A);
  EXPECT_EQ(set.loadTexture(path.c_str()), 1);
  EXPECT_EQ(set.loadEnvMap((folder.path() + "/absent.tga").c_str()), 1);
  EXPECT_EQ(set.loadExtra(path.c_str()), 1);
  EXPECT_EQ(set.texture.widthShift, 4);
  EXPECT_EQ(set.extra.pixels[15], 9u);
  EXPECT_EQ(set.envMap.pixels, nullptr);
  EXPECT_EQ(gLastCaption, "ERROR!");
  releasePixels(set.texture);
  releasePixels(set.extra);
}

}  // namespace
}  // namespace orvanta
