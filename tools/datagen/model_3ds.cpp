#include "datagen/model_3ds.h"

#include <cstring>

#include "engine/three_ds_format.h"

namespace orvanta::datagen {
namespace {

class ChunkWriter {
 public:
  std::vector<uint8_t> bytes;

  // Starts a chunk; its length is filled in by end().
  size_t begin(uint16_t id) {
    const size_t start = bytes.size();
    u16(id);
    u32(0);
    return start;
  }
  void end(size_t start) {
    const auto length = static_cast<uint32_t>(bytes.size() - start);
    for (int i = 0; i < 4; ++i) bytes[start + three_ds::kChunkLengthOffset + i] = static_cast<uint8_t>(length >> (8 * i));
  }
  void u16(uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  void u32(uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  void f32(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    u32(bits);
  }
  void text(const std::string& value) {
    bytes.insert(bytes.end(), value.begin(), value.end());
    bytes.push_back(0);
  }
};

}  // namespace

uint16_t Model::add(float x, float y, float z, float u, float v) {
  vertices.push_back({x, y, z, u, v});
  return static_cast<uint16_t>(vertices.size() - 1);
}

void Model::addQuad(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
  addTriangle(a, b, c);
  addTriangle(a, c, d);
}

std::vector<uint8_t> encode3ds(const Model& model) {
  ChunkWriter w;
  const size_t main = w.begin(three_ds::kMain);
  const size_t version = w.begin(three_ds::kVersion);
  w.u32(3);
  w.end(version);
  const size_t editor = w.begin(three_ds::kEditor);
  const size_t meshVersion = w.begin(three_ds::kMeshVersion);
  w.u32(3);
  w.end(meshVersion);
  const size_t object = w.begin(three_ds::kObject);
  w.text(model.name);
  const size_t mesh = w.begin(three_ds::kTriangleMesh);

  const size_t vertexList = w.begin(three_ds::kVertexList);
  w.u16(static_cast<uint16_t>(model.vertices.size()));
  for (const ModelVertex& v : model.vertices) {
    w.f32(v.x);
    w.f32(v.z);
    w.f32(-v.y);
  }
  w.end(vertexList);

  const size_t mapping = w.begin(three_ds::kMappingList);
  w.u16(static_cast<uint16_t>(model.vertices.size()));
  for (const ModelVertex& v : model.vertices) {
    w.f32(1.0f - v.u);
    w.f32(v.v);
  }
  w.end(mapping);

  const size_t faceList = w.begin(three_ds::kFaceList);
  w.u16(static_cast<uint16_t>(model.faces.size()));
  for (const auto& f : model.faces) {
    w.u16(f[0]);
    w.u16(f[1]);
    w.u16(f[2]);
    w.u16(three_ds::kAllEdgesVisible);
  }
  w.end(faceList);

  w.end(mesh);
  w.end(object);
  w.end(editor);
  w.end(main);
  return w.bytes;
}

}  // namespace orvanta::datagen
