#include "scenes/scene_loader.h"

#include "base/data_files.h"

namespace orvanta {

std::string SceneLoader::path(const char* name) const { return dataFilePath(folder_, name); }

void SceneLoader::picture(Image& image, const char* name) {
  image.loadTga(path(name).c_str());
  // The reader leaves no pixel array exactly when it has reported the file.
  if (image.pixels == nullptr) ++failures_;
}

void SceneLoader::model(Mesh& mesh, const char* name) {
  mesh.load3ds(path(name).c_str());
  if (mesh.vertices == nullptr || mesh.faces == nullptr) ++failures_;
}

void releasePictures(std::initializer_list<Image*> pictures) {
  for (Image* picture : pictures) releasePixels(*picture);
}

}  // namespace orvanta
