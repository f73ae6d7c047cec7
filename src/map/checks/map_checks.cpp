// The checks of the model beside the overlaps.
#include "map/checks/map_checks.h"

#include <utility>

std::vector<RuleWarning> ruleWarnings(const GameModel& model) {
  if (!model.rulesText) return {};  // no rules file at all
  const PluginCells& plugin = model.plugin;
  RulesCheckTarget target{plugin.label, {}, plugin.interiors};
  for (const ExteriorCell& cell : plugin.cells) {
    if (!cell.damaged) {
      target.exteriors.push_back(exteriorLocation(cell.grid.x, cell.grid.y, cell.region.c_str()));
    }
  }
  for (const PredictedLand& land : model.lands) {
    if (land.withoutCell && !land.land->damaged) {
      target.exteriors.push_back(exteriorLocation(land.land->grid.x, land.land->grid.y, nullptr));
    }
  }
  return checkRules(*model.rulesText, model.rules, target);
}

ResolvedRules resolvedRules(const GameModel& model) {
  const PluginCells& plugin = model.plugin;
  std::vector<GridOccupant> occupants;
  for (const ExteriorCell& cell : plugin.cells) {
    if (!cell.damaged) occupants.push_back({GridOccupant::kCell, cell.grid, cell.region});
  }
  auto regionAt = [&](GridCell grid) -> std::optional<std::string> {
    const char* region = model.regions.at(grid);
    if (region == nullptr) return std::nullopt;
    return region;
  };
  for (const LandRecord& land : plugin.lands) {
    if (!land.damaged) occupants.push_back({GridOccupant::kLand, land.grid, regionAt(land.grid)});
  }
  for (const GridCell marker : plugin.markers) {
    occupants.push_back({GridOccupant::kMarker, marker, regionAt(marker).value_or("")});
  }
  return resolveRules(model.rules, occupants, model.rulesPath, plugin.label);
}

SuggestionInput suggestionInput(const GameModel& model, int32_t margin) {
  SuggestionInput input;
  for (const ExteriorCell& cell : model.plugin.cells) {
    (cell.damaged ? input.staying : input.moving).push_back(cell.grid);
  }
  for (const LandRecord& land : model.plugin.lands) {
    (land.damaged ? input.staying : input.moving).push_back(land.grid);
  }
  for (const PluginCells& other : model.checked) {
    for (const ExteriorCell& cell : other.cells) input.taken.push_back(cell.grid);
    for (const LandRecord& land : other.lands) input.taken.push_back(land.grid);
  }
  input.margin = margin;
  input.reserved = model.reserved;
  return input;
}
