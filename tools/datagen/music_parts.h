#pragma once
// The parts of the score. Each writes its notes for the whole piece into the mix.

#include <vector>

#include "datagen/music_arrangement.h"
#include "datagen/music_mix.h"

namespace orvanta::datagen {

void addDrums(const std::vector<Section>& sections, Mix& mix);
void addBass(const std::vector<Section>& sections, Mix& mix);
void addChords(const std::vector<Section>& sections, Mix& mix);
void addArpeggios(const std::vector<Section>& sections, Mix& mix);
void addLead(const std::vector<Section>& sections, Mix& mix);
// Crashes, impacts, risers and reversed cymbals that mark the scene changes, and the intro's record grain.
void addTransitions(const std::vector<Section>& sections, Mix& mix);

}  // namespace orvanta::datagen
