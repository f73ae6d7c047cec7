// Leading-digits conversion of whole numbers.
#include "base/numbers.h"

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
