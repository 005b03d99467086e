#include "base/data_files.h"
#include "scenes/scenes.h"

namespace orvanta {
namespace {

Image gEndImage;  // 320 x 240

}  // namespace

void initEndScene() { gEndImage.loadTga(dataFile("l33t.tga")); }

void renderEndScene(RenderTarget target, float /*t*/) { copyImage(gEndImage, &target.image); }

}  // namespace orvanta
