// Numbers written by quendrel-map's own hand where the C library's general
// routine would take much of the time of writing a picture.
#include "map/outputs/map_text.h"

#include <bit>
#include <charconv>
#include <cmath>

#include "base/text_format.h"

void appendTwoDecimals(std::string& out, double value) {
  if (!(std::fabs(value) < 0x1p40)) {
    appendFormatted(out, "%.2f", value);
    return;
  }
  // value = mantissa * 2^exponent exactly, and with |value| < 2^40 the
  // exponent is below -12: the hundredths are mantissa * 100 (below 2^60)
  // shifted right, rounded by the bits shifted out. E.g. 0.125 = 2^52 *
  // 2^-55: 100 * 2^52 >> 55 = 12, rest exactly a half, 12 even: 0.12.
  const auto bits = std::bit_cast<uint64_t>(value);
  const auto stored = static_cast<int>(bits >> 52 & 0x7ff);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int exponent = -1074;  // a subnormal number's, or zero's
  if (stored != 0) {
    mantissa |= uint64_t{1} << 52;
    exponent = stored - 1075;
  }
  const uint64_t scaled = mantissa * 100;
  uint64_t hundredths = 0;  // the shifted value below a half: rounds to 0
  if (exponent > -61) {
    const int shift = -exponent;
    hundredths = scaled >> shift;
    const uint64_t rest = scaled & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (hundredths & 1) != 0)) ++hundredths;
  }
  if (std::signbit(value)) out += '-';
  char whole[24];
  out.append(whole, std::to_chars(whole, whole + sizeof whole, hundredths / 100).ptr);
  const auto cents = static_cast<unsigned>(hundredths % 100);
  const char digits[] = {'.', static_cast<char>('0' + cents / 10), static_cast<char>('0' + cents % 10)};
  out.append(digits, sizeof digits);
}
