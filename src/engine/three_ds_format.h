#pragma once
// The part of the 3DS model format the show reads and writes, for the reader, the data
// generator, the tests and the fuzz seeds alike.
//
// A file is a tree of chunks: u16 id, u32 length (the 6-byte header included), then the
// data, which for container chunks is a row of child chunks. All numbers little-endian,
// floats as IEEE single precision.
//
//   main                       children
//     version                  u32
//     editor                   children
//       mesh version           u32
//       object                 zero-ended name, then children
//         triangle mesh        children
//           vertex list        u16 count, count x {f32 x, y, z}
//           face list          u16 count, count x {u16 a, b, c, flags}, then children
//           mapping list       u16 count, count x {f32 u, v}
//
// The show turns the file's axes into its own: file (x, y, z) is engine (x, -z, y), so the
// file's up axis z points up the screen; and file u is engine 1 - u.

#include <cstddef>
#include <cstdint>

namespace orvanta::three_ds {

// Chunk ids. The reader walks main, editor, object and triangle mesh and reads the three
// lists; every other chunk is skipped whole.
inline constexpr uint16_t kMain = 0x4D4D;
inline constexpr uint16_t kVersion = 0x0002;
inline constexpr uint16_t kEditor = 0x3D3D;
inline constexpr uint16_t kMeshVersion = 0x3D3E;
inline constexpr uint16_t kObject = 0x4000;
inline constexpr uint16_t kTriangleMesh = 0x4100;
inline constexpr uint16_t kVertexList = 0x4110;
inline constexpr uint16_t kFaceList = 0x4120;
inline constexpr uint16_t kFaceMaterial = 0x4130;  // inside a face list
inline constexpr uint16_t kMappingList = 0x4140;
inline constexpr uint16_t kSmoothingGroups = 0x4150;  // inside a face list
inline constexpr uint16_t kLocalAxes = 0x4160;
inline constexpr uint16_t kLight = 0x4600;
inline constexpr uint16_t kMaterialName = 0xA000;
inline constexpr uint16_t kMaterial = 0xAFFF;
inline constexpr uint16_t kKeyframer = 0xB000;
inline constexpr uint16_t kKeyframerHeader = 0xB00A;

// Record layouts, in bytes.
inline constexpr size_t kChunkHeaderSize = 6;  // id, length
inline constexpr size_t kChunkLengthOffset = 2;
inline constexpr size_t kCountSize = 2;          // the u16 before each list
inline constexpr size_t kVertexEntrySize = 12;   // x, y, z
inline constexpr size_t kFaceEntrySize = 8;      // a, b, c, flags
inline constexpr size_t kMappingEntrySize = 8;   // u, v
inline constexpr uint16_t kAllEdgesVisible = 7;  // face flags; the reader ignores them

}  // namespace orvanta::three_ds
