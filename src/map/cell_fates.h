// What the rules make of a plugin's exterior cells, where they would then
// stand on other cells, and the offset that moves a plugin clear of others.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "map/exterior_cells.h"
#include "rules/rules.h"

struct PredictedCell {
  const ExteriorCell* cell;
  CellFate fate;
  GridCell to;  // the moved cell's or the copy's grid; the cell's own grid otherwise
};

// The fate quendrel gives each cell, in the plugin's order: a damaged cell
// is kept, as quendrel passes it on unchanged.
std::vector<PredictedCell> predictFates(const RuleTable& rules, const PluginCells& plugin);

// Where each cell stands once quendrel has run: kept and moved cells once,
// copied cells twice (the original and the copy), deleted cells not at all.
std::vector<GridCell> gridsAfterRules(const std::vector<PredictedCell>& fates);

struct FateCounts {
  int kept = 0, moved = 0, copied = 0, deleted = 0;
};
FateCounts countFates(const std::vector<PredictedCell>& fates);

// One cell on a grid after the rules.
struct StandingCell {
  const ExteriorCell* cell;
  const std::string* plugin;  // its plugin's label
  enum How { kInPlace, kMovedHere, kCopiedHere } how;
};

// A grid where a cell the rules move or copy lands on another cell: one of
// the plugin's own after the rules, or one of an --against plugin.
struct Overlap {
  GridCell grid;
  std::vector<StandingCell> cells;  // every cell there: the plugin's first, in file order
};

// The overlaps, north to south and west to east. A cell the rules leave
// where it is (kept, or moved by nothing) makes none by itself: a plugin
// that edits a master's cell shares its grid on purpose.
std::vector<Overlap> findOverlaps(const PluginCells& plugin,
                                  const std::vector<PredictedCell>& fates,
                                  const std::vector<PluginCells>& against);

// The offset (dx, dy) that, added to every grid of `plugin`, puts none of
// them on a grid of `against`, with the smallest dx² + dy² (ties: the
// smaller dy, then the smaller dx); (0, 0) when `against` is empty. Only
// offsets that quendrel would apply to every cell count (each new grid on
// the 32-bit grid, each part under 262144 cells). Nothing when there is none.
std::optional<GridCell> suggestOffset(const std::vector<GridCell>& plugin,
                                      const std::vector<GridCell>& against);
