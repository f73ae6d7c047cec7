// PNG encoding through stb_image_write (the one place its implementation is
// compiled), into memory only: the caller writes the file. The compressing is
// zlib's at its fastest level: the terrain of a whole game is a million pixels
// or more, and stb_image_write's own compressor, which tries up to sixteen
// earlier places for every byte, took most of the time of writing the page.
#include "map/outputs/png_image.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// stb_image_write's hook for its compressor: one zlib stream in memory from
// malloc, which stb_image_write frees; null when memory runs out.
unsigned char* compressForPng(unsigned char* data, int size, int* outSize, int /*quality*/) {
  uLongf length = compressBound(static_cast<uLong>(size));
  auto* out = static_cast<unsigned char*>(std::malloc(length));
  if (out == nullptr) return nullptr;
  if (compress2(out, &length, data, static_cast<uLong>(size), Z_BEST_SPEED) != Z_OK) {
    std::free(out);
    return nullptr;
  }
  *outSize = static_cast<int>(length);
  return out;
}

}  // namespace

#define STBIW_ZLIB_COMPRESS compressForPng
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

Image::Image(int w, int h, Colour fill) : width(w), height(h) {
  rgb.resize(static_cast<std::size_t>(w) * h * 3);
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = fill.r;
    rgb[i + 1] = fill.g;
    rgb[i + 2] = fill.b;
  }
}

std::string encodePng(const Image& image) {
  std::string png;
  auto append = [](void* context, void* data, int size) {
    static_cast<std::string*>(context)->append(static_cast<const char*>(data),
                                               static_cast<std::size_t>(size));
  };
  if (!stbi_write_png_to_func(append, &png, image.width, image.height, 3, image.rgb.data(),
                              image.width * 3)) {
    throw std::bad_alloc();
  }
  return png;
}

std::string base64(const std::string& bytes) {
  static const char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text((bytes.size() + 2) / 3 * 4, '=');
  char* out = text.data();
  const auto* in = reinterpret_cast<const uint8_t*>(bytes.data());
  for (std::size_t i = 0; i < bytes.size(); i += 3, out += 4) {
    const std::size_t left = bytes.size() - i;
    uint32_t group = uint32_t{in[i]} << 16;
    if (left > 1) group |= uint32_t{in[i + 1]} << 8;
    if (left > 2) group |= in[i + 2];
    out[0] = kDigits[group >> 18 & 63];
    out[1] = kDigits[group >> 12 & 63];
    if (left > 1) out[2] = kDigits[group >> 6 & 63];
    if (left > 2) out[3] = kDigits[group & 63];
  }
  return text;
}
