// Byte-wise ASCII tests and case folding. Rules, lists, script and dialogue
// text may hold bytes of any code page; only the ASCII letters take part in
// case folding and word tests, so the locale never changes what a line means.
#pragma once

#include <cstddef>

inline bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

inline bool isAsciiLetterOrDigit(char c) { return isAsciiLetter(c) || (c >= '0' && c <= '9'); }

// Blank, tab, line feed, vertical tab, form feed and carriage return: the C
// library's white space in the "C" locale.
inline bool isAsciiSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

inline char toLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Copies `length` bytes of `text` into `lower` (which has room for length + 1)
// with "A" to "Z" turned into lower case and every other byte kept, and
// zero-terminates the copy. `text` and `lower` may be the same buffer.
inline void lowerCaseCopy(const char* text, std::size_t length, char* lower) {
  for (std::size_t i = 0; i < length; ++i) lower[i] = toLowerAscii(text[i]);
  lower[length] = '\0';
}
