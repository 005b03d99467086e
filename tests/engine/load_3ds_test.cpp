#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "engine/mesh.h"
#include "engine/three_ds_writer.h"
#include "image/messages.h"

namespace orvanta {
namespace {

using test::ChunkWriter;
using test::singleMeshFile;

std::vector<std::string> gMessages;

void recordMessage(const char* text, const char* caption) { gMessages.push_back(std::string(caption) + "|" + text); }

class Load3ds : public ::testing::Test {
 protected:
  void SetUp() override {
    gMessages.clear();
    setMessageHook(recordMessage);
  }
  void TearDown() override {
    setMessageHook(nullptr);
    std::remove(path_.c_str());
  }

  // Writes the bytes to a file and loads it into `mesh`.
  void load(const std::vector<uint8_t>& bytes, Mesh& mesh) {
    std::FILE* file = std::fopen(path_.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    mesh.load3ds(path_.c_str());
  }

  void expectReadError(const std::vector<uint8_t>& bytes) {
    Mesh mesh;
    load(bytes, mesh);
    EXPECT_EQ(gMessages, std::vector<std::string>{"hore|error reading 3dsfile!"});
    EXPECT_EQ(mesh.vertexCount, 0);
    EXPECT_EQ(mesh.vertices, nullptr);
    gMessages.clear();
  }

  std::string path_ = ::testing::TempDir() + "load_3ds_test.3ds";
};

const std::vector<Vec3> kTriangle = {{1.0f, 2.0f, 3.0f}, {4.0f, 5.0f, 6.0f}, {-7.0f, 8.5f, -9.0f}};

TEST_F(Load3ds, ConvertsAxesAndFlipsU) {
  Mesh mesh;
  load(singleMeshFile(kTriangle, {0, 1, 2, 2, 1, 0}, {0.25f, 0.75f, 0.0f, 1.0f, 0.5f, 0.125f}), mesh);
  EXPECT_TRUE(gMessages.empty());
  ASSERT_EQ(mesh.vertexCount, 3);
  ASSERT_EQ(mesh.faceCount, 2);
  // File (x, y, z) is (x, -z, y) here.
  EXPECT_EQ(mesh.vertices[0].position.x, 1.0f);
  EXPECT_EQ(mesh.vertices[0].position.y, -3.0f);
  EXPECT_EQ(mesh.vertices[0].position.z, 2.0f);
  EXPECT_EQ(mesh.vertices[2].position.x, -7.0f);
  EXPECT_EQ(mesh.vertices[2].position.y, 9.0f);
  EXPECT_EQ(mesh.vertices[2].position.z, 8.5f);
  EXPECT_EQ(mesh.vertices[0].u, 0.75f);
  EXPECT_EQ(mesh.vertices[0].v, 0.75f);
  EXPECT_EQ(mesh.vertices[1].u, 1.0f);
  EXPECT_EQ(mesh.vertices[1].v, 1.0f);
  EXPECT_EQ(mesh.vertices[2].u, 0.5f);
  EXPECT_EQ(mesh.vertices[2].v, 0.125f);
  // Corners copy the coordinates of the vertex they name.
  EXPECT_EQ(mesh.faces[1].indices[0], 2);
  EXPECT_EQ(mesh.faces[1].indices[2], 0);
  EXPECT_EQ(mesh.faces[1].corners[0].u, 0.5f);
  EXPECT_EQ(mesh.faces[1].corners[0].v, 0.125f);
  EXPECT_EQ(mesh.faces[1].corners[2].u, 0.75f);
  EXPECT_EQ(mesh.faces[0].corners[1].v, 1.0f);
  // Normals are left to the caller.
  EXPECT_EQ(mesh.vertices[0].normal.z, 0.0f);
  EXPECT_EQ(mesh.faces[0].faceNormal.z, 0.0f);
}

TEST_F(Load3ds, WithoutMappingEveryCornerHasUOneVZero) {
  Mesh mesh;
  load(singleMeshFile(kTriangle, {0, 1, 2}), mesh);
  ASSERT_EQ(mesh.vertexCount, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(mesh.vertices[i].u, 1.0f);
    EXPECT_EQ(mesh.vertices[i].v, 0.0f);
    EXPECT_EQ(mesh.faces[0].corners[i].u, 1.0f);
    EXPECT_EQ(mesh.faces[0].corners[i].v, 0.0f);
  }
}

TEST_F(Load3ds, MappingListsThatDoNotFitAreSkippedWhole) {
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x3D3D);
  w.begin(0x4000);
  w.name("m");
  w.begin(0x4100);
  w.mappingList({0.5f, 0.5f});  // before the vertices
  w.vertexList({{0, 0, 0}, {1, 0, 0}});
  w.mappingList({0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f});  // longer than the vertex list
  w.mappingList({0.25f, 0.5f});                         // shorter: fills the first vertex
  w.faceList({0, 1, 1});
  w.end();
  w.end();
  w.end();
  w.end();
  Mesh mesh;
  load(w.bytes(), mesh);
  EXPECT_TRUE(gMessages.empty());
  ASSERT_EQ(mesh.vertexCount, 2);
  EXPECT_EQ(mesh.vertices[0].u, 0.75f);
  EXPECT_EQ(mesh.vertices[0].v, 0.5f);
  EXPECT_EQ(mesh.vertices[1].u, 1.0f);
  EXPECT_EQ(mesh.vertices[1].v, 0.0f);
}

TEST_F(Load3ds, FaceListSubChunksAndUnknownChunksAreSkipped) {
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0xB000);  // keyframes before the editor data
  w.u32(0xDEADBEEF);
  w.end();
  w.begin(0x3D3D);
  w.begin(0xAFFF);  // a material
  w.name("steel");
  w.end();
  w.begin(0x4000);
  w.name("lamp");
  w.begin(0x4600);  // a light: an object without a triangle mesh is passed over
  w.f32(1.0f);
  w.f32(2.0f);
  w.f32(3.0f);
  w.end();
  w.end();
  w.begin(0x4000);
  w.name("body");
  w.begin(0x4100);
  w.vertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}});
  w.begin(0x4160);  // local axes
  for (int i = 0; i < 12; ++i) w.f32(0.0f);
  w.end();
  w.beginFaceList({0, 1, 2, 1, 3, 2});
  w.begin(0x4130);  // material group
  w.name("steel");
  w.u16(2);
  w.u16(0);
  w.u16(1);
  w.end();
  w.begin(0x4150);  // smoothing groups
  w.u32(1);
  w.u32(1);
  w.end();
  w.end();
  w.mappingList({0, 0, 1, 0, 0, 1, 1, 1});
  w.end();
  w.end();
  w.begin(0x4000);  // later objects are not read
  w.name("second");
  w.begin(0x4100);
  w.vertexList({{5, 5, 5}});
  w.faceList({0, 0, 0});
  w.end();
  w.end();
  w.end();
  w.end();

  Mesh mesh;
  load(w.bytes(), mesh);
  EXPECT_TRUE(gMessages.empty());
  ASSERT_EQ(mesh.vertexCount, 4);
  ASSERT_EQ(mesh.faceCount, 2);
  EXPECT_EQ(mesh.faces[1].indices[0], 1);
  EXPECT_EQ(mesh.faces[1].indices[1], 3);
  EXPECT_EQ(mesh.faces[1].indices[2], 2);
  EXPECT_EQ(mesh.vertices[3].position.x, 1.0f);
  EXPECT_EQ(mesh.vertices[3].position.z, 1.0f);
  EXPECT_EQ(mesh.vertices[3].u, 0.0f);
  EXPECT_EQ(mesh.vertices[3].v, 1.0f);
}

TEST_F(Load3ds, FirstTriangleMeshDecidesEvenWhenIncomplete) {
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x3D3D);
  w.begin(0x4000);
  w.name("broken");
  w.begin(0x4100);
  w.vertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});  // no face list
  w.end();
  w.end();
  w.begin(0x4000);
  w.name("complete");
  w.begin(0x4100);
  w.vertexList({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  w.faceList({0, 1, 2});
  w.end();
  w.end();
  w.end();
  w.end();
  expectReadError(w.bytes());
}

TEST_F(Load3ds, RejectsTheWrongMainChunk) {
  std::vector<uint8_t> bytes = singleMeshFile(kTriangle, {0, 1, 2});
  bytes[0] = 0x4E;
  expectReadError(bytes);

  // A main chunk of 12 bytes holds nothing; 13 bytes are looked into but hold no mesh.
  ChunkWriter small;
  small.begin(0x4D4D);
  small.begin(0x0002);
  small.end();
  small.end();
  ASSERT_EQ(small.bytes().size(), 12u);
  expectReadError(small.bytes());
  std::vector<uint8_t> thirteen = small.bytes();
  thirteen.push_back(0);
  thirteen[2] = 13;
  expectReadError(thirteen);

  expectReadError({});
  expectReadError({0x4D, 0x4D, 0x20});
}

TEST_F(Load3ds, MalformedChunksFailInsteadOfBeingTrusted) {
  const std::vector<uint8_t> good = singleMeshFile(kTriangle, {0, 1, 2}, {0, 0, 1, 0, 0, 1});
  {
    Mesh mesh;
    load(good, mesh);
    ASSERT_TRUE(gMessages.empty());
    ASSERT_EQ(mesh.faceCount, 1);
  }
  // Offsets in the good file: main 0, version 6, editor 16, object 22, name 28, trimesh 35,
  // vertex list 41, face list 41 + 6 + 2 + 36 = 85, mapping 85 + 16 = 101.
  ASSERT_EQ(good[16], 0x3D);
  ASSERT_EQ(good[35], 0x00);
  ASSERT_EQ(good[36], 0x41);
  ASSERT_EQ(good[85], 0x20);
  ASSERT_EQ(good[86], 0x41);
  auto withLength = [&](size_t chunk, uint32_t length) {
    std::vector<uint8_t> bytes = good;
    for (int i = 0; i < 4; ++i) bytes[chunk + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
    return bytes;
  };
  auto lengthOf = [&](size_t chunk) {
    return static_cast<uint32_t>(good[chunk + 2] | good[chunk + 3] << 8 | good[chunk + 4] << 16);
  };
  expectReadError(withLength(6, 0));                      // a zero length would never advance
  expectReadError(withLength(6, 5));                      // shorter than its own header
  expectReadError(withLength(16, lengthOf(16) + 1));      // editor runs past the main chunk
  expectReadError(withLength(35, lengthOf(35) + 4));      // trimesh runs past its object
  expectReadError(withLength(0, lengthOf(0) + 1));        // main chunk runs past the file
  expectReadError(withLength(41, 6 + 2 + 12 * 3 - 1));    // vertex entries run past their chunk
  expectReadError(withLength(101, 6 + 2 + 8 * 3 - 1));    // mapping entries run past theirs

  std::vector<uint8_t> badIndex = good;
  badIndex[85 + 6 + 2 + 4] = 3;  // third corner of the face names vertex 3 of 3
  expectReadError(badIndex);

  // An object name without its zero byte.
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x3D3D);
  w.begin(0x4000);
  w.u32(0x41414141);
  w.end();
  w.end();
  w.end();
  expectReadError(w.bytes());

  // A file cut short anywhere, with its main chunk shortened to match, leaves some inner
  // chunk running past its parent.
  for (size_t size = 0; size < good.size(); ++size) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(size));
    if (size >= 6) cut[2] = static_cast<uint8_t>(size);
    Parsed3ds parsed;
    EXPECT_FALSE(Mesh::parse3ds(cut.data(), cut.size(), parsed)) << size;
  }
}

TEST_F(Load3ds, DamagedBytesNeverEscapeTheBuffer) {
  // Under the sanitizers this is the check that matters: whatever the bytes, the walk stays
  // inside them and every accepted face names a vertex.
  const std::vector<uint8_t> good =
      singleMeshFile({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {0, 1, 2, 1, 3, 2}, {0, 0, 1, 0, 0, 1, 1, 1});
  std::mt19937 random(1234);
  int accepted = 0;
  for (int trial = 0; trial < 20000; ++trial) {
    std::vector<uint8_t> bytes = good;
    const int damage = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < damage; ++i) bytes[random() % bytes.size()] = static_cast<uint8_t>(random());
    Parsed3ds parsed;
    if (!Mesh::parse3ds(bytes.data(), bytes.size(), parsed)) continue;
    ++accepted;
    ASSERT_EQ(parsed.faceIndices.size(), static_cast<size_t>(parsed.faceCount) * 3);
    ASSERT_EQ(parsed.vertices.size(), static_cast<size_t>(parsed.vertexCount));
    for (int32_t index : parsed.faceIndices) ASSERT_LT(index, parsed.vertexCount);
  }
  EXPECT_GT(accepted, 0);
}

TEST_F(Load3ds, MissingFileIsReportedAndFailedLoadsKeepTheMesh) {
  Mesh mesh;
  const std::string missing = ::testing::TempDir() + "no_such_model.3ds";
  mesh.load3ds(missing.c_str());
  EXPECT_EQ(gMessages, std::vector<std::string>{"ERROR!|Cant open " + missing});
  EXPECT_EQ(mesh.vertexCount, 0);
  EXPECT_EQ(mesh.faces, nullptr);

  load(singleMeshFile(kTriangle, {0, 1, 2}), mesh);
  ASSERT_EQ(mesh.faceCount, 1);
  gMessages.clear();
  std::vector<uint8_t> bad = singleMeshFile(kTriangle, {0, 1, 2});
  bad[0] = 0;
  load(bad, mesh);
  EXPECT_EQ(gMessages.size(), 1u);
  EXPECT_EQ(mesh.faceCount, 1);
  EXPECT_EQ(mesh.vertices[0].position.y, -3.0f);
}

TEST_F(Load3ds, DirectoryOrNamedPipeInThePlaceOfAModelCannotBeOpened) {
  // A directory reports a size of many exabytes on some file systems; a pipe would block.
  const std::string directory = ::testing::TempDir() + "load_3ds_test_folder.3ds";
  const std::string pipe = ::testing::TempDir() + "load_3ds_test_pipe.3ds";
  std::filesystem::create_directory(directory);
  std::remove(pipe.c_str());
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  for (const std::string& path : {directory, pipe}) {
    Mesh mesh;
    mesh.load3ds(path.c_str());
    EXPECT_EQ(gMessages, std::vector<std::string>{"ERROR!|Cant open " + path});
    EXPECT_EQ(mesh.vertices, nullptr);
    gMessages.clear();
  }
  std::filesystem::remove(directory);
  std::remove(pipe.c_str());
}

}  // namespace
}  // namespace orvanta
