// Building the planner page's data. The plugin's things are those
// findOverlaps counts, found by asking the rules evaluation about a move of
// the whole plugin, so that the page's count cannot drift from the report's.
#include "map/outputs/page/planner_data.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <unordered_map>
#include <utility>

#include "map/model/land_heights.h"
#include "workfiles/name_text.h"
#include "map/outputs/png_image.h"
#include "map/model/terrain.h"
#include "map/outputs/terrain_shading.h"

namespace {

using Json = nlohmann::json;

// Open sea around everything, in cells, so that coasts at the edge show.
constexpr int64_t kAreaMargin = 2;
// Terrain pixels to a cell's side: as many as a close look wants (16),
// fewer where the picture would pass kMostPixels, about what a window of
// 1280 x 800 shows at once (the whole area fitted to the window is then
// drawn at the screen's own detail, and the page stays small and quick to
// write), and fewer still where a side would pass kLargestSide. So 16 a
// cell up to 62 x 62 cells, 5 for a continent of 204 x 156, 3 for a
// thousand cells in a row.
constexpr double kMostShades = 16;
constexpr double kMostPixels = 1e6;
constexpr double kLargestSide = 4000;

const char* fateName(CellFate fate) {
  switch (fate) {
    case CellFate::kKept: return "kept";
    case CellFate::kMoved: return "moved";
    case CellFate::kCopied: return "copied";
    case CellFate::kDeleted: return "deleted";
  }
  return "kept";
}

Json gridJson(GridCell grid) { return Json::array({grid.x, grid.y}); }

// What the rules file does with one record of the plugin: its fate and
// where it goes. predictFates and predictLandFates answer one to a record,
// in file order.
std::pair<CellFate, GridCell> cellRulesFate(const GameModel& s, const ExteriorCell* cell) {
  const PredictedCell& rules = s.fates[static_cast<std::size_t>(cell - s.plugin.cells.data())];
  return {rules.fate, rules.to};
}
std::pair<CellFate, GridCell> landRulesFate(const GameModel& s, const LandRecord* land) {
  const PredictedLand& rules = s.lands[static_cast<std::size_t>(land - s.plugin.lands.data())];
  return {rules.fate, rules.to};
}

// The rule whose things a move of the whole plugin takes: one cell east.
// Every offset other than none takes the same things (a thing's parts come
// from one grid and go the same way), and none moves nothing.
RuleTable wholePluginMove() {
  Rule rule{RuleCode::kTA, 1, {"TA", "1", "0", "", ""}, {0, 1, 0, 0, 0}, 1};
  return {{rule}, false};
}

// The plugin's things as a move of the whole plugin takes them. Asked only
// for the page, so a run without one does not predict them.
std::vector<PluginThing> wholeMoveThings(const GameModel& s) {
  const RuleTable move = wholePluginMove();
  return pluginThings(s.plugin, predictFates(move, s.plugin), predictLandFates(move, s.plugin));
}

// A string as the JSON writer writes it: as it stands between quotes when
// nothing in it needs escaping (the usual name), else through the writer.
void appendJsonString(std::string& out, const std::string& utf8) {
  const bool plain = std::all_of(utf8.begin(), utf8.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x80 && c != '"' && c != '\\';
  });
  if (!plain) {
    out += Json(utf8).dump(-1, ' ', false, Json::error_handler_t::replace);
    return;
  }
  out += '"';
  out += utf8;
  out += '"';
}

// The plugin's things under a whole-plugin move (`things`), where they are
// now, each with the rules file's fate; as JSON text, each object's names
// in the writer's order, e.g. [{"cell":false,"fate":"kept","land":true,
// "movable":true,"name":"","region":"","to":[3,4],"x":3,"y":4}].
std::string pluginEntries(const GameModel& s, const std::vector<PluginThing>& things) {
  std::string entries = "[";
  char number[24];
  auto append = [&](int64_t value) { entries.append(number, std::to_chars(number, number + sizeof number, value).ptr); };
  for (const PluginThing& thing : things) {
    const StandingCell& standing = thing.standing;
    const auto [fate, to] = standing.cell != nullptr ? cellRulesFate(s, standing.cell)
                                                     : landRulesFate(s, thing.land);
    entries += standing.cell == nullptr ? "{\"cell\":false,\"fate\":\"" : "{\"fate\":\"";
    entries += fateName(fate);
    entries += standing.land ? "\",\"land\":true" : "\",\"land\":false";
    entries += standing.how != StandingCell::kInPlace ? ",\"movable\":true,\"name\":" : ",\"movable\":false,\"name\":";
    appendJsonString(entries, standing.cell ? utf8FromWindows1252(standing.cell->name) : "");
    entries += ",\"region\":";
    appendJsonString(entries, standing.cell ? utf8FromWindows1252(standing.cell->region) : "");
    entries += ",\"to\":[";
    append(to.x);
    entries += ',';
    append(to.y);
    entries += "],\"x\":";
    append(standing.from.x);
    entries += ",\"y\":";
    append(standing.from.y);
    entries += "},";
  }
  if (entries.size() > 1) entries.pop_back();  // the last entry's comma
  entries += ']';
  return entries;
}

// The offset of the rule "TA, dx, dy" that does with the plugin what the
// rules file does, when there is one: every record a whole-plugin move takes
// (a sound cell, the land it takes along, land no cell takes) moved by the
// same (dx, dy) or, for (0, 0), kept; every record such a move leaves (a
// damaged one) kept where it is; nothing copied or deleted. The page's count
// for that rule is then the report's. E.g. rules that move every cell and
// its land by (3, -2): [3, -2]; no rules: [0, 0]; a copy anywhere: null.
// `things` are the plugin's things as a whole-plugin move takes them.
Json rulesFileOffset(const GameModel& s, const std::vector<PluginThing>& things) {
  using Offset = std::pair<int64_t, int64_t>;  // wide: grids far apart do not overflow
  std::optional<Offset> offset;
  auto fits = [&](std::pair<CellFate, GridCell> rules, GridCell from, bool movable) {
    Offset moved{0, 0};
    if (rules.first == CellFate::kMoved) {
      moved = {int64_t{rules.second.x} - from.x, int64_t{rules.second.y} - from.y};
    } else if (rules.first != CellFate::kKept) {
      return false;
    }
    if (!movable) return moved == Offset{0, 0};
    if (!offset) offset = moved;
    return moved == *offset;
  };
  for (const PluginThing& thing : things) {
    const StandingCell& standing = thing.standing;
    const bool movable = standing.how != StandingCell::kInPlace;
    if (standing.cell != nullptr && !fits(cellRulesFate(s, standing.cell), standing.cell->grid, movable)) {
      return nullptr;
    }
    if (thing.land != nullptr && !fits(landRulesFate(s, thing.land), thing.land->grid, movable)) {
      return nullptr;
    }
  }
  const auto [dx, dy] = offset.value_or(Offset{0, 0});
  // The page moves the plugin no further than quendrel does.
  if (std::abs(dx) > kLargestCellOffset || std::abs(dy) > kLargestCellOffset) return nullptr;
  return Json::array({dx, dy});
}

// The texts of the occupied rows, each kept once: most grids of a game
// share a handful of region names and have no cell name at all.
class TextTable {
 public:
  int64_t index(const std::string& windows1252) {
    const auto [at, added] = indices_.try_emplace(windows1252, static_cast<int64_t>(indices_.size()));
    if (added) texts_.push_back(utf8FromWindows1252(windows1252));
    return at->second;
  }
  Json texts() && { return std::move(texts_); }

 private:
  std::unordered_map<std::string, int64_t> indices_;
  Json texts_ = Json::array();
};

// Each checked plugin's grids, one row a grid: [x, y, plugin, land, name,
// region], the name and region those of its first cell there as indices
// of `texts`, null where it has land and no cell; as JSON text, e.g.
// [[2,1,0,1,0,1],[5,0,0,1,null,null]]. A whole game has a row for each of
// some 30,000 grids: written straight as text, not built as JSON values,
// and a grid's first record found by sorting, not by a set of nodes.
std::string occupiedRows(const std::vector<PluginCells>& checked, TextTable& texts) {
  std::string rows = "[";
  // Neighbouring cells mostly share their region, and their (empty) name.
  struct LastText {
    TextTable& texts;
    const std::string* last = nullptr;
    int64_t lastIndex = 0;
    int64_t index(const std::string& text) {
      if (last == nullptr || *last != text) {
        lastIndex = texts.index(text);
        last = &text;
      }
      return lastIndex;
    }
  } name{texts}, region{texts};
  std::vector<uint64_t> landGrids;
  std::vector<std::pair<uint64_t, std::size_t>> records;  // grid, place: cells, then lands
  std::vector<bool> first;  // by place: the first record of its grid
  for (std::size_t index = 0; index < checked.size(); ++index) {
    const PluginCells& plugin = checked[index];
    landGrids.clear();
    for (const LandRecord& land : plugin.lands) landGrids.push_back(gridKey(land.grid));
    std::sort(landGrids.begin(), landGrids.end());
    records.clear();
    for (const ExteriorCell& cell : plugin.cells) records.emplace_back(gridKey(cell.grid), records.size());
    for (const LandRecord& land : plugin.lands) records.emplace_back(gridKey(land.grid), records.size());
    std::sort(records.begin(), records.end());  // by grid, then place: each grid's first leads
    first.assign(records.size(), false);
    for (std::size_t i = 0; i < records.size(); ++i) {
      if (i == 0 || records[i].first != records[i - 1].first) first[records[i].second] = true;
    }
    // One row's text: at most six numbers of 20 characters and their marks.
    char row[6 * 21 + 4];
    auto put = [&row](char* at, int64_t value) { return std::to_chars(at, row + sizeof row, value).ptr; };
    auto start = [&](GridCell grid, bool land) {
      char* at = row;
      *at++ = '[';
      for (const int64_t value : {int64_t{grid.x}, int64_t{grid.y}, static_cast<int64_t>(index), int64_t{land}}) {
        at = put(at, value);
        *at++ = ',';
      }
      return at;
    };
    for (std::size_t i = 0; i < plugin.cells.size(); ++i) {
      if (!first[i]) continue;
      const ExteriorCell& cell = plugin.cells[i];
      char* at = start(cell.grid, std::binary_search(landGrids.begin(), landGrids.end(), gridKey(cell.grid)));
      at = put(at, name.index(cell.name));
      *at++ = ',';
      at = put(at, region.index(cell.region));
      *at++ = ']';
      *at++ = ',';
      rows.append(row, at);
    }
    for (std::size_t i = 0; i < plugin.lands.size(); ++i) {
      if (!first[plugin.cells.size() + i]) continue;
      rows.append(row, start(plugin.lands[i].grid, true));
      rows += "null,null],";
    }
  }
  if (rows.size() > 1) rows.pop_back();  // the last row's comma
  rows += ']';
  return rows;
}

// The land clashes: [x, y, [plugin, ...], shown, height difference], the
// plugins in load order, PLUGIN's last.
Json clashRows(const std::vector<LandClash>& clashes) {
  Json rows = Json::array();
  for (const LandClash& clash : clashes) {
    Json plugins = Json::array();
    for (const StandingCell& land : clash.lands) plugins.push_back(*land.plugin);
    rows.push_back({clash.grid.x, clash.grid.y, std::move(plugins), *clash.shown, clash.heightDifference});
  }
  return rows;
}

// Every grid that anything checked stands on, now or after the rules, with
// the margin.
GridFrame checkedArea(const GameModel& s) {
  std::vector<GridCell> grids;
  for (const PredictedCell& fate : s.fates) grids.insert(grids.end(), {fate.cell->grid, fate.to});
  for (const PredictedLand& fate : s.lands) grids.insert(grids.end(), {fate.land->grid, fate.to});
  for (const PluginCells& plugin : s.checked) {
    for (const ExteriorCell& cell : plugin.cells) grids.push_back(cell.grid);
    for (const LandRecord& land : plugin.lands) grids.push_back(land.grid);
  }
  return GridFrame::around(grids, kAreaMargin);
}

// Terrain pixels to a cell's side for the area (see kMostShades).
double areaShades(const GridFrame& area) {
  const double columns = static_cast<double>(area.columns()), rows = static_cast<double>(area.rows());
  const double fitting = kLargestSide / std::max(columns, rows);
  double shades = std::min({kMostShades, fitting, std::sqrt(kMostPixels / (columns * rows))});
  if (shades >= 1) shades = std::floor(shades);
  return shades;
}

// The land as a PNG, with where it lies; null without land.
Json terrainJson(const GameModel& s, const TerrainMap* terrain) {
  if (terrain == nullptr) return nullptr;
  const GridFrame area = checkedArea(s);
  const std::string png = encodePng(shadeTerrain(*terrain, area, areaShades(area)));
  return {
      {"png", "data:image/png;base64," + base64(png)},
      {"west", area.minX},
      {"north", area.maxY},
      {"columns", area.columns()},
      {"rows", area.rows()},
  };
}

}  // namespace

std::optional<LandView> plannerLandView(const GameModel& model) {
  bool anyLand = !model.plugin.lands.empty();
  for (const PluginCells& plugin : model.checked) anyLand = anyLand || !plugin.lands.empty();
  if (!anyLand) return std::nullopt;
  const GridFrame area = checkedArea(model);
  const double shades = areaShades(area);
  int samples = 9;
  while (samples < kLandVertices && samples - 1 < shades) samples = samples * 2 - 1;
  return LandView{area, samples};
}

PlannerData plannerData(const GameModel& model, const TerrainMap* terrain,
                        const std::vector<LandClash>& clashes) {
  Json plugins = Json::array();
  for (const PluginCells& plugin : model.checked) plugins.push_back(plugin.label);
  Json overlaps = Json::array();
  for (const Overlap& overlap : model.overlaps) overlaps.push_back(gridJson(overlap.grid));
  TextTable texts;
  std::string occupied = occupiedRows(model.checked, texts);
  const std::vector<PluginThing> things = wholeMoveThings(model);
  Json data = {
      {"plugin", model.plugin.label},
      {"largestOffset", kLargestCellOffset},
      {"plugins", std::move(plugins)},
      {"texts", std::move(texts).texts()},
      {"occupied", nullptr},
      {"cells", nullptr},
      {"overlaps", std::move(overlaps)},
      {"clashes", clashRows(clashes)},
      {"rulesOffset", rulesFileOffset(model, things)},
      {"terrain", terrainJson(model, terrain)},
  };
  return {std::move(data), {{"cells", pluginEntries(model, things)}, {"occupied", std::move(occupied)}}};
}
