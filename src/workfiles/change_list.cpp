// The change list "qncells.tmp".
#include "workfiles/change_list.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "base/report.h"
#include "base/run_files.h"
#include "base/ascii.h"
#include "base/numbers.h"
#include "base/text_lines.h"

const char* const kChangeListFile = "qncells.tmp";

namespace {

struct ChangeLine {
  int32_t oldX, oldY, offsetX, offsetY;
};

std::optional<std::vector<ChangeLine>> changesInMemory;

// Reads "%d, %d, %d, %d": four numbers, each but the first behind a comma
// (white space around the commas is free). A line that does not hold them
// matches nothing.
bool parseChangeLine(const char* line, ChangeLine& change) {
  int32_t values[4];
  const char* p = line;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) {
      while (isAsciiSpace(*p)) ++p;
      if (*p != ',') return false;
      ++p;
    }
    const char* end;
    values[i] = readLeadingInt(p, &end);
    if (end == p) return false;
    p = end;
  }
  change = {values[0], values[1], values[2], values[3]};
  return true;
}

template <typename Visit>
void readChangeFile(Visit visit) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(kChangeListFile, "rb"));
  if (!file) return;
  char line[128];
  while (readLine(file.get(), line, sizeof line) > 0) {
    ChangeLine change;
    if (parseChangeLine(line, change) && visit(change)) return;
  }
}

}  // namespace

RunFile changeListFile{kChangeListFile};

void appendChange(int32_t oldX, int32_t oldY, int32_t offsetX, int32_t offsetY) {
  char line[64];
  const int length = std::snprintf(line, sizeof line, "%d, %d, %d, %d\n", oldX, oldY, offsetX, offsetY);
  if (!appendToRunFile(changeListFile, line, static_cast<std::size_t>(length))) {
    std::fprintf(stderr, "Unable to open change list file for appending (%s): %s\n",
                 kChangeListFile, systemErrorText());
  }
}

bool findChange(int32_t x, int32_t y, int32_t& offsetX, int32_t& offsetY) {
  auto matches = [&](const ChangeLine& change) {
    if (change.oldX != x || change.oldY != y) return false;
    offsetX = change.offsetX;
    offsetY = change.offsetY;
    return true;
  };
  if (changesInMemory) {
    for (const ChangeLine& change : *changesInMemory) {
      if (matches(change)) return true;
    }
    return false;
  }
  bool found = false;
  readChangeFile([&](const ChangeLine& change) { return found = matches(change); });
  return found;
}

void holdChangeListInMemory() {
  std::vector<ChangeLine> changes;
  readChangeFile([&](const ChangeLine& change) {
    changes.push_back(change);
    return false;
  });
  changesInMemory = std::move(changes);
}

void dropChangeListFromMemory() { changesInMemory.reset(); }
