// Reading quendrel-map's text inputs.
#include "workfiles/text_input.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "base/report.h"
#include "base/text_lines.h"
#include "workfiles/map_errors.h"

namespace {

constexpr std::size_t kLongestLine = 64 * 1024;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

}  // namespace

std::vector<std::string> readTextLines(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) failMap("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
  std::vector<std::string> lines;
  std::string line;
  bool open = false;  // a line has begun and not ended
  char piece[4096];
  std::size_t length;
  // A line longer than the buffer arrives in pieces.
  while ((length = readLine(file.get(), piece, sizeof piece)) > 0) {
    const bool ends = piece[length - 1] == '\n';
    const std::size_t text = length - (ends ? 1 : 0);
    line.append(piece, std::min(text, kLongestLine - std::min(kLongestLine, line.size())));
    open = !ends;
    if (ends) {
      lines.push_back(std::move(line));
      line.clear();
    }
  }
  if (std::ferror(file.get())) {
    failMap("quendrel-map: cannot read %s: %s\n", path.c_str(), systemErrorText());
  }
  if (open) lines.push_back(std::move(line));
  return lines;
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}
