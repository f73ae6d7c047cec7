// Copying text out of a subrecord: at most the subrecord's size, cut to the
// room given, always terminated.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

inline void copySubrecordText(char* destination, std::size_t room, const uint8_t* text,
                              std::size_t size) {
  std::size_t length = strnlen(reinterpret_cast<const char*>(text), size);
  if (length > room - 1) length = room - 1;
  std::memcpy(destination, text, length);
  destination[length] = '\0';
}
