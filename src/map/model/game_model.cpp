// Building the model: the fates and overlaps from what was read, then the
// land the pictures need, each plugin's file read once for all of them.
#include "map/model/game_model.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "map/model/in_parallel.h"
#include "workfiles/map_errors.h"

std::unique_ptr<GameModel> makeGameModel(RuleTable rules, std::string rulesPath,
                                         std::optional<std::string> rulesText,
                                         std::string pluginPath, PluginCells plugin,
                                         std::vector<PluginCells> checked,
                                         std::vector<std::string> checkedPaths) {
  auto model = std::make_unique<GameModel>();
  model->rules = std::move(rules);
  model->rulesPath = std::move(rulesPath);
  model->rulesText = std::move(rulesText);
  model->pluginPath = std::move(pluginPath);
  model->plugin = std::move(plugin);
  model->checked = std::move(checked);
  model->checkedPaths = std::move(checkedPaths);
  model->regions = soundCellRegions(model->plugin);
  model->fates = predictFates(model->rules, model->plugin);
  model->lands = predictLandFates(model->rules, model->plugin);
  model->overlaps = findOverlaps(model->plugin, model->fates, model->lands, model->checked);
  return model;
}

namespace {

// The checked plugins' land records the terrain can show, one list for each
// checked plugin: on each grid only the last record in load order (the
// terrain keeps the land laid last), and none where PLUGIN's land lies
// after the rules (laid on top of all). The others are not read at all.
std::vector<std::vector<LandRecord>> landOnTop(const GameModel& model) {
  std::unordered_set<uint64_t> covered;
  if (!model.pluginPath.empty()) {
    for (const PredictedLand& land : model.lands) {
      if (land.fate == CellFate::kDeleted) continue;
      if (land.fate != CellFate::kMoved) covered.insert(gridKey(land.land->grid));
      if (land.fate != CellFate::kKept) covered.insert(gridKey(land.to));
    }
  }
  std::vector<std::vector<LandRecord>> onTop(model.checked.size());
  for (std::size_t file = model.checked.size(); file-- > 0;) {
    const std::vector<LandRecord>& lands = model.checked[file].lands;
    for (auto land = lands.rbegin(); land != lands.rend(); ++land) {
      if (covered.insert(gridKey(land->grid)).second) onTop[file].push_back(*land);
    }
    std::reverse(onTop[file].begin(), onTop[file].end());  // back in file order
  }
  return onTop;
}

// The walk's records of the places asked for in one file (its lands, in
// file order); a place it did not list, or every place when `whole`, is
// read whole.
std::vector<LandRecord> wantedRecords(const std::vector<LandRecord>& lands,
                                      const std::vector<uint64_t>& offsets, bool whole) {
  std::vector<LandRecord> records;
  for (uint64_t offset : offsets) {
    const auto at = std::lower_bound(
        lands.begin(), lands.end(), offset,
        [](const LandRecord& land, uint64_t place) { return land.offset < place; });
    LandRecord record{{0, 0}, false, offset};
    if (at != lands.end() && at->offset == offset) record = *at;
    if (whole) record.heightsAt = 0;
    records.push_back(record);
  }
  return records;
}

// Reads each file's land for the views and the places asked for (see
// readGameLand), on all cores; the first file that cannot be read ends the
// run, in file order.
std::vector<ListedLand> readListedLand(const GameModel& model, const std::vector<LandView>& views,
                                       const std::vector<std::vector<uint64_t>>& wanted,
                                       bool whole) {
  const std::size_t checkedFiles = model.checkedPaths.size();
  // PLUGIN's file last; none when the whole load order is checked alone.
  const std::size_t files = checkedFiles + (model.pluginPath.empty() ? 0 : 1);
  const std::vector<uint64_t> noneWanted;
  const std::vector<LandRecord> noLand;
  const std::vector<std::vector<LandRecord>> onTop =
      views.empty() ? std::vector<std::vector<LandRecord>>(checkedFiles) : landOnTop(model);
  std::vector<ListedLand> read(files);
  forEachInParallel(files, [&](std::size_t file) {
    const std::vector<uint64_t>& places = file < wanted.size() ? wanted[file] : noneWanted;
    if (file < checkedFiles) {
      read[file] = readListedLandForViews(model.checkedPaths[file], onTop[file], views, true,
                                          wantedRecords(model.checked[file].lands, places, whole));
    } else {
      // Without a view only the records wanted are read.
      read[file] = readListedLandForViews(model.pluginPath, views.empty() ? noLand : model.plugin.lands,
                                          views, false,
                                          wantedRecords(model.plugin.lands, places, whole));
    }
  });
  for (const ListedLand& land : read) {
    if (!land.problem.empty()) failMap("quendrel-map: %s\n", land.problem.c_str());
  }
  return read;
}

}  // namespace

std::vector<std::vector<LandDigest>> readGameLand(GameModel& model, std::vector<LandView> views,
                                                  const std::vector<std::vector<uint64_t>>& wanted) {
  const std::size_t checkedFiles = model.checkedPaths.size();
  std::vector<ListedLand> read = readListedLand(model, views, wanted, false);
  model.terrains.assign(views.size(), TerrainMap{});
  std::vector<std::vector<LandDigest>> digests(checkedFiles + 1);
  for (std::size_t file = 0; file < read.size(); ++file) {
    ListedLand& land = read[file];
    for (std::size_t i = 0; i < views.size(); ++i) {
      if (file < checkedFiles) {
        model.terrains[i].lay(std::move(land.views[i]));
      } else {
        model.terrains[i].lay(placeLand(model.lands, land.views[i]));
      }
    }
    digests[file] = std::move(land.wanted);
  }
  model.views = std::move(views);
  return digests;
}

std::vector<std::vector<LandDigest>> readWholeLand(const GameModel& model,
                                                   const std::vector<std::vector<uint64_t>>& wanted) {
  std::vector<ListedLand> read = readListedLand(model, {}, wanted, true);
  std::vector<std::vector<LandDigest>> digests(model.checkedPaths.size() + 1);
  for (std::size_t file = 0; file < read.size(); ++file) digests[file] = std::move(read[file].wanted);
  return digests;
}
