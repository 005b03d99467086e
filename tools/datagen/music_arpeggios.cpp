// Arpeggios: the chord tones broken into a running line, bell-like in the intro, plucked in the drive sections.

#include <algorithm>
#include <cmath>
#include <vector>

#include "datagen/music_parts.h"
#include "datagen/synth_voices.h"

namespace orvanta::datagen {

namespace {

MonoPatch bell() {
  MonoPatch patch;
  patch.sawLevel = 0.0f;
  patch.pulseLevel = 0.6f;
  patch.pulseWidth = 0.25f;
  patch.subLevel = 0.5f;
  patch.subOctaves = -1.0;  // a sine an octave up gives the glassy shine
  patch.amp = {0.003f, 0.5f, 0.0f, 0.3f};
  patch.cutoffHz = 900.0;
  patch.envelopeOctaves = 1.5;
  patch.envelopeDecay = 0.08;
  patch.keyTracking = 0.8;
  patch.level = 0.35f;
  return patch;
}

MonoPatch pluck() {
  MonoPatch patch;
  patch.unison = 2;
  patch.detuneCents = 9.0f;
  patch.stereoSpread = 0.6f;
  patch.sawLevel = 0.7f;
  patch.pulseLevel = 0.4f;
  patch.pulseWidth = 0.4f;
  patch.amp = {0.002f, 0.18f, 0.0f, 0.05f};
  patch.cutoffHz = 700.0;
  patch.envelopeOctaves = 2.2;
  patch.envelopeDecay = 0.05;
  patch.resonance = 1.6;
  patch.keyTracking = 0.7;
  patch.level = 0.9f;
  return patch;
}

// The chord's tones over two octaves, low to high.
std::vector<double> ladder(const Chord& chord) {
  std::vector<double> tones;
  for (int octave = 0; octave < 2; ++octave) {
    for (int note : chord.triad) tones.push_back(note + 12.0 * (octave + 1));
  }
  std::sort(tones.begin(), tones.end());
  return tones;
}

// Sixteenths (or eighths with `stride` 2) walking the ladder in the order of `shape`.
std::vector<MonoNote> arpeggiate(const Section& section, size_t fromBar, size_t toBar, int stride,
                                 const std::vector<int>& shape, double gateSteps) {
  std::vector<MonoNote> notes;
  int position = 0;
  for (size_t index = fromBar; index < toBar && index < section.bars.size(); ++index) {
    const Bar& bar = section.bars[index];
    const std::vector<double> tones = ladder(bar.chord);
    for (int step = 0; step < bar.steps(); step += stride) {
      const int which = shape[static_cast<size_t>(position++) % shape.size()];
      const float accent = step % 4 == 0 ? 1.0f : (step % 2 == 0 ? 0.8f : 0.65f);
      notes.push_back({bar.stepTime(step, 0.12) - section.start, bar.stepSeconds() * gateSteps,
                       tones[static_cast<size_t>(which) % tones.size()], accent, false, 1.0f});
    }
  }
  return notes;
}

void play(Mix& mix, const Section& section, std::vector<MonoNote> notes, const MonoPatch& patch, SynthRandom& random,
          const Placement& placement) {
  if (notes.empty()) return;
  mix.add(renderMonoLine(notes, patch, random), section.start, placement);
}

// Opens the filter of each note by `sweep(progress through the section)`.
template <typename Sweep>
void sweepNotes(std::vector<MonoNote>& notes, double length, Sweep sweep) {
  for (MonoNote& note : notes) note.cutoffScale = static_cast<float>(sweep(note.start / length));
}

}  // namespace

void addArpeggios(const std::vector<Section>& sections, Mix& mix) {
  SynthRandom random(0xA4E6u);
  for (const Section& section : sections) {
    const double length = section.end - section.start;
    switch (section.kind) {
      case SectionKind::kIntro: {
        std::vector<MonoNote> notes = arpeggiate(section, 2, 8, 2, {0, 2, 4, 3, 5, 4, 2, 1}, 1.5);
        play(mix, section, notes, bell(), random, {1.0f, 0.0f, 0.4f, 0.35f, false});
        break;
      }
      case SectionKind::kTunnel: {
        std::vector<MonoNote> notes = arpeggiate(section, 0, section.bars.size(), 1, {0, 1, 2, 3, 4, 5, 4, 3}, 0.8);
        sweepNotes(notes, length, [](double x) { return 0.6 + 2.2 * x; });
        play(mix, section, notes, pluck(), random, {0.9f, 0.2f, 0.15f, 0.25f, true});
        break;
      }
      case SectionKind::kSpikes: {
        std::vector<MonoNote> notes = arpeggiate(section, 4, 8, 1, {5, 3, 4, 2, 3, 1, 2, 0}, 0.7);
        play(mix, section, notes, pluck(), random, {0.6f, -0.2f, 0.15f, 0.25f, true});
        break;
      }
      case SectionKind::kPlasma: {
        std::vector<MonoNote> notes = arpeggiate(section, 0, section.bars.size(), 1, {0, 2, 4, 1, 3, 5, 2, 4}, 0.9);
        sweepNotes(notes, length, [](double x) { return std::exp2(1.6 * std::sin(2.0 * kPi * x * 2.0)); });
        MonoPatch patch = pluck();
        patch.resonance = 4.0;
        play(mix, section, notes, patch, random, {0.9f, 0.0f, 0.25f, 0.4f, true});
        break;
      }
      case SectionKind::kCube: {
        std::vector<MonoNote> notes = arpeggiate(section, 0, section.bars.size(), 1, {0, 1, 2, 3, 4, 5, 4, 3}, 0.8);
        sweepNotes(notes, length, [](double) { return 2.4; });
        play(mix, section, notes, pluck(), random, {1.0f, 0.25f, 0.15f, 0.25f, true});
        break;
      }
      case SectionKind::kBlobs:
      case SectionKind::kOutro:
        break;
    }
  }
}

}  // namespace orvanta::datagen
