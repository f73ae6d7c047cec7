// Line reading for the run's text files.
#include "base/text_lines.h"

#include <algorithm>
#include <cstring>

// The lock-free character read: each line is read by one thread alone.
#ifdef _WIN32
#define getc_unlocked _getc_nolock
#endif

namespace {

// One line from any source of bytes: `next` gives the next byte or EOF,
// `putBack` returns one byte to the source.
template <typename Next, typename PutBack>
std::size_t readLineWith(Next next, PutBack putBack, char* buffer, std::size_t capacity) {
  std::size_t length = 0;
  while (length + 1 < capacity) {
    int c = next();
    if (c == EOF) break;
    if (c == '\r') {
      int following = next();
      if (following == '\n') {
        buffer[length++] = '\n';
        break;
      }
      if (following != EOF) putBack(following);
    }
    buffer[length++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[length] = '\0';
  return length;
}

}  // namespace

std::size_t readLine(std::FILE* file, char* buffer, std::size_t capacity) {
  return readLineWith([file] { return getc_unlocked(file); },
                      [file](int c) { ungetc(c, file); }, buffer, capacity);
}

std::size_t readLine(std::string_view text, std::size_t& at, char* buffer, std::size_t capacity) {
  return readLineWith(
      [&] { return at < text.size() ? static_cast<unsigned char>(text[at++]) : EOF; },
      [&](int) { --at; }, buffer, capacity);
}

std::size_t readLineFromMemory(const uint8_t* text, std::size_t size, std::size_t& at,
                               char* buffer, std::size_t capacity) {
  // Up to and with the line feed, at most capacity - 1 bytes: found with
  // memchr and copied whole rather than a byte at a time (a master's scripts
  // and dialogue are some 100,000 lines).
  std::size_t length = 0;
  if (capacity > 0 && at < size) {
    const std::size_t most = std::min(size - at, capacity - 1);
    const void* lineFeed = std::memchr(text + at, '\n', most);
    length = lineFeed != nullptr
                 ? static_cast<std::size_t>(static_cast<const uint8_t*>(lineFeed) - (text + at)) + 1
                 : most;
    std::memcpy(buffer, text + at, length);
    at += length;
  }
  buffer[length] = '\0';
  return length;
}
