// The picture of where a plugin's exterior cells are and where the rules put
// them, over the land of the game, as one scene for the SVG and the PNG.
#pragma once

#include <vector>

#include "map/checks/land_clashes.h"
#include "map/model/cell_fates.h"
#include "map/outputs/scene.h"
#include "map/model/terrain.h"
#include "map/outputs/terrain_shading.h"

// Where the picture looks, and at what size.
struct MapFrame {
  GridFrame grids;  // with the margin
  double cell;      // a cell's side in pixels
  double shades;    // terrain pixels to a cell's side
  int samples;      // land heights a side those need (isLandDetail)
};

// Frames the plugin's cells before and after the rules with a margin of a few
// cells; a plugin without exterior cells by `landGrids` (its land), and
// without those by the other plugins' cells. Scaled so that the grid fits in
// about 1000 pixels, from a single cell to a continent.
MapFrame frameCellMap(const std::vector<PredictedCell>& fates,
                      const std::vector<GridCell>& landGrids,
                      const std::vector<PluginCells>& against);

// North up, with the grid coordinates on both axes:
// - the terrain (water in blues, land in greens to browns to greys, lit from
//   the north-west; grids without land are open sea);
// - each --against plugin's cells hatched in its own colour and edged where
//   its land ends, named in the legend;
// - the plugin's cells as dark outlines where they are now, and see-through
//   fills where they are after the rules, coloured by region;
// - an arrow from each moved cell to its new place (dashed for a copy),
//   deleted cells crossed out, every overlap in red, every land clash
//   framed in orange;
// - cell names where they fit, and a legend.
// Every cell carries a title (its grid, cell name, region and plugin), which
// a browser shows on hovering.
Scene drawCellMap(const MapFrame& frame, const PluginCells& plugin,
                  const std::vector<PredictedCell>& fates,
                  const std::vector<PluginCells>& against, const std::vector<Overlap>& overlaps,
                  const TerrainMap& terrain, const std::vector<LandClash>& landClashes = {});
