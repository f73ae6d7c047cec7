// The game as quendrel-map sees it, read once: PLUGIN, the plugins it is
// checked against (the load order, then --against), the rules, what the
// rules make of PLUGIN's things, the overlaps, and the land each picture
// shows. Every check and every output is a function of this one value; none
// of them reads a file or asks the rules again.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "map/model/cell_fates.h"
#include "map/model/land_heights.h"
#include "map/model/plugin_cells.h"
#include "map/model/pointers_left.h"
#include "map/model/terrain.h"
#include "records/grid_regions.h"
#include "rules/rules.h"
#include "workfiles/reserve_file.h"

struct GameModel {
  // Read.
  RuleTable rules;
  std::string rulesPath;
  std::optional<std::string> rulesText;  // the rules file's bytes; nothing without one
  std::string pluginPath;
  PluginCells plugin;
  std::vector<PluginCells> checked;       // load order, then --against
  std::vector<std::string> checkedPaths;  // the files of `checked`, in its order
  std::vector<std::string> missing;       // load-order names found in no data folder
  std::vector<std::string> damaged;       // load-order plugins left out as unreadable
  std::vector<std::string> configFiles;   // the load order's configuration files read
  std::vector<GridRectangle> reserved;    // the reserve file's rectangles (--reserve)
  // The grids PLUGIN's cells leave under the rules; the checked plugins'
  // pointers into them are read with the plugins (PluginCells::pointers).
  GridsLeft left;

  // Made of it. The records' fates point into `plugin`, so the model stays
  // where it was made (see readGame).
  GridRegions regions;                // of PLUGIN's sound cells
  std::vector<PredictedCell> fates;   // PLUGIN's cells under the rules
  std::vector<PredictedLand> lands;   // PLUGIN's LAND records under the rules
  std::vector<Overlap> overlaps;

  // The land under each picture asked for (see readGameLand), in the order
  // of the views: the checked plugins' land inside the view in load order,
  // PLUGIN's own where the rules put it on top.
  std::vector<LandView> views;
  std::vector<TerrainMap> terrains;

  GameModel() = default;
  GameModel(const GameModel&) = delete;
  GameModel& operator=(const GameModel&) = delete;
};

// Builds the model's PLUGIN side and the checked plugins from what was
// read (PLUGIN, the load order's plugins that could be read, then the
// --against plugins): predicts the fates and finds the overlaps.
std::unique_ptr<GameModel> makeGameModel(RuleTable rules, std::string rulesPath,
                                         std::optional<std::string> rulesText,
                                         std::string pluginPath, PluginCells plugin,
                                         std::vector<PluginCells> checked,
                                         std::vector<std::string> checkedPaths);

// Reads the land each view needs into the model, each file once for all
// views: the checked plugins' inside each view's frame, PLUGIN's all of it,
// placed where the rules put it. In the same pass over each file it reads
// for the clash check the records at the places `wanted` gives for it (one
// list for each checked plugin in order, then PLUGIN's; each in increasing
// order, each place once; none for a file past its end), of most only
// their heights (see LandDigest), and returns what it read of them, one
// list for each file in that order. The files are read at once on the
// machine's cores; the first of them (in that order) that cannot be read
// ends the run with its line, as reading them one by one would.
std::vector<std::vector<LandDigest>> readGameLand(GameModel& model, std::vector<LandView> views,
                                                  const std::vector<std::vector<uint64_t>>& wanted = {});

// As readGameLand, without views: the records at the places `wanted` gives
// read whole, for the land the clash check cannot tell apart by their
// heights alone.
std::vector<std::vector<LandDigest>> readWholeLand(const GameModel& model,
                                                   const std::vector<std::vector<uint64_t>>& wanted);
