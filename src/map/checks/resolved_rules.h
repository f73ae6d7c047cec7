// Rules resolved by grid, for moving a mod together with its patches: one
// rule for each exterior grid whose fate the rules decide in the mod (MC for
// a move, CE for a copy, DE for a deletion) and the interior rules as they
// stand. Applied to the mod, they make quendrel write the very same plugin
// as the rules they come from; applied to a patch whose cells lie on the
// mod's grids, they move exactly the grids the mod's move moved, whatever
// regions or whole-plugin rules said, and nothing else.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/record_layout.h"
#include "rules/rules.h"

// What stands at a grid of the mod, as quendrel asks the rules about it.
struct GridOccupant {
  enum Kind {
    kCell,    // an exterior cell (its region, empty without one)
    kLand,    // a LAND record: its cell's region, none without a cell
    kMarker,  // a moved-reference marker's target: only a move carries it along
  } kind;
  GridCell grid;
  std::optional<std::string> region;  // nothing: no region at all
};

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
