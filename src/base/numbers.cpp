// Leading-digits conversion of whole numbers, and "%f" text of a number.
#include "base/numbers.h"

#include <cmath>
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

FixedText fixedSixDecimals(double value) {
  FixedText out;
  if (!std::isfinite(value) || std::fabs(value) >= 0x1p60) {
    std::snprintf(out.text, sizeof out.text, "%f", value);
    return out;
  }
  // value = mantissa * 2^exponent exactly, with a 53-bit whole mantissa.
  int binaryExponent = 0;
  const double fraction = std::frexp(std::fabs(value), &binaryExponent);
  const uint64_t mantissa = static_cast<uint64_t>(std::ldexp(fraction, 53));
  const int exponent = binaryExponent - 53;
  // millionths = value * 10^6, rounded to the nearest whole number, ties to
  // even, as printf rounds in the default rounding mode.
  const unsigned __int128 scaled = static_cast<unsigned __int128>(mantissa) * 1000000u;
  unsigned __int128 millionths = 0;
  if (exponent >= 0) {
    millionths = scaled << exponent;  // below 2^60 * 10^6
  } else if (exponent > -128) {
    const int shift = -exponent;
    millionths = scaled >> shift;
    const unsigned __int128 rest = scaled - (millionths << shift);
    const unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (millionths & 1) != 0)) ++millionths;
  }  // else: below 2^-54, which rounds to 0
  uint64_t whole = static_cast<uint64_t>(millionths / 1000000u);
  uint32_t part = static_cast<uint32_t>(millionths % 1000000u);
  char digits[32];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole != 0);
  char* p = out.text;
  if (std::signbit(value)) *p++ = '-';
  while (count > 0) *p++ = digits[--count];
  *p++ = '.';
  for (int i = 5; i >= 0; --i) {
    p[i] = static_cast<char>('0' + part % 10);
    part /= 10;
  }
  p[6] = '\0';
  return out;
}
