// Numbers in text, without the C library's general routines where a run
// reads or writes them by the hundred thousand.
//
// Reading whole numbers from text the way the C library's leading-digits
// conversion does: white space skipped, an optional sign, the decimal digits
// up to the first other character, 0 when there are none. Values beyond 32
// bits are held at the nearest 32-bit limit.
#pragma once

#include <cstdint>

int32_t readLeadingInt(const char* text, const char** end = nullptr);

// A number as printf's "%f" writes it (fixed notation, six digits behind the
// point, a minus sign for a negative number, -0.0 included), e.g. 17618.567017
// for 1234.5670166015625 + 16384. The log writes some 100,000 positions of a
// master file this way, and the C library's general routine spends most of a
// run's time on them; this one gives the same text from integer arithmetic,
// and hands the rare number beyond 2^60 (or not finite) to the C library.
struct FixedText {
  char text[320];  // room for the longest "%f" of a double
};
FixedText fixedSixDecimals(double value);

// A whole number as printf's "%d" writes it, e.g. -2147483648 or 4096: the
// log notes a size or a grid for each of a master's some 50,000 records.
struct DecimalText {
  char text[24];
};
DecimalText decimalText(int64_t value);
