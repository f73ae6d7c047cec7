// The land under the cell map: which plugin's land each grid shows, where the
// rules put the plugin's own land, and the shaded picture of it.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "map/model/plugin_cells.h"
#include "map/model/land_heights.h"
#include "map/outputs/png_image.h"
#include "rules/rules.h"

// A piece of the plugin's land where it stands after the rules.
struct PlacedLand {
  const LandHeights* land;
  GridCell at;
};

// Where quendrel puts each LAND record of the plugin: the rules are asked
// about the land's own grid with the region of the plugin's first exterior
// cell there (with no region where the plugin has no cell there), so the land
// moves, is copied (then it stands at both grids) or is deleted (then it
// stands nowhere) with its cell. A damaged record stays where it is.
std::vector<PlacedLand> placeLandAfterRules(const RuleTable& rules, const PluginCells& cells,
                                            const PluginLand& land);

// The land each grid shows: the last laid there wins, so the plugins' land
// is laid in load order and the plugin's own land where the rules put it on
// top. Only the land on top is kept.
class TerrainMap {
 public:
  void lay(PluginLand&& plugin);
  void lay(const std::vector<PlacedLand>& placed);
  // The land at the grid; nothing where none lies (open sea), also where
  // the last land there holds no heights.
  const LandHeights* at(int64_t x, int64_t y) const;

 private:
  std::unordered_map<uint64_t, LandHeights> lands_;
};

// The colour of the map at a height in game units: at or below 0 water,
// lighter blue where shallow and darker where deep; above 0 land, green low
// down, then brown, then grey on the heights. `light` (1 for flat land)
// brightens slopes facing north-west and darkens the others; water is flat.
Colour terrainColour(float height, float light);

// The frame's terrain, `pixelsPerCell` pixels to a cell's side, north up and
// lit from the north-west; grids without land are open sea.
Image shadeTerrain(const TerrainMap& terrain, const GridFrame& frame, double pixelsPerCell);
