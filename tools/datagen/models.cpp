#include "datagen/models.h"

#include <algorithm>
#include <cmath>

namespace orvanta::datagen {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct V3 {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double k) { return {a.x * k, a.y * k, a.z * k}; }
V3 cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 normalised(V3 a) { return a * (1.0 / std::sqrt(dot(a, a))); }

uint16_t addVertex(Model& model, V3 p, double u, double v) {
  return model.add(static_cast<float>(p.x), static_cast<float>(p.y), static_cast<float>(p.z), static_cast<float>(u),
                   static_cast<float>(v));
}

}  // namespace

Model buildPlaneGrid() {
  // Half the side: from the scene's camera the flat grid fills the frame out to about 150
  // units from its centre, so the square covers the frame at every angle of its turn.
  constexpr double kHalfSide = 165.0;
  constexpr double kMaxWeight = 0.62;
  constexpr double kTiles = 4.0;  // texture repeats across the grid
  Model model;
  model.name = "plane24";
  const int last = kGridSide - 1;
  for (int r = 0; r < kGridSide; ++r) {
    for (int c = 0; c < kGridSide; ++c) {
      const double fx = static_cast<double>(c) / last;
      const double fy = static_cast<double>(r) / last;
      double weight = 0.0;
      if (r != 0 && c != 0 && r != last && c != last) {
        // A dome that is flat along the border and rises smoothly towards the middle.
        weight = kMaxWeight * std::pow(std::sin(kPi * fx) * std::sin(kPi * fy), 0.8);
      }
      model.add(static_cast<float>((fx * 2.0 - 1.0) * kHalfSide), static_cast<float>((fy * 2.0 - 1.0) * kHalfSide),
                static_cast<float>(weight), static_cast<float>(fx * kTiles), static_cast<float>(fy * kTiles));
    }
  }
  for (int r = 0; r < last; ++r) {
    for (int c = 0; c < last; ++c) {
      const auto a = static_cast<uint16_t>(r * kGridSide + c);
      const auto b = static_cast<uint16_t>(a + 1);
      const auto d = static_cast<uint16_t>(a + kGridSide);
      const auto e = static_cast<uint16_t>(d + 1);
      // x right and y down: going a, d, e, b turns about -z, the side that faces the camera.
      model.addQuad(a, d, e, b);
    }
  }
  return model;
}

Model buildSpikeBall() {
  constexpr int kSpikes = 46;
  constexpr int kSides = 8;
  // Rings along each spike: distance from the centre and radius of the cone there.
  constexpr int kRings = 5;
  const double ringDistance[kRings] = {34.0, 58.0, 82.0, 106.0, 128.0};
  const double ringRadius[kRings] = {15.0, 12.0, 8.6, 5.4, 2.6};
  constexpr double kTip = 150.0;
  Model model;
  model.name = "spike";
  const double golden = kPi * (3.0 - std::sqrt(5.0));
  for (int s = 0; s < kSpikes; ++s) {
    // Directions spread evenly over the sphere (a Fibonacci spiral).
    const double yy = 1.0 - (2.0 * s + 1.0) / kSpikes;
    const double rr = std::sqrt(std::max(0.0, 1.0 - yy * yy));
    const double phi = golden * s;
    const V3 dir{rr * std::cos(phi), yy, rr * std::sin(phi)};
    const V3 helper = std::fabs(dir.y) < 0.9 ? V3{0.0, 1.0, 0.0} : V3{1.0, 0.0, 0.0};
    const V3 e1 = normalised(cross(helper, dir));
    const V3 e2 = cross(dir, e1);  // e1 x e2 = dir: the rings run counter-clockwise about the spike
    // Tips differ a little in length so the ball does not look machined.
    const double tipScale = 0.9 + 0.1 * std::sin(s * 2.39996);
    const auto first = static_cast<uint16_t>(model.vertices.size());
    for (int k = 0; k < kRings; ++k) {
      for (int j = 0; j < kSides; ++j) {
        const double angle = 2.0 * kPi * j / kSides;
        const V3 p = dir * (ringDistance[k] * (k == 0 ? 1.0 : tipScale)) +
                     (e1 * std::cos(angle) + e2 * std::sin(angle)) * ringRadius[k];
        addVertex(model, p, static_cast<double>(j) / kSides, static_cast<double>(k) / kRings);
      }
    }
    const uint16_t tip = addVertex(model, dir * (kTip * tipScale), 0.5, 1.0);
    for (int k = 0; k + 1 < kRings; ++k) {
      for (int j = 0; j < kSides; ++j) {
        const int jn = (j + 1) % kSides;
        model.addQuad(static_cast<uint16_t>(first + k * kSides + j), static_cast<uint16_t>(first + k * kSides + jn),
                      static_cast<uint16_t>(first + (k + 1) * kSides + jn),
                      static_cast<uint16_t>(first + (k + 1) * kSides + j));
      }
    }
    for (int j = 0; j < kSides; ++j) {
      const int jn = (j + 1) % kSides;
      model.addTriangle(static_cast<uint16_t>(first + (kRings - 1) * kSides + j),
                        static_cast<uint16_t>(first + (kRings - 1) * kSides + jn), tip);
    }
  }
  return model;
}

Model buildSpikeBody() {
  constexpr int kAround = 36;
  constexpr int kDown = 20;
  constexpr double kRadius = 66.0;
  Model model;
  model.name = "s01_a";
  // The core: a lumpy sphere. Rows of vertices run from the top pole (engine -y is up) to the
  // bottom one; each row has kAround + 1 vertices so the texture seam gets its own coordinates.
  for (int i = 0; i <= kDown; ++i) {
    const double theta = kPi * i / kDown;
    for (int j = 0; j <= kAround; ++j) {
      const double phi = 2.0 * kPi * j / kAround;
      const double lumps = 0.11 * std::sin(3.0 * phi) * std::sin(2.0 * theta) * std::sin(2.0 * theta) +
                           0.07 * std::cos(5.0 * phi + 1.3) * std::sin(theta) * std::sin(theta) * std::cos(3.0 * theta);
      const double radius = kRadius * (1.0 + lumps);
      const V3 p{std::sin(theta) * std::cos(phi) * radius, -std::cos(theta) * radius,
                 std::sin(theta) * std::sin(phi) * radius};
      addVertex(model, p, 3.0 * j / kAround, 2.0 * i / kDown);
    }
  }
  const int row = kAround + 1;
  for (int i = 0; i < kDown; ++i) {
    for (int j = 0; j < kAround; ++j) {
      const auto a = static_cast<uint16_t>(i * row + j);
      const auto b = static_cast<uint16_t>(a + 1);
      const auto d = static_cast<uint16_t>(a + row);
      const auto e = static_cast<uint16_t>(d + 1);
      // Down the sphere, then around it: counter-clockwise seen from outside.
      if (i == 0) {
        model.addTriangle(a, d, e);
      } else if (i == kDown - 1) {
        model.addTriangle(a, d, b);
      } else {
        model.addQuad(a, d, e, b);
      }
    }
  }
  // A flat ring around the core, tilted so the circling camera sees it open. Both sides are
  // faces of their own (with their own vertices) so it shows from above and below.
  constexpr int kRingSegments = 72;
  constexpr double kInner = 92.0;
  constexpr double kOuter = 178.0;
  constexpr double kTilt = 0.42;  // radians about x
  const double ct = std::cos(kTilt);
  const double st = std::sin(kTilt);
  for (int side = 0; side < 2; ++side) {
    const auto first = static_cast<uint16_t>(model.vertices.size());
    for (int j = 0; j <= kRingSegments; ++j) {
      const double phi = 2.0 * kPi * j / kRingSegments;
      for (int k = 0; k < 2; ++k) {
        const double r = k == 0 ? kInner : kOuter;
        // Ring in the x-z plane, then turned about x.
        const double x = r * std::cos(phi);
        const double z = r * std::sin(phi);
        addVertex(model, {x, -z * st, z * ct}, 8.0 * j / kRingSegments, 0.25 + 0.5 * k);
      }
    }
    for (int j = 0; j < kRingSegments; ++j) {
      const auto in0 = static_cast<uint16_t>(first + 2 * j);
      const auto out0 = static_cast<uint16_t>(in0 + 1);
      const auto in1 = static_cast<uint16_t>(in0 + 2);
      const auto out1 = static_cast<uint16_t>(in0 + 3);
      if (side == 0) {
        model.addQuad(in0, in1, out1, out0);
      } else {
        model.addQuad(in0, out0, out1, in1);
      }
    }
  }
  return model;
}

Model buildBevelCube() {
  // The cube scene's camera stays 400 to 450 units away, where the frame is about 84 units
  // high from the centre: this size leaves the silhouette and the rounded edges in view.
  constexpr double kHalf = 56.0;
  constexpr double kBevel = 12.0;
  constexpr int kBevelSteps = 3;
  constexpr int kInnerSteps = 4;  // affine texturing wants the flat sides split up
  constexpr double kUvScale = 0.75;
  // Coordinates along one side: the rounded part in equal angles, the flat part in equal steps.
  std::vector<double> steps;
  const double inner = kHalf - kBevel;
  for (int k = kBevelSteps; k > 0; --k) steps.push_back(-inner - kBevel * std::tan(kPi / 4.0 * k / kBevelSteps));
  for (int k = 0; k <= kInnerSteps; ++k) steps.push_back(-inner + 2.0 * inner * k / kInnerSteps);
  for (int k = 1; k <= kBevelSteps; ++k) steps.push_back(inner + kBevel * std::tan(kPi / 4.0 * k / kBevelSteps));
  const int n = static_cast<int>(steps.size());

  struct Side {
    V3 normal;
    V3 t1;
    V3 t2;  // t1 x t2 = normal
  };
  const Side sides[6] = {
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}}, {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
      {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {0, 1, 0}, {1, 0, 0}},
  };
  Model model;
  model.name = "bcube";
  for (const Side& side : sides) {
    const auto first = static_cast<uint16_t>(model.vertices.size());
    for (int j = 0; j < n; ++j) {
      for (int i = 0; i < n; ++i) {
        const V3 p = side.normal * kHalf + side.t1 * steps[i] + side.t2 * steps[j];
        // Round the box: the nearest point of the inner cube plus the bevel radius outwards.
        const V3 q{std::clamp(p.x, -inner, inner), std::clamp(p.y, -inner, inner), std::clamp(p.z, -inner, inner)};
        const V3 rounded = q + normalised(p - q) * kBevel;
        addVertex(model, rounded, (steps[i] + kHalf) / (2.0 * kHalf) * kUvScale,
                  (steps[j] + kHalf) / (2.0 * kHalf) * kUvScale);
      }
    }
    for (int j = 0; j + 1 < n; ++j) {
      for (int i = 0; i + 1 < n; ++i) {
        const auto a = static_cast<uint16_t>(first + j * n + i);
        model.addQuad(a, static_cast<uint16_t>(a + 1), static_cast<uint16_t>(a + n + 1), static_cast<uint16_t>(a + n));
      }
    }
  }
  return model;
}

}  // namespace orvanta::datagen
