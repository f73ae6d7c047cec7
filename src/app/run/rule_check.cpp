// The places of the plugin the rules were asked about, handed to the check
// of the rules file as quendrel-map hands its own: sound exterior cells with
// their regions, land where the plugin has no cell without one, and the
// interior cells' names.
#include "app/run/rule_check.h"

#include <vector>

#include "base/platform/folder_files.h"
#include "rules/rule_warnings.h"

void warnAboutRules(const RunOptions& options, const RuleTable& rules, const PlacesSeen& seen,
                    const std::string& rulesText, const char* pluginPath) {
  RulesCheckTarget target{fileNameOf(pluginPath), {}, seen.interiors};
  for (const auto& [grid, region] : seen.cells) {
    target.exteriors.push_back(exteriorLocation(grid.x, grid.y, region.c_str()));
  }
  for (const GridCell grid : seen.landWithoutCell) {
    target.exteriors.push_back(exteriorLocation(grid.x, grid.y, nullptr));
  }
  printRuleWarnings(options.rulesPath, checkRules(rulesText, rules, target));
}
