// Creating the picture's file anew.
#include "map/svg_file.h"

#include <cerrno>
#include <filesystem>

std::FILE* createNewFile(const char* path) {
  std::error_code error;
  if (std::filesystem::is_directory(std::filesystem::symlink_status(path, error))) {
    errno = EISDIR;
    return nullptr;
  }
  std::remove(path);  // a link itself, not its target
  // "x": the file must not exist, so nothing put there in the meantime is
  // written through either.
  return std::fopen(path, "wbx");
}
