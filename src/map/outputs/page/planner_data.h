// The planner page's data (see planner_page.h), a view of the model: the
// checked plugins' grids, the plugin's things as a move of the whole plugin
// takes them, the rules file's fates and overlaps, and the land of the whole
// checked area as one picture.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "map/checks/land_clashes.h"
#include "map/model/game_model.h"
#include "map/outputs/page/planner_page.h"


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
// the cell's, or for land without a cell its LAND record's. "rulesOffset"
// is [dx, dy] when the rules file does with the plugin just what
// "TA, dx, dy" does (the page opens there), null otherwise.
// `terrain` is the land of plannerLandView's view, null when it has none;
// `clashes` the land clashes the report lists. A model without a plugin
// path (the whole load order) gives no cells, no overlaps and "rulesOffset"
// [0, 0].
// The page's data but its "cells" and "occupied" rows, null in `data`,
// which are `asText` as JSON text: a row for each grid of every checked
// plugin, some 30,000 for a whole game, and the plugin's thousands of
// things are quicker written than built as JSON values.
struct PlannerData {
  nlohmann::json data;
  std::vector<JsonText> asText;
};
PlannerData plannerData(const GameModel& model, const TerrainMap* terrain,
                        const std::vector<LandClash>& clashes);

// The land the page shows: every grid that anything checked stands on, now
// or after the rules, with a margin of open sea, at the detail its size
// allows; nothing when no plugin has land.
std::optional<LandView> plannerLandView(const GameModel& model);
