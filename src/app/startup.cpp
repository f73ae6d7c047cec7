// The run from the command line to the exit status: options, start-up,
// rule listing, and the checks made before the passes.
#include "app/startup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "app/file_names.h"
#include "app/options.h"
#include "app/run/followed_mod.h"
#include "app/run/passes.h"
#include "app/run/rule_listing.h"
#include "app/safety.h"
#include "base/report.h"
#include "base/run_log.h"
#include "base/text_format.h"
#include "plugin/cell_handler.h"
#include "records/plugin_signature.h"
#include "rules/rules.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"

namespace {

// Deletes the work files an earlier run left behind.
void startAfresh(const RunOptions& options) {
  std::remove(kRunLogFile);
  std::remove(kChangeListFile);
  std::remove(kMessageFile);
  std::remove(kInteriorListFile);
  if (options.listCells) std::remove(kCellListFile);
}

// Only a TES3 plugin goes to the passes. An empty file, a folder, a text file
// or a plugin of the next-generation format ("TES4") is refused before any
// pass, with QNOUT.ESP untouched.
void checkPluginSignature(const char* pluginPath) {
  const PluginSignature signature = readPluginSignature(pluginPath);
  switch (signature.kind) {
    case PluginSignature::kTes3:
      return;
    case PluginSignature::kEmpty:
      // No game or editor loads an empty file: it would be no plugin to write.
      failRun("Unable to read %s: it is not a TES3 plugin (it is empty)\n", pluginPath);
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

// An option that ends the run while the options are parsed: -l before it
// has deleted the cell list, as it does when met.
int endWhileParsing(const ParsedOptions& parsed, const ArgumentVector& arguments,
                    FolderClaim& claim) {
  if (parsed.options.listCells) claim.removeCellListBeforeEnding(arguments);
  switch (parsed.ending) {
    case ParsedOptions::Ending::kVersion:
      printVersion();
      return 0;
    case ParsedOptions::Ending::kHelp:
      printHelp(arguments);
      return 0;
    case ParsedOptions::Ending::kMissingFile:
      printMissingFile(arguments, parsed.missingFileOf);
      return 1;
    default:
      printUnknownOption(arguments, parsed);
      return 1;
  }
}

// --follow needs a plugin named after the mod (else the mod's own name, the
// last argument, would be taken for the plugin), and a run that writes the
// plugin (-l writes none).
void refuseToFollowWith(const ParsedOptions& parsed) {
  const RunOptions& options = parsed.options;
  if (parsed.firstPathIndex > parsed.pathIndex) {
    failRun("quendrel: --follow %s needs the plugin that is to follow it, named last: quendrel "
            "--follow %s PLUGIN\n",
            options.followPath.c_str(), options.followPath.c_str());
  }
  if (options.listCells) {
    failRun("quendrel: --follow cannot be used with -l: -l lists the plugin's cells and writes "
            "no plugin\n");
  }
}

constexpr const char* kOutOfMemory = "Unable to allocate memory: %s\n";

// Several plugin names: the last is read, and the user is told first which
// are not, since a master and its patch typed together would otherwise give
// one of them and no word.
void warnUnreadPlugins(const ArgumentVector& arguments, const ParsedOptions& parsed) {
  if (parsed.firstPathIndex >= parsed.pathIndex) return;
  std::string names;
  for (int i = parsed.firstPathIndex; i < parsed.pathIndex; ++i) {
    if (!names.empty()) names += ", ";
    names += arguments.vector[i];
  }
  std::fprintf(stderr, "quendrel: only the last plugin named is read; not read: %s\n",
               names.c_str());
}

// The run once the folder is claimed and the old work files are gone: the
// rule listing, the plugin's check and the passes.
int runStarted(const char* pluginPath, const RunOptions& options, RunLog& log,
               TextEditor& editor) {
  if (!options.modifyScripts) {
    log.append(
        "The \"-d\" option has been specified: Scripts and Dialog Commands will not be "
        "modified.\n");
  }
  // The rules file is read once; the listing, both passes and the check of
  // the rules use what was read.
  const std::optional<std::string> rulesText = readRulesText(options.rulesPath.c_str());
  if (!rulesText) {
    failRun("Unable to open your Cell Transposition rules file (%s): %s\n",
            options.rulesPath.c_str(), systemErrorText());
  }
  const RuleTable rules = readRules(*rulesText);
  listRules(rules, RuleKind::kExterior, log, options.rulesOnly);
  listRules(rules, RuleKind::kInterior, log, options.rulesOnly);
  // Under --follow the plugin is handled by the mod's grids: the rules as
  // they decide each grid of the mod.
  std::optional<FollowedMod> followed;
  if (options.following()) {
    checkPluginSignature(options.followPath.c_str());
    followed = readFollowedMod(options.followPath.c_str(), rules);
    listFollowedGrids(*followed, pluginPath, log, options.rulesOnly);
  }
  if (options.rulesOnly) return 0;

  log.append(
      "----------------------------------------------------------------------------------------"
      "\n\n");
  checkPluginSignature(pluginPath);
  if (followed) {
    return runPasses(pluginPath, options, followed->gridRules, *rulesText, log, editor,
                     &*followed);
  }
  return runPasses(pluginPath, options, rules, *rulesText, log, editor);
}

int run(int argc, char** argv, TextEditor& editor) {
  ArgumentVector arguments;
  for (int i = 0; i < argc; ++i) arguments.vector.push_back(argv[i]);
  if (arguments.vector.empty()) arguments.vector.push_back(const_cast<char*>("quendrel"));

  // With no argument but --rules, the options come from the rules file.
  const RulesFileNamed named = findRulesFile(arguments);
  if (!named.otherArguments) {
    const std::string rulesPath = named.path.empty() ? kRulesFile : named.path;
    std::fprintf(stderr, "No command line options specified: Searching for options in %s\n",
                 rulesPath.c_str());
    readOptionsLine(rulesPath.c_str(), arguments);
    if (!findRulesFile(arguments).otherArguments) {
      printFirstUsage(arguments);
      return 1;
    }
  }
  // The folder is claimed from before the first deletion to the end of the
  // run, however the run ends.
  FolderClaim claim;
  const ParsedOptions parsed = parseOptions(arguments);
  if (parsed.ending != ParsedOptions::Ending::kNone) {
    return endWhileParsing(parsed, arguments, claim);
  }
  const RunOptions& options = parsed.options;
  const char* pluginPath = arguments.vector[parsed.pathIndex];
  if (options.following()) refuseToFollowWith(parsed);

  warnUnreadPlugins(arguments, parsed);
  claim.claim(pluginPath, options);
  // The run log is held from the start-up's deletion of the old log to the
  // end of the run, however the run ends; an interruption ends it too. A
  // folder that cannot be written (-r) gets no log.
  RunLog log(claim.folderWritable() ? kRunLogFile : nullptr);
  RunLogWatched logWatched(log);
  startAfresh(options);
  // A run that fails from here on says why in the run log too (the log is
  // what users send when they ask for help) and leaves no work file behind.
  try {
    return runStarted(pluginPath, options, log, editor);
  } catch (const RunFailed& failed) {
    if (!failed.inRunLog) log.append(failed.message);
    removeWorkFiles();
    removeFileQuietly(kMessageFile);
    throw;
  } catch (const std::bad_alloc&) {
    log.append(formatted(kOutOfMemory, std::strerror(ENOMEM)));
    removeWorkFiles();
    removeFileQuietly(kMessageFile);
    throw;
  }
}

}  // namespace

int runQuendrel(int argc, char** argv, TextEditor& editor) {
  return exitStatusOf([&] { return run(argc, argv, editor); }, kOutOfMemory);
}
