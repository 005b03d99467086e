#include "datagen/text.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_TRUETYPE_IMPLEMENTATION
#define STBTT_STATIC
#include <stb/stb_truetype.h>
#pragma GCC diagnostic pop

namespace orvanta::datagen {
namespace {

const char* fileName(FontFace face) {
  switch (face) {
    case FontFace::kSans: return "DejaVuSans.ttf";
    case FontFace::kSansBold: return "DejaVuSans-Bold.ttf";
    case FontFace::kMono: return "DejaVuSansMono.ttf";
    case FontFace::kMonoBold: return "DejaVuSansMono-Bold.ttf";
    case FontFace::kSerif: return "DejaVuSerif.ttf";
    case FontFace::kSerifBold: return "DejaVuSerif-Bold.ttf";
  }
  return "";
}

const stbtt_fontinfo* infoOf(const std::vector<uint8_t>& storage) {
  return reinterpret_cast<const stbtt_fontinfo*>(storage.data());
}

// Subpixel steps of the glyph placement; a finer grid makes no visible difference at our sizes.
constexpr float kSubpixel = 4.0f;

}  // namespace

bool Font::load(FontFace face, std::string& error) {
  const std::string path = std::string(kFontDirectory) + fileName(face);
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot open the font " + path + " (install fonts-dejavu-core)";
    return false;
  }
  std::vector<uint8_t> bytes;
  uint8_t buffer[65536];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
  std::fclose(file);
  data_ = std::move(bytes);
  info_.assign(sizeof(stbtt_fontinfo), 0);
  auto* info = reinterpret_cast<stbtt_fontinfo*>(info_.data());
  const int offset = stbtt_GetFontOffsetForIndex(data_.data(), 0);
  if (offset < 0 || stbtt_InitFont(info, data_.data(), offset) == 0) {
    error = "the font " + path + " cannot be read";
    return false;
  }
  return true;
}

float Font::measure(const std::string& text, float pixelHeight, float tracking) const {
  const stbtt_fontinfo* info = infoOf(info_);
  const float scale = stbtt_ScaleForPixelHeight(info, pixelHeight);
  float x = 0.0f;
  for (size_t i = 0; i < text.size(); ++i) {
    const int ch = static_cast<unsigned char>(text[i]);
    int advance = 0;
    int bearing = 0;
    stbtt_GetCodepointHMetrics(info, ch, &advance, &bearing);
    x += static_cast<float>(advance) * scale;
    if (i + 1 < text.size()) {
      x += static_cast<float>(stbtt_GetCodepointKernAdvance(info, ch, static_cast<unsigned char>(text[i + 1]))) * scale;
      x += tracking;
    }
  }
  return x;
}

Mask Font::render(const std::string& text, float pixelHeight, float tracking) const {
  const stbtt_fontinfo* info = infoOf(info_);
  const float scale = stbtt_ScaleForPixelHeight(info, pixelHeight);
  int ascent = 0;
  int descent = 0;
  int lineGap = 0;
  stbtt_GetFontVMetrics(info, &ascent, &descent, &lineGap);
  const int baseline = static_cast<int>(std::ceil(static_cast<float>(ascent) * scale));
  const int height = baseline + static_cast<int>(std::ceil(static_cast<float>(-descent) * scale)) + 1;
  const int width = static_cast<int>(std::ceil(measure(text, pixelHeight, tracking))) + 4;
  Mask mask(width, height);
  float x = 1.0f;
  for (size_t i = 0; i < text.size(); ++i) {
    const int ch = static_cast<unsigned char>(text[i]);
    int advance = 0;
    int bearing = 0;
    stbtt_GetCodepointHMetrics(info, ch, &advance, &bearing);
    const float whole = std::floor(x);
    const float shift = std::floor((x - whole) * kSubpixel) / kSubpixel;
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
    stbtt_GetCodepointBitmapBoxSubpixel(info, ch, scale, scale, shift, 0.0f, &x0, &y0, &x1, &y1);
    const int gw = x1 - x0;
    const int gh = y1 - y0;
    if (gw > 0 && gh > 0) {
      std::vector<unsigned char> glyph(static_cast<size_t>(gw) * gh, 0);
      stbtt_MakeCodepointBitmapSubpixel(info, glyph.data(), gw, gh, gw, scale, scale, shift, 0.0f, ch);
      const int ox = static_cast<int>(whole) + x0;
      const int oy = baseline + y0;
      for (int gy = 0; gy < gh; ++gy) {
        for (int gx = 0; gx < gw; ++gx) {
          const int mx = ox + gx;
          const int my = oy + gy;
          if (mx < 0 || my < 0 || mx >= width || my >= height) continue;
          float& dst = mask.ref(mx, my);
          const float a = static_cast<float>(glyph[static_cast<size_t>(gy) * gw + gx]) / 255.0f;
          dst = dst + a * (1.0f - dst);
        }
      }
    }
    x += static_cast<float>(advance) * scale;
    if (i + 1 < text.size()) {
      x += static_cast<float>(stbtt_GetCodepointKernAdvance(info, ch, static_cast<unsigned char>(text[i + 1]))) * scale;
      x += tracking;
    }
  }
  return mask;
}

bool FontSet::load(std::string& error) {
  return sans.load(FontFace::kSans, error) && sansBold.load(FontFace::kSansBold, error) &&
         mono.load(FontFace::kMono, error) && monoBold.load(FontFace::kMonoBold, error) &&
         serifBold.load(FontFace::kSerifBold, error);
}

}  // namespace orvanta::datagen
