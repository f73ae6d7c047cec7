// The start-up listing of the rules in words: the exterior rules, then the
// interior rules, each numbered within its kind.
#include "app/run/rule_listing.h"

#include <cstdio>

#include "base/report.h"
#include "base/text_format.h"

void listRules(const RuleTable& rules, RuleKind kind, RunLog& log, bool alsoPrinted) {
  auto writeListingLine = [&](const std::string& line) {
    log.append(line);
    if (alsoPrinted) std::fwrite(line.data(), 1, line.size(), stdout);
  };
  for (const Rule& rule : rules.rules) {
    if (kindOf(rule.code) != kind) continue;
    writeListingLine(ruleInWords(rule));
    // The copy's name is written inside the record's own name, so it must fit.
    // The refusal goes to the listing (the run log, once), and to standard
    // error as every error that ends a run does.
    auto refuse = [&](const std::string& line) {
      writeListingLine(line);
      throw RunFailed{line, true};
    };
    if (copyNameTooLong(rule)) {
      refuse(
          "   Actually I cannot do this yet: please make the copy name the same size or shorter "
          "than the original cell name: You can rename the copy in TES.\n");
    }
    if (copyNameEmpty(rule)) {
      refuse(
          "   The copy needs a name: please give the copy a name of its own, no longer than the "
          "original cell name.\n");
    }
  }
  // The table ends at such a line, so the exterior listing, which comes
  // first, has listed every exterior rule above it when it stops the run.
  if (rules.tooManyParameters) {
    failRun("Invalid Rule: You've specified too many parameters for this command!\n");
  }
}

void listFollowedGrids(const FollowedMod& mod, const char* pluginPath, RunLog& log,
                       bool alsoPrinted) {
  std::string heading;
  if (mod.fates.empty()) {
    heading = formatted(
        "\nFollowing %s: the rules above move, copy or delete none of its grids; %s is written "
        "as read.\n",
        mod.path.c_str(), pluginPath);
    std::fflush(stdout);
    std::fprintf(stderr, "quendrel: the rules move, copy or delete no grid of %s: %s is written "
                 "as read\n", mod.path.c_str(), pluginPath);
  } else {
    heading = formatted(
        "\nFollowing %s: the rules above move %d, copy %d and delete %d of its grids; %s gets "
        "the same fate at each of them, as these rules by grid:\n",
        mod.path.c_str(), mod.count(CellFate::kMoved), mod.count(CellFate::kCopied),
        mod.count(CellFate::kDeleted), pluginPath);
  }
  log.append(heading);
  if (alsoPrinted) std::fwrite(heading.data(), 1, heading.size(), stdout);
  listRules(mod.gridRules, RuleKind::kExterior, log, alsoPrinted);
}
