#pragma once
// Loads a scene's pictures and models from a show's data folder. A file that is missing or
// damaged gets the loader's message (through the message hook) and leaves its picture or model
// empty; the loader counts those, one message each.

#include <initializer_list>
#include <string>
#include <utility>

#include "engine/mesh.h"
#include "engine/texture_set.h"
#include "image/image.h"

namespace orvanta {

class SceneLoader {
 public:
  explicit SceneLoader(std::string folder) : folder_(std::move(folder)) {}

  std::string path(const char* name) const;

  // Each fills an empty picture or model.
  void picture(Image& image, const char* name);
  void model(Mesh& mesh, const char* name);

  int failures() const { return failures_; }

 private:
  std::string folder_;
  int failures_ = 0;
};

// Gives back the pixel arrays of the pictures listed (released twice is harmless).
void releasePictures(std::initializer_list<Image*> pictures);

}  // namespace orvanta
