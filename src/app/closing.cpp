// The closing reports of a run.
#include "app/closing.h"

#include <cstdio>

#include "base/report.h"
#include "base/run_files.h"
#include "base/run_state.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"

namespace {

void reportScriptLists() {
  if (!scriptLists.recompile.empty()) {
    reportLine("\nYou will need to recompile the following scripts in the TES Construction Set:\n\n");
    int number = 0;
    for (const std::string& name : scriptLists.recompile) {
      reportLine(formatMessage(
          "  %d. Please recompile the script called \"%s\" in the TES Construction Set.\n",
          ++number, name.c_str()));
    }
  }
  if (!scriptLists.investigate.empty()) {
    reportLine(
        "\nPlease investigate the following scripts that contain Setpos/Getpos commands and may "
        "need recompiling in the TES Construction Set:\n\n");
    int number = 0;
    for (const std::string& name : scriptLists.investigate) {
      reportLine(formatMessage(
          "  %d. You _may_ need to manually modify and recompile the script called \"%s\" in "
          "the TES Construction Set.\n",
          ++number, name.c_str()));
    }
  }
}

void reportSummary() {
  const RunCounters& c = runCounters;
  reportLine(formatMessage(
      "\n\nQuendrel has finished. The new data has been written to %s\n\n"
      "\tTotal CELL records found:                     %d\n"
      "\tTotal LAND records found:                     %d\n"
      "\tTotal CELL/LAND records modified or copied:   %d\n"
      "\tTotal objects modified/found:                 %d/%d\n"
      "\tTotal Script Commands modified/Scripts found: %d/%d\n"
      "\tTotal Dialog entries  modified/found:         %d/%d\n"
      "\tTotal Path Grids      modified/found:         %d/%d\n"
      "\tTotal AI Packages     modified/found:         %d/%d\n"
      "\tTotal Travel Services modified/found:         %d/%d\n",
      kOutputPlugin, c.cellsFound, c.landsFound, c.cellsAndLandsModified, c.objectsModified,
      c.objectsFound, c.scriptCommandsModified, c.scriptsFound, c.dialogModified, c.dialogFound,
      c.pathGridsModified, c.pathGridsFound, c.aiPackagesModified, c.aiPackagesFound,
      c.travelModified, c.travelFound));
}

void reportCellListSummary() {
  formatMessage(
      "\nQuendrel has finished. The list of cells has been written to %s.\n"
      "---------------------------------------------\n"
      "Total CELL records found:                %d\n"
      "---------------------------------------------\n",
      kCellListFile, runCounters.cellsFound);
  appendRunLog(messageBuffer);
  std::fwrite(messageBuffer.data(), 1, messageBuffer.size(), stdout);
}

}  // namespace

// The message file is created anew by its first text and closed before the
// editor opens it, however the closing ends.
struct MessageFileHeld {
  MessageFileHeld() { holdRunFile(messageFile); }
  ~MessageFileHeld() { releaseRunFile(messageFile); }
};

void writeClosingReports() {
  {
    MessageFileHeld held;
    if (runOptions.listCells) {
      reportCellListSummary();
    } else {
      reportScriptLists();
      reportSummary();
    }
  }
  std::remove(kChangeListFile);
  std::remove(kScriptTextFile);
  std::remove(kRewrittenTextFile);
  std::remove(kInteriorListFile);
  flushRunLog();
  std::fflush(stdout);
  openInTextEditor(kMessageFile);
  std::remove(kMessageFile);
}
