// The region the rules see for a thing that names its cell by its grid
// alone (land, a path grid, a moved-reference marker's target): the region
// of the plugin's first sound cell at that grid. Both programs learn it the
// same way: quendrel in its scan pass, quendrel-map from the cells it read.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "records/record_layout.h"

class GridRegions {
 public:
  // A sound exterior cell at `grid` with `region` (empty: none). The first
  // cell noted at a grid keeps it: a later cell there changes nothing.
  void note(GridCell grid, std::string_view region) { regions_.try_emplace(grid, region); }
  // The region of the first cell noted at the grid: empty for a cell
  // without one, null where no cell was noted at all. So the cell at (2, 3)
  // noted with "Bitter Coast Region", then one with "Ascadian Isles Region",
  // gives "Bitter Coast Region" at (2, 3) and null at (2, 4).
  const char* at(GridCell grid) const {
    const auto found = regions_.find(grid);
    return found == regions_.end() ? nullptr : found->second.c_str();
  }

 private:
  std::unordered_map<GridCell, std::string, GridCellHash> regions_;
};
