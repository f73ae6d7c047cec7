// The POSIX side of platform.h.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "base/platform.h"

const char* const kUserTextLineEnd = "\n";

bool isSameFile(const char* first, const char* second) {
  struct stat a, b;
  if (stat(first, &a) != 0 || stat(second, &b) != 0) return false;
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::optional<uint64_t> sizeOfOpenFile(std::FILE* file) {
  struct stat status;
  if (fstat(fileno(file), &status) != 0) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

namespace {

bool isExecutable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

// The fallback notepad's folder: beside the installed program, or in the
// source tree for a program run from its build directory.
std::string fallbackFolder() {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string exe(self, static_cast<std::size_t>(length));
    std::string bin = exe.substr(0, exe.rfind('/'));
    std::string installed = bin + "/../libexec/quendrel";
    if (isExecutable(installed + "/notepad")) return installed;
  }
  return QUENDREL_BUILD_LIBEXEC_DIR;
}

}  // namespace

void runEditorCommand(const std::string& command) {
  const char* oldPath = std::getenv("PATH");
  std::string savedPath = oldPath ? oldPath : "";
  std::string path = savedPath.empty() ? fallbackFolder() : savedPath + ":" + fallbackFolder();
  setenv("PATH", path.c_str(), 1);
  int ignored = std::system(command.c_str());
  (void)ignored;
  if (oldPath) {
    setenv("PATH", savedPath.c_str(), 1);
  } else {
    unsetenv("PATH");
  }
}

RawFile openRawForAppend(const char* name) {
  return RawFile{::open(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666)};
}

RawFile createRawFile(const char* name) {
  ::unlink(name);
  return RawFile{::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666)};
}

std::optional<uint64_t> rawFileSize(RawFile file) {
  struct stat status;
  if (::fstat(static_cast<int>(file.handle), &status) != 0) return std::nullopt;
  return static_cast<uint64_t>(status.st_size);
}

bool writeRaw(RawFile file, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(static_cast<int>(file.handle), bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

void closeRaw(RawFile& file) {
  if (file) ::close(static_cast<int>(file.handle));
  file = RawFile{};
}

#endif
