// Byte-wise ASCII helpers for script text. Script and dialogue text may hold
// bytes of any code page; only the ASCII letters take part in case folding
// and word tests, so the locale never changes what a line means.
#pragma once

#include <cstddef>

inline bool isAsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Blank, tab, line feed, vertical tab, form feed and carriage return.
inline bool isScriptWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Copies `length` bytes of `text` into `lower` (which has room for length + 1)
// with "A" to "Z" turned into lower case and every other byte kept, and
// zero-terminates the copy.
inline void lowerCaseCopy(const char* text, std::size_t length, char* lower) {
  for (std::size_t i = 0; i < length; ++i) {
    char c = text[i];
    lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  lower[length] = '\0';
}
