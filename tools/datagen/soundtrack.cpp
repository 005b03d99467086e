#include "datagen/soundtrack.h"

namespace orvanta::datagen {

bool writeSoundtrack(const std::string& /*path*/, std::string& error) {
  error = "the soundtrack generator is not built yet";
  return false;
}

}  // namespace orvanta::datagen
