// Finding files by name in a folder.
#include "base/platform/folder_files.h"

#include <cstdio>
#include <filesystem>
#include <memory>

#include "base/ascii.h"
#include "base/platform/platform.h"

namespace {

std::filesystem::path utf8Path(const std::string& path) {
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
}

std::string utf8Text(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

bool sameIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (toLowerAscii(a[i]) != toLowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace

std::string folderOf(const std::string& path) {
  const std::string folder = utf8Text(utf8Path(path).parent_path());
  return folder.empty() ? "." : folder;
}

std::optional<std::string> findFileIgnoringCase(const std::string& folder,
                                                const std::string& name) {
  // Where names differ only in case (Linux), the exact name wins, then the
  // first in byte order, so that the answer never depends on the listing.
  std::optional<std::string> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(utf8Path(folder), error)) {
    const std::string entryName = utf8Text(entry.path().filename());
    if (!sameIgnoringCase(entryName, name)) continue;
    if (entryName == name) return utf8Text(entry.path());
    if (!found || utf8Text(entry.path()) < *found) found = utf8Text(entry.path());
  }
  return found;
}

std::optional<uint64_t> sizeOfFile(const std::string& path) {
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  return sizeOfOpenFile(file.get());
}
