// Leading-digits conversion of whole numbers, and "%d" and "%f" text of a number.
#include "base/numbers.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <cstdio>

#include "base/ascii.h"

int32_t readLeadingInt(const char* text, const char** end) {
  const char* p = text;
  while (isAsciiSpace(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') {
    negative = *p == '-';
    ++p;
  }
  if (*p < '0' || *p > '9') {
    if (end) *end = text;
    return 0;
  }
  int64_t value = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    if (value <= INT64_C(1) << 32) value = value * 10 + (*p - '0');
  }
  if (end) *end = p;
  if (negative) value = -value;
  if (value > INT32_MAX) return INT32_MAX;
  if (value < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(value);
}

DecimalText decimalText(int64_t value) {
  DecimalText out;
  // The magnitude in 64 unsigned bits holds even the most negative value.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* p = out.text;
  if (value < 0) *p++ = '-';
  while (count > 0) *p++ = digits[--count];
  *p = '\0';
  return out;
}

FixedText fixedSixDecimals(double value) {
  FixedText out;
  if (!std::isfinite(value) || std::fabs(value) >= 0x1p60) {
    std::snprintf(out.text, sizeof out.text, "%f", value);
    return out;
  }
  // value = mantissa * 2^exponent exactly, read from the number's bits: the
  // stored fraction with its leading 1 (none for a subnormal, which rounds to
  // 0 anyway), and the stored exponent less its bias and the fraction's 52
  // bits. The mantissa's trailing zeros go into the exponent, so that a
  // position read from a float (24 bits) is scaled in 64 bits: 1234.5 is
  // 2469 * 2^-1.
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const int storedExponent = static_cast<int>(bits >> 52 & 0x7ff);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  int exponent = storedExponent - 1075;
  if (storedExponent != 0) mantissa |= uint64_t{1} << 52;
  if (mantissa != 0) {
    const int zeros = std::countr_zero(mantissa);
    mantissa >>= zeros;
    exponent += zeros;
  }
  // millionths = value * 10^6, rounded to the nearest whole number, ties to
  // even, as printf rounds in the default rounding mode.
  const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * 1000000u;
  unsigned __int128 millionths = 0;
  if (exponent >= 0) {
    millionths = scaled << exponent;  // below 2^60 * 10^6
  } else if (mantissa < (uint64_t{1} << 44) && exponent > -64) {
    // The common case, in 64 bits: mantissa * 10^6 < 2^64.
    const uint64_t small = mantissa * 1000000u;
    const int shift = -exponent;
    uint64_t whole = small >> shift;
    const uint64_t rest = small - (whole << shift);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (whole & 1) != 0)) ++whole;
    millionths = whole;
  } else if (exponent > -128) {
    const int shift = -exponent;
    millionths = scaled >> shift;
    const unsigned __int128 rest = scaled - (millionths << shift);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (millionths & 1) != 0)) ++millionths;
  }  // else: below 2^-54, which rounds to 0
  // Divided in 64 bits where the number fits, as positions always do.
  uint64_t whole;
  uint32_t part;
  if (millionths <= UINT64_MAX) {
    const uint64_t narrow = static_cast<uint64_t>(millionths);
    whole = narrow / 1000000u;
    part = static_cast<uint32_t>(narrow % 1000000u);
  } else {
    whole = static_cast<uint64_t>(millionths / 1000000u);
    part = static_cast<uint32_t>(millionths % 1000000u);
  }
  // Two digits at a time, from the right: "00" to "99".
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char digits[32];
  int count = 0;
  while (whole >= 100) {
    const std::size_t pair = static_cast<std::size_t>(whole % 100) * 2;
    whole /= 100;
    digits[count++] = kPairs[pair + 1];
    digits[count++] = kPairs[pair];
  }
  if (whole >= 10) {
    digits[count++] = kPairs[whole * 2 + 1];
    digits[count++] = kPairs[whole * 2];
  } else {
    digits[count++] = static_cast<char>('0' + whole);
  }
  char* p = out.text;
  if (std::signbit(value)) *p++ = '-';
  while (count > 0) *p++ = digits[--count];
  *p++ = '.';
  for (int i = 4; i >= 0; i -= 2) {
    const std::size_t pair = static_cast<std::size_t>(part % 100) * 2;
    part /= 100;
    p[i] = kPairs[pair];
    p[i + 1] = kPairs[pair + 1];
  }
  p[6] = '\0';
  return out;
}
