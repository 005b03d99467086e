// The lead: the show's theme, first stated over the credits, then an octave higher and a tone up over the cube,
// ending on a long held note as the last chord rings.

#include <vector>

#include "datagen/music_parts.h"
#include "datagen/synth_voices.h"

namespace orvanta::datagen {

namespace {

struct ThemeNote {
  int bar;
  int step;    // sixteenth within the bar
  int length;  // in sixteenths
  int note;    // MIDI, in A minor
};

// Eight bars over Am F C G Am F C G.
constexpr ThemeNote kTheme[] = {
    {0, 0, 4, 69}, {0, 4, 2, 72}, {0, 6, 4, 76}, {0, 10, 2, 81}, {0, 12, 2, 79}, {0, 14, 2, 76},
    {1, 0, 6, 77}, {1, 6, 2, 76}, {1, 8, 4, 72}, {1, 12, 4, 69},
    {2, 0, 4, 79}, {2, 4, 2, 76}, {2, 6, 2, 72}, {2, 8, 4, 76}, {2, 12, 2, 79}, {2, 14, 2, 84},
    {3, 0, 6, 83}, {3, 6, 2, 81}, {3, 8, 4, 79}, {3, 12, 4, 74},
    {4, 0, 4, 81}, {4, 4, 2, 84}, {4, 6, 2, 83}, {4, 8, 4, 81}, {4, 12, 4, 76},
    {5, 0, 4, 77}, {5, 4, 2, 81}, {5, 6, 2, 84}, {5, 8, 4, 81}, {5, 12, 4, 77},
    {6, 0, 4, 79}, {6, 4, 2, 76}, {6, 6, 2, 74}, {6, 8, 4, 76}, {6, 12, 4, 79},
    {7, 0, 8, 83}, {7, 8, 4, 81}, {7, 12, 4, 79},
};

MonoPatch leadPatch() {
  MonoPatch patch;
  patch.unison = 3;
  patch.detuneCents = 12.0f;
  patch.stereoSpread = 0.5f;
  patch.sawLevel = 0.8f;
  patch.pulseLevel = 0.35f;
  patch.pulseWidth = 0.45f;
  patch.amp = {0.01f, 0.3f, 0.75f, 0.18f};
  patch.cutoffHz = 1300.0;
  patch.envelopeOctaves = 1.4;
  patch.envelopeDecay = 0.18;
  patch.resonance = 0.9;
  patch.keyTracking = 0.5;
  patch.glide = 0.018;
  patch.vibratoDepth = 0.18;
  patch.vibratoRate = 5.6;
  patch.vibratoDelay = 0.22;
  patch.level = 0.9f;
  return patch;
}

// A short note straight after another in the same bar is slurred: the voice glides into it without a new attack.
bool slurred(size_t index) {
  if (index == 0) return false;
  const ThemeNote& previous = kTheme[index - 1];
  const ThemeNote& note = kTheme[index];
  return previous.bar == note.bar && previous.step + previous.length == note.step && note.length <= 2;
}

// The theme laid on a section's bars, `transpose` semitones away. Detached notes are released a little early;
// a note slurred into the next holds until it.
std::vector<MonoNote> theme(const Section& section, int transpose) {
  std::vector<MonoNote> notes;
  const size_t count = sizeof(kTheme) / sizeof(kTheme[0]);
  for (size_t i = 0; i < count; ++i) {
    const ThemeNote& note = kTheme[i];
    const Bar& bar = section.bars[static_cast<size_t>(note.bar)];
    const double start = bar.stepTime(note.step) - section.start;
    const double held = i + 1 < count && slurred(i + 1) ? note.length + 0.05 : note.length - 0.4;
    notes.push_back({start, bar.stepSeconds() * held, static_cast<double>(note.note + transpose),
                     note.step % 4 == 0 ? 1.0f : 0.85f, slurred(i), 1.0f});
  }
  return notes;
}

void play(Mix& mix, const Section& section, const std::vector<MonoNote>& notes, const MonoPatch& patch,
          SynthRandom& random, const Placement& placement) {
  mix.add(renderMonoLine(notes, patch, random), section.start, placement);
}

}  // namespace

void addLead(const std::vector<Section>& sections, Mix& mix) {
  SynthRandom random(0x1EADu);
  for (const Section& section : sections) {
    switch (section.kind) {
      case SectionKind::kSpikes: {
        std::vector<MonoNote> notes = theme(section, 0);
        // The 2/4 break: the leading tone, held into the plasma.
        const Bar& last = section.bars.back();
        notes.push_back({last.start - section.start, last.beats * last.beatSeconds * 0.95, 80.0, 0.9f, false, 1.0f});
        play(mix, section, notes, leadPatch(), random, {1.0f, 0.0f, 0.25f, 0.3f, false});
        break;
      }
      case SectionKind::kCube: {
        // A tone higher, doubled an octave above with a thinner, brighter sound; then the dominant's arpeggio
        // falling to the note the outro resolves from.
        std::vector<MonoNote> notes = theme(section, 2);
        const Bar& last = section.bars.back();
        const double at = last.start - section.start;
        const double step = last.stepSeconds();
        notes.push_back({at, step * 3.6, 85.0, 1.0f, false, 1.0f});
        notes.push_back({at + step * 4, step * 3.6, 82.0, 0.9f, false, 1.0f});
        notes.push_back({at + step * 8, step * 7.8, 78.0, 1.0f, false, 1.0f});
        MonoPatch main = leadPatch();
        main.level = 0.95f;
        main.cutoffHz = 1500.0;
        play(mix, section, notes, main, random, {1.0f, 0.0f, 0.25f, 0.3f, false});
        for (MonoNote& note : notes) note.note += 12.0;
        MonoPatch shine = leadPatch();
        shine.sawLevel = 0.3f;
        shine.pulseLevel = 0.8f;
        shine.pulseWidth = 0.3f;
        shine.level = 0.32f;
        shine.stereoSpread = 0.9f;
        play(mix, section, notes, shine, random, {1.0f, 0.0f, 0.3f, 0.35f, false});
        break;
      }
      case SectionKind::kOutro: {
        std::vector<MonoNote> notes = {{0.0, 2.2, 83.0, 1.0f, false, 1.0f}};
        MonoPatch patch = leadPatch();
        patch.amp.release = 1.6f;
        play(mix, section, notes, patch, random, {1.0f, 0.0f, 0.4f, 0.45f, false});
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace orvanta::datagen
