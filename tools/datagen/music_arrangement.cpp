#include "datagen/music_arrangement.h"

#include <cstddef>

namespace orvanta::datagen {

namespace {

// Chords of A minor, and of B minor for the climax, voiced to move smoothly from one to the next.
constexpr Chord kAm{33, {57, 60, 64}, 71};
constexpr Chord kF{29, {57, 60, 65}, 64};
constexpr Chord kC{36, {55, 60, 64}, 71};
constexpr Chord kG{31, {55, 59, 62}, 69};
constexpr Chord kE{28, {56, 59, 64}, -1};
constexpr Chord kEm{28, {55, 59, 64}, 66};
constexpr Chord kD{38, {54, 57, 62}, 64};
constexpr Chord kFsharp{30, {54, 58, 61}, -1};
constexpr Chord kBm{35, {54, 59, 62}, 73};
constexpr Chord kA{33, {57, 61, 64}, 71};

struct SectionPlan {
  SectionKind kind;
  double end;
  std::vector<int> barBeats;
  std::vector<Chord> chords;  // one per bar
};

// Drive sections run between 126.5 and 128 BPM: close enough to feel like one tempo, while the odd bars (a 3/4
// fill, 2/4 breaks) put every scene change on a downbeat.
std::vector<SectionPlan> plans() {
  return {
      {SectionKind::kIntro, 15.30, {4, 4, 4, 4, 4, 4, 4, 4}, {kAm, kAm, kF, kF, kC, kC, kG, kE}},
      {SectionKind::kTunnel, 30.00, {4, 4, 4, 4, 4, 4, 4, 3}, {kAm, kF, kC, kG, kAm, kF, kC, kG}},
      {SectionKind::kBlobs, 46.00, {4, 4, 4, 4, 4, 4, 4, 4, 2}, {kAm, kG, kF, kE, kAm, kG, kF, kE, kE}},
      {SectionKind::kSpikes, 62.00, {4, 4, 4, 4, 4, 4, 4, 4, 2}, {kAm, kF, kC, kG, kAm, kF, kC, kG, kE}},
      {SectionKind::kPlasma, 77.00, {4, 4, 4, 4, 4, 4, 4, 4}, {kF, kG, kEm, kAm, kF, kG, kD, kFsharp}},
      {SectionKind::kCube, 94.00, {4, 4, 4, 4, 4, 4, 4, 4, 4}, {kBm, kG, kD, kA, kBm, kG, kD, kA, kFsharp}},
      {SectionKind::kOutro, kSoundtrackSeconds, {4, 4}, {kBm, kBm}},
  };
}

std::vector<Section> build() {
  std::vector<Section> sections;
  double start = 0.0;
  for (const SectionPlan& plan : plans()) {
    Section section;
    section.kind = plan.kind;
    section.start = start;
    section.end = plan.end;
    int beats = 0;
    for (int barBeats : plan.barBeats) beats += barBeats;
    section.beatSeconds = (plan.end - start) / beats;
    int beat = 0;
    for (size_t i = 0; i < plan.barBeats.size(); ++i) {
      Bar bar;
      bar.start = start + beat * section.beatSeconds;
      bar.beatSeconds = section.beatSeconds;
      bar.beats = plan.barBeats[i];
      bar.chord = plan.chords[i];
      section.bars.push_back(bar);
      beat += plan.barBeats[i];
    }
    sections.push_back(section);
    start = plan.end;
  }
  return sections;
}

}  // namespace

double Bar::stepTime(double step, double swing) const {
  const double whole = static_cast<double>(static_cast<long long>(step));
  const bool offBeat = static_cast<long long>(whole) % 2 == 1;
  return start + step * stepSeconds() + (offBeat ? swing * stepSeconds() : 0.0);
}

std::vector<Section> soundtrackSections() { return build(); }

}  // namespace orvanta::datagen
