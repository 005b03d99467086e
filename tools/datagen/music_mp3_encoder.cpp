#include "datagen/music_mp3_encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace orvanta::datagen {

namespace {

struct LameCloser {
  void operator()(lame_global_flags* flags) const { lame_close(flags); }
};

}  // namespace

bool encodeMp3(const std::vector<int16_t>& interleaved, const Mp3Settings& settings, std::vector<uint8_t>& mp3,
               std::string& error) {
  mp3.clear();
  if (interleaved.size() % 2 != 0) {
    error = "stereo samples must come in left/right pairs";
    return false;
  }
  std::unique_ptr<lame_global_flags, LameCloser> lame(lame_init());
  if (!lame) {
    error = "the MP3 encoder could not start";
    return false;
  }
  lame_set_num_channels(lame.get(), 2);
  lame_set_in_samplerate(lame.get(), settings.sampleRate);
  lame_set_out_samplerate(lame.get(), settings.sampleRate);
  lame_set_VBR(lame.get(), vbr_off);
  lame_set_brate(lame.get(), settings.bitrateKbps);
  lame_set_mode(lame.get(), JOINT_STEREO);
  lame_set_quality(lame.get(), settings.quality);
  lame_set_bWriteVbrTag(lame.get(), 1);
  lame_set_write_id3tag_automatic(lame.get(), 0);
  if (lame_init_params(lame.get()) < 0) {
    error = "the MP3 encoder refused its settings";
    return false;
  }

  constexpr size_t kChunkFrames = 8192;
  std::vector<short> chunk(kChunkFrames * 2);
  std::vector<unsigned char> encoded(kChunkFrames * 5 / 4 + 7200);
  const size_t frames = interleaved.size() / 2;
  for (size_t first = 0; first < frames; first += kChunkFrames) {
    const size_t count = std::min(kChunkFrames, frames - first);
    std::copy_n(interleaved.begin() + static_cast<std::ptrdiff_t>(first * 2), count * 2, chunk.begin());
    const int written = lame_encode_buffer_interleaved(lame.get(), chunk.data(), static_cast<int>(count),
                                                       encoded.data(), static_cast<int>(encoded.size()));
    if (written < 0) {
      error = "the MP3 encoder failed (code " + std::to_string(written) + ")";
      return false;
    }
    mp3.insert(mp3.end(), encoded.begin(), encoded.begin() + written);
  }
  const int flushed = lame_encode_flush(lame.get(), encoded.data(), static_cast<int>(encoded.size()));
  if (flushed < 0) {
    error = "the MP3 encoder failed to finish (code " + std::to_string(flushed) + ")";
    return false;
  }
  mp3.insert(mp3.end(), encoded.begin(), encoded.begin() + flushed);

  // The first frame was reserved for the Info tag; now that the totals are known, fill it in.
  unsigned char tag[2880];
  const size_t tagSize = lame_get_lametag_frame(lame.get(), tag, sizeof(tag));
  if (tagSize > 0 && tagSize <= mp3.size()) std::memcpy(mp3.data(), tag, tagSize);
  return true;
}

}  // namespace orvanta::datagen
