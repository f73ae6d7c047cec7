// What the rules make of a plugin's exterior cells and land, what then stands
// where, and which of the plugin's grids stand apart from the rest.
#pragma once

#include <string>
#include <vector>

#include "map/model/plugin_cells.h"
#include "rules/rules.h"

struct PredictedCell {
  const ExteriorCell* cell;
  CellFate fate;
  GridCell to;  // the moved cell's or the copy's grid; the cell's own grid otherwise
};

// The fate quendrel gives each cell, in the plugin's order: a damaged cell
// is kept, as quendrel passes it on unchanged.
std::vector<PredictedCell> predictFates(const RuleTable& rules, const PluginCells& plugin);

struct PredictedLand {
  const LandRecord* land;
  CellFate fate;
  GridCell to;       // as for a cell
  bool withoutCell;  // the plugin has no exterior cell at the land's grid
};

// The fate quendrel gives each LAND record, in the plugin's order. The rules
// are asked about the land's grid with the region of the plugin's first
// sound cell there, so that land goes where its cell goes; where the plugin
// has no sound cell, with no region at all: whole-plugin and grid rules then
// move, copy or delete it, region rules leave it where it is. Damaged land
// is kept.
std::vector<PredictedLand> predictLandFates(const RuleTable& rules, const PluginCells& plugin);

// Where each cell stands once quendrel has run: kept and moved cells once,
// copied cells twice (the original and the copy), deleted cells not at all.
std::vector<GridCell> gridsAfterRules(const std::vector<PredictedCell>& fates);

struct FateCounts {
  int kept = 0, moved = 0, copied = 0, deleted = 0;
};
FateCounts countFates(const std::vector<PredictedCell>& fates);

// One thing standing on a grid after the rules (see findOverlaps).
struct StandingCell {
  const ExteriorCell* cell;   // null for land that no cell of its plugin goes with
  const std::string* plugin;  // its plugin's label
  enum How { kInPlace, kMovedHere, kCopiedHere } how;
  GridCell from;  // the grid it comes from: its own when it is in place
  bool land;      // its plugin has land (a LAND record) here; always so without a cell
};

struct Overlap {
  GridCell grid;
  // Every thing there: the plugin's cells in file order, then the plugin's
  // land without a cell, then the other plugins' in the order checked.
  std::vector<StandingCell> cells;
};

// One thing of the plugin after the rules (see findOverlaps): the grid it
// stands on, and for land that stands as a thing of its own, its LAND record
// (null for a cell, with its land or without).
struct PluginThing {
  GridCell at;
  StandingCell standing;
  const LandRecord* land;
};

// Every thing of the plugin after the rules, as findOverlaps counts them: its
// cells in file order (a copy right after its original), then the LAND
// records that no cell takes along, in file order (a copied one likewise).
std::vector<PluginThing> pluginThings(const PluginCells& plugin,
                                      const std::vector<PredictedCell>& fates,
                                      const std::vector<PredictedLand>& lands);

// The overlaps, north to south and west to east. After the rules, each of
// these is one thing standing on a grid:
//  - a cell of the plugin that is kept or moved, and a copy (a thing of its
//    own, also on its original's grid), each with the plugin's land when a
//    LAND record of the plugin comes to the same grid from the same grid in
//    the same way (kept, moved or copied);
//  - each LAND record of the plugin that no such cell takes along: land
//    without a cell, or a second LAND record of one grid;
//  - each exterior cell of a checked plugin, with that plugin's land at its
//    grid, and each LAND record of a checked plugin that no cell of it
//    takes (they all stay where they are).
// A thing of the plugin lands on a grid when the rules move it there by a
// non-zero offset or copy it there. An overlap is a grid where something
// lands and where more than one thing stands. So a kept cell, or one moved
// by nothing, makes no overlap by itself (a plugin that edits a cell of its
// master shares that grid on purpose); two cells of the plugin on one grid
// make one only when one of them lands there; a copy onto its original's
// grid makes one; deleted things stand nowhere; damaged records stay where
// they are and count there like any other.
std::vector<Overlap> findOverlaps(const PluginCells& plugin, const std::vector<PredictedCell>& fates,
                                  const std::vector<PredictedLand>& lands,
                                  const std::vector<PluginCells>& checked);

// The grids the plugin occupies (a cell or land there) with no other grid of
// the plugin within two cells in x and in y, north to south and west to
// east; nothing when the plugin occupies fewer than four grids. Such lone
// cells are often stray edits that a whole-plugin move should not take along.
std::vector<GridCell> loneGrids(const PluginCells& plugin);
