// quendrel-map's planner page: one HTML file that holds its styles, its
// script and the map's data, so that it opens from a disk without a network.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

// The whole page for the map's data. `data` is the object the page's script
// reads:
//   {"plugin": "mod.esp",
//    "largestOffset": n,                // kLargestCellOffset: quendrel's largest move in cells
//    "plugin": "" without a plugin: the whole load order, for its clashes
//    "plugins": ["Base.esm", ...],       // the checked plugins, load order then --against
//    "texts": ["", "Ascadian Isles", ...], // the names and regions of "occupied", once each
//    "occupied": [[x, y, pluginIndex, land, name, region], ...],
//                                        // every grid of every checked plugin, once;
//                                        // land 1: a LAND record there, 0: cell only;
//                                        // name and region: indices of "texts",
//                                        // null: land and no cell
//    "cells": [{"x", "y", "name", "region", "land": bool, "movable": bool,
//               "cell": false (only on land that no cell takes along),
//               "fate": "kept"|"moved"|"copied"|"deleted", "to": [x, y]}, ...],
//                                        // the plugin's things as "TA, dx, dy" moves
//                                        // them (see plannerData): cells with the land
//                                        // that goes along, and land no cell takes;
//                                        // movable false: damaged, so it stays;
//                                        // fate and to: the rules file's
//    "overlaps": [[x, y], ...],          // the rules file's overlap grids
//    "clashes": [[x, y, ["A.esm", "mod.esp"], "mod.esp", 512], ...],
//                                        // the land clashes: the plugins with land
//                                        // there, the one shown, the largest height
//                                        // difference (PLUGIN's where the rules put it)
//    "rulesOffset": null | [dx, dy],     // the whole-plugin move that does what the
//                                        // rules file does; the page opens there
//    "terrain": null | {"png": "data:image/png;base64,...", "west": minX,
//                       "north": maxY, "columns": n, "rows": m}}
// Text that is not valid UTF-8 is written with U+FFFD in its place.
// `asText` are members of the data given as JSON text instead (see
// plannerData), each written in the place of the data's own.
struct JsonText {
  std::string name;
  std::string text;
};
std::string plannerPage(nlohmann::json data, const std::vector<JsonText>& asText = {});
