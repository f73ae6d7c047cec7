// The offset that moves a whole plugin clear of every other plugin's grids,
// of a margin around them, and of land reserved for other projects.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "records/record_layout.h"
#include "workfiles/reserve_file.h"


struct SuggestionInput {
  std::vector<GridCell> moving;   // the plugin's grids that a TA rule moves
  std::vector<GridCell> staying;  // the plugin's grids that stay whatever the rule (damaged records)
  std::vector<GridCell> taken;    // the grids of every checked plugin
  int32_t margin = 0;             // cells kept free around each taken grid, in x and in y
  std::vector<GridRectangle> reserved;  // where none of the moving grids may go
};

// The offset (dx, dy) that, added to every moving grid, puts none of them on
// a taken grid or within `margin` cells of one (in x and in y), on a
// reserved grid, or (unless the offset is nothing) on a staying grid; the
// one with the smallest dx² + dy², ties going to the smaller dy, then the
// smaller dx; (0, 0) when nothing stands in the way. Only offsets that
// quendrel applies to every cell count: each new grid on the 32-bit grid,
// each part under 262144 cells. Nothing when there is none.
//
// The work grows with the taken rows times (2 * margin + 1), and with the
// plugin's rows times the rows searched until the answer is found; a load
// order of 20,000 grids and a plugin of 2,000 cells take milliseconds
// (tools/bench/bench_suggest.cpp).
std::optional<GridCell> suggestOffset(const SuggestionInput& input);
