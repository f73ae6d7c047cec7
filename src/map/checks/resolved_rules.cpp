// Resolving rules by grid.
#include "map/checks/resolved_rules.h"

#include "base/text_format.h"
#include "rules/rule_codes.h"

namespace {

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

ResolvedRules resolveRules(const RuleTable& rules, const std::vector<GridOccupant>& occupants,
                           const std::string& source, const std::string& plugin) {
  const GridFates fates = resolveGridFates(rules, occupants);
  if (fates.conflict) return {"", fates.conflict};
  std::string text = formatted(
      "; Rules resolved by quendrel-map from %s for %s: one rule for each exterior grid\n"
      "; whose fate they decide there, and the interior rules as they stand.\n",
      source.c_str(), plugin.c_str());
  text += gridRulesText(fates.decided);
  for (const Rule& rule : rules.rules) {
    if (rule.code == RuleCode::kCI) {
      text += "CI, " + quoted(rule.fields[1]) + ", " + quoted(rule.fields[2]) + "\n";
    } else if (rule.code == RuleCode::kDI) {
      text += "DI, " + quoted(rule.fields[1]) + "\n";
    }
  }
  return {text, std::nullopt};
}
