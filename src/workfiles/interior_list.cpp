// The interior cell lists "qnintcs.tmp" and "qn_interiors.dat".
#include "workfiles/interior_list.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>

#include "base/ascii.h"
#include "base/report.h"
#include "base/run_files.h"
#include "base/text_lines.h"

const char* const kInteriorListFile = "qnintcs.tmp";
const char* const kKnownInteriorsFile = "qn_interiors.dat";

RunFile interiorListFile{kInteriorListFile};

int appendInteriorName(const char* name) {
  std::string line = name;
  line += '\n';
  if (!appendToRunFile(interiorListFile, line.data(), line.size())) {
    appendRunLog(formatMessage(
        "Unable to open temp file for listing recording internal cell names: (%s): %s\n",
        kInteriorListFile, systemErrorText()));
    std::fwrite(messageBuffer.data(), 1, messageBuffer.size(), stderr);
    return 1;
  }
  return 0;
}

// Hands every line of an open list file to `visit`, lower-cased and without
// its line end, until `visit` returns true. A line longer than the buffer
// arrives in pieces, each a line of its own.
template <typename Visit>
static bool visitListLines(std::FILE* file, Visit visit) {
  char line[256];
  std::size_t length;
  while ((length = readLine(file, line, sizeof line)) > 0) {
    if (line[length - 1] == '\n') --length;
    lowerCaseCopy(line, length, line);
    if (visit(static_cast<const char*>(line))) return true;
  }
  return false;
}

// Looks for `name` among the lines of an open list file.
static bool listHoldsName(std::FILE* file, const char* name) {
  return visitListLines(file, [&](const char* line) { return std::strcmp(line, name) == 0; });
}

namespace {

// A list file as read once: whether it could be opened (and the error if
// not), and its lines as the lookup compares them.
struct HeldList {
  bool opened = false;
  int openError = 0;
  std::unordered_set<std::string> lines;
};

std::optional<HeldList> heldKnown;
std::optional<HeldList> heldSeen;

HeldList readWholeList(const char* path) {
  HeldList list;
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path, "rb"));
  if (!file) {
    list.openError = errno;
    return list;
  }
  list.opened = true;
  visitListLines(file.get(), [&](const char* line) {
    list.lines.emplace(line);
    return false;
  });
  return list;
}

void reportMissingKnownList() {
  appendRunLog(formatMessage(
      "Unable to double-check my list of Interior Cells against your Script *Cell "
      "commands. I cannot open the file %s: %s\n",
      kKnownInteriorsFile, systemErrorText()));
  std::fwrite(messageBuffer.data(), 1, messageBuffer.size(), stderr);
}

bool lookUpHeld(const char* name, bool reportMissingList) {
  if (!heldKnown->opened && reportMissingList) {
    errno = heldKnown->openError;
    reportMissingKnownList();
  }
  if (heldKnown->opened && heldKnown->lines.count(name) > 0) return true;
  return heldSeen->opened && heldSeen->lines.count(name) > 0;
}

}  // namespace

static bool lookUpInteriorCell(const char* name, bool reportMissingList) {
  if (heldKnown && heldSeen) return lookUpHeld(name, reportMissingList);
  {
    std::unique_ptr<std::FILE, FileCloser> known(std::fopen(kKnownInteriorsFile, "rb"));
    if (!known && reportMissingList) reportMissingKnownList();
    if (known && listHoldsName(known.get(), name)) return true;
  }
  std::unique_ptr<std::FILE, FileCloser> seen(std::fopen(kInteriorListFile, "rb"));
  return seen && listHoldsName(seen.get(), name);
}

void holdInteriorListsInMemory() {
  heldKnown = readWholeList(kKnownInteriorsFile);
  heldSeen = readWholeList(kInteriorListFile);
}

void dropInteriorListsFromMemory() {
  heldKnown.reset();
  heldSeen.reset();
}

bool isInteriorCell(const char* name) { return lookUpInteriorCell(name, true); }

bool isInteriorCellQuietly(const char* name) { return lookUpInteriorCell(name, false); }
