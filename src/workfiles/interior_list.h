// The interior cell names: "qnintcs.tmp", every interior cell name of the
// plugin, learned in the scan pass, and "qn_interiors.dat", the user's own
// optional list. Script commands and path grids that name a cell use them to
// tell an interior cell (left alone) from an exterior one.
//
// The scan pass writes each name to "qnintcs.tmp" as well; the run deletes
// that file at its end and never reads it back: the write pass gets the
// names as a value, looked up exactly as the file's lines would be (each
// line lower-cased, its line end removed, a line of more than 255 bytes
// taken in pieces).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/run_files.h"
#include "base/run_log.h"

extern const char* const kInteriorListFile;    // "qnintcs.tmp"
extern const char* const kKnownInteriorsFile;  // "qn_interiors.dat"

// The longest name a list line holds whole: a longer line is read in
// pieces, so a longer name could never be matched.
constexpr std::size_t kListNameMax = 255;

// Interior cell names as lines of "qn_interiors.dat", as quendrel reads
// them back: one a line, each once (compared as the lookup compares them,
// without regard to ASCII letter case: "Vivec" after "vivec" is left out),
// in their order. A name no line holds as it is (empty, longer than
// kListNameMax bytes, or holding a line end) is left out.
std::string knownInteriorsText(const std::vector<std::string>& names);

// A name as InteriorNames compares it once a list of knownInteriorsText's
// holds it: lower-cased, up to a zero byte it may hold ("Vivec, Arena" is
// held as "vivec, arena"); nothing for a name no line holds as it is.
std::optional<std::string> listedName(const std::string& name);

// A list of names as a lookup compares them.
class InteriorNames {
 public:
  // Adds the lines of `text` as a list file holding it would give them.
  void addLines(std::string_view text);
  bool holds(const std::string& lowerName) const { return lines_.count(lowerName) > 0; }

 private:
  std::unordered_set<std::string> lines_;
};

// Appends the name and a line end to the file and adds it to `seen`. A file
// that cannot be opened is reported to the run log and standard error, and
// the name is lost, as it is lost to the file.
void noteInteriorName(RunFile& file, InteriorNames& seen, RunLog& log, const std::string& name);

// The user's "qn_interiors.dat", read once for the write pass.
struct KnownInteriors {
  bool opened = false;
  int openError = 0;  // errno, when it could not be opened
  InteriorNames names;
};
KnownInteriors readKnownInteriors();

// Looks names up in the user's list first, then in the plugin's own.
struct InteriorLookup {
  const KnownInteriors& known;
  const InteriorNames& seen;

  // True when `name` (compared exactly, so callers pass it in lower case)
  // is a known interior cell. A missing "qn_interiors.dat" is reported to
  // the run log and standard error at every call.
  bool isInteriorCell(const char* name, RunLog& log) const;
  // The same without any report: for records that name their cell rather
  // than script commands.
  bool isInteriorCellQuietly(const char* name) const;
};
