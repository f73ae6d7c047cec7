// The planner page's data (see planner_page.h) made from what quendrel-map
// has read and predicted: the checked plugins' grids, the plugin's things as
// a move of the whole plugin takes them, the rules file's fates and overlaps,
// and the land of the whole checked area as one picture.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "map/model/cell_fates.h"
#include "rules/rules.h"

struct PlannerSources {
  const RuleTable& rules;
  const std::string& pluginPath;
  const PluginCells& plugin;
  const std::vector<std::string>& checkedPaths;  // the files of `checked`, in its order
  const std::vector<PluginCells>& checked;       // load order, then --against
  const std::vector<PredictedCell>& fates;       // under the rules file
  const std::vector<PredictedLand>& lands;       // under the rules file
  const std::vector<Overlap>& overlaps;          // under the rules file
};

// The page's data. Its "cells" are the plugin's things (see findOverlaps) as
// the rule "TA, dx, dy" takes them, whatever dx and dy (found with TA, 1, 0):
//  - a sound cell, with "land" true when a sound LAND record of its grid
//    goes along (a grid's first sound cell takes its first sound record);
//  - a damaged cell, with "movable" false, and "land" true when a damaged
//    LAND record of its grid stays with it;
//  - each LAND record no cell takes along, with "cell" false: land without
//    a cell, a second LAND record of a grid, and sound land beside a damaged
//    cell (which moves) or damaged land beside a sound cell (which stays).
// So the page's count for "TA, dx, dy" is the number of overlaps
// findOverlaps finds for that rule. "fate" and "to" are the rules file's:
// the cell's, or for land without a cell its LAND record's.
// The land is read anew from the files, at the detail the picture needs.
nlohmann::json plannerData(const PlannerSources& sources);
