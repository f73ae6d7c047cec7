// The Windows side of platform.h.
#ifdef _WIN32

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "base/platform.h"

const char* const kUserTextLineEnd = "\r\n";

// The C library's stat() gives every file the inode 0 here, so the same-file
// test asks the file system itself.
bool isSameFile(const char* first, const char* second) {
  std::error_code error;
  auto path = [](const char* name) {
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(name)));
  };
  const bool same = std::filesystem::equivalent(path(first), path(second), error);
  return !error && same;
}

std::optional<uint64_t> sizeOfOpenFile(std::FILE* file) {
  struct _stat64 status;
  if (_fstat64(_fileno(file), &status) != 0) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

// "notepad" is the system's own editor here.
void runEditorCommand(const std::string& command) {
  int ignored = std::system(command.c_str());
  (void)ignored;
}

RawFile openRawForAppend(const char* name) {
  return RawFile{_open(name, _O_WRONLY | _O_CREAT | _O_APPEND | _O_BINARY | _O_NOINHERIT,
                       _S_IREAD | _S_IWRITE)};
}

RawFile createRawFile(const char* name) {
  _unlink(name);
  return RawFile{_open(name, _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                       _S_IREAD | _S_IWRITE)};
}

std::optional<uint64_t> rawFileSize(RawFile file) {
  struct _stat64 status;
  if (_fstat64(static_cast<int>(file.handle), &status) != 0) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

bool writeRaw(RawFile file, const char* bytes, std::size_t size) {
  while (size > 0) {
    const unsigned piece = size > (1u << 30) ? (1u << 30) : static_cast<unsigned>(size);
    int written = _write(static_cast<int>(file.handle), bytes, piece);
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void closeRaw(RawFile& file) {
  if (file) _close(static_cast<int>(file.handle));
  file = RawFile{};
}

#endif
