// The interior cell lists "qnintcs.tmp" and "qn_interiors.dat".
#include "workfiles/interior_list.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "app/run_state.h"
#include "workfiles/text_lines.h"

const char* const kInteriorListFile = "qnintcs.tmp";
const char* const kKnownInteriorsFile = "qn_interiors.dat";

int appendInteriorName(const char* name) {
  std::FILE* file = std::fopen(kInteriorListFile, "a");
  if (file == nullptr) {
    appendRunLog(formatMessage(
        "Unable to open temp file for listing recording internal cell names: (%s): %s\n",
        kInteriorListFile, systemErrorText()));
    std::fwrite(messageBuffer.data(), 1, messageBuffer.size(), stderr);
    return 1;
  }
  std::fprintf(file, "%s\n", name);
  std::fflush(file);
  std::fclose(file);
  return 0;
}

// Looks for `name` among the lines of an open list file.
static bool listHoldsName(std::FILE* file, const char* name) {
  char line[256];
  std::size_t length;
  while ((length = readLine(file, line, sizeof line, LineEnds::kText)) > 0) {
    if (line[length - 1] == '\n') line[--length] = '\0';
    for (std::size_t i = 0; i < length; ++i) {
      if (line[i] >= 'A' && line[i] <= 'Z') line[i] = static_cast<char>(line[i] - 'A' + 'a');
    }
    if (std::strcmp(line, name) == 0) return true;
  }
  return false;
}

static bool lookUpInteriorCell(const char* name, bool reportMissingList) {
  {
    std::unique_ptr<std::FILE, FileCloser> known(std::fopen(kKnownInteriorsFile, "r"));
    if (!known && reportMissingList) {
      appendRunLog(formatMessage(
          "Unable to double-check my list of Interior Cells against your Script *Cell "
          "commands. I cannot open the file %s: %s\n",
          kKnownInteriorsFile, systemErrorText()));
      std::fwrite(messageBuffer.data(), 1, messageBuffer.size(), stderr);
    }
    if (known && listHoldsName(known.get(), name)) return true;
  }
  std::unique_ptr<std::FILE, FileCloser> seen(std::fopen(kInteriorListFile, "r"));
  return seen && listHoldsName(seen.get(), name);
}

bool isInteriorCell(const char* name) { return lookUpInteriorCell(name, true); }

bool isInteriorCellQuietly(const char* name) { return lookUpInteriorCell(name, false); }
