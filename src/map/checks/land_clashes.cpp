// Finding land clashes: candidates from the grids alone, then the records'
// bytes and heights of the candidates only.
#include "map/checks/land_clashes.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <unordered_set>
#include <utility>

#include "map/model/in_parallel.h"
#include "map/model/land_heights.h"
#include "workfiles/name_text.h"

namespace {

// Grids north to south, then west to east.
struct NorthFirst {
  bool operator()(GridCell a, GridCell b) const {
    return a.y != b.y ? a.y > b.y : a.x < b.x;
  }
};
using LandsByGrid = std::map<GridCell, std::vector<LandOnGrid>, NorthFirst>;

// True when either plugin names the other as a master.
bool related(const LandOnGrid& a, const LandOnGrid& b) {
  auto names = [](const LandOnGrid& plugin, const LandOnGrid& master) {
    const std::string folded = foldedName(*master.standing.plugin);
    for (const std::string& name : *plugin.masters) {
      if (foldedName(name) == folded) return true;
    }
    return false;
  };
  return names(a, b) || names(b, a);
}

// Puts a plugin's land on its grid: a later record of the same plugin on
// the same grid takes the place of an earlier one.
void place(LandsByGrid& grids, GridCell grid, LandOnGrid land) {
  std::vector<LandOnGrid>& there = grids[grid];
  if (!there.empty() && there.back().file == land.file) {
    there.back() = std::move(land);
  } else {
    there.push_back(std::move(land));
  }
}

// Every checked plugin's land, each on its grid, in load order; with
// `only`, on those grids alone (gridKey).
LandsByGrid checkedLand(const GameModel& model, const std::unordered_set<uint64_t>* only) {
  LandsByGrid grids;
  for (std::size_t file = 0; file < model.checked.size(); ++file) {
    const PluginCells& plugin = model.checked[file];
    std::map<GridCell, const ExteriorCell*, NorthFirst> cells;  // the first cell of each grid
    for (const ExteriorCell& c : plugin.cells) {
      if (only == nullptr || only->count(gridKey(c.grid)) != 0) cells.emplace(c.grid, &c);
    }
    for (const LandRecord& land : plugin.lands) {
      if (only != nullptr && only->count(gridKey(land.grid)) == 0) continue;
      const auto there = cells.find(land.grid);
      const ExteriorCell* cell = there != cells.end() ? there->second : nullptr;
      StandingCell standing{cell, &plugin.label, StandingCell::kInPlace, land.grid, true};
      place(grids, land.grid, {standing, &plugin.masters, file, land.offset, nullptr});
    }
  }
  return grids;
}

// PLUGIN's land where the rules put it: kept and moved land once, copied
// land on both grids, deleted land nowhere; named as the overlaps name it.
std::vector<std::pair<GridCell, LandOnGrid>> pluginLand(const GameModel& model) {
  const std::vector<PluginThing> things = pluginThings(model.plugin, model.fates, model.lands);
  std::vector<std::pair<GridCell, LandOnGrid>> placed;
  for (const PredictedLand& land : model.lands) {
    std::vector<GridCell> at;
    if (land.fate == CellFate::kCopied) at.push_back(land.land->grid);
    if (land.fate != CellFate::kDeleted) at.push_back(land.to);
    for (GridCell grid : at) {
      const bool moved = grid != land.land->grid;
      StandingCell standing{nullptr, &model.plugin.label,
                            !moved ? StandingCell::kInPlace
                            : land.fate == CellFate::kCopied ? StandingCell::kCopiedHere
                                                             : StandingCell::kMovedHere,
                            land.land->grid, true};
      for (const PluginThing& thing : things) {
        if (thing.at == grid && thing.standing.land && thing.standing.from == land.land->grid &&
            (thing.land == nullptr || thing.land == land.land)) {
          standing = thing.standing;
          break;
        }
      }
      placed.push_back({grid, {standing, &model.plugin.masters, model.checkedPaths.size(),
                               land.land->offset, nullptr}});
    }
  }
  return placed;
}

// Whether the two records' data past the grid they begin with are the
// same (see compareLand); records not read count as empty.
SameLand sameLand(const LandOnGrid& a, const LandOnGrid& b) {
  LandDigest none;
  none.digested = true;
  return compareLand(a.digest != nullptr ? *a.digest : none, b.digest != nullptr ? *b.digest : none);
}

// Two lands of a candidate the check compares: not each other's masters,
// and with `pluginOnly` one of them PLUGIN's.
template <class Pair>
void forEachComparedPair(const ClashCandidate& candidate, bool pluginOnly, std::size_t pluginFile,
                         const Pair& pair) {
  const std::vector<LandOnGrid>& lands = candidate.lands;
  for (std::size_t a = 0; a < lands.size(); ++a) {
    for (std::size_t b = a + 1; b < lands.size(); ++b) {
      if (pluginOnly && lands[a].file != pluginFile && lands[b].file != pluginFile) continue;
      if (!related(lands[a], lands[b]) && !pair(lands[a], lands[b])) return;
    }
  }
}

// Whether land clashes on the candidate: two lands compared that differ;
// unknown while some compared lands may be the same and are not read whole.
SameLand clashOf(const ClashCandidate& candidate, bool pluginOnly, std::size_t pluginFile) {
  bool unknown = false, clash = false;
  forEachComparedPair(candidate, pluginOnly, pluginFile, [&](const LandOnGrid& a, const LandOnGrid& b) {
    const SameLand same = sameLand(a, b);
    clash = same == SameLand::kDifferent;
    unknown = unknown || same == SameLand::kUnknown;
    return !clash;
  });
  return clash ? SameLand::kDifferent : unknown ? SameLand::kUnknown : SameLand::kSame;
}

// Each file's places in increasing order, each once.
void sortEachOnce(std::vector<std::vector<uint64_t>>& places) {
  for (std::vector<uint64_t>& offsets : places) {
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
  }
}

int64_t heightDifference(const std::vector<LandOnGrid>& lands) {
  std::vector<std::vector<float>> heights;
  for (const LandOnGrid& land : lands) {
    if (land.digest == nullptr) continue;
    std::vector<float> decoded = digestHeights(*land.digest);
    if (!decoded.empty()) heights.push_back(std::move(decoded));
  }
  if (heights.size() < 2) return 0;
  double largest = 0;
  for (std::size_t vertex = 0; vertex < heights[0].size(); ++vertex) {
    float low = heights[0][vertex], high = low;
    for (const std::vector<float>& land : heights) {
      low = std::min(low, land[vertex]);
      high = std::max(high, land[vertex]);
    }
    largest = std::max(largest, static_cast<double>(high) - low);
  }
  return std::llround(largest);
}

}  // namespace

std::vector<ClashCandidate> clashCandidates(const GameModel& model) {
  std::vector<ClashCandidate> candidates;
  if (model.pluginPath.empty()) {
    LandsByGrid grids = checkedLand(model, nullptr);
    for (auto& [grid, lands] : grids) {
      bool unrelated = false;
      for (std::size_t a = 0; a < lands.size() && !unrelated; ++a) {
        for (std::size_t b = a + 1; b < lands.size() && !unrelated; ++b) {
          unrelated = !related(lands[a], lands[b]);
        }
      }
      if (unrelated) candidates.push_back({grid, std::move(lands)});
    }
    return candidates;
  }
  LandsByGrid own;
  for (auto& [grid, land] : pluginLand(model)) place(own, grid, std::move(land));
  // The other plugins' land matters only where PLUGIN's lies.
  std::unordered_set<uint64_t> ownGrids;
  for (const auto& [grid, lands] : own) ownGrids.insert(gridKey(grid));
  LandsByGrid grids = checkedLand(model, &ownGrids);
  for (auto& [grid, land] : own) {
    auto there = grids.find(grid);
    if (there == grids.end()) continue;
    std::vector<LandOnGrid>& lands = there->second;
    LandOnGrid& mine = land.back();  // a name the lambda can take (clang 14 takes no binding)
    const bool unrelated = std::any_of(lands.begin(), lands.end(), [&](const LandOnGrid& other) {
      return !related(mine, other);
    });
    if (!unrelated) continue;
    lands.push_back(std::move(mine));
    candidates.push_back({grid, std::move(lands)});
  }
  return candidates;
}

std::vector<LandClash> findClashes(const std::vector<ClashCandidate>& candidates, bool pluginOnly,
                                   std::size_t pluginFile) {
  std::vector<const ClashCandidate*> clashing;
  for (const ClashCandidate& candidate : candidates) {
    // Land not told apart is taken for different: landToReadWhole reads
    // all of it whole first.
    if (clashOf(candidate, pluginOnly, pluginFile) != SameLand::kSame) clashing.push_back(&candidate);
  }
  // The heights are decoded whole for each clash: the work of the check,
  // done on every core.
  std::vector<LandClash> clashes(clashing.size());
  forEachInParallel(clashing.size(), [&](std::size_t i) {
    const std::vector<LandOnGrid>& lands = clashing[i]->lands;
    LandClash& found = clashes[i];
    found = {clashing[i]->grid, {}, lands.back().standing.plugin, heightDifference(lands)};
    for (const LandOnGrid& land : lands) found.lands.push_back(land.standing);
  });
  return clashes;
}

std::vector<std::vector<uint64_t>> candidatePlaces(const std::vector<ClashCandidate>& candidates,
                                                   std::size_t pluginFile) {
  std::vector<std::vector<uint64_t>> places(pluginFile + 1);
  for (const ClashCandidate& candidate : candidates) {
    for (const LandOnGrid& land : candidate.lands) places[land.file].push_back(land.offset);
  }
  sortEachOnce(places);
  return places;
}

std::vector<std::vector<uint64_t>> landToReadWhole(const std::vector<ClashCandidate>& candidates,
                                                   bool pluginOnly, std::size_t pluginFile) {
  std::vector<std::vector<uint64_t>> whole(pluginFile + 1);
  for (const ClashCandidate& candidate : candidates) {
    if (clashOf(candidate, pluginOnly, pluginFile) != SameLand::kUnknown) continue;
    forEachComparedPair(candidate, pluginOnly, pluginFile, [&](const LandOnGrid& a, const LandOnGrid& b) {
      for (const LandOnGrid* land : {&a, &b}) {
        if (land->digest != nullptr && !land->digest->digested) whole[land->file].push_back(land->offset);
      }
      return true;
    });
  }
  sortEachOnce(whole);
  return whole;
}

int clashingPlugins(const std::vector<LandClash>& clashes) {
  std::set<std::string> plugins;
  for (const LandClash& clash : clashes) {
    for (const StandingCell& land : clash.lands) plugins.insert(foldedName(*land.plugin));
  }
  return static_cast<int>(plugins.size());
}

std::vector<std::string> patchesOf(const GameModel& model) {
  std::vector<std::string> patches;
  if (model.pluginPath.empty()) return patches;
  const std::string folded = foldedName(model.plugin.label);
  for (const PluginCells& plugin : model.checked) {
    for (const std::string& master : plugin.masters) {
      if (foldedName(master) == folded) {
        patches.push_back(plugin.label);
        break;
      }
    }
  }
  return patches;
}
