// Reads the first triangle mesh of a 3DS file. The chunk walk trusts nothing in the file:
// every header, list and name must lie inside its parent chunk and inside the buffer, and
// every face index must name a vertex, or the load fails as a whole.

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "base/messages.h"
#include "base/open_data_file.h"
#include "engine/mesh.h"
#include "engine/three_ds_format.h"

namespace orvanta {
namespace {

using namespace three_ds;

constexpr size_t kHeaderSize = kChunkHeaderSize;

uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t readU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

float readFloat(const uint8_t* p) {
  const uint32_t bits = readU32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

struct Chunk {
  uint16_t id = 0;
  size_t data = 0;  // first byte after the header
  size_t end = 0;   // one past the last byte
};

// The chunk starting at `at` must fit, header and all, before `limit` (its parent's end).
bool readChunk(const uint8_t* bytes, size_t at, size_t limit, Chunk& chunk) {
  if (at > limit || limit - at < kHeaderSize) return false;
  const uint32_t length = readU32(bytes + at + kChunkLengthOffset);
  if (length < kHeaderSize || length > limit - at) return false;
  chunk.id = readU16(bytes + at);
  chunk.data = at + kHeaderSize;
  chunk.end = at + length;
  return true;
}

// A counted list at the start of a chunk's data: the u16 count and its entries must fit in
// the chunk. Leaves `next` just past the entries.
bool readCount(const uint8_t* bytes, const Chunk& chunk, size_t entrySize, uint16_t& count, size_t& next) {
  if (chunk.end - chunk.data < kCountSize) return false;
  count = readU16(bytes + chunk.data);
  const size_t listEnd = chunk.data + kCountSize + static_cast<size_t>(count) * entrySize;
  if (listEnd > chunk.end) return false;
  next = listEnd;
  return true;
}

bool readTriangleMesh(const uint8_t* bytes, const Chunk& mesh, Parsed3ds& out) {
  bool haveVertices = false;
  bool haveFaces = false;
  size_t at = mesh.data;
  while (at < mesh.end) {
    Chunk child;
    if (!readChunk(bytes, at, mesh.end, child)) return false;
    at = child.end;
    uint16_t count = 0;
    switch (child.id) {
      case kVertexList: {
        if (!readCount(bytes, child, kVertexEntrySize, count, at)) return false;
        out.vertices.assign(count, ParsedVertex{});
        out.vertexCount = count;
        const uint8_t* entry = bytes + child.data + kCountSize;
        for (ParsedVertex& vertex : out.vertices) {
          const float x = readFloat(entry);
          const float y = readFloat(entry + 4);
          const float z = readFloat(entry + 8);
          // The file's up axis z becomes -y, which is up on the screen.
          vertex.x = x;
          vertex.y = -z;
          vertex.z = y;
          entry += kVertexEntrySize;
        }
        haveVertices = true;
        break;
      }
      case kFaceList: {
        // Sub-chunks after the entries (smoothing groups, materials) are then read as
        // siblings and skipped.
        if (!readCount(bytes, child, kFaceEntrySize, count, at)) return false;
        out.faceIndices.assign(static_cast<size_t>(count) * 3, 0);
        out.faceCount = count;
        const uint8_t* entry = bytes + child.data + kCountSize;
        for (uint16_t face = 0; face < count; ++face) {
          for (int corner = 0; corner < 3; ++corner) {
            out.faceIndices[static_cast<size_t>(face) * 3 + corner] = readU16(entry + corner * 2);
          }
          entry += kFaceEntrySize;
        }
        haveFaces = true;
        break;
      }
      case kMappingList: {
        if (child.end - child.data < kCountSize) return false;
        const uint16_t mappingCount = readU16(bytes + child.data);
        // A list before the vertices, or longer than them, is skipped whole.
        if (!haveVertices || mappingCount > out.vertexCount) break;
        if (!readCount(bytes, child, kMappingEntrySize, count, at)) return false;
        const uint8_t* entry = bytes + child.data + kCountSize;
        for (uint16_t i = 0; i < count; ++i) {
          out.vertices[i].u = readFloat(entry);
          out.vertices[i].v = readFloat(entry + 4);
          entry += kMappingEntrySize;
        }
        break;
      }
      default:
        break;
    }
  }
  if (!haveVertices || !haveFaces) return false;
  for (int32_t index : out.faceIndices) {
    if (index >= out.vertexCount) return false;
  }
  return true;
}

enum class ObjectResult { kNoMesh, kLoaded, kFailed };

ObjectResult readObject(const uint8_t* bytes, const Chunk& object, Parsed3ds& out) {
  const void* nameEnd = std::memchr(bytes + object.data, 0, object.end - object.data);
  if (nameEnd == nullptr) return ObjectResult::kFailed;
  size_t at = static_cast<size_t>(static_cast<const uint8_t*>(nameEnd) - bytes) + 1;
  while (at < object.end) {
    Chunk child;
    if (!readChunk(bytes, at, object.end, child)) return ObjectResult::kFailed;
    // The first triangle mesh decides the load; the rest of the file is not looked at.
    if (child.id == kTriangleMesh) {
      return readTriangleMesh(bytes, child, out) ? ObjectResult::kLoaded : ObjectResult::kFailed;
    }
    at = child.end;
  }
  return ObjectResult::kNoMesh;
}

}  // namespace

bool Mesh::parse3ds(const uint8_t* bytes, size_t size, Parsed3ds& out) {
  out = Parsed3ds{};
  if (bytes == nullptr || size < kHeaderSize) return false;
  const uint32_t mainLength = readU32(bytes + kChunkLengthOffset);
  if (readU16(bytes) != kMain || mainLength <= 2 * kHeaderSize || mainLength > size) return false;

  // A chunk that would start in the main chunk's last six bytes is not read.
  size_t at = kHeaderSize;
  while (at < mainLength - kHeaderSize) {
    Chunk chunk;
    if (!readChunk(bytes, at, mainLength, chunk)) return false;
    if (chunk.id == kEditor) {
      size_t childAt = chunk.data;
      while (childAt < chunk.end) {
        Chunk child;
        if (!readChunk(bytes, childAt, chunk.end, child)) return false;
        if (child.id == kObject) {
          const ObjectResult result = readObject(bytes, child, out);
          if (result != ObjectResult::kNoMesh) return result == ObjectResult::kLoaded;
        }
        childAt = child.end;
      }
    }
    at = chunk.end;
  }
  return false;
}

bool Mesh::decode3ds(std::span<const uint8_t> bytes) {
  Parsed3ds parsed;
  if (!parse3ds(bytes.data(), bytes.size(), parsed)) return false;
  allocate(parsed.vertexCount, parsed.faceCount);
  for (int32_t i = 0; i < vertexCount; ++i) {
    const ParsedVertex& source = parsed.vertices[i];
    RenderVertex& vertex = vertices[i];
    vertex.position = Vec3{source.x, source.y, source.z};
    vertex.u = 1.0f - source.u;
    vertex.v = source.v;
  }
  for (int32_t i = 0; i < faceCount; ++i) {
    MeshFace& face = faces[i];
    for (int corner = 0; corner < 3; ++corner) {
      const int32_t index = parsed.faceIndices[static_cast<size_t>(i) * 3 + corner];
      face.indices[corner] = index;
      face.corners[corner].u = vertices[index].u;
      face.corners[corner].v = vertices[index].v;
    }
  }
  return true;
}

void Mesh::load3ds(const char* path) {
  std::FILE* file = openDataFile(path);
  if (file == nullptr) {
    const std::string text = std::string("Cant open ") + path;
    showMessage(text.c_str(), "ERROR!");
    return;
  }
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  if (size < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    showMessage("error reading 3dsfile!", "hore");
    return;
  }
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[size == 0 ? 1 : static_cast<size_t>(size)]);
  if (buffer == nullptr) {
    showMessage("error allocating memory!", "hore");
    std::fclose(file);
    return;
  }
  const size_t read = std::fread(buffer.get(), 1, static_cast<size_t>(size), file);
  std::fclose(file);
  // A short read (a directory, a file that shrank) leaves too few bytes to trust.
  if (read != static_cast<size_t>(size) || !decode3ds({buffer.get(), read})) {
    showMessage("error reading 3dsfile!", "hore");
  }
}

}  // namespace orvanta
