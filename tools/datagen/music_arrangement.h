#pragma once
// The score's skeleton: seven sections that start exactly on the show's scene changes, each split into bars
// with a chord, and the tempo of each section chosen so its bars fill it exactly.

#include <array>
#include <vector>

namespace orvanta::datagen {

inline constexpr double kSoundtrackSeconds = 98.0;
// Where the pictures change; every one of these is a downbeat.
inline constexpr std::array<double, 6> kSceneChanges = {15.30, 30.00, 46.00, 62.00, 77.00, 94.00};

enum class SectionKind { kIntro, kTunnel, kBlobs, kSpikes, kPlasma, kCube, kOutro };

struct Chord {
  int bass = 33;                    // MIDI note of the bass root
  std::array<int, 3> triad = {57, 60, 64};  // close voicing around middle C
  int colour = -1;                  // added ninth or seventh above the triad, -1 for none
};

struct Bar {
  double start = 0.0;        // seconds
  double beatSeconds = 0.5;
  int beats = 4;
  Chord chord;

  double end() const { return start + beats * beatSeconds; }
  double stepSeconds() const { return beatSeconds / 4.0; }
  // Time of sixteenth `step`; the off-beat sixteenths are pushed late by `swing` of a sixteenth.
  double stepTime(double step, double swing = 0.0) const;
  int steps() const { return beats * 4; }
};

struct Section {
  SectionKind kind = SectionKind::kIntro;
  double start = 0.0;
  double end = 0.0;
  double beatSeconds = 0.5;
  std::vector<Bar> bars;

  double bpm() const { return 60.0 / beatSeconds; }
};

// The whole piece: sections in time order, covering 0 to kSoundtrackSeconds without gaps.
std::vector<Section> soundtrackSections();

}  // namespace orvanta::datagen
