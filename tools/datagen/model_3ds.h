#pragma once
// Models and their 3DS encoding (engine/three_ds_format.h): one named object holding one
// triangle mesh with a vertex list, mapping coordinates and a face list.
//
// Models are built in the engine's axes (x right, y down, z forward, as the show sees them)
// and converted on writing: the loader takes file (x, y, z) as engine (x, -z, y), so the
// writer stores engine (x, y, z) as file (x, z, -y). That change of axes is a rotation, so a
// face whose corners run counter-clockwise about its outward normal keeps that winding.
// The loader also takes file u as 1 - u; the writer stores 1 - u so that `u` here is the
// coordinate the engine ends up with.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvanta::datagen {

struct ModelVertex {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float u = 0.0f;
  float v = 0.0f;
};

struct Model {
  std::string name;
  std::vector<ModelVertex> vertices;
  std::vector<std::array<uint16_t, 3>> faces;

  // Appends a vertex and returns its index.
  uint16_t add(float x, float y, float z, float u, float v);
  void addTriangle(uint16_t a, uint16_t b, uint16_t c) { faces.push_back({a, b, c}); }
  // Two triangles a-b-c and a-c-d of a quad whose corners run a, b, c, d.
  void addQuad(uint16_t a, uint16_t b, uint16_t c, uint16_t d);
};

// The complete file. The model must have at most 65535 vertices and faces.
std::vector<uint8_t> encode3ds(const Model& model);

}  // namespace orvanta::datagen
