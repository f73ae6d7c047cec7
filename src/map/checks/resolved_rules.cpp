// Resolving rules by grid.
#include "map/checks/resolved_rules.h"

#include <unordered_map>

#include "base/text_format.h"
#include "rules/rule_codes.h"

namespace {

// What one grid needs of its rule: nothing, a move or copy to a grid, or a
// deletion. A marker that does not move needs only that the rule is no move.
struct Need {
  CellFate fate = CellFate::kKept;
  GridCell to{0, 0};
  bool anyButMove = false;  // a marker left where it is: kept, copied or deleted alike
  bool operator==(const Need&) const = default;
};

Need needOf(const RuleTable& rules, const GridOccupant& occupant) {
  const char* region = occupant.region ? occupant.region->c_str() : nullptr;
  const RuleVerdict verdict =
      evaluateRules(rules, exteriorLocation(occupant.grid.x, occupant.grid.y, region));
  const GridCell to{verdict.newX, verdict.newY};
  if (occupant.kind == GridOccupant::kMarker) {
    if (verdict.fate == CellFate::kMoved && !(to == occupant.grid)) return {CellFate::kMoved, to};
    return {CellFate::kKept, {0, 0}, true};
  }
  if (verdict.fate == CellFate::kKept || verdict.fate == CellFate::kDeleted) return {verdict.fate};
  return {verdict.fate, to};
}

// The one need that satisfies both, if any.
std::optional<Need> together(const Need& a, const Need& b) {
  if (a.anyButMove && b.anyButMove) return a;
  if (a.anyButMove) return b.fate == CellFate::kMoved ? std::nullopt : std::optional<Need>(b);
  if (b.anyButMove) return together(b, a);
  return a == b ? std::optional<Need>(a) : std::nullopt;
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

}  // namespace

ResolvedRules resolveRules(const RuleTable& rules, const std::vector<GridOccupant>& occupants,
                           const std::string& source, const std::string& plugin) {
  std::unordered_map<GridCell, Need, GridCellHash> needs;
  std::vector<GridCell> order;
  for (const GridOccupant& occupant : occupants) {
    const Need need = needOf(rules, occupant);
    auto [at, first] = needs.try_emplace(occupant.grid, need);
    if (first) {
      order.push_back(occupant.grid);
      continue;
    }
    const std::optional<Need> both = together(at->second, need);
    if (!both) return {"", occupant.grid};
    at->second = *both;
  }
  std::string text = formatted(
      "; Rules resolved by quendrel-map from %s for %s: one rule for each exterior grid\n"
      "; whose fate they decide there, and the interior rules as they stand.\n",
      source.c_str(), plugin.c_str());
  for (const GridCell grid : order) {
    const Need& need = needs.at(grid);
    if (need.anyButMove) continue;
    switch (need.fate) {
      case CellFate::kKept:
        break;
      case CellFate::kMoved:
        appendFormatted(text, "MC, %d, %d, %d, %d\n", grid.x, grid.y, need.to.x, need.to.y);
        break;
      case CellFate::kCopied:
        appendFormatted(text, "CE, %d, %d, %d, %d\n", grid.x, grid.y, need.to.x, need.to.y);
        break;
      case CellFate::kDeleted:
        appendFormatted(text, "DE, %d, %d\n", grid.x, grid.y);
        break;
    }
  }
  for (const Rule& rule : rules.rules) {
    if (rule.code == RuleCode::kCI) {
      text += "CI, " + quoted(rule.fields[1]) + ", " + quoted(rule.fields[2]) + "\n";
    } else if (rule.code == RuleCode::kDI) {
      text += "DI, " + quoted(rule.fields[1]) + "\n";
    }
  }
  return {text, std::nullopt};
}
