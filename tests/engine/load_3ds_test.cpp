#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "base/messages.h"
#include "engine/mesh.h"
#include "engine/three_ds_format.h"
#include "engine/three_ds_writer.h"

namespace orvanta {
namespace {

using namespace test;
using namespace three_ds;

std::vector<std::string> gMessages;

std::string scratchPath(const std::string& name) {
  return ::testing::TempDir() + std::to_string(::getpid()) + "_" + name;
}

class Load3ds : public ::testing::Test {
 protected:
  void SetUp() override {
    gMessages.clear();
    setMessageHook(
        [](const char* text, const char* caption) { gMessages.push_back(std::string(caption) + "|" + text); });
  }
  void TearDown() override {
    setMessageHook(nullptr);
    std::remove(path_.c_str());
  }

  void load(const Bytes& bytes, Mesh& mesh) {
    std::ofstream(path_, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    mesh.load3ds(path_.c_str());
  }

  // One name per process: ctest runs the cases of this suite side by side.
  std::string path_ = scratchPath("load_3ds_test.3ds");
};

bool parses(const Bytes& bytes) {
  Parsed3ds parsed;
  return Mesh::parse3ds(bytes.data(), bytes.size(), parsed);
}

const std::vector<Vec3> kTriangle = {{1.0f, 2.0f, 3.0f}, {4.0f, 5.0f, 6.0f}, {-7.0f, 8.5f, -9.0f}};

TEST_F(Load3ds, ConvertsAxesFlipsUAndCopiesCoordinatesToTheCorners) {
  Mesh mesh;
  load(singleMeshFile(kTriangle, {0, 1, 2, 2, 1, 0}, {0.25f, 0.75f, 0.0f, 1.0f, 0.5f, 0.125f}), mesh);
  EXPECT_TRUE(gMessages.empty());
  ASSERT_EQ(mesh.vertexCount, 3);
  ASSERT_EQ(mesh.faceCount, 2);
  // File (x, y, z) is (x, -z, y) here; u is 1 - u.
  const RenderVertex& last = mesh.vertices[2];
  EXPECT_EQ(last.position.x, -7.0f);
  EXPECT_EQ(last.position.y, 9.0f);
  EXPECT_EQ(last.position.z, 8.5f);
  EXPECT_EQ(mesh.vertices[0].u, 0.75f);
  EXPECT_EQ(mesh.vertices[1].u, 1.0f);
  EXPECT_EQ(last.u, 0.5f);
  EXPECT_EQ(last.v, 0.125f);
  EXPECT_EQ(mesh.faces[1].indices[0], 2);
  EXPECT_EQ(mesh.faces[1].corners[0].u, 0.5f);
  EXPECT_EQ(mesh.faces[1].corners[2].u, 0.75f);
  EXPECT_EQ(mesh.faces[0].corners[1].v, 1.0f);
  EXPECT_EQ(mesh.vertices[0].normal.z, 0.0f);  // normals are left to the caller

  load(singleMeshFile(kTriangle, {0, 1, 2}), mesh);  // no mapping: u 1, v 0
  EXPECT_EQ(mesh.faces[0].corners[2].u, 1.0f);
  EXPECT_EQ(mesh.faces[0].corners[2].v, 0.0f);
}

TEST_F(Load3ds, ChunksItDoesNotUseAndMappingsThatDoNotFitAreSkippedWhole) {
  const Bytes lamp = chunk(kObject, {text("lamp"), chunk(kLight, {floats({1, 2, 3})})});  // no mesh: passed over
  const Bytes faces = faceChunk({0, 1, 2, 1, 3, 2}, {chunk(kFaceMaterial, {text("steel"), littleEndian(0, 2)})});
  const Bytes body = chunk(
      kTriangleMesh, {mappingChunk({0.5f, 0.5f}),  // before the vertices
               vertexChunk({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}), chunk(kLocalAxes, {floats({0})}),  // local axes
               faces, mappingChunk(std::vector<float>(10, 0.5f)),  // longer than the vertex list
               mappingChunk({0.25f, 0.5f})});                      // shorter: fills the first vertex
  const Bytes second = chunk(kObject, {text("second"), chunk(kTriangleMesh, {vertexChunk({{5, 5, 5}}), faceChunk({0, 0, 0})})});
  Mesh mesh;
  load(chunk(kMain,
             {chunk(kKeyframer, {littleEndian(0xDEADBEEF, 4)}),  // keyframes before the editor data
              chunk(kEditor, {chunk(kMaterial, {text("steel")}), lamp, chunk(kObject, {text("body"), body}), second})}),
       mesh);
  EXPECT_TRUE(gMessages.empty());
  ASSERT_EQ(mesh.vertexCount, 4);
  ASSERT_EQ(mesh.faceCount, 2);
  EXPECT_EQ(mesh.faces[1].indices[1], 3);
  EXPECT_EQ(mesh.vertices[3].position.z, 1.0f);
  EXPECT_EQ(mesh.vertices[0].u, 0.75f);
  EXPECT_EQ(mesh.vertices[0].v, 0.5f);
  EXPECT_EQ(mesh.vertices[1].u, 1.0f);
  EXPECT_EQ(mesh.vertices[1].v, 0.0f);
}

TEST_F(Load3ds, MalformedFilesAreRefusedWholeInsteadOfTrusted) {
  const Bytes good = singleMeshFile(kTriangle, {0, 1, 2}, {0, 0, 1, 0, 0, 1});
  // Chunk offsets: main 0, version 6, editor 16, trimesh 35, vertices 41, faces 85, mapping 101.
  ASSERT_EQ(good[36], 0x41);
  ASSERT_EQ(good[86], 0x41);
  auto lengthOf = [&](size_t chunk) {
    return uint32_t(good[chunk + 2] | good[chunk + 3] << 8 | good[chunk + 4] << 16);
  };
  auto withByte = [&](size_t at, uint8_t value) {
    Bytes bytes = good;
    bytes[at] = value;
    return bytes;
  };
  auto withLength = [&](size_t chunk, uint32_t length) {
    Bytes bytes = good;
    const Bytes field = littleEndian(length, 4);
    std::copy(field.begin(), field.end(), bytes.begin() + static_cast<std::ptrdiff_t>(chunk + 2));
    return bytes;
  };
  const Bytes vertices = vertexChunk(kTriangle);
  EXPECT_FALSE(parses(withLength(6, 0))) << "zero length: would never advance";
  EXPECT_FALSE(parses(withLength(6, 5))) << "shorter than its own header";
  EXPECT_FALSE(parses(withLength(16, lengthOf(16) + 1))) << "editor runs past the main chunk";
  EXPECT_FALSE(parses(withLength(35, lengthOf(35) + 4))) << "trimesh runs past its object";
  EXPECT_FALSE(parses(withLength(0, lengthOf(0) + 1))) << "main chunk runs past the file";
  EXPECT_FALSE(parses(withLength(41, 6 + 2 + 12 * 3 - 1))) << "vertex entries run past their chunk";
  EXPECT_FALSE(parses(withLength(101, 6 + 2 + 8 * 3 - 1))) << "mapping entries run past theirs";
  EXPECT_FALSE(parses(withByte(85 + 6 + 2 + 4, 3))) << "a corner names vertex 3 of 3";
  EXPECT_FALSE(parses(withByte(0, 0x4E))) << "wrong main chunk";
  EXPECT_FALSE(parses({})) << "empty";
  EXPECT_FALSE(parses({0x4D, 0x4D, 0x20})) << "three bytes";
  EXPECT_FALSE(parses(chunk(kMain, {chunk(kVersion)}))) << "main chunk of 12 bytes: nothing in it";
  const Bytes object = chunk(kObject, {text("complete"), chunk(kTriangleMesh, {vertices, faceChunk({0, 1, 2})})});
  const Bytes incomplete = chunk(kObject, {text("broken"), chunk(kTriangleMesh, {vertices})});
  EXPECT_FALSE(parses(chunk(kMain, {chunk(kEditor, {incomplete, object})}))) << "the first mesh has no face list";
  const Bytes unnamed = chunk(kObject, {littleEndian(0x41414141, 4)});
  EXPECT_FALSE(parses(chunk(kMain, {chunk(kEditor, {unnamed})}))) << "object name without its zero byte";
  EXPECT_TRUE(parses(chunk(kMain, {chunk(kEditor, {object})})));

  // Cut short anywhere, with the main chunk shortened to match: some inner chunk overruns.
  for (size_t size = 0; size < good.size(); ++size) {
    Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    if (size >= 6) cut[2] = static_cast<uint8_t>(size);
    Parsed3ds parsed;
    EXPECT_FALSE(Mesh::parse3ds(cut.data(), cut.size(), parsed)) << size;
  }
}

TEST_F(Load3ds, DamagedBytesNeverEscapeTheBuffer) {
  // Under the sanitizers this is the check that matters: whatever the bytes, the walk stays
  // inside them and every accepted face names a vertex.
  const Bytes good =
      singleMeshFile({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 3, 2}, {0, 0, 1, 0, 0, 1, 1, 1});
  std::mt19937 random(1234);
  int accepted = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    Bytes bytes = good;
    for (int i = 1 + static_cast<int>(random() % 4); i > 0; --i) bytes[random() % bytes.size()] = uint8_t(random());
    Parsed3ds parsed;
    if (!Mesh::parse3ds(bytes.data(), bytes.size(), parsed)) continue;
    ++accepted;
    ASSERT_EQ(parsed.faceIndices.size(), static_cast<size_t>(parsed.faceCount) * 3);
    ASSERT_EQ(parsed.vertices.size(), static_cast<size_t>(parsed.vertexCount));
    for (int32_t index : parsed.faceIndices) ASSERT_LT(index, parsed.vertexCount);
  }
  EXPECT_GT(accepted, 0);
}

TEST_F(Load3ds, BytesDecodeAsTheFileLoadsButSilently) {
  const Bytes good = singleMeshFile(kTriangle, {0, 1, 2, 2, 1, 0}, {0.25f, 0.75f, 0.0f, 1.0f, 0.5f, 0.125f});
  Mesh loaded, decoded;
  load(good, loaded);
  ASSERT_TRUE(decoded.decode3ds(good));
  ASSERT_EQ(decoded.vertexCount, loaded.vertexCount);
  ASSERT_EQ(decoded.faceCount, loaded.faceCount);
  for (int32_t i = 0; i < loaded.vertexCount; ++i) {
    EXPECT_EQ(decoded.vertices[i].position.y, loaded.vertices[i].position.y);
    EXPECT_EQ(decoded.vertices[i].u, loaded.vertices[i].u);
  }
  EXPECT_EQ(decoded.faces[1].corners[2].u, loaded.faces[1].corners[2].u);
  // A refused file leaves the mesh as it was, and only the loader says so.
  Bytes bad = good;
  bad.pop_back();  // one byte short of what the main chunk claims
  EXPECT_FALSE(decoded.decode3ds(bad));
  EXPECT_FALSE(decoded.decode3ds({}));
  EXPECT_TRUE(gMessages.empty());
  EXPECT_EQ(decoded.vertexCount, 3);
  EXPECT_EQ(decoded.vertices[2].position.y, 9.0f);
  load(bad, loaded);
  EXPECT_EQ(gMessages, std::vector<std::string>{"hore|error reading 3dsfile!"});
}

TEST_F(Load3ds, UnopenableFilesAreReportedAndFailedLoadsKeepTheMesh) {
  // Only regular files open (the picture loader's tests try a named pipe as well).
  const std::string missing = ::testing::TempDir() + "no_such_model.3ds";
  const std::string directory = scratchPath("load_3ds_test_folder.3ds");
  std::filesystem::create_directory(directory);
  for (const std::string& path : {missing, directory}) {
    Mesh mesh;
    mesh.load3ds(path.c_str());
    EXPECT_EQ(gMessages, std::vector<std::string>{"ERROR!|Cant open " + path});
    EXPECT_EQ(mesh.vertices, nullptr);
    gMessages.clear();
  }
  std::filesystem::remove(directory);
  Mesh mesh;
  load(singleMeshFile(kTriangle, {0, 1, 2}), mesh);
  Bytes bad = singleMeshFile(kTriangle, {0, 1, 2});
  bad[0] = 0;
  load(bad, mesh);
  EXPECT_EQ(gMessages, std::vector<std::string>{"hore|error reading 3dsfile!"});
  ASSERT_EQ(mesh.faceCount, 1);
  EXPECT_EQ(mesh.vertices[0].position.y, -3.0f);
}

}  // namespace
}  // namespace orvanta
