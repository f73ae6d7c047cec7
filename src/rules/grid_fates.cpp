// Resolving the rules by grid.
#include "rules/grid_fates.h"

#include <unordered_map>

#include "base/text_format.h"

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

}  // namespace

GridFates resolveGridFates(const RuleTable& rules, const std::vector<GridOccupant>& occupants) {
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
    if (!both) return {{}, occupant.grid};
    at->second = *both;
  }
  GridFates fates;
  for (const GridCell grid : order) {
    const Need& need = needs.at(grid);
    if (need.anyButMove || need.fate == CellFate::kKept) continue;
    fates.decided.push_back({grid, need.fate, need.to});
  }
  return fates;
}

std::string gridRulesText(const std::vector<GridFate>& fates) {
  std::string text;
  for (const GridFate& fate : fates) {
    const GridCell grid = fate.grid;
    switch (fate.fate) {
      case CellFate::kKept:
        break;
      case CellFate::kMoved:
        appendFormatted(text, "MC, %d, %d, %d, %d\n", grid.x, grid.y, fate.to.x, fate.to.y);
        break;
      case CellFate::kCopied:
        appendFormatted(text, "CE, %d, %d, %d, %d\n", grid.x, grid.y, fate.to.x, fate.to.y);
        break;
      case CellFate::kDeleted:
        appendFormatted(text, "DE, %d, %d\n", grid.x, grid.y);
        break;
    }
  }
  return text;
}
