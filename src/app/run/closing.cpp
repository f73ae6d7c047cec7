// The closing reports of a run.
#include "app/run/closing.h"

#include <cstdio>
#include <iterator>

#include "app/file_names.h"
#include "app/run/record_kinds.h"
#include "app/safety.h"
#include "base/run_files.h"
#include "base/text_format.h"
#include "plugin/cell_handler.h"

namespace {

// The run log, the message file, then standard output.
struct Reporter {
  RunLog& log;
  RunFile& messageFile;
  void line(const std::string& text) {
    log.append(text);
    const std::string bytes = withUserLineEnds(text);
    if (!messageFile.append(bytes)) reportAppendFailure(kMessageFile);
    std::fwrite(text.data(), 1, text.size(), stdout);
  }
};

void reportScriptLists(Reporter& report, const ScriptLists& scripts) {
  if (!scripts.recompile.empty()) {
    report.line(
        "\nYou will need to recompile the following scripts in the TES Construction Set:\n\n");
    int number = 0;
    for (const std::string& name : scripts.recompile) {
      report.line(formatted(
          "  %d. Please recompile the script called \"%s\" in the TES Construction Set.\n",
          ++number, name.c_str()));
    }
  }
  if (!scripts.investigate.empty()) {
    report.line(
        "\nPlease investigate the following scripts that contain Setpos/Getpos commands and may "
        "need recompiling in the TES Construction Set:\n\n");
    int number = 0;
    for (const std::string& name : scripts.investigate) {
      report.line(formatted(
          "  %d. You _may_ need to manually modify and recompile the script called \"%s\" in "
          "the TES Construction Set.\n",
          ++number, name.c_str()));
    }
  }
}

void reportSummary(Reporter& report, const RunCounters& counters, const std::string& output,
                   const FollowedMod* followed) {
  std::string text = formatted(
      "\n\nQuendrel has finished. The new data has been written to %s\n", output.c_str());
  if (followed != nullptr) {
    appendFormatted(text, "It follows the move of %s: %d grids moved, %d copied, %d deleted.\n",
                    followed->path.c_str(), followed->count(CellFate::kMoved),
                    followed->count(CellFate::kCopied), followed->count(CellFate::kDeleted));
  }
  text += '\n';
  for (const SummaryLine& line : summaryLines()) {
    appendFormatted(text, "\t%s%d", line.label, counters.*line.first);
    if (line.second != nullptr) appendFormatted(text, "/%d", counters.*line.second);
    text += '\n';
  }
  report.line(text);
}

void reportCellListSummary(RunLog& log, const RunCounters& counters) {
  const std::string text = formatted(
      "\nQuendrel has finished. The list of cells has been written to %s.\n"
      "---------------------------------------------\n"
      "Total CELL records found:                %d\n"
      "---------------------------------------------\n",
      kCellListFile, counters.cellsFound);
  log.append(text);
  std::fwrite(text.data(), 1, text.size(), stdout);
}

}  // namespace

void writeClosingReports(const RunOptions& options, const RunCounters& counters,
                         const ScriptLists& scripts, RunLog& log, TextEditor& editor,
                         const FollowedMod* followed) {
  {
    // The message file is created anew by its first text and closed before
    // the editor opens it, however the closing ends.
    RunFile messageFile(kMessageFile);
    RunFileHeld held(messageFile);
    Reporter report{log, messageFile};
    if (options.listCells) {
      reportCellListSummary(log, counters);
    } else {
      reportScriptLists(report, scripts);
      reportSummary(report, counters, options.outputPath, followed);
    }
  }
  removeWorkFiles();
  log.flush();
  std::fflush(stdout);
  editor.show(kMessageFile);
  std::remove(kMessageFile);
}
