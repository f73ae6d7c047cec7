// The run from the command line to the exit status: options, start-up,
// rule listing, and the checks made before the passes.
#include "app/startup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "app/options.h"
#include "app/passes.h"
#include "app/rule_listing.h"
#include "app/safety.h"
#include "base/platform.h"
#include "base/report.h"
#include "base/run_state.h"
#include "rules/rules.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"
#include "base/text_lines.h"
#include "plugin/plugin_signature.h"

namespace {

// Clears the per-record state and the work files an earlier run left behind.
void startAfresh() {
  std::memset(cellState.cellName, 0, sizeof cellState.cellName);
  std::memset(cellState.regionName, 0, sizeof cellState.regionName);
  cellState.oldX = cellState.oldY = cellState.newX = cellState.newY = 0;
  cellState.isInterior = 1;
  outputDecision = OutputDecision{};
  std::remove(kRunLogFile);
  std::remove(kChangeListFile);
  std::remove(kMessageFile);
  std::remove(kInteriorListFile);
  if (runOptions.listCells) std::remove(kCellListFile);
}

// Only a TES3 plugin goes to the passes. An empty file is a plugin without
// records; a folder, a text file or a plugin of the next-generation format
// ("TES4") is refused before any pass, with QNOUT.ESP untouched.
void checkPluginSignature(const char* pluginPath) {
  const PluginSignature signature = readPluginSignature(pluginPath);
  switch (signature.kind) {
    case PluginSignature::kTes3:
    case PluginSignature::kEmpty:
      return;
    case PluginSignature::kUnreadable:
      failRun("Unable to open %s for reading: %s\n", pluginPath, systemErrorText());
    case PluginSignature::kTes4:
      failRun("Unable to read %s: it is a TES4 plugin, and Quendrel handles TES3 plugins only\n",
              pluginPath);
    case PluginSignature::kOther:
      failRun(
          "Unable to read %s: it is not a TES3 plugin (it begins with \"%s\", not \"TES3\")\n",
          pluginPath, signature.shown.c_str());
  }
}

// The folder is claimed from before the first deletion to the end of the
// run, however the run ends.
struct FolderClaimed {
  FolderClaimed(const char* pluginPath, bool writesOutput) {
    claimFolder(pluginPath, writesOutput);
  }
  ~FolderClaimed() { releaseFolder(); }
};

// The run log is held from the start-up's deletion of the old log to the end
// of the run, however the run ends.
struct RunLogHeld {
  RunLogHeld() { holdRunLog(); }
  ~RunLogHeld() { releaseRunLog(); }
};

int run(int argc, char** argv) {
  clearRunState();
  ArgumentVector arguments;
  for (int i = 0; i < argc; ++i) arguments.vector.push_back(argv[i]);
  if (arguments.vector.empty()) arguments.vector.push_back(const_cast<char*>("quendrel"));

  if (arguments.vector.size() < 2) {
    std::fprintf(stderr, "No command line options specified: Searching for options in %s\n",
                 kRulesFile);
    readOptionsLine(kRulesFile, arguments);
  }
  if (arguments.vector.size() < 2) {
    printFirstUsage(arguments);
    return 1;
  }
  int pathIndex = parseOptions(arguments);
  const char* pluginPath = arguments.vector[pathIndex];

  FolderClaimed folderClaimed(pluginPath, !runOptions.listCells && !runOptions.rulesOnly);
  RunLogHeld runLogHeld;
  startAfresh();
  if (!runOptions.modifyScripts) {
    appendRunLog(
        "The \"-d\" option has been specified: Scripts and Dialog Commands will not be "
        "modified.\n");
  }
  // The rules file is read once; the listing and both passes use the table.
  std::optional<RuleTable> rules = readRulesFile(kRulesFile);
  if (!rules) {
    failRun("Unable to open your Cell Transposition rules file (%s): %s\n", kRulesFile,
            systemErrorText());
  }
  listRules(*rules, RuleKind::kExterior);
  listRules(*rules, RuleKind::kInterior);
  if (runOptions.rulesOnly) return 0;

  appendRunLog(
      "----------------------------------------------------------------------------------------"
      "\n\n");
  checkPluginSignature(pluginPath);
  return runPasses(pluginPath, *rules);
}

}  // namespace

int runQuendrel(int argc, char** argv) {
  // Options that end the run early may have taken the folder lock too.
  struct FolderReleased {
    ~FolderReleased() { releaseFolder(); }
  } folderReleased;
  return exitStatusOf([&] { return run(argc, argv); }, "Unable to allocate memory: %s\n");
}
