#include "capture/png_writer.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#if ORVANTA_PNG_ZLIB
#include <zlib.h>

#include <cstdlib>

namespace {

// The PNG's compressed stream from zlib at its fastest level: with every row filtered by its
// left neighbour, the show's frames encode three to four times as fast as with the encoder's
// own compressor and its per-row filter search, into files a quarter smaller on most frames.
// The result is released by the encoder with free().
unsigned char* compressFast(unsigned char* data, int length, int* outLength, int /*quality*/) {
  uLongf size = compressBound(static_cast<uLong>(length));
  auto* out = static_cast<unsigned char*>(std::malloc(size));
  if (out == nullptr) return nullptr;
  if (compress2(out, &size, data, static_cast<uLong>(length), 1) != Z_OK) {
    std::free(out);
    return nullptr;
  }
  *outLength = static_cast<int>(size);
  return out;
}

}  // namespace

#define STBIW_ZLIB_COMPRESS compressFast
#endif

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wsign-compare"
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>
#pragma GCC diagnostic pop

namespace orvanta {
namespace {

#if ORVANTA_PNG_ZLIB
// Set before any thread writes (the encoder keeps it in a variable of this file).
[[maybe_unused]] const bool kLeftFilter = (stbi_write_force_png_filter = 1, true);
#endif

}  // namespace

std::string pngFileName(uint64_t index) {
  char name[40];
  std::snprintf(name, sizeof name, "frame_%06" PRIu64 ".png", index);
  return name;
}

bool PngWriter::open(const std::string& directory, int scale) {
  std::error_code failure;
  std::filesystem::create_directories(directory, failure);
  if (failure || !std::filesystem::is_directory(directory)) {
    error_ = "cannot create the directory " + directory + (failure ? ": " + failure.message() : "");
    return false;
  }
  directory_ = directory;
  scale_ = scale < 1 ? 1 : scale;
  return true;
}

bool PngWriter::write(uint64_t index, const uint32_t* pixels, int32_t width, int32_t height) {
  const size_t scale = static_cast<size_t>(scale_);
  const size_t rowBytes = static_cast<size_t>(width) * scale * 3;
  rgb_.resize(rowBytes * static_cast<size_t>(height) * scale);
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = rgb_.data() + static_cast<size_t>(y) * scale * rowBytes;
    uint8_t* out = row;
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t pixel = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      for (size_t i = 0; i < scale; ++i) {
        *out++ = static_cast<uint8_t>(pixel >> 16);
        *out++ = static_cast<uint8_t>(pixel >> 8);
        *out++ = static_cast<uint8_t>(pixel);
      }
    }
    for (size_t i = 1; i < scale; ++i) std::memcpy(row + i * rowBytes, row, rowBytes);
  }
  const int32_t outWidth = width * scale_;
  const int32_t outHeight = height * scale_;
  const std::string path = (std::filesystem::path(directory_) / pngFileName(index)).string();
  // Encoded in memory and written here, because stbi_write_png does not look at the result
  // of its writes: a full disk would leave a cut-short file counted as written.
  png_.clear();
  const auto append = [](void* context, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(context);
    const auto* bytes = static_cast<const uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
  };
  if (stbi_write_png_to_func(append, &png_, outWidth, outHeight, 3, rgb_.data(), outWidth * 3) == 0) {
    error_ = "cannot encode " + path;
    return false;
  }
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    error_ = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  const bool written = std::fwrite(png_.data(), 1, png_.size(), file) == png_.size() && std::fflush(file) == 0;
  const int writeError = errno;
  if (std::fclose(file) != 0 || !written) {
    error_ = "cannot write " + path + ": " + std::strerror(written ? errno : writeError);
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace orvanta
