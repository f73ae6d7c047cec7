// printf formatting into strings.
#include "base/text_format.h"

#include <cstdio>

namespace {

// Appends to `out`; most texts fit the stack buffer and are formatted once.
void appendInto(std::string& out, const char* format, va_list args) {
  char stackText[2048];
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(stackText, sizeof stackText, format, copy);
  va_end(copy);
  if (length <= 0) return;
  if (static_cast<std::size_t>(length) < sizeof stackText) {
    out.append(stackText, static_cast<std::size_t>(length));
    return;
  }
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(length) + 1);
  std::vsnprintf(out.data() + at, static_cast<std::size_t>(length) + 1, format, args);
  out.resize(at + static_cast<std::size_t>(length));
}

}  // namespace

void formatInto(std::string& out, const char* format, va_list args) {
  out.clear();
  appendInto(out, format, args);
}

void appendFormatted(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  appendInto(out, format, args);
  va_end(args);
}

std::string formatted(const char* format, ...) {
  std::string text;
  va_list args;
  va_start(args, format);
  appendInto(text, format, args);
  va_end(args);
  return text;
}
