// The quick zlib stream (see fast_deflate.h). Worked value: "aaaaa" is the
// header 78 01, the literal 'a' and a match of 4 bytes 1 back in fixed
// codes, the end of the block, then the Adler-32 05 b4 01 e6.
#include "map/outputs/fast_deflate.h"

#include <array>
#include <vector>

namespace {

constexpr int kWindow = 32768;    // how far back a match may begin
constexpr int kLeastMatch = 4;    // shorter matches cost more bits than their literals
constexpr int kLongestMatch = 258;
constexpr int kHashBits = 15;
constexpr uint32_t kAdlerModulus = 65521;
constexpr std::size_t kAdlerRun = 5552;  // bytes summed before the sums could overflow

// RFC 1951, 3.2.5: the first length of each length code 257..285 and its
// extra bits; the first distance of each distance code 0..29 and its extra bits.
constexpr int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr int kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                   33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The fixed codes of the literal/length symbols (RFC 1951, 3.2.6), each
// reversed: a Huffman code goes in from its first (highest) bit.
struct FixedCodes {
  std::array<uint16_t, 288> bits{};
  std::array<uint8_t, 288> length{};
};
constexpr uint16_t reversed(uint32_t code, int length) {
  uint32_t turned = 0;
  for (int i = 0; i < length; ++i) turned |= (code >> i & 1) << (length - 1 - i);
  return static_cast<uint16_t>(turned);
}
constexpr FixedCodes fixedCodes() {
  FixedCodes codes;
  for (int value = 0; value < 288; ++value) {
    const int length = value < 144 ? 8 : value < 256 ? 9 : value < 280 ? 7 : 8;
    const int code = value < 144 ? 0x30 + value : value < 256 ? 0x190 + value - 144
                   : value < 280 ? value - 256 : 0xc0 + value - 280;
    codes.bits[value] = reversed(static_cast<uint32_t>(code), length);
    codes.length[value] = static_cast<uint8_t>(length);
  }
  return codes;
}
constexpr FixedCodes kFixedCodes = fixedCodes();

// Bits written from the lowest up, as the format packs them.
class BitWriter {
 public:
  explicit BitWriter(std::string& out) : out_(out) {}
  void put(uint32_t bits, int count) {
    buffer_ |= static_cast<uint64_t>(bits) << count_;
    count_ += count;
    while (count_ >= 8) {
      out_ += static_cast<char>(buffer_ & 0xff);
      buffer_ >>= 8;
      count_ -= 8;
    }
  }
  void flush() {
    if (count_ > 0) put(0, 8 - count_);
  }

 private:
  std::string& out_;
  uint64_t buffer_ = 0;
  int count_ = 0;
};

void symbol(BitWriter& bits, int value) {
  bits.put(kFixedCodes.bits[static_cast<std::size_t>(value)], kFixedCodes.length[static_cast<std::size_t>(value)]);
}

void match(BitWriter& bits, int length, int distance) {
  int code = 28;
  while (kLengthBase[code] > length) --code;
  symbol(bits, 257 + code);
  bits.put(static_cast<uint32_t>(length - kLengthBase[code]), kLengthExtra[code]);
  code = 29;
  while (kDistanceBase[code] > distance) --code;
  bits.put(reversed(static_cast<uint32_t>(code), 5), 5);
  bits.put(static_cast<uint32_t>(distance - kDistanceBase[code]), kDistanceExtra[code]);
}

uint32_t adler32(const uint8_t* data, std::size_t size) {
  uint32_t a = 1, b = 0;
  while (size > 0) {
    const std::size_t run = size < kAdlerRun ? size : kAdlerRun;
    for (std::size_t i = 0; i < run; ++i) {
      a += data[i];
      b += a;
    }
    a %= kAdlerModulus;
    b %= kAdlerModulus;
    data += run;
    size -= run;
  }
  return b << 16 | a;
}

uint32_t hashOf(const uint8_t* p) {
  const uint32_t four = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                        static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
  return (four * 2654435761u) >> (32 - kHashBits);
}

}  // namespace

std::string fastZlib(const uint8_t* data, std::size_t size) {
  std::string out;
  out.reserve(size + size / 8 + 64);
  out += "\x78\x01";  // deflate, a 32 KiB window, the fastest level
  BitWriter bits(out);
  bits.put(1, 1);  // the final block
  bits.put(1, 2);  // of fixed codes
  // Where each hash last began, plus one (0: nowhere yet).
  std::vector<std::size_t> last(std::size_t{1} << kHashBits, 0);
  std::size_t at = 0;
  while (at < size) {
    int length = 0;
    std::size_t from = 0;
    if (size - at >= static_cast<std::size_t>(kLeastMatch)) {
      const uint32_t hash = hashOf(data + at);
      const std::size_t seen = last[hash];
      last[hash] = at + 1;
      if (seen != 0 && at - (seen - 1) <= static_cast<std::size_t>(kWindow)) {
        from = seen - 1;
        const std::size_t most = size - at < kLongestMatch ? size - at : kLongestMatch;
        while (static_cast<std::size_t>(length) < most && data[from + length] == data[at + length]) ++length;
      }
    }
    if (length < kLeastMatch) {
      symbol(bits, data[at]);
      ++at;
      continue;
    }
    match(bits, length, static_cast<int>(at - from));
    // The places inside the match are remembered too.
    for (std::size_t i = at + 1; i < at + static_cast<std::size_t>(length) && size - i >= kLeastMatch; ++i) {
      last[hashOf(data + i)] = i + 1;
    }
    at += static_cast<std::size_t>(length);
  }
  symbol(bits, 256);  // the end of the block
  bits.flush();
  const uint32_t adler = adler32(data, size);
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>(adler >> shift & 0xff);
  return out;
}
