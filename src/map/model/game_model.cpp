// Building the model: the fates and overlaps from what was read, then the
// land the pictures need, each plugin's file read once for all of them.
#include "map/model/game_model.h"

#include <utility>

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

std::vector<std::vector<std::vector<uint8_t>>> readGameLand(
    GameModel& model, std::vector<LandView> views,
    const std::vector<std::vector<uint64_t>>& wanted) {
  const std::size_t files = model.checkedPaths.size() + 1;
  std::vector<std::vector<std::vector<uint8_t>>> records(files);
  const std::vector<uint64_t> noneWanted;
  auto wantedOf = [&](std::size_t file) -> const std::vector<uint64_t>& {
    return file < wanted.size() ? wanted[file] : noneWanted;
  };
  model.terrains.assign(views.size(), TerrainMap{});
  for (std::size_t file = 0; file < model.checkedPaths.size(); ++file) {
    std::vector<PluginLand> lands =
        readListedLandForViews(model.checkedPaths[file], model.checked[file].lands, views, true,
                               wantedOf(file), records[file]);
    for (std::size_t i = 0; i < views.size(); ++i) model.terrains[i].lay(std::move(lands[i]));
  }
  if (!model.pluginPath.empty()) {  // none when the whole load order is checked alone
    // Without a view only the records wanted are read.
    const std::vector<LandRecord> none;
    const std::vector<PluginLand> own =
        readListedLandForViews(model.pluginPath, views.empty() ? none : model.plugin.lands, views,
                               false, wantedOf(files - 1), records[files - 1]);
    for (std::size_t i = 0; i < views.size(); ++i) {
      model.terrains[i].lay(placeLand(model.lands, own[i]));
    }
  }
  model.views = std::move(views);
  return records;
}
