#pragma once
// Text for the pictures: TrueType outlines rasterised into coverage masks at generation
// time. The fonts come from the system's DejaVu package (fonts-dejavu-core).

#include <cstdint>
#include <string>
#include <vector>

#include "datagen/picture.h"

namespace orvanta::datagen {

inline constexpr const char* kFontDirectory = "/usr/share/fonts/truetype/dejavu/";

enum class FontFace { kSans, kSansBold, kMono, kMonoBold, kSerif, kSerifBold };

class Font {
 public:
  Font() = default;
  Font(const Font&) = delete;  // the parsed font points into its own byte buffer
  Font& operator=(const Font&) = delete;

  // Reads the face's file; false and a reason when it cannot.
  bool load(FontFace face, std::string& error);

  // The text as a coverage mask sized to fit it, `pixelHeight` from ascent to descent.
  // `tracking` adds that many pixels between letters.
  Mask render(const std::string& text, float pixelHeight, float tracking = 0.0f) const;
  // Advance width of the text in pixels.
  float measure(const std::string& text, float pixelHeight, float tracking = 0.0f) const;

 private:
  std::vector<uint8_t> data_;
  std::vector<uint8_t> info_;  // stbtt_fontinfo, kept opaque here
};

// The fonts every picture uses, loaded once.
struct FontSet {
  Font sans;
  Font sansBold;
  Font mono;
  Font monoBold;
  Font serifBold;
  bool load(std::string& error);
};

}  // namespace orvanta::datagen
