// printf formatting into a std::string of the size the text needs: no text is
// ever cut or overflows its buffer.
#pragma once

#include <cstdarg>
#include <string>

// Replaces `out` by the formatted text.
void formatInto(std::string& out, const char* format, va_list args);
// Adds the formatted text to the end of `out`.
void appendFormatted(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The formatted text.
std::string formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
