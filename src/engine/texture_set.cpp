#include "engine/texture_set.h"

namespace orvanta {

int TextureSet::loadTexture(const char* path) {
  texture.loadTga(path);
  return 1;
}

int TextureSet::loadEnvMap(const char* path) {
  envMap.loadTga(path);
  return 1;
}

int TextureSet::loadExtra(const char* path) {
  extra.loadTga(path);
  slopes.build(extra);
  return 1;
}

}  // namespace orvanta
