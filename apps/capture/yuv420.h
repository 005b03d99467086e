#pragma once
// Frames in ffmpeg's yuv420p layout: a plane of luma, then the blue and red differences at
// half the width and height, in BT.601 limited range as ffmpeg converts such frames itself.
// Luma comes out as ffmpeg's within one level; each chroma sample is the average of its 2 x 2
// pixels, where ffmpeg's default filter reaches a little further (the two agree within one
// level on smooth pictures). Made here, the pipe carries 12 bits a pixel instead of 32, and
// ffmpeg's own conversion, about a sixth of its work at 320 x 240, is not needed.

#include <cstddef>
#include <cstdint>

namespace orvanta {

// Only frames of even, positive width and height have this layout here.
bool hasYuv420Layout(int32_t width, int32_t height);
size_t yuv420Bytes(int32_t width, int32_t height);

// 0xAARRGGBB pixels, row-major, into yuv420Bytes(width, height) bytes at `out`.
void toYuv420(const uint32_t* pixels, int32_t width, int32_t height, uint8_t* out);

}  // namespace orvanta
