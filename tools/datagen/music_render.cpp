#include "datagen/music_render.h"

#include "datagen/music_arrangement.h"
#include "datagen/music_mix.h"
#include "datagen/music_parts.h"

namespace orvanta::datagen {

std::vector<int16_t> renderSoundtrackPcm() {
  const std::vector<Section> sections = soundtrackSections();
  Mix mix(kSoundtrackSeconds);
  addDrums(sections, mix);
  addBass(sections, mix);
  addChords(sections, mix);
  addArpeggios(sections, mix);
  addLead(sections, mix);
  addTransitions(sections, mix);

  MasterSettings master;
  master.gain = 0.4f;
  master.duckDepth = 0.55f;
  master.duckRecovery = 0.11;
  master.fadeIn = 0.5;
  master.fadeOutStart = kSceneChanges.back() + 0.6;
  // Echoes a dotted eighth apart at the drive sections' tempo.
  master.delay.seconds = 0.75 * 60.0 / 127.5;
  master.delay.feedback = 0.42f;
  return mix.mixdown(master);
}

}  // namespace orvanta::datagen
