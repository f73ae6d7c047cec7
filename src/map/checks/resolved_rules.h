// Rules resolved by grid, for moving a mod together with its patches: the
// rules by grid of rules/grid_fates.h and the interior rules as they
// stand. Applied to the mod, they make quendrel write the very same plugin
// as the rules they come from; applied to a patch whose cells lie on the
// mod's grids, they move exactly the grids the mod's move moved, whatever
// regions or whole-plugin rules said, and nothing else.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "rules/grid_fates.h"
#include "rules/rules.h"

struct ResolvedRules {
  std::string text;  // the rules file, when every grid can be resolved
  // Otherwise the first grid whose occupants the rules send different ways
  // (under region rules, two cells on one grid that name different regions).
  std::optional<GridCell> conflict;
};

// `occupants` in the mod's order; `source` names the rules file and `plugin`
// the mod in the file's first comment.
ResolvedRules resolveRules(const RuleTable& rules, const std::vector<GridOccupant>& occupants,
                           const std::string& source, const std::string& plugin);
