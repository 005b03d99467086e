#include "datagen/synth_reverb.h"

#include "datagen/synth_filter.h"

namespace orvanta::datagen {

namespace {

constexpr int kCombLengths[8] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int kAllPassLengths[4] = {556, 441, 341, 225};
constexpr int kStereoOffset = 23;

class Comb {
 public:
  Comb(int length, float feedback, float damping) : buffer_(static_cast<size_t>(length), 0.0f), feedback_(feedback),
                                                     damping_(damping) {}
  float process(float input) {
    const float output = buffer_[index_];
    store_ = output * (1.0f - damping_) + store_ * damping_;
    buffer_[index_] = input + store_ * feedback_;
    if (++index_ == buffer_.size()) index_ = 0;
    return output;
  }

 private:
  std::vector<float> buffer_;
  size_t index_ = 0;
  float feedback_;
  float damping_;
  float store_ = 0.0f;
};

class AllPass {
 public:
  explicit AllPass(int length) : buffer_(static_cast<size_t>(length), 0.0f) {}
  float process(float input) {
    const float delayed = buffer_[index_];
    buffer_[index_] = input + delayed * 0.5f;
    if (++index_ == buffer_.size()) index_ = 0;
    return delayed - input;
  }

 private:
  std::vector<float> buffer_;
  size_t index_ = 0;
};

class ReverbChannel {
 public:
  ReverbChannel(int offset, const ReverbSettings& settings) {
    for (int length : kCombLengths) combs_.emplace_back(length + offset, settings.roomSize, settings.damping);
    for (int length : kAllPassLengths) allPasses_.emplace_back(length + offset);
  }
  float process(float input) {
    float sum = 0.0f;
    for (Comb& comb : combs_) sum += comb.process(input);
    for (AllPass& allPass : allPasses_) sum = allPass.process(sum);
    return sum;
  }

 private:
  std::vector<Comb> combs_;
  std::vector<AllPass> allPasses_;
};

}  // namespace

StereoBuffer renderReverb(const std::vector<float>& send, const ReverbSettings& settings) {
  StereoBuffer out(send.size());
  ReverbChannel left(0, settings);
  ReverbChannel right(kStereoOffset, settings);
  OnePoleHighPass lowCut;
  lowCut.set(settings.lowCutHz);
  const size_t preDelay = secondsToFrames(settings.preDelay);
  // The combs sum eight copies; this input scale keeps the tail near the level of the send.
  const float inputGain = 0.03f * settings.wet;
  for (size_t i = 0; i < send.size(); ++i) {
    const float input = i >= preDelay ? lowCut.process(send[i - preDelay]) * inputGain : 0.0f;
    out.left[i] = left.process(input);
    out.right[i] = right.process(input);
  }
  return out;
}

}  // namespace orvanta::datagen
