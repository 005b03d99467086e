// orvanta_hostile_data: damaged copies of the show's data folder.
//
//   orvanta_hostile_data list
//       one line per damage: FILE VARIANT EXPECTED LOADS
//       EXPECTED is what each load of the file reports: cant_open, broken_tga, broken_3ds
//       or none; LOADS is how many times the show's start-up reads the file.
//   orvanta_hostile_data rounds
//       how many rounds the quick test needs so that every damage of every file is in one
//   orvanta_hostile_data round N
//       the FILE:VARIANT pairs of round N: file j of each kind takes variant (N + j) of its
//       kind, so a round damages every file at once and the rounds together hold every pair
//   orvanta_hostile_data make GOOD OUT [FILE:VARIANT ...]
//       copies the folder GOOD to OUT (replacing OUT) and damages the named files

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/data_set_manifest.h"
#include "engine/three_ds_format.h"
#include "engine/three_ds_writer.h"

namespace {

namespace fs = std::filesystem;
namespace three_ds = orvanta::three_ds;
using Bytes = std::vector<uint8_t>;

using orvanta::DataKind;
using orvanta::DataSetFile;
using orvanta::kDataSet;

// Reads of each file during start-up, from the scenes' initialisations; any other file once.
int loadsOf(const DataSetFile& file) {
  using namespace orvanta;
  if (file.kind == DataKind::kSoundtrack) return 0;  // opened by the music player, which reports nothing
  const std::string_view name = file.name;
  if (name == kPanelTexture || name == kPanelHeights || name == kTealEnvironment) return 3;
  if (name == kChromeEnvironment || name == kPlasma || name == kSpikeBall || name == kPlaneGrid) return 2;
  return 1;
}

struct Variant {
  const char* name;
  const char* tgaExpectation;  // per kind; nullptr where the variant does not apply
  const char* modelExpectation;
  const char* musicExpectation;
};

// Order matters only for the rounds.
constexpr Variant kVariants[] = {
    {"missing", "cant_open", "cant_open", "none"},
    {"empty", "broken_tga", "broken_3ds", "none"},
    {"directory", "cant_open", "cant_open", "none"},
    {"header_only", "broken_tga", "broken_3ds", nullptr},
    {"half", "broken_tga", "broken_3ds", "none"},  // the first half of the file
    {"random", "broken_tga", "broken_3ds", "none"},
    // Pictures.
    {"short_pixels", "none", nullptr, nullptr},  // the last 4 KiB of pixels missing: they stay zero
    {"small", "none", nullptr, nullptr},         // about half the width and height, pixels complete
    {"large", "none", nullptr, nullptr},         // twice the width and height
    {"depth_24", "broken_tga", nullptr, nullptr},
    {"huge_header", "broken_tga", nullptr, nullptr},  // 65535 x 65535, gigabytes promised
    {"zero_width", "broken_tga", nullptr, nullptr},
    // Models.
    {"huge_length", nullptr, "broken_3ds", nullptr},       // main chunk of almost 4 GiB
    {"cut_length", nullptr, "broken_3ds", nullptr},        // vertex list chunk shorter than its entries
    {"length_past_file", nullptr, "broken_3ds", nullptr},  // face list chunk running past the file
    {"tiny_length", nullptr, "broken_3ds", nullptr},       // a chunk length below its own header
    {"bad_index", nullptr, "broken_3ds", nullptr},         // a face index one past the vertex list
    {"no_faces", nullptr, "broken_3ds", nullptr},          // the mesh without its face list
    {"nan_vertices", nullptr, "none", nullptr},            // NaN and infinite coordinates
    {"huge_vertices", nullptr, "none", nullptr},           // coordinates near the float limit
    {"single_triangle", nullptr, "none", nullptr},         // a valid model far smaller than the scene needs
    {"empty_mesh", nullptr, "none", nullptr},              // valid, with no vertices and no faces
    {"degenerate", nullptr, "none", nullptr},              // every vertex at one point
};

const char* expectation(const Variant& variant, DataKind kind) {
  switch (kind) {
    case DataKind::kPicture:
      return variant.tgaExpectation;
    case DataKind::kModel:
      return variant.modelExpectation;
    case DataKind::kSoundtrack:
      return variant.musicExpectation;
  }
  return nullptr;
}

std::vector<const Variant*> variantsOf(DataKind kind) {
  std::vector<const Variant*> list;
  for (const Variant& variant : kVariants) {
    if (expectation(variant, kind) != nullptr) list.push_back(&variant);
  }
  return list;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "orvanta_hostile_data: %s\n", message.c_str());
  return 1;
}

// Deterministic bytes for "random": the same damage on every run.
Bytes randomBytes(size_t count, uint32_t seed) {
  Bytes bytes(count);
  uint32_t state = seed;
  for (uint8_t& byte : bytes) {
    state = state * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

uint32_t nameSeed(const std::string& name) {
  uint32_t hash = 2166136261u;
  for (char c : name) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
  return hash;
}

uint16_t getU16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }
uint32_t getU32(const Bytes& b, size_t at) {
  return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}
void putU16(Bytes& b, size_t at, uint16_t value) {
  b[at] = static_cast<uint8_t>(value);
  b[at + 1] = static_cast<uint8_t>(value >> 8);
}
void putU32(Bytes& b, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
}
void putFloat(Bytes& b, size_t at, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  putU32(b, at, bits);
}
float getFloat(const Bytes& b, size_t at) {
  const uint32_t bits = getU32(b, at);
  float value;
  std::memcpy(&value, &bits, 4);
  return value;
}

// ---- Pictures -------------------------------------------------------------------------

constexpr size_t kTgaHeader = 18;

Bytes tgaWithSize(const Bytes& good, uint32_t width, uint32_t height, const Bytes& pixels) {
  Bytes out(kTgaHeader + pixels.size());
  std::copy(good.begin(), good.begin() + kTgaHeader, out.begin());
  std::copy(pixels.begin(), pixels.end(), out.begin() + kTgaHeader);
  putU16(out, 12, static_cast<uint16_t>(width));
  putU16(out, 14, static_cast<uint16_t>(height));
  return out;
}

std::optional<Bytes> damagePicture(const Bytes& good, const std::string& variant, uint32_t seed) {
  if (good.size() < kTgaHeader) return std::nullopt;
  const uint32_t width = getU16(good, 12);
  const uint32_t height = getU16(good, 14);
  const Bytes pixels(good.begin() + kTgaHeader, good.end());
  const size_t pixelBytes = static_cast<size_t>(width) * height * 4;
  if (good[16] != 32 || pixels.size() < pixelBytes || pixelBytes <= 4096) return std::nullopt;

  if (variant == "header_only") return Bytes(good.begin(), good.begin() + kTgaHeader);
  if (variant == "half") return Bytes(good.begin(), good.begin() + kTgaHeader + pixelBytes / 2);
  if (variant == "short_pixels") return Bytes(good.begin(), good.begin() + kTgaHeader + pixelBytes - 4096);
  if (variant == "small") {
    const uint32_t w = width / 2 + 1;
    const uint32_t h = height / 2 + 1;
    return tgaWithSize(good, w, h, Bytes(pixels.begin(), pixels.begin() + static_cast<size_t>(w) * h * 4));
  }
  if (variant == "large") {
    Bytes tiled;
    for (int copy = 0; copy < 4; ++copy) tiled.insert(tiled.end(), pixels.begin(), pixels.begin() + pixelBytes);
    return tgaWithSize(good, width * 2, height * 2, tiled);
  }
  if (variant == "depth_24") {
    Bytes out(kTgaHeader + pixelBytes / 4 * 3);
    std::copy(good.begin(), good.begin() + kTgaHeader, out.begin());
    out[16] = 24;
    for (size_t i = 0, o = kTgaHeader; i < pixelBytes; i += 4, o += 3) {
      std::copy(pixels.begin() + i, pixels.begin() + i + 3, out.begin() + o);
    }
    return out;
  }
  if (variant == "huge_header") return tgaWithSize(good, 65535, 65535, pixels);
  if (variant == "zero_width") return tgaWithSize(good, 0, height, pixels);
  if (variant == "random") {
    Bytes out = randomBytes(good.size(), seed);
    if (out[16] == 32) out[16] = 33;  // any other depth is refused
    return out;
  }
  return std::nullopt;
}

// ---- Models ---------------------------------------------------------------------------

struct ChunkAt {
  size_t offset = 0;  // of the header
  uint16_t id = 0;
  size_t end = 0;
};

// Every chunk of the containers the reader walks, in file order (a well-formed file).
void listChunks(const Bytes& b, size_t from, size_t to, std::vector<ChunkAt>& out) {
  size_t at = from;
  while (at + 6 <= to) {
    const uint16_t id = getU16(b, at);
    const uint32_t length = getU32(b, at + 2);
    if (length < 6 || length > to - at) return;
    out.push_back(ChunkAt{at, id, at + length});
    size_t children = at + 6;
    if (id == three_ds::kObject) {
      while (children < at + length && b[children] != 0) ++children;
      ++children;
    }
    if (id == three_ds::kMain || id == three_ds::kEditor || id == three_ds::kObject || id == three_ds::kTriangleMesh) listChunks(b, children, at + length, out);
    at += length;
  }
}

std::optional<ChunkAt> firstChunk(const Bytes& b, uint16_t id) {
  std::vector<ChunkAt> chunks;
  listChunks(b, 0, b.size(), chunks);
  for (const ChunkAt& chunk : chunks) {
    if (chunk.id == id) return chunk;
  }
  return std::nullopt;
}

Bytes modelFile(const std::vector<orvanta::Vec3>& points, const std::vector<uint16_t>& faces) {
  return orvanta::test::singleMeshFile(points, faces, std::vector<float>(points.size() * 2, 0.5f));
}

std::optional<Bytes> damageModel(const Bytes& good, const std::string& variant, uint32_t seed) {
  const std::optional<ChunkAt> vertices = firstChunk(good, three_ds::kVertexList);
  const std::optional<ChunkAt> faces = firstChunk(good, three_ds::kFaceList);
  if (good.size() < 12 || getU16(good, 0) != three_ds::kMain || !vertices || !faces) return std::nullopt;
  const uint16_t vertexCount = getU16(good, vertices->offset + 6);
  const uint16_t faceCount = getU16(good, faces->offset + 6);
  if (vertexCount < 4 || faceCount < 1) return std::nullopt;
  const size_t firstCoordinate = vertices->offset + 8;
  Bytes out = good;

  if (variant == "header_only") return Bytes(good.begin(), good.begin() + 6);
  if (variant == "half") return Bytes(good.begin(), good.begin() + good.size() / 2);
  if (variant == "random") {
    out = randomBytes(good.size(), seed);
    if (out[0] == 0x4D) out[0] = 0x4C;  // not a main chunk
    return out;
  }
  if (variant == "huge_length") {
    putU32(out, 2, 0xFFFFFFF0u);
  } else if (variant == "cut_length") {
    putU32(out, vertices->offset + 2, static_cast<uint32_t>(8 + 12 * (vertexCount / 2)));
  } else if (variant == "length_past_file") {
    putU32(out, faces->offset + 2, static_cast<uint32_t>(good.size() - faces->offset + 4096));
  } else if (variant == "tiny_length") {
    putU32(out, faces->offset + 2, 2);
  } else if (variant == "bad_index") {
    putU16(out, faces->offset + 8, vertexCount);
  } else if (variant == "no_faces") {
    putU16(out, faces->offset, 0x4121);  // an id the reader skips
  } else if (variant == "nan_vertices" || variant == "huge_vertices" || variant == "degenerate") {
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(), 1.0f};
    for (size_t i = 0; i < static_cast<size_t>(vertexCount) * 3; ++i) {
      const size_t at = firstCoordinate + i * 4;
      if (variant == "nan_vertices") {
        putFloat(out, at, specials[i % 4]);
      } else if (variant == "huge_vertices") {
        putFloat(out, at, getFloat(good, at) * 3.0e36f);
      } else {
        putFloat(out, at, 7.0f);
      }
    }
  } else if (variant == "single_triangle") {
    return modelFile({{-40, 0, 0}, {40, 0, 0}, {0, 0, 60}}, {0, 1, 2});
  } else if (variant == "empty_mesh") {
    return modelFile({}, {});
  } else {
    return std::nullopt;
  }
  return out;
}

// ---- Folders --------------------------------------------------------------------------

std::optional<Bytes> readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeFile(const fs::path& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

int applyDamage(const fs::path& folder, const std::string& pair) {
  const size_t colon = pair.find(':');
  if (colon == std::string::npos) return fail("expected FILE:VARIANT, not '" + pair + "'");
  const std::string name = pair.substr(0, colon);
  const std::string variant = pair.substr(colon + 1);
  const DataSetFile* file = orvanta::findDataSetFile(name);
  if (file == nullptr) return fail("not a file of the show: " + name);
  const auto known = variantsOf(file->kind);
  if (std::none_of(known.begin(), known.end(), [&](const Variant* v) { return variant == v->name; })) {
    return fail("no variant '" + variant + "' for " + name);
  }
  const fs::path path = folder / name;
  std::error_code error;
  if (variant == "missing") {
    fs::remove(path, error);
    return error ? fail("cannot remove " + path.string()) : 0;
  }
  if (variant == "directory") {
    fs::remove(path, error);
    fs::create_directory(path, error);
    writeFile(path / "inside", Bytes(64, 0x4D));  // not empty, so nothing removes it by accident
    return error ? fail("cannot make the directory " + path.string()) : 0;
  }
  if (variant == "empty") return writeFile(path, {}) ? 0 : fail("cannot write " + path.string());

  const std::optional<Bytes> good = readFile(path);
  if (!good) return fail("cannot read " + path.string());
  std::optional<Bytes> damaged;
  const uint32_t seed = nameSeed(name + variant);
  if (file->kind == DataKind::kPicture) {
    damaged = damagePicture(*good, variant, seed);
  } else if (file->kind == DataKind::kModel) {
    damaged = damageModel(*good, variant, seed);
  } else if (variant == "half") {
    damaged = Bytes(good->begin(), good->begin() + good->size() / 2);
  } else if (variant == "random") {
    damaged = randomBytes(good->size(), seed);
  }
  if (!damaged) return fail("cannot make '" + variant + "' of " + path.string() + " (not a file the show could read)");
  return writeFile(path, *damaged) ? 0 : fail("cannot write " + path.string());
}

int make(const fs::path& good, const fs::path& out, const std::vector<std::string>& pairs) {
  std::error_code error;
  fs::remove_all(out, error);
  fs::create_directories(out, error);
  if (error) return fail("cannot make " + out.string() + ": " + error.message());
  for (const DataSetFile& file : kDataSet) {
    fs::copy_file(good / file.name, out / file.name, error);
    if (error) return fail("cannot copy " + (good / file.name).string() + ": " + error.message());
  }
  for (const std::string& pair : pairs) {
    if (const int status = applyDamage(out, pair); status != 0) return status;
  }
  return 0;
}

size_t roundCount() {
  return std::max({variantsOf(DataKind::kPicture).size(), variantsOf(DataKind::kModel).size(),
                   variantsOf(DataKind::kSoundtrack).size()});
}

void printRound(size_t round) {
  size_t index[3] = {0, 0, 0};
  for (const DataSetFile& file : kDataSet) {
    const auto variants = variantsOf(file.kind);
    size_t& j = index[static_cast<int>(file.kind)];
    std::printf("%s:%s\n", file.name, variants[(round + j) % variants.size()]->name);
    ++j;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && args[0] == "list") {
    for (const DataSetFile& file : kDataSet) {
      for (const Variant* variant : variantsOf(file.kind)) {
        std::printf("%s %s %s %d\n", file.name, variant->name, expectation(*variant, file.kind), loadsOf(file));
      }
    }
    return 0;
  }
  if (args.size() == 1 && args[0] == "rounds") {
    std::printf("%zu\n", roundCount());
    return 0;
  }
  if (args.size() == 2 && args[0] == "round") {
    char* end = nullptr;
    const unsigned long round = std::strtoul(args[1].c_str(), &end, 10);
    if (*end != '\0' || round >= roundCount()) return fail("no round " + args[1]);
    printRound(round);
    return 0;
  }
  if (args.size() >= 3 && args[0] == "make") {
    return make(args[1], args[2], std::vector<std::string>(args.begin() + 3, args.end()));
  }
  std::fprintf(stderr,
               "usage: orvanta_hostile_data list | rounds | round N | make GOOD OUT [FILE:VARIANT ...]\n");
  return 2;
}
