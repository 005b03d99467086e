#pragma once
// Builds 3DS files in memory for the loader's tests: nested chunks with their lengths
// patched on close, plus a one-call writer for a single-object model.

#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/math.h"

namespace orvanta::test {

class ChunkWriter {
 public:
  void begin(uint16_t id) {
    open_.push_back(bytes_.size());
    u16(id);
    u32(0);
  }
  void end() {
    const size_t start = open_.back();
    open_.pop_back();
    const uint32_t length = static_cast<uint32_t>(bytes_.size() - start);
    for (int i = 0; i < 4; ++i) bytes_[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
  }
  void u16(uint16_t value) {
    bytes_.push_back(static_cast<uint8_t>(value));
    bytes_.push_back(static_cast<uint8_t>(value >> 8));
  }
  void u32(uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(value >> (8 * i)));
  }
  void f32(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    u32(bits);
  }
  void name(const char* text) { bytes_.insert(bytes_.end(), text, text + std::strlen(text) + 1); }

  // Whole lists, as a modelling program writes them.
  void vertexList(const std::vector<Vec3>& points) {
    begin(0x4110);
    u16(static_cast<uint16_t>(points.size()));
    for (const Vec3& p : points) {
      f32(p.x);
      f32(p.y);
      f32(p.z);
    }
    end();
  }
  // Leaves the chunk open so that sub-chunks can follow the entries; close with end().
  void beginFaceList(const std::vector<uint16_t>& indices) {
    begin(0x4120);
    u16(static_cast<uint16_t>(indices.size() / 3));
    for (size_t i = 0; i < indices.size(); i += 3) {
      u16(indices[i]);
      u16(indices[i + 1]);
      u16(indices[i + 2]);
      u16(7);  // edge flags, ignored
    }
  }
  void faceList(const std::vector<uint16_t>& indices) {
    beginFaceList(indices);
    end();
  }
  void mappingList(const std::vector<float>& uv) {
    begin(0x4140);
    u16(static_cast<uint16_t>(uv.size() / 2));
    for (float value : uv) f32(value);
    end();
  }

  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  std::vector<size_t> open_;
};

// Main chunk, editor chunk, one named object with one triangle mesh. `uv` may be empty.
inline std::vector<uint8_t> singleMeshFile(const std::vector<Vec3>& points, const std::vector<uint16_t>& indices,
                                           const std::vector<float>& uv = {}) {
  ChunkWriter w;
  w.begin(0x4D4D);
  w.begin(0x0002);  // version
  w.u32(3);
  w.end();
  w.begin(0x3D3D);
  w.begin(0x4000);
  w.name("object");
  w.begin(0x4100);
  w.vertexList(points);
  w.faceList(indices);
  if (!uv.empty()) w.mappingList(uv);
  w.end();
  w.end();
  w.end();
  w.end();
  return w.bytes();
}

}  // namespace orvanta::test
