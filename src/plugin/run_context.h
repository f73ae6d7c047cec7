// What a run of quendrel hands to the record handlers, what they only read
// kept apart from what they change. The scan pass's handlers read the
// options and the rules and change the scan's facts, work files and run log;
// the write pass's handlers read the options, the rules and the scan's facts,
// and change the run log and the closing's counts and script lists. Both
// take the record in hand; the write pass's return what is to be written for
// the record.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "base/run_files.h"
#include "base/run_log.h"
#include "records/grid_regions.h"
#include "records/record_layout.h"
#include "rules/rules.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"

struct RunOptions {
  bool verbose = false;        // -v: the run log gets every record
  bool listCells = false;      // -l: one pass, the cells listed to cell_log.txt
  bool rulesOnly = false;      // -r: the rules listed, then the run ends
  bool copiesOnly = false;     // -n: only the header and copied CELL and LAND records
  bool modifyScripts = true;   // cleared by -d: script and dialogue text left alone
  std::string rulesPath = "quendrel.cfg";  // --rules FILE
  std::string outputPath = "QNOUT.ESP";    // --output FILE
  // --sync-header: the output's header counts its records and gives each
  // master's present size.
  bool syncHeader = false;
  // --follow MOD: the plugin follows MOD's move, grid by grid (empty: no mod).
  std::string followPath;
  bool following() const { return !followPath.empty(); }
  // The new plugin while it is written, beside it; renamed to it once whole.
  std::string temporaryOutput() const { return outputPath + ".tmp"; }
};

// What the write pass writes for a record: the record as read, its modified
// copy, both (a copy) or neither (a deletion). Before its handler runs, a
// record is to be written as read.
struct OutputDecision {
  bool writeOriginal = true;
  bool writeModified = false;
};
// The record goes out as its modified copy only, in place of the original:
// what a rewritten pointer or text makes of a record that was to be written
// as read.
inline void writeModifiedOnly(OutputDecision& decision) {
  decision.writeOriginal = false;
  decision.writeModified = true;
}

// The counts of the closing summary, in its order.
struct RunCounters {
  int32_t cellsFound = 0;
  int32_t landsFound = 0;
  int32_t cellsAndLandsModified = 0;
  int32_t objectsModified = 0;
  int32_t objectsFound = 0;
  int32_t scriptCommandsModified = 0;
  int32_t scriptsFound = 0;
  int32_t dialogModified = 0;
  int32_t dialogFound = 0;
  int32_t pathGridsModified = 0;
  int32_t pathGridsFound = 0;
  int32_t aiPackagesModified = 0;
  int32_t aiPackagesFound = 0;
  int32_t travelModified = 0;
  int32_t travelFound = 0;
};

// The scripts named in the closing reports, in the order they were met.
struct ScriptLists {
  std::vector<std::string> recompile;
  std::vector<std::string> investigate;
};
constexpr std::size_t kScriptListCapacity = 10000;
constexpr std::size_t kScriptNameMax = 127;
// Adds a script name (cut to kScriptNameMax characters) to a closing list,
// dropping it once the list holds kScriptListCapacity names.
void addScriptToList(std::vector<std::string>& list, const char* name);

// What the scan pass learns of the plugin for the write pass.
struct ScanFacts {
  ChangeList moves;        // every exterior cell the rules move
  InteriorNames interiors; // every interior cell's name
  // The region of the plugin's first cell at each exterior grid: land, path
  // grids and moved-reference targets name a cell by its grid alone.
  GridRegions regions;
  const char* regionAt(GridCell grid) const { return regions.at(grid); }
};

// What the check of the rules file at the end of the run takes of the
// plugin, as the passes meet it: each sound exterior cell with its region
// and each interior cell's name (scan pass), and each sound land record
// without a cell of the plugin at its grid (write pass, which alone reads
// land).
struct PlacesSeen {
  std::vector<std::pair<GridCell, std::string>> cells;
  std::vector<GridCell> landWithoutCell;
  std::vector<std::string> interiors;
};

// The files the scan pass writes, held (created anew, kept open) while it runs.
struct ScanFiles {
  RunFile changeList;
  RunFile interiorList;
  RunFile cellList;
};

// What the scan pass's handlers only read.
struct ScanInputs {
  const RunOptions& options;
  const RuleTable& rules;
};

// What the scan pass changes as it reads the cells: the facts it gathers,
// the work files it writes them to, and the run log.
struct ScanState {
  ScanFacts& facts;
  ScanFiles& files;
  RunLog& log;
  // The plugin's places, for the check of the rules file.
  PlacesSeen& seen;
  // The name of the last CELL record read. The write pass starts with it: a
  // path grid ahead of every cell shows the name of the plugin's last cell.
  std::string lastCellName;
};

// What the write-pass handlers only read: the options, the rules, and what
// the scan pass learned (with the user's list of interior cell names).
struct WriteInputs {
  const RunOptions& options;
  const RuleTable& rules;
  const ScanFacts& facts;
  const KnownInteriors& knownInteriors;
  InteriorLookup interiors() const { return {knownInteriors, facts.interiors}; }
};

// What the write-pass handlers change besides the record in hand: the run
// log, the counts and script lists of the closing, and the name of the last
// CELL record read (a path grid's log line shows it).
struct WriteState {
  RunLog& log;
  RunCounters& counters;
  ScriptLists& scripts;
  PlacesSeen& seen;  // the land without a cell, for the check of the rules file
  std::string lastCellName;
};

// The record being handled: the bytes as read (`original`, header included)
// and the modified copy the handlers change (`modified`, header included,
// with room behind the record for script text to grow into; `modifiedSize`
// is the size of the record in it).
struct RecordInHand {
  uint8_t* original;
  uint32_t recordSize;
  uint64_t fileOffset;  // of the record's first byte in the plugin
  std::vector<uint8_t>& modified;
  uint32_t& modifiedSize;
  uint8_t* originalData() const { return original + kRecordHeaderSize; }
  uint8_t* modifiedData() const { return modified.data() + kRecordHeaderSize; }
  std::size_t dataSize() const { return recordSize - kRecordHeaderSize; }
};
