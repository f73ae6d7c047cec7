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

void readGameLand(GameModel& model, std::vector<LandView> views) {
  model.terrains.assign(views.size(), TerrainMap{});
  if (!views.empty()) {
    for (const std::string& path : model.checkedPaths) {
      std::vector<PluginLand> lands = readLandForViews(path, views, true);
      for (std::size_t i = 0; i < views.size(); ++i) model.terrains[i].lay(std::move(lands[i]));
    }
    if (!model.pluginPath.empty()) {  // none when the whole load order is checked alone
      const std::vector<PluginLand> own = readLandForViews(model.pluginPath, views, false);
      for (std::size_t i = 0; i < views.size(); ++i) {
        model.terrains[i].lay(placeLand(model.lands, own[i]));
      }
    }
  }
  model.views = std::move(views);
}
