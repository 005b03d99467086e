// The drum part: a groove per section, fills in the short bars that lead into each scene change.

#include <algorithm>
#include <vector>

#include "datagen/music_parts.h"
#include "datagen/synth_drums.h"

namespace orvanta::datagen {

namespace {

constexpr double kSwing = 0.12;  // off-beat sixteenths lag by an eighth of a sixteenth: a light shuffle

// A few takes of each drum, so repeated hits are not identical copies.
struct Kit {
  std::vector<float> kick, heavyKick, softKick;
  std::vector<std::vector<float>> snares, claps, closedHats, openHats, shakers;
  std::vector<float> toms[3];

  explicit Kit(SynthRandom& random) {
    kick = renderKick(KickSound(), random);
    KickSound heavy;
    heavy.bodyHz = 43.0;
    heavy.decay = 0.17;
    heavy.drive = 2.6f;
    heavyKick = renderKick(heavy, random);
    KickSound soft;
    soft.punchHz = 90.0;
    soft.drive = 1.1f;
    soft.click = 0.05f;
    soft.decay = 0.2;
    softKick = renderKick(soft, random);
    for (int take = 0; take < 4; ++take) {
      snares.push_back(renderSnare(0.4f + 0.1f * take, random));
      claps.push_back(renderClap(random));
      closedHats.push_back(renderHat(0.022 + 0.004 * take, random));
      openHats.push_back(renderHat(0.11 + 0.02 * take, random));
      shakers.push_back(renderShaker(random));
    }
    toms[0] = renderTom(196.0, random);
    toms[1] = renderTom(147.0, random);
    toms[2] = renderTom(104.0, random);
  }
};

class Drummer {
 public:
  explicit Drummer(Mix& mix) : mix_(mix), random_(0x0D12u), kit_(random_) {}

  void play(const Section& section) {
    const int barCount = static_cast<int>(section.bars.size());
    for (int index = 0; index < barCount; ++index) {
      const Bar& bar = section.bars[static_cast<size_t>(index)];
      switch (section.kind) {
        case SectionKind::kIntro: intro(bar, index); break;
        case SectionKind::kTunnel: tunnel(bar, index); break;
        case SectionKind::kBlobs: blobs(bar, index); break;
        case SectionKind::kSpikes: spikes(bar, index); break;
        case SectionKind::kPlasma: plasma(bar, index); break;
        case SectionKind::kCube: cube(bar, index); break;
        case SectionKind::kOutro: outro(bar, index); break;
      }
    }
  }

 private:
  const std::vector<float>& take(const std::vector<std::vector<float>>& takes) {
    return takes[random_.next() % takes.size()];
  }
  // A little looseness in timing and level, as a player would have.
  double human(double seconds, double spread = 0.0015) { return seconds + random_.bipolar() * spread; }
  float vary(float level) { return level * (1.0f + 0.08f * random_.bipolar()); }

  void kick(const Bar& bar, double step, float level, const std::vector<float>* sound = nullptr) {
    const double t = bar.stepTime(step);
    mix_.add(sound ? *sound : kit_.kick, t, {level, 0.0f, 0.02f, 0.0f, false});
    mix_.markKick(t);
  }
  void clap(const Bar& bar, double step, float level, float reverb = 0.12f) {
    mix_.add(take(kit_.claps), human(bar.stepTime(step, kSwing)), {vary(level), 0.05f, reverb, 0.0f, false});
  }
  void snare(const Bar& bar, double step, float level, float reverb = 0.1f) {
    mix_.add(take(kit_.snares), human(bar.stepTime(step, kSwing), 0.001), {vary(level), -0.05f, reverb, 0.0f, false});
  }
  void closedHat(const Bar& bar, double step, float level) {
    mix_.add(take(kit_.closedHats), human(bar.stepTime(step, kSwing)), {vary(level), 0.3f, 0.02f, 0.0f, false});
  }
  void openHat(const Bar& bar, double step, float level) {
    mix_.add(take(kit_.openHats), human(bar.stepTime(step, kSwing)), {vary(level), -0.25f, 0.05f, 0.0f, true});
  }
  void shaker(const Bar& bar, double step, float level) {
    mix_.add(take(kit_.shakers), human(bar.stepTime(step, kSwing), 0.003), {vary(level), -0.45f, 0.03f, 0.0f, false});
  }
  void tom(const Bar& bar, double step, int pitch, float level) {
    static constexpr float kPans[3] = {0.45f, 0.0f, -0.45f};
    mix_.add(kit_.toms[pitch], human(bar.stepTime(step)), {vary(level), kPans[pitch], 0.15f, 0.0f, false});
  }

  // The sixteenths of a bar: accents on the off-beat eighths, ghosts between.
  void hatLine(const Bar& bar, float level, bool open) {
    for (int step = 0; step < bar.steps(); ++step) {
      const int position = step % 4;
      if (position == 2 && open) {
        openHat(bar, step, level * 0.9f);
      } else if (position != 0) {
        closedHat(bar, step, level * (position == 2 ? 1.0f : 0.55f));
      }
    }
  }
  void fourOnTheFloor(const Bar& bar, float level, const std::vector<float>* sound = nullptr) {
    for (int beat = 0; beat < bar.beats; ++beat) kick(bar, beat * 4, level, sound);
  }
  // Snare sixteenths from `from` to `to` (exclusive), growing from `quiet` to `loud`.
  void roll(const Bar& bar, int from, int to, float quiet, float loud, int every = 1) {
    for (int step = from; step < to; step += every) {
      const float x = to - from > 1 ? static_cast<float>(step - from) / (to - from - 1) : 1.0f;
      snare(bar, step, quiet + (loud - quiet) * x * x, 0.15f);
    }
  }

  void intro(const Bar& bar, int index) {
    // A distant heartbeat under the pads, then a snare roll that opens the tunnel.
    if (index >= 4 && index <= 6) {
      kick(bar, 0, 0.42f, &kit_.softKick);
      kick(bar, 3, 0.28f, &kit_.softKick);
      if (index == 6) kick(bar, 8, 0.4f, &kit_.softKick);
    }
    if (index == 7) {
      roll(bar, 0, 8, 0.08f, 0.25f, 2);
      roll(bar, 8, 16, 0.28f, 0.7f);
    }
  }

  void tunnel(const Bar& bar, int index) {
    if (bar.beats == 4) {
      fourOnTheFloor(bar, 0.95f);
      clap(bar, 4, 0.5f);
      clap(bar, 12, 0.5f);
      hatLine(bar, 0.34f, index >= 2);
      if (index % 2 == 1) shaker(bar, 15, 0.25f);
      return;
    }
    // The short closing bar: kick, a snare run, then toms down into the blobs.
    kick(bar, 0, 0.95f);
    clap(bar, 0, 0.35f);
    roll(bar, 2, 8, 0.25f, 0.6f);
    tom(bar, 8, 0, 0.55f);
    tom(bar, 9, 0, 0.5f);
    tom(bar, 10, 1, 0.6f);
    tom(bar, 11, 2, 0.7f);
    for (int step = 2; step < 12; step += 2) closedHat(bar, step, 0.25f);
  }

  void blobs(const Bar& bar, int index) {
    if (bar.beats == 4) {
      fourOnTheFloor(bar, 0.9f, &kit_.heavyKick);
      kick(bar, 7, 0.55f, &kit_.heavyKick);
      if (index % 2 == 1) kick(bar, 14, 0.5f, &kit_.heavyKick);
      for (int step : {4, 12}) {
        snare(bar, step, 0.55f);
        clap(bar, step, 0.35f);
      }
      if (index % 4 == 3) snare(bar, 15, 0.18f);
      // Darker than the tunnel: off-beat eighths only.
      for (int step = 2; step < 16; step += 4) closedHat(bar, step, 0.3f);
      if (index % 2 == 1) openHat(bar, 14, 0.26f);
      return;
    }
    // The 2/4 break before the spikes: one hit, then a roll with toms underneath.
    kick(bar, 0, 1.0f, &kit_.heavyKick);
    snare(bar, 0, 0.5f);
    roll(bar, 2, 8, 0.3f, 0.75f);
    tom(bar, 4, 0, 0.5f);
    tom(bar, 6, 1, 0.55f);
    tom(bar, 7, 2, 0.65f);
  }

  void spikes(const Bar& bar, int index) {
    if (bar.beats == 4) {
      fourOnTheFloor(bar, 0.95f);
      clap(bar, 4, 0.48f);
      clap(bar, 12, 0.48f);
      for (int step = 0; step < 16; ++step) shaker(bar, step, step % 2 == 1 ? 0.2f : 0.1f);
      for (int step = 2; step < 16; step += 4) {
        if (index >= 4) openHat(bar, step, 0.28f);
        else closedHat(bar, step, 0.32f);
      }
      if (index == 3 || index == 7) {
        snare(bar, 13, 0.2f);
        snare(bar, 14, 0.3f);
        snare(bar, 15, 0.4f);
      }
      return;
    }
    kick(bar, 0, 0.95f);
    roll(bar, 0, 8, 0.2f, 0.7f);
  }

  void plasma(const Bar& bar, int index) {
    // Four bars without a kick, claps in a big room and toms answering each other; then the kick returns and
    // a snare build stops dead a beat before the climax.
    for (int step = 1; step < 16; step += 2) closedHat(bar, step, index < 6 ? 0.22f : 0.3f);
    for (int step = 0; step < 16; step += 2) shaker(bar, step, 0.13f);
    if (index < 4) {
      clap(bar, 4, 0.4f, 0.4f);
      clap(bar, 12, 0.4f, 0.4f);
      tom(bar, 3, 0, 0.3f);
      tom(bar, 6, 1, 0.28f);
      tom(bar, 11, 2, 0.32f);
      if (index % 2 == 1) tom(bar, 14, 1, 0.26f);
      if (index == 3) kick(bar, 14, 0.6f);
      return;
    }
    // The last bar drops the kick: the build is all snare and sweep.
    if (index < 7) fourOnTheFloor(bar, 0.95f);
    if (index < 6) {
      clap(bar, 4, 0.45f, 0.25f);
      clap(bar, 12, 0.45f, 0.25f);
      openHat(bar, 14, 0.25f);
    } else if (index == 6) {
      roll(bar, 0, 16, 0.2f, 0.45f, 2);
    } else {
      roll(bar, 0, 12, 0.45f, 0.9f);
    }
  }

  void cube(const Bar& bar, int index) {
    if (index < 8) {
      fourOnTheFloor(bar, 1.0f);
      for (int step : {4, 12}) {
        clap(bar, step, 0.5f);
        snare(bar, step, 0.4f);
      }
      hatLine(bar, 0.36f, true);
      for (int step = 0; step < 16; ++step) shaker(bar, step, step % 2 == 1 ? 0.16f : 0.08f);
      if (index % 2 == 1) {
        tom(bar, 14, 1, 0.35f);
        tom(bar, 15, 2, 0.4f);
      }
      if (index == 3) roll(bar, 12, 16, 0.3f, 0.55f);
      return;
    }
    // The dominant bar: kicks, then the biggest fill of the show into the final chord.
    kick(bar, 0, 1.0f);
    kick(bar, 4, 1.0f);
    kick(bar, 8, 1.0f);
    roll(bar, 8, 16, 0.4f, 0.9f);
    tom(bar, 10, 0, 0.5f);
    tom(bar, 12, 0, 0.55f);
    tom(bar, 13, 1, 0.6f);
    tom(bar, 14, 1, 0.65f);
    tom(bar, 15, 2, 0.75f);
  }

  void outro(const Bar& bar, int index) {
    if (index == 0) kick(bar, 0, 1.0f, &kit_.heavyKick);
  }

  Mix& mix_;
  SynthRandom random_;
  Kit kit_;
};

}  // namespace

void addDrums(const std::vector<Section>& sections, Mix& mix) {
  Drummer drummer(mix);
  for (const Section& section : sections) drummer.play(section);
}

}  // namespace orvanta::datagen
