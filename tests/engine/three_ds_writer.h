#pragma once
// Builds 3DS files in memory (for the loader's tests, the fuzzers' seeds and the hostile data
// sets), either as nested expressions of chunk() or step by step with ChunkWriter.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "base/math.h"
#include "engine/three_ds_format.h"

namespace orvanta::test {

using Bytes = std::vector<uint8_t>;

inline Bytes& operator+=(Bytes& out, const Bytes& part) {
  out.insert(out.end(), part.begin(), part.end());
  return out;
}
inline Bytes littleEndian(uint32_t value, int size) {
  Bytes out;
  for (int i = 0; i < size; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
  return out;
}
inline Bytes floats(const std::vector<float>& values) {
  Bytes out;
  for (float value : values) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    out += littleEndian(bits, 4);
  }
  return out;
}
inline Bytes text(const char* value) { return Bytes(value, value + std::strlen(value) + 1); }

// A chunk: id, length (its 6-byte header included), then the parts one after the other.
inline Bytes chunk(uint16_t id, std::initializer_list<Bytes> parts = {}) {
  Bytes payload;
  for (const Bytes& part : parts) payload += part;
  Bytes out = littleEndian(id, 2);
  out += littleEndian(static_cast<uint32_t>(payload.size() + three_ds::kChunkHeaderSize), 4);
  return out += payload;
}

inline Bytes vertexChunk(const std::vector<Vec3>& points) {
  Bytes out = littleEndian(static_cast<uint32_t>(points.size()), 2);
  for (const Vec3& p : points) out += floats({p.x, p.y, p.z});
  return chunk(three_ds::kVertexList, {out});
}
// The face count and entries (three corners and ignored edge flags), without the header.
inline Bytes faceEntries(const std::vector<uint16_t>& indices) {
  Bytes out = littleEndian(static_cast<uint32_t>(indices.size() / 3), 2);
  for (size_t i = 0; i < indices.size(); ++i) {
    out += littleEndian(indices[i], 2);
    if (i % 3 == 2) out += littleEndian(three_ds::kAllEdgesVisible, 2);
  }
  return out;
}
inline Bytes faceChunk(const std::vector<uint16_t>& indices, std::initializer_list<Bytes> subChunks = {}) {
  Bytes out = faceEntries(indices);
  for (const Bytes& sub : subChunks) out += sub;
  return chunk(three_ds::kFaceList, {out});
}
inline Bytes mappingChunk(const std::vector<float>& uv) {
  return chunk(three_ds::kMappingList, {littleEndian(static_cast<uint32_t>(uv.size() / 2), 2), floats(uv)});
}

// Main chunk (with a version chunk), editor chunk, one object with one triangle mesh.
inline Bytes singleMeshFile(const std::vector<Vec3>& points, const std::vector<uint16_t>& indices,
                            const std::vector<float>& uv = {}) {
  const Bytes mesh = chunk(three_ds::kTriangleMesh, {vertexChunk(points), faceChunk(indices), uv.empty() ? Bytes() : mappingChunk(uv)});
  return chunk(three_ds::kMain, {chunk(three_ds::kVersion, {littleEndian(3, 4)}), chunk(three_ds::kEditor, {chunk(three_ds::kObject, {text("object"), mesh})})});
}

class ChunkWriter {
 public:
  void begin(uint16_t id) {
    open_.push_back(bytes_.size());
    bytes_ += littleEndian(id, 2);
    bytes_ += littleEndian(0, 4);  // the length, filled in by end()
  }
  void end() {
    const Bytes length = littleEndian(static_cast<uint32_t>(bytes_.size() - open_.back()), 4);
    for (size_t i = 0; i < 4; ++i) bytes_[open_.back() + three_ds::kChunkLengthOffset + i] = length[i];
    open_.pop_back();
  }
  void u16(uint16_t value) { bytes_ += littleEndian(value, 2); }
  void u32(uint32_t value) { bytes_ += littleEndian(value, 4); }
  void f32(float value) { bytes_ += floats({value}); }
  void name(const char* value) { bytes_ += text(value); }
  void vertexList(const std::vector<Vec3>& points) { bytes_ += vertexChunk(points); }
  // Leaves the chunk open so that sub-chunks can follow the entries; close with end().
  void beginFaceList(const std::vector<uint16_t>& indices) {
    begin(three_ds::kFaceList);
    bytes_ += faceEntries(indices);
  }
  void faceList(const std::vector<uint16_t>& indices) { bytes_ += faceChunk(indices); }
  void mappingList(const std::vector<float>& uv) { bytes_ += mappingChunk(uv); }
  const Bytes& bytes() const { return bytes_; }

 private:
  Bytes bytes_;
  std::vector<size_t> open_;
};

}  // namespace orvanta::test
