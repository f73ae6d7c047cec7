// Appending to the files a run writes a line at a time.
#include "base/run_files.h"

#include "base/platform.h"

bool appendToRunFile(RunFile& file, const char* bytes, std::size_t size) {
  std::FILE* stream = file.stream;
  if (stream == nullptr) {
    stream = file.held ? createFileStream(file.name) : std::fopen(file.name, "ab");
    if (stream == nullptr) return false;
  }
  std::fwrite(bytes, 1, size, stream);
  // A held file is read only once it is let go, which writes out the rest.
  if (file.held) {
    file.stream = stream;
  } else {
    std::fclose(stream);
  }
  return true;
}

void holdRunFile(RunFile& file) { file.held = true; }

void releaseRunFile(RunFile& file) {
  if (file.stream != nullptr) std::fclose(file.stream);
  file.stream = nullptr;
  file.held = false;
}
