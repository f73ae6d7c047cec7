// Reading a plugin's first four bytes.
#include "records/plugin_signature.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string shownBytes(const char* bytes, std::size_t count) {
  std::string shown;
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c >= 0x20 && c < 0x7f && c != '\\' && c != '"') {
      shown += static_cast<char>(c);
    } else {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += escaped;
    }
  }
  return shown;
}

}  // namespace

PluginSignature readPluginSignature(const char* path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) return {PluginSignature::kUnreadable, ""};
  char signature[4];
  errno = 0;
  const std::size_t got = std::fread(signature, 1, sizeof signature, file.get());
  // A folder opens on some systems and then fails at the first read.
  if (got == 0 && std::ferror(file.get())) return {PluginSignature::kUnreadable, ""};
  const std::string shown = shownBytes(signature, got);
  if (got == 0) return {PluginSignature::kEmpty, shown};
  if (got == 4 && std::memcmp(signature, "TES3", 4) == 0) return {PluginSignature::kTes3, shown};
  if (got == 4 && std::memcmp(signature, "TES4", 4) == 0) return {PluginSignature::kTes4, shown};
  return {PluginSignature::kOther, shown};
}
