// The two file writers, checked byte by byte against the formats as the loaders read them.

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "datagen/model_3ds.h"
#include "datagen/tga_writer.h"

namespace orvanta::datagen {
namespace {

uint16_t u16At(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t u32At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
float f32At(const std::vector<uint8_t>& b, size_t at) {
  const uint32_t bits = u32At(b, at);
  float value = 0.0f;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

TEST(TgaWriter, HeaderAndBottomUpBgraRows) {
  ArgbPicture picture;
  picture.width = 3;
  picture.height = 2;
  // Top row first, as the show holds pictures.
  picture.pixels = {0x11223344u, 0x55667788u, 0x99AABBCCu, 0xA1B2C3D4u, 0x01020304u, 0xFFEEDDCCu};
  const std::vector<uint8_t> bytes = encodeTga(picture);
  ASSERT_EQ(bytes.size(), 18u + 6u * 4u);
  EXPECT_EQ(bytes[2], 2);  // uncompressed true colour
  EXPECT_EQ(u16At(bytes, 12), 3);
  EXPECT_EQ(u16At(bytes, 14), 2);
  EXPECT_EQ(bytes[16], 32);
  // The file starts with the bottom row, each pixel blue, green, red, alpha: read as
  // little-endian words they are the 0xAARRGGBB values again.
  EXPECT_EQ(u32At(bytes, 18), 0xA1B2C3D4u);
  EXPECT_EQ(u32At(bytes, 22), 0x01020304u);
  EXPECT_EQ(u32At(bytes, 26), 0xFFEEDDCCu);
  EXPECT_EQ(u32At(bytes, 30), 0x11223344u);
  EXPECT_EQ(bytes[30], 0x44);  // blue first
  EXPECT_EQ(bytes[33], 0x11);  // alpha last
}

TEST(TgaWriter, SizesAboveOneByte) {
  ArgbPicture picture;
  picture.width = 640;
  picture.height = 480;
  picture.pixels.assign(640u * 480u, 0u);
  const std::vector<uint8_t> bytes = encodeTga(picture);
  EXPECT_EQ(u16At(bytes, 12), 640);
  EXPECT_EQ(u16At(bytes, 14), 480);
  EXPECT_EQ(bytes.size(), 18u + 640u * 480u * 4u);
}

// Walks the chunk tree of a written model by hand.
struct ChunkInfo {
  uint16_t id;
  size_t start;
  uint32_t length;
};

std::vector<ChunkInfo> children(const std::vector<uint8_t>& b, size_t from, size_t to) {
  std::vector<ChunkInfo> list;
  while (from + 6 <= to) {
    const ChunkInfo c{u16At(b, from), from, u32At(b, from + 2)};
    list.push_back(c);
    if (c.length < 6) break;
    from += c.length;
  }
  return list;
}

std::optional<ChunkInfo> find(const std::vector<ChunkInfo>& list, uint16_t id) {
  for (const ChunkInfo& c : list)
    if (c.id == id) return c;
  return std::nullopt;
}

TEST(ThreeDsWriter, ChunkTreeAxesAndMapping) {
  Model model;
  model.name = "probe";
  model.add(1.0f, 2.0f, 3.0f, 0.25f, 0.75f);
  model.add(-4.0f, 5.0f, -6.0f, 1.0f, 0.0f);
  model.add(0.0f, 0.0f, 0.0f, 0.5f, 0.5f);
  model.addTriangle(0, 1, 2);
  model.addQuad(2, 1, 0, 1);
  const std::vector<uint8_t> b = encode3ds(model);

  ASSERT_GE(b.size(), 12u);
  EXPECT_EQ(u16At(b, 0), 0x4D4D);
  EXPECT_EQ(u32At(b, 2), b.size());
  const auto top = children(b, 6, b.size());
  const std::optional<ChunkInfo> editor = find(top, 0x3D3D);
  ASSERT_TRUE(editor.has_value());
  EXPECT_EQ(editor->start + editor->length, b.size());
  const std::optional<ChunkInfo> object = find(children(b, editor->start + 6, editor->start + editor->length), 0x4000);
  ASSERT_TRUE(object.has_value());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[object->start + 6])), "probe");
  const size_t afterName = object->start + 6 + 6;
  const std::optional<ChunkInfo> mesh = find(children(b, afterName, object->start + object->length), 0x4100);
  ASSERT_TRUE(mesh.has_value());
  const auto lists = children(b, mesh->start + 6, mesh->start + mesh->length);
  ASSERT_EQ(lists.size(), 3u);
  // Vertex list before the mapping list: the loader only takes mapping after vertices.
  EXPECT_EQ(lists[0].id, 0x4110);
  EXPECT_EQ(lists[1].id, 0x4140);
  EXPECT_EQ(lists[2].id, 0x4120);

  const ChunkInfo& vertices = lists[0];
  EXPECT_EQ(vertices.length, 6u + 2u + 3u * 12u);
  EXPECT_EQ(u16At(b, vertices.start + 6), 3);
  // Engine (1, 2, 3) is stored as file (1, 3, -2): the loader turns file (x, y, z) into (x, -z, y).
  EXPECT_EQ(f32At(b, vertices.start + 8), 1.0f);
  EXPECT_EQ(f32At(b, vertices.start + 12), 3.0f);
  EXPECT_EQ(f32At(b, vertices.start + 16), -2.0f);
  EXPECT_EQ(f32At(b, vertices.start + 20), -4.0f);
  EXPECT_EQ(f32At(b, vertices.start + 24), -6.0f);
  EXPECT_EQ(f32At(b, vertices.start + 28), -5.0f);

  const ChunkInfo& mapping = lists[1];
  EXPECT_EQ(u16At(b, mapping.start + 6), 3);
  // The loader takes 1 - u.
  EXPECT_EQ(f32At(b, mapping.start + 8), 0.75f);
  EXPECT_EQ(f32At(b, mapping.start + 12), 0.75f);
  EXPECT_EQ(f32At(b, mapping.start + 16), 0.0f);

  const ChunkInfo& faces = lists[2];
  EXPECT_EQ(faces.length, 6u + 2u + 3u * 8u);
  EXPECT_EQ(u16At(b, faces.start + 6), 3);
  EXPECT_EQ(u16At(b, faces.start + 8), 0);
  EXPECT_EQ(u16At(b, faces.start + 10), 1);
  EXPECT_EQ(u16At(b, faces.start + 12), 2);
  // The quad 2-1-0-1 splits into 2-1-0 and 2-0-1.
  EXPECT_EQ(u16At(b, faces.start + 16), 2);
  EXPECT_EQ(u16At(b, faces.start + 20), 0);
  EXPECT_EQ(u16At(b, faces.start + 24), 2);
  EXPECT_EQ(u16At(b, faces.start + 26), 0);
  EXPECT_EQ(u16At(b, faces.start + 28), 1);
}

}  // namespace
}  // namespace orvanta::datagen
