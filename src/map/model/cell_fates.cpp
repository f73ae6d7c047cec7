// Predicting the fates of a plugin's exterior cells and land with the
// rule-evaluation routine quendrel itself uses, and finding where they would
// stand on other things.
#include "map/model/cell_fates.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <unordered_set>

namespace {

// Grids ordered north to south, then west to east.
bool northWestFirst(GridCell a, GridCell b) {
  return a.y != b.y ? a.y > b.y : a.x < b.x;
}

struct Place {
  GridCell grid;
  StandingCell::How how;
};

// Where a fate puts a record whose grid is `at`: nowhere, once or twice.
std::vector<Place> placesOf(CellFate fate, GridCell at, GridCell to) {
  switch (fate) {
    case CellFate::kKept: return {{at, StandingCell::kInPlace}};
    case CellFate::kMoved:
      return {{to, to == at ? StandingCell::kInPlace : StandingCell::kMovedHere}};
    case CellFate::kCopied: return {{at, StandingCell::kInPlace}, {to, StandingCell::kCopiedHere}};
    case CellFate::kDeleted: break;
  }
  return {};
}

// True when a LAND record of the plugin that came to the thing's grid from
// `from` in the way `how` goes with the thing: a cell of the plugin without
// land yet that came the same way from the same grid.
bool takesLand(const StandingCell& thing, const std::string* plugin, StandingCell::How how,
               GridCell from) {
  return thing.plugin == plugin && thing.cell != nullptr && !thing.land && thing.how == how &&
         thing.from == from;
}

// Gives the land to the first thing there that takes it; otherwise the land
// stands as a thing of its own.
void addLand(std::vector<StandingCell>& there, const std::string* plugin, StandingCell::How how,
             GridCell from) {
  for (StandingCell& thing : there) {
    if (takesLand(thing, plugin, how, from)) {
      thing.land = true;
      return;
    }
  }
  there.push_back({nullptr, plugin, how, from, true});
}

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

std::vector<PredictedLand> predictLandFates(const RuleTable& rules, const PluginCells& plugin) {
  const GridRegions regions = soundCellRegions(plugin);
  std::unordered_set<uint64_t> cellGrids;
  for (const ExteriorCell& cell : plugin.cells) cellGrids.insert(gridKey(cell.grid));
  std::vector<PredictedLand> fates;
  fates.reserve(plugin.lands.size());
  for (const LandRecord& land : plugin.lands) {
    const bool withoutCell = cellGrids.count(gridKey(land.grid)) == 0;
    if (land.damaged) {
      fates.push_back({&land, CellFate::kKept, land.grid, withoutCell});
      continue;
    }
    const RuleVerdict verdict =
        evaluateRules(rules, exteriorLocation(land.grid.x, land.grid.y, regions.at(land.grid)));
    fates.push_back({&land, verdict.fate, {verdict.newX, verdict.newY}, withoutCell});
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

std::vector<PluginThing> pluginThings(const PluginCells& plugin,
                                      const std::vector<PredictedCell>& fates,
                                      const std::vector<PredictedLand>& lands) {
  std::vector<PluginThing> things;
  std::unordered_map<uint64_t, std::vector<std::size_t>> byGrid;  // indexes into things
  for (const PredictedCell& fate : fates) {
    const ExteriorCell& cell = *fate.cell;
    for (const Place& place : placesOf(fate.fate, cell.grid, fate.to)) {
      byGrid[gridKey(place.grid)].push_back(things.size());
      things.push_back({place.grid, {&cell, &plugin.label, place.how, cell.grid, false}, nullptr});
    }
  }
  for (const PredictedLand& fate : lands) {
    const GridCell from = fate.land->grid;
    for (const Place& place : placesOf(fate.fate, from, fate.to)) {
      std::vector<std::size_t>& there = byGrid[gridKey(place.grid)];
      const auto taker = std::find_if(there.begin(), there.end(), [&](std::size_t i) {
        return takesLand(things[i].standing, &plugin.label, place.how, from);
      });
      if (taker != there.end()) {
        things[*taker].standing.land = true;
      } else {
        there.push_back(things.size());
        things.push_back({place.grid, {nullptr, &plugin.label, place.how, from, true}, fate.land});
      }
    }
  }
  return things;
}

std::vector<Overlap> findOverlaps(const PluginCells& plugin, const std::vector<PredictedCell>& fates,
                                  const std::vector<PredictedLand>& lands,
                                  const std::vector<PluginCells>& checked) {
  // The plugin's things by grid, and the grids where one lands.
  std::unordered_map<uint64_t, Overlap> standing;
  std::unordered_set<uint64_t> landed;
  std::vector<GridCell> landings;
  for (const PluginThing& thing : pluginThings(plugin, fates, lands)) {
    Overlap& there = standing[gridKey(thing.at)];
    there.grid = thing.at;
    if (thing.standing.how != StandingCell::kInPlace && landed.insert(gridKey(thing.at)).second) {
      landings.push_back(thing.at);
    }
    there.cells.push_back(thing.standing);
  }
  // The other plugins matter only where something of the plugin lands.
  for (const PluginCells& other : checked) {
    for (const ExteriorCell& cell : other.cells) {
      if (landed.count(gridKey(cell.grid))) {
        standing[gridKey(cell.grid)].cells.push_back(
            {&cell, &other.label, StandingCell::kInPlace, cell.grid, false});
      }
    }
    for (const LandRecord& land : other.lands) {
      if (landed.count(gridKey(land.grid))) {
        addLand(standing[gridKey(land.grid)].cells, &other.label, StandingCell::kInPlace,
                land.grid);
      }
    }
  }
  std::sort(landings.begin(), landings.end(), northWestFirst);
  std::vector<Overlap> overlaps;
  for (GridCell grid : landings) {
    Overlap& there = standing[gridKey(grid)];
    if (there.cells.size() > 1) overlaps.push_back(std::move(there));
  }
  return overlaps;
}

std::vector<GridCell> loneGrids(const PluginCells& plugin) {
  std::unordered_set<uint64_t> occupied;
  std::vector<GridCell> grids;
  auto occupy = [&](GridCell grid) {
    if (occupied.insert(gridKey(grid)).second) grids.push_back(grid);
  };
  for (const ExteriorCell& cell : plugin.cells) occupy(cell.grid);
  for (const LandRecord& land : plugin.lands) occupy(land.grid);
  std::vector<GridCell> lone;
  if (grids.size() < 4) return lone;
  for (GridCell grid : grids) {
    bool alone = true;
    for (int64_t dy = -2; dy <= 2 && alone; ++dy) {
      for (int64_t dx = -2; dx <= 2 && alone; ++dx) {
        const int64_t x = grid.x + dx, y = grid.y + dy;
        if ((dx != 0 || dy != 0) && x >= INT32_MIN && x <= INT32_MAX && y >= INT32_MIN &&
            y <= INT32_MAX &&
            occupied.count(gridKey({static_cast<int32_t>(x), static_cast<int32_t>(y)}))) {
          alone = false;
        }
      }
    }
    if (alone) lone.push_back(grid);
  }
  std::sort(lone.begin(), lone.end(), northWestFirst);
  return lone;
}
