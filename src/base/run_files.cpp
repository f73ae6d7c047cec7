// Appending to the files a run writes a line at a time.
#include "base/run_files.h"

#include "base/platform/platform.h"
#include "base/report.h"

bool RunFile::append(const char* bytes, std::size_t size) {
  std::FILE* file = stream;
  if (file == nullptr) {
    file = held ? createFileStream(name) : std::fopen(name, "ab");
    if (file == nullptr) return false;
  }
  std::fwrite(bytes, 1, size, file);
  // A held file is read only once it is let go, which writes out the rest.
  if (held) {
    stream = file;
  } else {
    std::fclose(file);
  }
  return true;
}

void RunFile::release() {
  if (stream != nullptr) std::fclose(stream);
  stream = nullptr;
  held = false;
}

void reportAppendFailure(const char* path) {
  std::fprintf(stderr, "Unable to open log file for appending log data (%s): %s\n", path,
               systemErrorText());
}

std::string withUserLineEnds(std::string_view text) {
  std::string converted;
  converted.reserve(text.size());
  for (char c : text) {
    if (c == '\n') {
      converted += kUserTextLineEnd;
    } else {
      converted += c;
    }
  }
  return converted;
}
