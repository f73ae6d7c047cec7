// quendrel-map's report on standard output: lines of text, or one JSON
// document for scripts and other tools.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "map/checks/land_clashes.h"
#include "map/model/cell_fates.h"
#include "rules/rule_warnings.h"

struct MapReport {
  const PluginCells* plugin = nullptr;
  std::optional<std::string> rulesFile;  // the rules file read; nothing without one
  FateCounts counts;
  std::vector<std::string> checked;  // the labels of the plugins checked against, in order
  std::vector<std::string> missing;  // load-order names found in no data folder
  std::vector<std::string> damaged;  // load-order plugins left out as unreadable
  const std::vector<Overlap>* overlaps = nullptr;
  const std::vector<PredictedLand>* lands = nullptr;  // every LAND record of the plugin
  std::vector<GridCell> lone;
  // Without PLUGIN (the whole load order checked): the clashes alone.
  bool wholeGame = false;
  const std::vector<LandClash>* clashes = nullptr;
  int clashingPlugins = 0;  // the plugins that take part in a clash
  struct Patch {
    std::string label;
    std::string move;  // the command that moves it with PLUGIN
  };
  std::vector<Patch> patches;  // the checked plugins whose master PLUGIN is, in load order
  // The pointers of checked plugins into the grids PLUGIN's cells leave, by
  // plugin in load order (plugins without any left out); nothing when the
  // rules leave no grid, and none were looked for.
  struct Pointer {
    const LeftPointer* pointer;
    std::optional<GridCell> to;  // where the grid's cell goes; nothing: deleted
  };
  struct PluginPointers {
    std::string label;
    std::vector<Pointer> pointers;
    std::string move;  // the command that moves them with PLUGIN
  };
  std::optional<std::vector<PluginPointers>> pointers;
  bool suggested = false;  // --suggest was given
  std::optional<GridCell> suggestion;
  // Their text goes to standard error; the summary line counts them, the
  // JSON document holds them.
  std::vector<RuleWarning> ruleWarnings;
};

// The text report, e.g.
//   rules file: quendrel.cfg; checked against 1 plugin
//   mod.esp: 22 exterior cells: 16 kept, 4 moved, 1 copied, 1 deleted
//   overlap (3, 4): mod.esp "Sel Isle" moved from (1, 2), land; Base.esm "", land
//   clash (7, 1): Base.esm "Coast" (Bay), land; mod.esp land without a cell; mod.esp shown, heights differ by up to 512
//   (--suggest gives a move of the whole plugin clear of every checked plugin's grids)
//   patch: Patch.esp (to move it with mod.esp: quendrel --follow mod.esp --sync-header Patch.esp)
//   pointer: Patch.esp: door in "Balmora, Guild of Mages" leads to (3, -2), moved to (10, 10)
//   pointer: Patch.esp: object "rock" in "Sel Isle" stands in (3, -2), moved to (10, 10)
//   pointer: Patch.esp: marker in "Coast" names (4, -2), deleted
//   pointers: Patch.esp: 3 (to move them with mod.esp: quendrel --follow mod.esp --sync-header Patch.esp)
//   land without a cell at (5, 6), moved to (9, 6)
//   lone cell (40, 2)
//   ; The whole plugin clear of the checked plugins, as the one exterior rule
//   ; of the rules file (it replaces the others):
//   TA, -4, -3
// Without a rules file the first line is "no rules file: every cell stays;
// checked against 0 plugins". The second line ends in "; 2 warnings about the rules file" when the check
// of the rules file gave any. Names are the plugins' bytes as they stand.
// Checking the whole load order (no PLUGIN), the clash lines, then
//   3 clashes between 2 plugins
std::string reportText(const MapReport& report);

// The same as one JSON document (names in UTF-8):
//   {"plugin": "mod.esp", "rules_file": "quendrel.cfg",
//    "counts": {"kept": 16, "moved": 4, "copied": 1, "deleted": 1},
//    "checked": ["Base.esm"], "missing": ["Gone.esp"], "damaged": [],
//    "overlaps": [{"x": 3, "y": 4, "plugins": [
//        {"plugin": "mod.esp", "name": "Sel Isle", "region": "", "from": [1, 2],
//         "copy": false, "land": true},
//        {"plugin": "Base.esm", "name": "", "region": "", "from": null, "copy": false,
//         "land": true}]}],
//    "clashes": [{"x": 7, "y": 1, "plugins": ["Base.esm", "mod.esp"], "shown": "mod.esp",
//                 "height_difference": 512}],
//    "patches": ["Patch.esp"],
//    "pointers": [{"plugin": "Patch.esp", "kind": "door", "record": "Balmora, Guild of Mages",
//                  "grid": [3, -2], "to": [10, 10]},
//                 {"plugin": "Patch.esp", "kind": "object", "record": "Sel Isle", "id": "rock",
//                  "grid": [3, -2], "to": [10, 10]}],
//    "land_without_cell": [[5, 6]],
//    "lone": [[40, 2]],
//    "suggestion": {"dx": -4, "dy": -3},
//    "rule_warnings": [{"line": 3, "text": "\"ta\" is no rule code: ..."}]}
// "rules_file" is null without a rules file; "name" and "region" are null for land without a cell; "from" is the grid
// a moved or copied thing comes from, null for one in place; a pointer's
// "to" is null where the grid's cell is deleted, and "pointers" is left out
// when the rules leave no grid (none are looked for); "suggestion" is
// null without --suggest and when no offset is free. Checking the whole load
// order (no PLUGIN): "checked", "missing", "damaged" and "clashes" alone.
std::string reportJson(const MapReport& report);
