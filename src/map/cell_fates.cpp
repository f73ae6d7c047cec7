// Predicting the fates of a plugin's exterior cells with the rule-evaluation
// routine quendrel itself uses, finding where they would stand on other
// cells, and finding a free place for the whole plugin.
#include "map/cell_fates.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <set>
#include <tuple>
#include <unordered_set>

namespace {

// Grids ordered north to south, then west to east.
using MapOrder = std::pair<int64_t, int64_t>;
MapOrder mapOrder(GridCell grid) { return {-int64_t{grid.y}, grid.x}; }

uint64_t gridKey(int64_t x, int64_t y) {
  return uint64_t{static_cast<uint32_t>(x)} << 32 | static_cast<uint32_t>(y);
}

// The grids' extent on one axis.
struct Extent {
  int64_t low = INT64_MAX, high = INT64_MIN;
  void add(int64_t value) {
    low = std::min(low, value);
    high = std::max(high, value);
  }
};

// The largest r with r² <= n.
int64_t wholeSquareRoot(int64_t n) {
  auto root = static_cast<int64_t>(std::sqrt(static_cast<double>(n)));
  while (root * root > n) --root;
  while ((root + 1) * (root + 1) <= n) ++root;
  return root;
}

// Offsets beyond this quendrel refuses to apply (the move in world units
// would not fit in 32 bits).
constexpr int64_t kLargestOffset = 262143;

}  // namespace

std::vector<PredictedCell> predictFates(const RuleTable& rules, const PluginCells& plugin) {
  std::vector<PredictedCell> fates;
  fates.reserve(plugin.cells.size());
  for (const ExteriorCell& cell : plugin.cells) {
    if (cell.damaged) {
      fates.push_back({&cell, CellFate::kKept, cell.grid});
      continue;
    }
    const RuleVerdict verdict =
        evaluateRules(rules, exteriorLocation(cell.grid.x, cell.grid.y, cell.region.c_str()));
    fates.push_back({&cell, verdict.fate, {verdict.newX, verdict.newY}});
  }
  return fates;
}

std::vector<GridCell> gridsAfterRules(const std::vector<PredictedCell>& fates) {
  std::vector<GridCell> grids;
  for (const PredictedCell& fate : fates) {
    if (fate.fate == CellFate::kKept || fate.fate == CellFate::kCopied) {
      grids.push_back(fate.cell->grid);
    }
    if (fate.fate == CellFate::kMoved || fate.fate == CellFate::kCopied) grids.push_back(fate.to);
  }
  return grids;
}

FateCounts countFates(const std::vector<PredictedCell>& fates) {
  FateCounts counts;
  for (const PredictedCell& fate : fates) {
    switch (fate.fate) {
      case CellFate::kKept: ++counts.kept; break;
      case CellFate::kMoved: ++counts.moved; break;
      case CellFate::kCopied: ++counts.copied; break;
      case CellFate::kDeleted: ++counts.deleted; break;
    }
  }
  return counts;
}

std::vector<Overlap> findOverlaps(const PluginCells& plugin,
                                  const std::vector<PredictedCell>& fates,
                                  const std::vector<PluginCells>& against) {
  std::map<MapOrder, Overlap> standing;
  std::set<MapOrder> landings;
  auto stand = [&](GridCell grid, const ExteriorCell& cell, const std::string& label,
                   StandingCell::How how) {
    Overlap& there = standing[mapOrder(grid)];
    there.grid = grid;
    there.cells.push_back({&cell, &label, how});
    if (how != StandingCell::kInPlace) landings.insert(mapOrder(grid));
  };
  for (const PredictedCell& fate : fates) {
    const ExteriorCell& cell = *fate.cell;
    switch (fate.fate) {
      case CellFate::kKept:
        stand(cell.grid, cell, plugin.label, StandingCell::kInPlace);
        break;
      case CellFate::kMoved:
        stand(fate.to, cell, plugin.label,
              fate.to == cell.grid ? StandingCell::kInPlace : StandingCell::kMovedHere);
        break;
      case CellFate::kCopied:
        // The copy is a cell of its own, even on its original's grid.
        stand(cell.grid, cell, plugin.label, StandingCell::kInPlace);
        stand(fate.to, cell, plugin.label, StandingCell::kCopiedHere);
        break;
      case CellFate::kDeleted:
        break;
    }
  }
  for (const PluginCells& other : against) {
    for (const ExteriorCell& cell : other.cells) {
      stand(cell.grid, cell, other.label, StandingCell::kInPlace);
    }
  }
  std::vector<Overlap> overlaps;
  for (const MapOrder& grid : landings) {
    const Overlap& there = standing[grid];
    if (there.cells.size() > 1) overlaps.push_back(there);
  }
  return overlaps;
}

std::optional<GridCell> suggestOffset(const std::vector<GridCell>& plugin,
                                      const std::vector<GridCell>& against) {
  if (plugin.empty() || against.empty()) return GridCell{0, 0};
  std::unordered_set<uint64_t> pluginSet, againstSet;
  Extent pluginX, pluginY, againstX, againstY;
  for (GridCell g : plugin) {
    pluginSet.insert(gridKey(g.x, g.y));
    pluginX.add(g.x);
    pluginY.add(g.y);
  }
  for (GridCell g : against) {
    againstSet.insert(gridKey(g.x, g.y));
    againstX.add(g.x);
    againstY.add(g.y);
  }
  // Every offset from one set to the other is tested from the smaller set.
  const bool fromPlugin = pluginSet.size() <= againstSet.size();
  const std::vector<GridCell>& few = fromPlugin ? plugin : against;
  const std::unordered_set<uint64_t>& many = fromPlugin ? againstSet : pluginSet;
  auto isFree = [&](int64_t dx, int64_t dy) {
    if (pluginX.low + dx < INT32_MIN || pluginX.high + dx > INT32_MAX ||
        pluginY.low + dy < INT32_MIN || pluginY.high + dy > INT32_MAX) {
      return false;
    }
    if (pluginX.high + dx < againstX.low || pluginX.low + dx > againstX.high ||
        pluginY.high + dy < againstY.low || pluginY.low + dy > againstY.high) {
      return true;
    }
    const int64_t sign = fromPlugin ? 1 : -1;
    for (GridCell g : few) {
      if (many.count(gridKey(g.x + sign * dx, g.y + sign * dy))) return false;
    }
    return true;
  };
  // Offsets in rings of growing radius, each ring sorted into the order of
  // the answer; every ring holds the offsets with inner² < dx² + dy² <= outer².
  int64_t inner = -1;
  for (int64_t outer = 16; outer <= kLargestOffset; outer += std::min<int64_t>(outer, 64)) {
    std::vector<std::tuple<int64_t, int64_t, int64_t>> ring;  // dx² + dy², dy, dx
    for (int64_t dy = -outer; dy <= outer; ++dy) {
      const int64_t reach = wholeSquareRoot(outer * outer - dy * dy);
      for (int64_t dx = -reach; dx <= reach; ++dx) {
        const int64_t squared = dx * dx + dy * dy;
        if (squared > inner) {
          ring.emplace_back(squared, dy, dx);
        } else if (dx < 0) {
          dx = -dx - 1;  // step over the inner disc: its offsets were tested before
        }
      }
    }
    std::sort(ring.begin(), ring.end());
    for (const auto& [squared, dy, dx] : ring) {
      if (isFree(dx, dy)) return GridCell{static_cast<int32_t>(dx), static_cast<int32_t>(dy)};
    }
    inner = outer * outer;
  }
  return std::nullopt;
}
