// What marks each scene change: a rising sweep or a reversed cymbal pulling into it, a crash and often a low
// impact on it. Also the record grain under the opening picture.

#include <algorithm>
#include <vector>

#include "datagen/music_parts.h"
#include "datagen/synth_drums.h"

namespace orvanta::datagen {

namespace {

StereoBuffer reversed(StereoBuffer sound) {
  std::reverse(sound.left.begin(), sound.left.end());
  std::reverse(sound.right.begin(), sound.right.end());
  return sound;
}

struct Marker {
  double riserSeconds;    // 0 for none
  double reverseSeconds;  // reversed cymbal ending on the change; 0 for none
  float crash;
  float impact;
};

// How each section is entered: the tunnel and the cube get the biggest lead-ins.
Marker markerFor(SectionKind kind) {
  switch (kind) {
    case SectionKind::kTunnel: return {3.8, 1.0, 0.5f, 0.7f};
    case SectionKind::kBlobs: return {0.0, 0.9, 0.5f, 0.9f};
    case SectionKind::kSpikes: return {0.94, 0.45, 0.45f, 0.0f};
    case SectionKind::kPlasma: return {0.0, 1.6, 0.35f, 0.5f};
    case SectionKind::kCube: return {3.7, 0.9, 0.55f, 1.0f};
    case SectionKind::kOutro: return {0.0, 0.0, 0.6f, 1.0f};
    case SectionKind::kIntro: break;
  }
  return {0.0, 0.0, 0.0f, 0.0f};
}

}  // namespace

void addTransitions(const std::vector<Section>& sections, Mix& mix) {
  SynthRandom random(0x7A45u);
  for (const Section& section : sections) {
    if (section.kind == SectionKind::kIntro) {
      // Grain under the still picture, thinning out as the music takes over.
      StereoBuffer grain = renderCrackle(section.end - section.start + 1.0, random);
      const size_t fadeFrom = secondsToFrames(section.end - section.start - 3.0);
      for (size_t i = fadeFrom; i < grain.frames(); ++i) {
        const float x = 1.0f - static_cast<float>(i - fadeFrom) / static_cast<float>(grain.frames() - fadeFrom);
        grain.left[i] *= x;
        grain.right[i] *= x;
      }
      mix.add(grain, section.start, {0.55f, 0.0f, 0.0f, 0.0f, false});
      continue;
    }
    const Marker marker = markerFor(section.kind);
    const double change = section.start;
    if (marker.riserSeconds > 0.0) {
      mix.add(renderRiser(marker.riserSeconds, random), change - marker.riserSeconds,
              {0.32f, 0.0f, 0.3f, 0.0f, false});
    }
    if (marker.reverseSeconds > 0.0) {
      mix.add(reversed(renderCrash(marker.reverseSeconds, random)), change - marker.reverseSeconds,
              {0.35f, 0.0f, 0.1f, 0.0f, false});
    }
    if (marker.crash > 0.0f) {
      mix.add(renderCrash(2.6, random), change, {marker.crash, 0.0f, 0.25f, 0.0f, false});
    }
    if (marker.impact > 0.0f) {
      mix.add(renderImpact(random), change, {marker.impact * 0.7f, 0.0f, 0.3f, 0.0f, false});
    }
    // A lighter crash halfway through the long sections keeps the phrases moving.
    if (section.bars.size() >= 8 && section.kind != SectionKind::kPlasma) {
      mix.add(renderCrash(2.0, random), section.bars[4].start, {0.28f, 0.2f, 0.15f, 0.0f, false});
    }
  }
}

}  // namespace orvanta::datagen
