#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/raster.h"
#include "engine/triangle_setup_kernels.h"
#include "image/effects.h"

namespace orvanta {

bool textureDrawable(const Image& image) {
  if (image.pixels == nullptr || image.width != image.height) return false;
  for (int32_t shift = 4; shift <= 10; ++shift) {
    if (image.width == (1 << shift)) {
      return image.widthShift == shift && image.widthMask == static_cast<uint32_t>(image.width - 1);
    }
  }
  return false;
}

bool textureSetDrawable(const TextureSet& set) {
  if ((set.flags & kTwoLayer) != 0) {
    if (!textureDrawable(set.texture) || !textureDrawable(set.envMap)) return false;
    if ((set.flags & kBumpMap) == 0) return true;
    // The height map is indexed with the base texel's index.
    return set.extra.pixels != nullptr && set.extra.width == set.texture.width &&
           set.extra.height == set.texture.height;
  }
  if ((set.flags & kTextured) != 0) return textureDrawable(set.texture);
  return true;
}

void setupTriangle(RenderVertex& a, RenderVertex& b, RenderVertex& c, bool twoLayers, SpanSink sink,
                   void* context) {
#if ORVANTA_X86_VECTORS
  kernels::setupTriangleSse2(a, b, c, twoLayers, sink, context);
#else
  kernels::setupTriangleReference(a, b, c, twoLayers, sink, context);
#endif
}

void drawWireTriangle(Image& target, RenderVertex& a, RenderVertex& b, RenderVertex& c, uint32_t colour) {
  kernels::placeOnPixels(a);
  kernels::placeOnPixels(b);
  kernels::placeOnPixels(c);
  drawLine(target, a.pixelX, a.pixelY, b.pixelX, b.pixelY, colour);
  drawLine(target, b.pixelX, b.pixelY, c.pixelX, c.pixelY, colour);
  drawLine(target, c.pixelX, c.pixelY, a.pixelX, a.pixelY, colour);
}

void drawTriangle(RenderTarget target, const TextureSet& set, RenderVertex& a, RenderVertex& b, RenderVertex& c) {
  if (textureSetDrawable(set)) drawTriangleOfDrawableSet(target, set, a, b, c);
}

void drawTriangleOfDrawableSet(RenderTarget target, const TextureSet& set, RenderVertex& a, RenderVertex& b,
                               RenderVertex& c) {
  const int32_t flags = set.flags;
  const bool translucent = (flags & kTranslucent) != 0;
  if ((flags & kTwoLayer) != 0) {
    const LayerMode layerMode = (flags & kBumpMap) != 0 ? kBump : kPlain;
    const CombineMode combineMode = (flags & kAddLayers) != 0 ? kAdd : kMultiply;
    if (translucent) {
      setupTwoLayerTriangleTranslucent(target, set.texture, set.envMap, set.extra, a, b, c, layerMode, combineMode,
                                       &set.slopes);
    } else {
      setupTwoLayerTriangle(target, set.texture, set.envMap, set.extra, a, b, c, layerMode, combineMode, &set.slopes);
    }
  } else if ((flags & kTextured) != 0) {
    if (translucent) {
      setupTexturedTriangleTranslucent(target, set.texture, a, b, c);
    } else {
      setupTexturedTriangle(target, set.texture, a, b, c);
    }
  } else if ((flags & kWireframe) != 0) {
    drawWireTriangle(target.image, a, b, c, packArgb(255, 255, 255, 255));
  }
}

}  // namespace orvanta
