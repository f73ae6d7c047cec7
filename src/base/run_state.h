// The state one run of Quendrel shares between all of its parts: the
// options, the location the current record concerns, what the write pass
// writes for it, the counts and script lists of the closing summary, and the
// names of the files the run uses.
//
// Every struct here exists once per process and lives for the whole run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// OutputDecision codes: the write pass writes a record's original and its
// modified copy according to these two fields.
constexpr int kYes = 2;
constexpr int kNo = 3;

struct RunOptions {
  bool verbose = false;
  bool listCells = false;
  bool rulesOnly = false;
  bool copiesOnly = false;
  bool modifyScripts = true;
  int pass = 1;  // 1 = scan pass, 2 = write pass
};

constexpr std::size_t kNameFieldSize = 1024;  // cell and region names, 1023 characters at most

struct CellState {
  uint32_t recordSize = 0;  // of the record being handled, header included
  char cellName[kNameFieldSize] = {};
  char regionName[kNameFieldSize] = {};
  int32_t oldX = 0, oldY = 0;
  int32_t newX = 0, newY = 0;
  int isInterior = 1;
};

struct OutputDecision {
  int writeOriginal = kYes;
  int writeModified = kNo;
};

// The record goes out as its modified copy only, in place of the original:
// what a rewritten pointer or text makes of a record that was to be written
// as read.
inline void writeModifiedOnly(OutputDecision& decision) {
  decision.writeOriginal = kNo;
  decision.writeModified = kYes;
}

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

extern RunOptions runOptions;
extern CellState cellState;
extern OutputDecision outputDecision;
extern RunCounters runCounters;
extern ScriptLists scriptLists;

// Names of the files the run reads and writes in the current directory.
extern const char* const kRulesFile;      // "quendrel.cfg"
extern const char* const kRunLogFile;     // "qnlog.txt"
extern const char* const kMessageFile;    // "qnmsg.txt"
extern const char* const kCellListFile;   // "cell_log.txt"
extern const char* const kOutputPlugin;   // "QNOUT.ESP"
// The script work files of earlier versions, which carried each script's text
// out of its record and back; the text now stays in memory, and a run still
// clears them away at its end.
extern const char* const kScriptTextFile;     // "qnscpt0.txt"
extern const char* const kRewrittenTextFile;  // "qnscpt1.txt"

// Puts every shared struct back to its start-of-run value.
void clearRunState();

// Adds a script name (cut to kScriptNameMax characters) to a closing list,
// dropping it once the list holds kScriptListCapacity names.
void addScriptToList(std::vector<std::string>& list, const char* name);
