// Writes the fuzzers' starting corpora with the writers the unit tests use:
//   fuzz_seeds DIR   ->  DIR/tga/*.tga and DIR/three_ds/*.3ds
// Small, well-formed files and the near misses around them, so that mutation starts from
// every branch of both readers.

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/three_ds_format.h"
#include "engine/three_ds_writer.h"
#include "image/test_pictures.h"

namespace {

using orvanta::Vec3;
using namespace orvanta::three_ds;
using orvanta::test::ChunkWriter;
using orvanta::test::singleMeshFile;
using orvanta::testing::tgaBytes;

bool write(const std::filesystem::path& file, const std::vector<unsigned char>& bytes) {
  std::ofstream out(file, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

std::vector<uint32_t> pattern(size_t count) {
  std::vector<uint32_t> words(count);
  uint32_t state = 7;
  for (uint32_t& word : words) {
    state = state * 1664525u + 1013904223u;
    word = state;
  }
  return words;
}

bool writeTgaSeeds(const std::filesystem::path& dir) {
  bool ok = true;
  auto picture = [&](const char* name, uint32_t width, uint32_t height, unsigned depth, size_t words,
                     unsigned char idLength = 0) {
    ok = write(dir / name, tgaBytes(width, height, depth, pattern(words), idLength)) && ok;
  };
  picture("texture16.tga", 16, 16, 32, 256);
  picture("texture32.tga", 32, 32, 32, 1024);
  picture("odd_3x2.tga", 3, 2, 32, 6);
  picture("id_field.tga", 2, 2, 32, 4, 5);
  picture("row.tga", 320, 1, 32, 320);
  picture("column.tga", 1, 240, 32, 240);
  picture("frame_strip.tga", 320, 24, 32, 320 * 24);
  picture("truncated_64.tga", 64, 64, 32, 100);
  picture("depth_24.tga", 4, 4, 24, 12);
  picture("zero_width.tga", 0, 5, 32, 0);
  picture("huge_promise.tga", 65535, 65535, 32, 4);
  std::vector<unsigned char> shortHeader = tgaBytes(8, 8, 32, {});
  shortHeader.resize(12);
  ok = write(dir / "short_header.tga", shortHeader) && ok;
  return ok;
}

std::vector<Vec3> ring(int count, float radius, float height) {
  std::vector<Vec3> points;
  for (int i = 0; i < count; ++i) {
    const double angle = 6.283185307179586 * i / count;
    points.push_back(Vec3{static_cast<float>(radius * std::cos(angle)), static_cast<float>(radius * std::sin(angle)),
                          height});
  }
  return points;
}

std::vector<uint8_t> fullModel() {
  // A hexagonal prism with mapping, a face list with sub-chunks, a material, a second
  // object and a keyframer chunk after the editor data.
  std::vector<Vec3> points = ring(6, 50.0f, -40.0f);
  const std::vector<Vec3> top = ring(6, 50.0f, 40.0f);
  points.insert(points.end(), top.begin(), top.end());
  std::vector<uint16_t> faces;
  for (uint16_t i = 0; i < 6; ++i) {
    const uint16_t j = static_cast<uint16_t>((i + 1) % 6);
    faces.insert(faces.end(), {i, j, static_cast<uint16_t>(j + 6), i, static_cast<uint16_t>(j + 6),
                               static_cast<uint16_t>(i + 6)});
  }
  std::vector<float> uv;
  for (size_t i = 0; i < points.size(); ++i) uv.insert(uv.end(), {static_cast<float>(i % 6) / 6.0f, i < 6 ? 0.0f : 1.0f});

  ChunkWriter w;
  w.begin(kMain);
  w.begin(kVersion);
  w.u32(3);
  w.end();
  w.begin(kEditor);
  w.begin(kMaterial);  // material block, skipped
  w.begin(kMaterialName);
  w.name("steel");
  w.end();
  w.end();
  w.begin(kObject);
  w.name("light");
  w.begin(kLight);  // a light, not a mesh
  w.f32(0.0f);
  w.f32(0.0f);
  w.f32(100.0f);
  w.end();
  w.end();
  w.begin(kObject);
  w.name("prism");
  w.begin(kTriangleMesh);
  w.vertexList(points);
  w.beginFaceList(faces);
  w.begin(kFaceMaterial);  // faces by material
  w.name("steel");
  w.u16(1);
  w.u16(0);
  w.end();
  w.begin(kSmoothingGroups);  // smoothing groups
  for (size_t i = 0; i < faces.size() / 3; ++i) w.u32(1);
  w.end();
  w.end();
  w.mappingList(uv);
  w.begin(kLocalAxes);  // local axes, skipped
  for (int i = 0; i < 12; ++i) w.f32(i % 4 == 0 ? 1.0f : 0.0f);
  w.end();
  w.end();
  w.end();
  w.end();
  w.begin(kKeyframer);  // keyframer
  w.begin(kKeyframerHeader);
  w.u16(5);
  w.end();
  w.end();
  w.end();
  return w.bytes();
}

std::vector<uint8_t> mappingFirst() {
  ChunkWriter w;
  w.begin(kMain);
  w.begin(kEditor);
  w.begin(kObject);
  w.name("m");
  w.begin(kTriangleMesh);
  w.mappingList({0.5f, 0.5f, 0.25f, 0.75f, 1.0f, 0.0f});
  w.vertexList({{0, 0, 0}, {40, 0, 0}, {0, 40, 0}});
  w.faceList({0, 1, 2});
  w.end();
  w.end();
  w.end();
  w.end();
  return w.bytes();
}

std::vector<uint8_t> flatGrid(int side) {
  std::vector<Vec3> points;
  for (int r = 0; r < side; ++r) {
    for (int c = 0; c < side; ++c) points.push_back(Vec3{c * 10.0f - 115.0f, r * 10.0f - 115.0f, 1.0f});
  }
  std::vector<uint16_t> faces;
  for (int r = 0; r + 1 < side; ++r) {
    for (int c = 0; c + 1 < side; ++c) {
      const auto k = static_cast<uint16_t>(r * side + c);
      const auto s = static_cast<uint16_t>(side);
      faces.insert(faces.end(), {k, static_cast<uint16_t>(k + 1), static_cast<uint16_t>(k + s + 1), k,
                                 static_cast<uint16_t>(k + s + 1), static_cast<uint16_t>(k + s)});
    }
  }
  return singleMeshFile(points, faces);
}

bool writeThreeDsSeeds(const std::filesystem::path& dir) {
  const std::vector<Vec3> triangle = {{-50, 0, 0}, {50, 0, 0}, {0, 0, 80}};
  bool ok = true;
  ok = write(dir / "triangle.3ds", singleMeshFile(triangle, {0, 1, 2}, {0.0f, 0.0f, 1.0f, 0.0f, 0.5f, 1.0f})) && ok;
  ok = write(dir / "no_mapping.3ds", singleMeshFile(triangle, {0, 1, 2, 2, 1, 0})) && ok;
  ok = write(dir / "prism.3ds", fullModel()) && ok;
  ok = write(dir / "mapping_first.3ds", mappingFirst()) && ok;
  ok = write(dir / "grid24.3ds", flatGrid(24)) && ok;
  ok = write(dir / "unused_vertex.3ds", singleMeshFile({{0, 0, 0}, {30, 0, 0}, {0, 0, 30}, {9, 9, 9}}, {0, 1, 2})) && ok;
  ok = write(dir / "degenerate.3ds", singleMeshFile({{1, 1, 1}, {1, 1, 1}, {1, 1, 1}}, {0, 1, 2})) && ok;
  ok = write(dir / "empty_lists.3ds", singleMeshFile({}, {})) && ok;
  ChunkWriter noFaces;
  noFaces.begin(kMain);
  noFaces.begin(kEditor);
  noFaces.begin(kObject);
  noFaces.name("bare");
  noFaces.begin(kTriangleMesh);
  noFaces.vertexList(triangle);
  noFaces.end();
  noFaces.end();
  noFaces.end();
  noFaces.end();
  ok = write(dir / "no_faces.3ds", noFaces.bytes()) && ok;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
    return 2;
  }
  const std::filesystem::path root = argv[1];
  std::error_code failure;
  std::filesystem::create_directories(root / "tga", failure);
  std::filesystem::create_directories(root / "three_ds", failure);
  if (failure || !writeTgaSeeds(root / "tga") || !writeThreeDsSeeds(root / "three_ds")) {
    std::fprintf(stderr, "fuzz_seeds: cannot write the seeds under %s\n", argv[1]);
    return 1;
  }
  return 0;
}
