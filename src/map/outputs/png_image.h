// Pictures in memory and as PNG files: the terrain under the cell map, and the
// whole map for --png.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Colour {
  uint8_t r, g, b;
  bool operator==(const Colour&) const = default;
};

// Rows from the top, each from the left, three bytes (red, green, blue) a
// pixel.
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;

  Image() = default;
  Image(int w, int h, Colour fill);
  Colour at(int x, int y) const {
    const uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    return {p[0], p[1], p[2]};
  }
  void set(int x, int y, Colour c) {
    uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  }
};

// The image as the bytes of a PNG file (8-bit RGB). Throws std::bad_alloc
// when the encoder runs out of memory, its only failure.
std::string encodePng(const Image& image);

// Bytes as base64 (RFC 4648, with padding), for a data: URL: "Quen" becomes
// "UXVlbg==".
std::string base64(const std::string& bytes);
