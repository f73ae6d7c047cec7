// The land under the cell map: which plugin's land each grid shows, and
// where the rules put the plugin's own land.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "map/model/cell_fates.h"
#include "map/model/land_heights.h"
#include "rules/rules.h"

// A piece of the plugin's land where it stands after the rules.
struct PlacedLand {
  const LandHeights* land;
  GridCell at;
};

// Where quendrel puts each LAND record of the plugin: `fates` are the
// records' fates (predictLandFates), `land` their heights, both one to a
// record in file order. A moved record stands at its new grid, a copied one
// at both, a deleted one nowhere, a kept or damaged one where it is.
std::vector<PlacedLand> placeLand(const std::vector<PredictedLand>& fates, const PluginLand& land);

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
