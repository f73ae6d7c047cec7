// Line reading for the run's text files.
#include "base/text_lines.h"

// The lock-free character read: each line is read by one thread alone.
#ifdef _WIN32
#define getc_unlocked _getc_nolock
#endif

std::size_t readLine(std::FILE* file, char* buffer, std::size_t capacity) {
  std::size_t length = 0;
  while (length + 1 < capacity) {
    int c = getc_unlocked(file);
    if (c == EOF) break;
    if (c == '\r') {
      int next = getc_unlocked(file);
      if (next == '\n') {
        buffer[length++] = '\n';
        break;
      }
      if (next != EOF) ungetc(next, file);
    }
    buffer[length++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buffer[length] = '\0';
  return length;
}

std::size_t readLineFromMemory(const uint8_t* text, std::size_t size, std::size_t& at,
                               char* buffer, std::size_t capacity) {
  std::size_t length = 0;
  while (length + 1 < capacity && at < size) {
    const char c = static_cast<char>(text[at++]);
    buffer[length++] = c;
    if (c == '\n') break;
  }
  buffer[length] = '\0';
  return length;
}
