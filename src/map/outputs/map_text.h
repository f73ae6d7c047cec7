// Text helpers shared by quendrel-map's report and its picture.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "base/numbers.h"
#include "records/record_layout.h"

// The texts one after another. Built by appending, as GCC 12 at -O3 takes
// `"text" + std::string` for an overlapping copy (-Wrestrict).
template <typename... Texts>
std::string joined(const Texts&... texts) {
  std::string text;
  (text.append(std::string_view(texts)), ...);
  return text;
}


// The texts added to the end of `out`, without a string for each: the
// report's lines come by the ten thousand (a master's pointers).
template <typename... Texts>
void appendJoined(std::string& out, const Texts&... texts) {
  (out.append(std::string_view(texts)), ...);
}


// A number added as printf's "%.2f" writes it (ties to even, "-0.00" for
// a small negative number), e.g. 12.35 for 12.345000000000001 and 0.12 for
// 0.125: the SVG's ten thousand shapes have four each. From the number's
// bits in integer arithmetic; one of 2^40 or more (or not finite) goes to
// the C library.
void appendTwoDecimals(std::string& out, double value);
