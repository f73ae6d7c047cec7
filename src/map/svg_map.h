// The picture of where a plugin's exterior cells are and where the rules put
// them, drawn as SVG.
#pragma once

#include <string>
#include <vector>

#include "map/cell_fates.h"

struct SvgPicture {
  std::string text;
  int width, height;  // in pixels
};

// One square per cell on the grid, north up, with the grid coordinates on
// both axes: the --against cells in grey; the plugin's cells as outlines
// where they are now and filled where they are after the rules, coloured by
// region, with a legend; a thin arrow from each moved or copied cell to its
// new square; deleted cells crossed out; every overlap in red. Every square
// carries a title (its grid, cell name, region and plugin), which a browser
// shows on hovering. The grid is scaled to fit in about 1000 pixels, so the
// picture stays the same size for a whole world as for one cell.
SvgPicture drawCellMap(const PluginCells& plugin, const std::vector<PredictedCell>& fates,
                       const std::vector<PluginCells>& against,
                       const std::vector<Overlap>& overlaps);
