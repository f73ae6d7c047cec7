// Writing quendrel-map's report.
#include "map/outputs/map_report.h"

#include <nlohmann/json.hpp>

#include "base/text_format.h"
#include "map/outputs/map_text.h"
#include "workfiles/name_text.h"

namespace {

using Json = nlohmann::ordered_json;

// One thing on an overlap's grid, e.g. `mod.esp "Farm" (Coast) moved from
// (0, 0), land` or `Patch.esp land without a cell`.
void appendThing(std::string& out, const StandingCell& thing) {
  out += *thing.plugin;
  if (thing.cell != nullptr) {
    appendJoined(out, " \"", thing.cell->name, "\"");
    if (!thing.cell->region.empty()) appendJoined(out, " (", thing.cell->region, ")");
  } else {
    out += " land without a cell";
  }
  if (thing.how != StandingCell::kInPlace) {
    out += thing.how == StandingCell::kMovedHere ? " moved from " : " copied from ";
    appendGrid(out, thing.from);
  }
  if (thing.cell != nullptr) out += thing.land ? ", land" : ", cell only";
}

// Where the rules put land without a cell: ", moved to (9, 6)", or nothing
// when it stays.
void appendLandFate(std::string& out, const PredictedLand& land) {
  switch (land.fate) {
    case CellFate::kMoved:
      if (land.to == land.land->grid) return;
      out += ", moved to ";
      appendGrid(out, land.to);
      return;
    case CellFate::kCopied:
      out += ", copied to ";
      appendGrid(out, land.to);
      return;
    case CellFate::kDeleted: out += ", deleted"; return;
    case CellFate::kKept: return;
  }
}

// One line for each clash, e.g. `clash (7, 1): Base.esm "Coast", land;
// mod.esp land without a cell; mod.esp shown, heights differ by up to 512`.
void appendClashLines(std::string& out, const std::vector<LandClash>& clashes) {
  for (const LandClash& clash : clashes) {
    out += "clash ";
    appendGrid(out, clash.grid);
    out += ':';
    for (const StandingCell& land : clash.lands) {
      out += ' ';
      appendThing(out, land);
      out += ';';
    }
    appendJoined(out, " ", *clash.shown, " shown, heights differ by up to ",
                 decimalText(clash.heightDifference).text, "\n");
  }
}

Json clashesJson(const std::vector<LandClash>& clashes) {
  Json list = Json::array();
  for (const LandClash& clash : clashes) {
    Json plugins = Json::array();
    for (const StandingCell& land : clash.lands) plugins.push_back(*land.plugin);
    list.push_back({{"x", clash.grid.x}, {"y", clash.grid.y}, {"plugins", plugins},
                    {"shown", *clash.shown}, {"height_difference", clash.heightDifference}});
  }
  return list;
}

Json gridJson(GridCell grid) { return Json::array({grid.x, grid.y}); }

// One pointer left behind, after "pointer: X.esp: ", e.g. `door in
// "Balmora, Guild of Mages" leads to (3, -2), moved to (10, 10)`.
void appendPointer(std::string& out, const MapReport::Pointer& at) {
  const LeftPointer& pointer = *at.pointer;
  switch (pointer.kind) {
    case PointerKind::kObject:
      appendJoined(out, "object \"", pointer.id, "\" in \"", pointer.record, "\" stands in ");
      break;
    case PointerKind::kMarker: appendJoined(out, "marker in \"", pointer.record, "\" names "); break;
    default:
      appendJoined(out, pointerRow(pointer.kind).name, " in \"", pointer.record, "\" leads to ");
      break;
  }
  appendGrid(out, pointer.grid);
  if (at.to) {
    out += ", moved to ";
    appendGrid(out, *at.to);
  } else {
    out += ", deleted";
  }
}

// Room for the report's lines, so that the text of a master's tens of
// thousands of pointers is not copied again and again as it grows: about
// a hundred bytes a line.
std::size_t reportRoom(const MapReport& report) {
  std::size_t lines = report.lone.size() + report.patches.size() + 16;
  if (report.overlaps != nullptr) lines += report.overlaps->size();
  if (report.clashes != nullptr) lines += report.clashes->size();
  if (report.lands != nullptr) lines += report.lands->size();
  if (report.pointers) {
    for (const MapReport::PluginPointers& plugin : *report.pointers) {
      lines += plugin.pointers.size() + 1;
    }
  }
  return lines * 128;
}

Json pointersJson(const std::vector<MapReport::PluginPointers>& plugins) {
  Json list = Json::array();
  for (const MapReport::PluginPointers& plugin : plugins) {
    for (const MapReport::Pointer& at : plugin.pointers) {
      const LeftPointer& pointer = *at.pointer;
      Json entry = {{"plugin", plugin.label},
                    {"kind", pointerRow(pointer.kind).name},
                    {"record", utf8FromWindows1252(pointer.record)}};
      if (pointer.kind == PointerKind::kObject) entry["id"] = utf8FromWindows1252(pointer.id);
      entry["grid"] = gridJson(pointer.grid);
      entry["to"] = at.to ? gridJson(*at.to) : Json(nullptr);
      list.push_back(std::move(entry));
    }
  }
  return list;
}

Json utf8List(const std::vector<std::string>& names) {
  Json list = Json::array();
  for (const std::string& name : names) list.push_back(name);
  return list;
}

}  // namespace

std::string reportText(const MapReport& report) {
  std::string text;
  text.reserve(reportRoom(report));
  if (report.wholeGame) {
    const int clashes = static_cast<int>(report.clashes->size());
    appendClashLines(text, *report.clashes);
    appendFormatted(text, "%d clash%s between %d plugin%s\n",
                    clashes, clashes == 1 ? "" : "es", report.clashingPlugins,
                    report.clashingPlugins == 1 ? "" : "s");
    return text;
  }
  // What the report is of: the rules file read, and the plugins checked.
  const int checked = static_cast<int>(report.checked.size());
  appendFormatted(text, "%s%s; checked against %d plugin%s\n",
                  report.rulesFile ? "rules file: " : "no rules file: every cell stays",
                  report.rulesFile ? report.rulesFile->c_str() : "", checked,
                  checked == 1 ? "" : "s");
  const FateCounts& c = report.counts;
  appendFormatted(text, "%s: %d exterior cells: %d kept, %d moved, %d copied, %d deleted",
                  report.plugin->label.c_str(), static_cast<int>(report.plugin->cells.size()),
                  c.kept, c.moved, c.copied, c.deleted);
  // The warnings themselves went to standard error before the report.
  const int warnings = static_cast<int>(report.ruleWarnings.size());
  if (warnings > 0) {
    appendFormatted(text, "; %d warning%s about the rules file", warnings,
                    warnings == 1 ? "" : "s");
  }
  text += '\n';
  for (const Overlap& overlap : *report.overlaps) {
    text += "overlap ";
    appendGrid(text, overlap.grid);
    text += ':';
    const char* separator = " ";
    for (const StandingCell& thing : overlap.cells) {
      text += separator;
      appendThing(text, thing);
      separator = "; ";
    }
    text += '\n';
  }
  appendClashLines(text, *report.clashes);
  if (!report.clashes->empty() && !report.suggested) {
    text += "(--suggest gives a move of the whole plugin clear of every checked plugin's grids)\n";
  }
  for (const MapReport::Patch& patch : report.patches) {
    appendJoined(text, "patch: ", patch.label, " (to move it with ", report.plugin->label, ": ",
                 patch.move, ")\n");
  }
  if (report.pointers) {
    for (const MapReport::PluginPointers& plugin : *report.pointers) {
      for (const MapReport::Pointer& pointer : plugin.pointers) {
        appendJoined(text, "pointer: ", plugin.label, ": ");
        appendPointer(text, pointer);
        text += '\n';
      }
      appendJoined(text, "pointers: ", plugin.label, ": ",
                   decimalText(static_cast<int64_t>(plugin.pointers.size())).text,
                   " (to move them with ", report.plugin->label, ": ", plugin.move, ")\n");
    }
  }
  for (const PredictedLand& land : *report.lands) {
    if (land.withoutCell) {
      text += "land without a cell at ";
      appendGrid(text, land.land->grid);
      appendLandFate(text, land);
      text += '\n';
    }
  }
  for (GridCell grid : report.lone) {
    text += "lone cell ";
    appendGrid(text, grid);
    text += '\n';
  }
  if (report.suggested) {
    if (report.suggestion) {
      // Pasted under other exterior rules, it would move only what they leave.
      text +=
          "; The whole plugin clear of the checked plugins, as the one exterior rule\n"
          "; of the rules file (it replaces the others):\n";
      appendFormatted(text, "TA, %d, %d\n", report.suggestion->x, report.suggestion->y);
    } else {
      appendFormatted(text, "no offset of less than %d cells puts every cell on free land\n",
                      kLargestCellOffset + 1);
    }
  }
  return text;
}

std::string reportJson(const MapReport& report) {
  if (report.wholeGame) {
    const Json document = {
        {"checked", utf8List(report.checked)},
        {"missing", utf8List(report.missing)},
        {"damaged", utf8List(report.damaged)},
        {"clashes", clashesJson(*report.clashes)},
    };
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
  }
  Json overlaps = Json::array();
  for (const Overlap& overlap : *report.overlaps) {
    Json things = Json::array();
    for (const StandingCell& thing : overlap.cells) {
      const bool placed = thing.how == StandingCell::kInPlace;
      things.push_back({
          {"plugin", *thing.plugin},
          {"name", thing.cell ? Json(utf8FromWindows1252(thing.cell->name)) : Json(nullptr)},
          {"region", thing.cell ? Json(utf8FromWindows1252(thing.cell->region)) : Json(nullptr)},
          {"from", placed ? Json(nullptr) : gridJson(thing.from)},
          {"copy", thing.how == StandingCell::kCopiedHere},
          {"land", thing.land},
      });
    }
    overlaps.push_back({{"x", overlap.grid.x}, {"y", overlap.grid.y}, {"plugins", things}});
  }
  Json withoutCell = Json::array();
  for (const PredictedLand& land : *report.lands) {
    if (land.withoutCell) withoutCell.push_back(gridJson(land.land->grid));
  }
  Json lone = Json::array();
  for (GridCell grid : report.lone) lone.push_back(gridJson(grid));
  Json warnings = Json::array();
  for (const RuleWarning& warning : report.ruleWarnings) {
    warnings.push_back({{"line", warning.line}, {"text", utf8Text(warning.text)}});
  }
  Json patchLabels = Json::array();
  for (const MapReport::Patch& patch : report.patches) patchLabels.push_back(patch.label);
  const FateCounts& c = report.counts;
  Json document = {
      {"plugin", report.plugin->label},
      {"rules_file", report.rulesFile ? Json(*report.rulesFile) : Json(nullptr)},
      {"counts", {{"kept", c.kept}, {"moved", c.moved}, {"copied", c.copied}, {"deleted", c.deleted}}},
      {"checked", utf8List(report.checked)},
      {"missing", utf8List(report.missing)},
      {"damaged", utf8List(report.damaged)},
      {"overlaps", overlaps},
      {"clashes", clashesJson(*report.clashes)},
      {"patches", patchLabels},
      {"land_without_cell", withoutCell},
      {"lone", lone},
      {"suggestion", report.suggestion && report.suggested
                         ? Json{{"dx", report.suggestion->x}, {"dy", report.suggestion->y}}
                         : Json(nullptr)},
      {"rule_warnings", warnings},
  };
  if (report.pointers) {
    // After "patches": the document's keys keep their order.
    Json ordered = Json::object();
    for (auto& [key, value] : document.items()) {
      ordered[key] = std::move(value);
      if (key == "patches") ordered["pointers"] = pointersJson(*report.pointers);
    }
    document = std::move(ordered);
  }
  // File names that are not UTF-8 (possible on POSIX systems) are shown
  // with U+FFFD rather than refused.
  return document.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}
