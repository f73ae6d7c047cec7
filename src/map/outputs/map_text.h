// Text helpers shared by quendrel-map's report and its picture.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "records/record_layout.h"

// The texts one after another. Built by appending, as GCC 12 at -O3 takes
// `"text" + std::string` for an overlapping copy (-Wrestrict).
template <typename... Texts>
std::string joined(const Texts&... texts) {
  std::string text;
  (text.append(std::string_view(texts)), ...);
  return text;
}

