// The run from the command line to the exit status: options, start-up,
// rule listing, and the checks made before the passes.
#include "app/startup.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "app/options.h"
#include "app/passes.h"
#include "app/rule_listing.h"
#include "base/report.h"
#include "base/run_state.h"
#include "rules/rules.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"
#include "base/text_lines.h"

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
}

// Opening QNOUT.ESP for writing would empty the user's plugin when the two
// are one file, so that run is refused before anything is written.
void refuseOutputOverInput(const char* pluginPath) {
  struct stat input, output;
  if (stat(pluginPath, &input) != 0 || stat(kOutputPlugin, &output) != 0) return;
  if (input.st_dev == output.st_dev && input.st_ino == output.st_ino) {
    failRun("Unable to open %s for writing: it is the input plugin %s and would be emptied\n",
            kOutputPlugin, pluginPath);
  }
}

// True when the plugin's first four bytes are "TES4", the signature of the
// next-generation format this tool does not handle.
bool isNextGenerationPlugin(const char* pluginPath) {
  std::unique_ptr<std::FILE, FileCloser> plugin(std::fopen(pluginPath, "rb"));
  if (!plugin) {
    failRun("Unable to open %s for reading: %s\n", pluginPath, systemErrorText());
  }
  char signature[4];
  return std::fread(signature, 1, 4, plugin.get()) == 4 && std::memcmp(signature, "TES4", 4) == 0;
}

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
  const char* pluginPath = arguments.vector[pathIndex];
  if (isNextGenerationPlugin(pluginPath)) return 0;
  if (!runOptions.listCells) refuseOutputOverInput(pluginPath);
  return runPasses(pluginPath, *rules);
}

}  // namespace

int runQuendrel(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const RunEnded& ended) {
    std::fflush(stdout);
    return ended.status;
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fprintf(stderr, "Unable to allocate memory: %s\n", std::strerror(ENOMEM));
    return 1;
  }
}
