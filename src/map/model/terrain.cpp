// Laying the land of several plugins over one another: the checked plugins'
// in load order, the plugin's own where the rules put it on top.
#include "map/model/terrain.h"

#include <algorithm>
#include <utility>

std::vector<PlacedLand> placeLand(const std::vector<PredictedLand>& fates, const PluginLand& land) {
  std::vector<PlacedLand> placed;
  const std::size_t count = std::min(fates.size(), land.lands.size());
  for (std::size_t i = 0; i < count; ++i) {
    const LandHeights* piece = &land.lands[i];
    const PredictedLand& fate = fates[i];
    switch (fate.fate) {
      case CellFate::kKept: placed.push_back({piece, piece->grid}); break;
      case CellFate::kMoved: placed.push_back({piece, fate.to}); break;
      case CellFate::kCopied:
        placed.push_back({piece, piece->grid});
        placed.push_back({piece, fate.to});
        break;
      case CellFate::kDeleted: break;
    }
  }
  return placed;
}

void TerrainMap::lay(PluginLand&& plugin) {
  for (LandHeights& piece : plugin.lands) {
    lands_.insert_or_assign(gridKey(piece.grid.x, piece.grid.y), std::move(piece));
  }
}

void TerrainMap::lay(const std::vector<PlacedLand>& placed) {
  for (const PlacedLand& piece : placed) {
    lands_.insert_or_assign(gridKey(piece.at.x, piece.at.y), *piece.land).first->second.grid = piece.at;
  }
}

const LandHeights* TerrainMap::at(int64_t x, int64_t y) const {
  if (x < INT32_MIN || x > INT32_MAX || y < INT32_MIN || y > INT32_MAX) return nullptr;
  auto found = lands_.find(gridKey(x, y));
  if (found == lands_.end() || found->second.heights.empty()) return nullptr;
  return &found->second;
}
