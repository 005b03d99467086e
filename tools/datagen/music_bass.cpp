// The bass part: a sub drone in the intro, rolling sixteenths for the drive, a detuned growl for the blobs,
// off-beat octaves under the theme, an acid line over the plasma.

#include <cmath>
#include <vector>

#include "datagen/music_parts.h"
#include "datagen/synth_voices.h"

namespace orvanta::datagen {

namespace {

constexpr double kSwing = 0.12;

MonoPatch droneBass() {
  MonoPatch patch;
  patch.sawLevel = 0.35f;
  patch.subLevel = 0.9f;
  patch.subOctaves = 0.0;
  patch.amp = {1.2f, 0.5f, 1.0f, 1.5f};
  patch.cutoffHz = 220.0;
  patch.envelopeOctaves = 0.0;
  patch.keyTracking = 0.0;
  patch.glide = 0.2;
  patch.level = 0.28f;
  return patch;
}

MonoPatch rollingBass() {
  MonoPatch patch;
  patch.sawLevel = 0.8f;
  patch.pulseLevel = 0.3f;
  patch.pulseWidth = 0.3f;
  patch.subLevel = 0.45f;
  patch.subOctaves = 1.0;
  patch.amp = {0.002f, 0.12f, 0.5f, 0.03f};
  patch.cutoffHz = 300.0;
  patch.envelopeOctaves = 2.6;
  patch.envelopeDecay = 0.06;
  patch.resonance = 1.1;
  patch.steep = true;
  patch.keyTracking = 0.6;
  patch.drive = 1.3f;
  patch.level = 1.2f;
  return patch;
}

MonoPatch growlBass() {
  MonoPatch patch;
  patch.unison = 3;
  patch.detuneCents = 28.0f;
  patch.stereoSpread = 0.35f;
  patch.sawLevel = 1.0f;
  patch.subLevel = 0.8f;
  patch.subOctaves = 0.0;
  patch.amp = {0.004f, 0.3f, 0.8f, 0.06f};
  patch.cutoffHz = 320.0;
  patch.envelopeOctaves = 1.5;
  patch.envelopeDecay = 0.12;
  patch.resonance = 1.4;
  patch.steep = true;
  patch.keyTracking = 0.4;
  patch.glide = 0.03;
  patch.drive = 2.6f;
  patch.level = 0.4f;
  return patch;
}

MonoPatch acidBass() {
  MonoPatch patch;
  patch.sawLevel = 1.0f;
  patch.amp = {0.002f, 0.25f, 0.7f, 0.02f};
  patch.cutoffHz = 240.0;
  patch.envelopeOctaves = 3.0;
  patch.envelopeDecay = 0.11;
  patch.resonance = 6.5;
  patch.keyTracking = 0.5;
  patch.glide = 0.035;
  patch.drive = 2.2f;
  patch.level = 0.42f;
  return patch;
}

// Note of a bar's bass, `octaves` above the chord's root.
double root(const Bar& bar, int octaves = 1) { return bar.chord.bass + 12.0 * octaves; }

// Semitones from the root to the chord's third.
int third(const Chord& chord) {
  for (int note : chord.triad) {
    const int interval = ((note - chord.bass) % 12 + 12) % 12;
    if (interval == 3 || interval == 4) return interval;
  }
  return 3;
}

void playLine(Mix& mix, std::vector<MonoNote>& notes, double origin, const MonoPatch& patch, SynthRandom& random,
              Placement placement) {
  if (notes.empty()) return;
  for (MonoNote& note : notes) note.start -= origin;
  mix.add(renderMonoLine(notes, patch, random), origin, placement);
  notes.clear();
}

void intro(const Section& section, Mix& mix, SynthRandom& random) {
  std::vector<MonoNote> notes;
  // The drone enters on the third bar and follows the chords, one long note each.
  for (size_t i = 2; i < section.bars.size(); ++i) {
    const Bar& bar = section.bars[i];
    if (i > 2 && bar.chord.bass == section.bars[i - 1].chord.bass) {
      notes.back().gate += bar.beats * bar.beatSeconds;
      continue;
    }
    notes.push_back({bar.start, bar.beats * bar.beatSeconds, root(bar), 0.8f, i > 2, 1.0f});
  }
  playLine(mix, notes, section.start, droneBass(), random, {1.0f, 0.0f, 0.0f, 0.0f, false});
}

// Three sixteenths after each kick; the last bar of a phrase climbs an octave. A short closing bar stops
// after two beats, leaving room for the fill.
void rolling(const Section& section, Mix& mix, SynthRandom& random, float level) {
  std::vector<MonoNote> notes;
  const int barCount = static_cast<int>(section.bars.size());
  for (int index = 0; index < barCount; ++index) {
    const Bar& bar = section.bars[static_cast<size_t>(index)];
    const int steps = bar.beats == 4 ? bar.steps() : 8;
    for (int step = 0; step < steps; ++step) {
      if (step % 4 == 0) continue;
      const bool lift = index % 4 == 3 && step >= 12 && step % 4 == 3;
      const float accent = step % 4 == 2 ? 1.0f : 0.8f;
      notes.push_back({bar.stepTime(step, kSwing), bar.stepSeconds() * 0.7, root(bar, lift ? 2 : 1),
                       accent, false, 1.0f});
    }
  }
  MonoPatch patch = rollingBass();
  patch.level *= level;
  playLine(mix, notes, section.start, patch, random, {1.0f, 0.0f, 0.0f, 0.0f, true});
}

void blobs(const Section& section, Mix& mix, SynthRandom& random) {
  std::vector<MonoNote> notes;
  for (size_t index = 0; index < section.bars.size(); ++index) {
    const Bar& bar = section.bars[index];
    if (bar.beats != 4) {
      // The break: one long growl that slides down an octave.
      notes.push_back({bar.start, bar.beatSeconds * 0.9, root(bar), 1.0f, false, 1.2f});
      notes.push_back({bar.start + bar.beatSeconds * 0.9, bar.beatSeconds * 0.9, root(bar, 0), 1.0f, true, 0.8f});
      continue;
    }
    // Eighths pushing against the kick, the filter breathing once per bar.
    static constexpr int kSteps[] = {0, 2, 3, 6, 8, 10, 11, 14};
    for (int step : kSteps) {
      const double phase = step / 16.0;
      const float sweep = static_cast<float>(1.0 + 0.8 * std::sin(2.0 * kPi * (phase + 0.25 * (index % 2))));
      const double pitch = root(bar, 0) + (step == 14 && index % 2 == 1 ? 12.0 : 0.0);
      notes.push_back({bar.stepTime(step, kSwing), bar.stepSeconds() * (step % 4 == 3 ? 0.8 : 1.6), pitch,
                       step % 8 == 0 ? 1.0f : 0.85f, false, sweep});
    }
  }
  playLine(mix, notes, section.start, growlBass(), random, {1.0f, 0.0f, 0.0f, 0.0f, true});
}

void spikes(const Section& section, Mix& mix, SynthRandom& random) {
  std::vector<MonoNote> notes;
  for (const Bar& bar : section.bars) {
    if (bar.beats != 4) {
      notes.push_back({bar.start, bar.beatSeconds * 1.8, root(bar), 1.0f, false, 1.0f});
      continue;
    }
    // Off-beat eighths, alternating octaves, with a sixteenth pick-up before beats 2 and 4.
    for (int beat = 0; beat < 4; ++beat) {
      notes.push_back({bar.stepTime(beat * 4 + 2), bar.stepSeconds() * 1.5, root(bar, beat % 2 == 0 ? 1 : 2), 1.0f,
                       false, 1.0f});
      if (beat % 2 == 0) {
        notes.push_back({bar.stepTime(beat * 4 + 3, kSwing), bar.stepSeconds() * 0.6, root(bar, 1), 0.7f, false,
                         0.9f});
      }
    }
  }
  MonoPatch patch = rollingBass();
  patch.envelopeDecay = 0.09;
  playLine(mix, notes, section.start, patch, random, {1.0f, 0.0f, 0.0f, 0.0f, true});
}

void plasma(const Section& section, Mix& mix, SynthRandom& random) {
  // One bar of acid, sixteen steps: semitones above the root (-1 rests), accents and slides.
  // 15 stands for the chord's third an octave up, minor or major as the chord has it.
  static constexpr int kPattern[16] = {0, 12, 0, -1, 7, 0, 12, 10, 0, -1, 12, 0, 15, 12, 7, 0};
  static constexpr bool kAccent[16] = {1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0};
  static constexpr bool kSlide[16] = {0, 0, 1, 0, 0, 0, 1, 1, 0, 0, 0, 1, 0, 1, 0, 0};
  std::vector<MonoNote> notes;
  const double length = section.end - section.start;
  for (size_t index = 0; index < section.bars.size(); ++index) {
    const Bar& bar = section.bars[index];
    // Silence for the last two beats before the climax.
    const int steps = index + 1 == section.bars.size() ? 8 : 16;
    for (int step = 0; step < steps; ++step) {
      if (kPattern[step] < 0) continue;
      const double t = bar.stepTime(step, kSwing);
      // The filter opens across the section with a slow wobble: the plasma's ripples.
      const double x = (t - section.start) / length;
      const double sweep = std::exp2(-0.8 + 2.4 * x) * (1.0 + 0.35 * std::sin(2.0 * kPi * x * 4.0));
      const bool slide = kSlide[step] && step > 0 && kPattern[step - 1] >= 0;
      notes.push_back({t, bar.stepSeconds() * (slide || (step + 1 < 16 && kSlide[step + 1]) ? 1.05 : 0.55),
                       root(bar) + (kPattern[step] == 15 ? 12 + third(bar.chord) : kPattern[step]), kAccent[step] ? 1.0f : 0.7f, slide, static_cast<float>(sweep)});
    }
  }
  playLine(mix, notes, section.start, acidBass(), random, {1.0f, 0.0f, 0.04f, 0.08f, true});
}

void cube(const Section& section, Mix& mix, SynthRandom& random) {
  rolling(section, mix, random, 1.1f);
  // A sub under the rolling line for weight at the climax.
  std::vector<MonoNote> notes;
  for (const Bar& bar : section.bars) {
    notes.push_back({bar.start, bar.beats * bar.beatSeconds, root(bar), 0.6f, !notes.empty(), 1.0f});
  }
  MonoPatch sub = droneBass();
  sub.amp = {0.05f, 0.2f, 1.0f, 0.3f};
  sub.sawLevel = 0.0f;
  sub.glide = 0.02;
  playLine(mix, notes, section.start, sub, random, {0.8f, 0.0f, 0.0f, 0.0f, true});
}

void outro(const Section& section, Mix& mix, SynthRandom& random) {
  std::vector<MonoNote> notes = {{section.start, 1.6, root(section.bars.front()), 1.0f, false, 1.0f}};
  MonoPatch patch = growlBass();
  patch.amp = {0.004f, 0.5f, 0.7f, 1.8f};
  playLine(mix, notes, section.start, patch, random, {0.9f, 0.0f, 0.05f, 0.0f, false});
}

}  // namespace

void addBass(const std::vector<Section>& sections, Mix& mix) {
  SynthRandom random(0xBA55u);
  for (const Section& section : sections) {
    switch (section.kind) {
      case SectionKind::kIntro: intro(section, mix, random); break;
      case SectionKind::kTunnel: rolling(section, mix, random, 1.0f); break;
      case SectionKind::kBlobs: blobs(section, mix, random); break;
      case SectionKind::kSpikes: spikes(section, mix, random); break;
      case SectionKind::kPlasma: plasma(section, mix, random); break;
      case SectionKind::kCube: cube(section, mix, random); break;
      case SectionKind::kOutro: outro(section, mix, random); break;
    }
  }
}

}  // namespace orvanta::datagen
