// The interior cell names.
#include "workfiles/interior_list.h"

#include <cerrno>
#include <cstdio>
#include <memory>

#include "base/ascii.h"
#include "base/report.h"
#include "base/text_format.h"
#include "base/text_lines.h"

const char* const kInteriorListFile = "qnintcs.tmp";
const char* const kKnownInteriorsFile = "qn_interiors.dat";

namespace {

constexpr std::size_t kListLineSize = kListNameMax + 1;  // a line's bytes and a zero, more in pieces

// A line as the lookup compares it: lower-cased, without its line feed.
std::string comparedLine(char* line, std::size_t length) {
  if (line[length - 1] == '\n') --length;
  lowerCaseCopy(line, length, line);
  return std::string(line, length);
}

}  // namespace

void InteriorNames::addLines(std::string_view text) {
  char line[kListLineSize];
  std::size_t at = 0;
  std::size_t length;
  while ((length = readLine(text, at, line, sizeof line)) > 0) {
    // The compared line ends at a zero byte, as a C string would.
    lines_.insert(comparedLine(line, length).c_str());
  }
}

namespace {

// True when a line of a list holds the name whole, as it is.
bool fitsOneLine(const std::string& name) {
  return !name.empty() && name.size() <= kListNameMax && name.find_first_of("\r\n") == std::string::npos;
}

}  // namespace

std::optional<std::string> listedName(const std::string& name) {
  if (!fitsOneLine(name)) return std::nullopt;
  std::string lower(name.size(), '\0');
  lowerCaseCopy(name.data(), name.size(), lower.data());
  return std::string(lower.c_str());
}

std::string knownInteriorsText(const std::vector<std::string>& names) {
  std::string text;
  std::unordered_set<std::string> written;
  for (const std::string& name : names) {
    if (!fitsOneLine(name)) continue;
    std::string lower(name.size(), '\0');
    lowerCaseCopy(name.data(), name.size(), lower.data());
    if (written.insert(lower).second) text += name + "\n";
  }
  return text;
}

void noteInteriorName(RunFile& file, InteriorNames& seen, RunLog& log, const std::string& name) {
  const std::string line = name + '\n';
  if (!file.append(line)) {
    const std::string message = formatted(
        "Unable to open temp file for listing recording internal cell names: (%s): %s\n",
        kInteriorListFile, systemErrorText());
    log.append(message);
    std::fwrite(message.data(), 1, message.size(), stderr);
    return;
  }
  seen.addLines(line);
}

KnownInteriors readKnownInteriors() {
  KnownInteriors known;
  struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(kKnownInteriorsFile, "rb"));
  if (!file) {
    known.openError = errno;
    return known;
  }
  known.opened = true;
  std::string text;
  char piece[4096];
  std::size_t got;
  while ((got = std::fread(piece, 1, sizeof piece, file.get())) > 0) text.append(piece, got);
  known.names.addLines(text);
  return known;
}

bool InteriorLookup::isInteriorCell(const char* name, RunLog& log) const {
  if (!known.opened) {
    errno = known.openError;
    const std::string message = formatted(
        "Unable to double-check my list of Interior Cells against your Script *Cell "
        "commands. I cannot open the file %s: %s\n",
        kKnownInteriorsFile, systemErrorText());
    log.append(message);
    std::fwrite(message.data(), 1, message.size(), stderr);
  }
  return isInteriorCellQuietly(name);
}

bool InteriorLookup::isInteriorCellQuietly(const char* name) const {
  const std::string key = name;
  return (known.opened && known.names.holds(key)) || seen.holds(key);
}
