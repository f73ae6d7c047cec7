// Creating a file quendrel-map writes anew.
#include "map/entry/new_file.h"

#include <cerrno>
#include <filesystem>
#include <string>

#include "base/platform.h"

std::FILE* createNewFile(const char* path) {
  // A folder in the way is named as such, rather than as a file that exists.
  std::error_code error;
  const std::filesystem::path name(std::u8string(reinterpret_cast<const char8_t*>(path)));
  if (std::filesystem::is_directory(std::filesystem::symlink_status(name, error))) {
    errno = EISDIR;
    return nullptr;
  }
  return createFileStream(path);
}
