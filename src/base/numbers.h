// Reading whole numbers from text the way the C library's leading-digits
// conversion does: white space skipped, an optional sign, the decimal digits
// up to the first other character, 0 when there are none. Values beyond 32
// bits are held at the nearest 32-bit limit.
#pragma once

#include <cstdint>

int32_t readLeadingInt(const char* text, const char** end = nullptr);
