// PNG encoding, into memory only (the caller writes the file): one IDAT
// chunk holding a zlib stream of the rows, each row Paeth-filtered, the
// stream compressed by zlib's run-length strategy. The terrain of a whole
// game is a million pixels or more; trying every filter on every row, as
// general encoders do, and searching the whole window for matches took most
// of the time of writing the page. Shaded land changes little from a pixel
// to its neighbours, so after Paeth's guess most bytes are small and repeat
// (a flat plain, the open sea: runs of zeros), which is what run lengths
// catch: on Vvardenfell's terrain this is smaller than zlib's fastest full
// search on any one filter, at less work.
#include "map/outputs/png_image.h"

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

namespace {

constexpr unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
constexpr std::size_t kChunkFrame = 12;  // length, type, then after the data its CRC
constexpr std::size_t kHeaderData = 13;  // IHDR: width, height, depth, colour, 3 methods
constexpr unsigned char kPaeth = 4;      // the filter byte that starts each row
constexpr int kBytesPerPixel = 3;

void putU32(unsigned char* at, uint32_t value) {
  at[0] = static_cast<unsigned char>(value >> 24);
  at[1] = static_cast<unsigned char>(value >> 16);
  at[2] = static_cast<unsigned char>(value >> 8);
  at[3] = static_cast<unsigned char>(value);
}

// Frames the `length` bytes of data already at chunk + 8 as a chunk of
// `type`; returns the chunk's whole size.
std::size_t frameChunk(unsigned char* chunk, const char (&type)[5], std::size_t length) {
  putU32(chunk, static_cast<uint32_t>(length));
  std::memcpy(chunk + 4, type, 4);
  putU32(chunk + 8 + length, static_cast<uint32_t>(crc32(0, chunk + 4, static_cast<uInt>(length + 4))));
  return length + kChunkFrame;
}

// Paeth's guess of a byte from its left (a), upper (b) and upper-left (c)
// neighbours: whichever is nearest a + b - c, ties to a, then b. E.g.
// a = 10, b = 14, c = 12: 12 is 2 from a and b and 0 from c, so c.
// Written as selects, which the compiler does many bytes at a time.
// Sixteen bits hold every difference (a + b - 2c lies within +-510).
inline uint8_t paeth(int16_t a, int16_t b, int16_t c) {
  auto absolute = [](int16_t v) { return static_cast<int16_t>(v < 0 ? -v : v); };
  const int16_t pa = absolute(static_cast<int16_t>(b - c)), pb = absolute(static_cast<int16_t>(a - c)),
                pc = absolute(static_cast<int16_t>(a + b - 2 * c));
  const int16_t nearer = pb < pa ? b : a, distance = pb < pa ? pb : pa;
  return static_cast<uint8_t>(pc < distance ? c : nearer);
}

// One row filtered into `out` (its filter byte first); `up` is null for the
// top row, whose upper neighbours are zeros (Paeth is then the left byte).
void filterRow(const unsigned char* row, const unsigned char* up, std::size_t bytes, unsigned char* out) {
  out[0] = kPaeth;
  ++out;
  if (up == nullptr) {
    for (std::size_t i = 0; i < bytes; ++i) {
      out[i] = static_cast<unsigned char>(row[i] - (i < kBytesPerPixel ? 0 : row[i - kBytesPerPixel]));
    }
    return;
  }
  for (std::size_t i = 0; i < kBytesPerPixel && i < bytes; ++i) {
    out[i] = static_cast<unsigned char>(row[i] - up[i]);  // Paeth(0, b, 0) is b
  }
  for (std::size_t i = kBytesPerPixel; i < bytes; ++i) {
    out[i] = static_cast<unsigned char>(row[i] - paeth(row[i - kBytesPerPixel], up[i], up[i - kBytesPerPixel]));
  }
}

// Ends the zlib stream whatever becomes of the encoding.
struct DeflateEnder {
  z_stream* stream;
  ~DeflateEnder() { deflateEnd(stream); }
};

}  // namespace

Image::Image(int w, int h, Colour fill) : width(w), height(h) {
  rgb.resize(static_cast<std::size_t>(w) * h * 3, fill.r);
  if (fill.g == fill.r && fill.b == fill.r) return;  // black, white, a grey: set in one pass
  for (std::size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = fill.r;
    rgb[i + 1] = fill.g;
    rgb[i + 2] = fill.b;
  }
}

std::string encodePng(const Image& image) {
  const std::size_t rowBytes = static_cast<std::size_t>(image.width) * kBytesPerPixel;
  const std::size_t filtered = (rowBytes + 1) * static_cast<std::size_t>(image.height);
  z_stream stream{};
  if (deflateInit2(&stream, 1, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK) throw std::bad_alloc();
  const DeflateEnder ender{&stream};
  const std::size_t bound = deflateBound(&stream, static_cast<uLong>(filtered));
  if (bound > std::numeric_limits<uInt>::max()) throw std::bad_alloc();  // beyond one deflate call's reach
  const std::size_t idat = sizeof kSignature + kChunkFrame + kHeaderData;
  const std::size_t most = idat + kChunkFrame + bound + kChunkFrame;
  // Filled in full below: not set to zeros first.
  const std::unique_ptr<unsigned char[]> png(new unsigned char[most]);
  unsigned char* at = png.get();
  std::memcpy(at, kSignature, sizeof kSignature);
  unsigned char* header = at + sizeof kSignature;
  putU32(header + 8, static_cast<uint32_t>(image.width));
  putU32(header + 12, static_cast<uint32_t>(image.height));
  const unsigned char kFormat[] = {8, 2, 0, 0, 0};  // 8 bits, RGB, deflate, filters by row, no interlace
  std::memcpy(header + 16, kFormat, sizeof kFormat);
  frameChunk(header, "IHDR", kHeaderData);

  stream.next_out = png.get() + idat + 8;
  stream.avail_out = static_cast<uInt>(bound);
  // Row by row through one row's buffer: the filtered image is never whole.
  const std::unique_ptr<unsigned char[]> row(new unsigned char[rowBytes + 1]);
  for (int y = 0; y < image.height; ++y) {
    const unsigned char* pixels = image.rgb.data() + static_cast<std::size_t>(y) * rowBytes;
    filterRow(pixels, y == 0 ? nullptr : pixels - rowBytes, rowBytes, row.get());
    stream.next_in = row.get();
    stream.avail_in = static_cast<uInt>(rowBytes + 1);
    if (deflate(&stream, Z_NO_FLUSH) != Z_OK) throw std::bad_alloc();
  }
  // The output has room for all of it (deflateBound): the stream ends here.
  if (deflate(&stream, Z_FINISH) != Z_STREAM_END) throw std::bad_alloc();
  std::size_t size = idat + frameChunk(png.get() + idat, "IDAT", stream.total_out);
  size += frameChunk(png.get() + size, "IEND", 0);
  return std::string(reinterpret_cast<const char*>(png.get()), size);
}

std::string base64(const std::string& bytes) {
  static const char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text((bytes.size() + 2) / 3 * 4, '=');
  char* out = text.data();
  const auto* in = reinterpret_cast<const uint8_t*>(bytes.data());
  // Whole groups of three bytes, then what is left (one or two bytes,
  // padded).
  const std::size_t whole = bytes.size() / 3 * 3;
  for (std::size_t i = 0; i < whole; i += 3, out += 4) {
    const uint32_t group = uint32_t{in[i]} << 16 | uint32_t{in[i + 1]} << 8 | in[i + 2];
    out[0] = kDigits[group >> 18 & 63];
    out[1] = kDigits[group >> 12 & 63];
    out[2] = kDigits[group >> 6 & 63];
    out[3] = kDigits[group & 63];
  }
  const std::size_t left = bytes.size() - whole;
  if (left > 0) {
    uint32_t group = uint32_t{in[whole]} << 16;
    if (left > 1) group |= uint32_t{in[whole + 1]} << 8;
    out[0] = kDigits[group >> 18 & 63];
    out[1] = kDigits[group >> 12 & 63];
    if (left > 1) out[2] = kDigits[group >> 6 & 63];
  }
  return text;
}
