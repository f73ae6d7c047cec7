// Finding the pointers other plugins leave behind when PLUGIN's cells move.
#include "map/model/pointers_left.h"

#include <algorithm>
#include <optional>
#include <string>
#include <unordered_set>

#include "map/model/cell_fates.h"
#include "map/model/plugin_cells.h"
#include "workfiles/interior_list.h"

void GridsLeft::leave(GridCell grid, std::optional<GridCell> to) { grids_.emplace(gridKey(grid), to); }

const std::optional<GridCell>* GridsLeft::find(GridCell grid) const {
  const auto it = grids_.find(gridKey(grid));
  return it == grids_.end() ? nullptr : &it->second;
}

GridsLeft gridsLeft(const RuleTable& rules, const PluginCells& plugin) {
  GridsLeft left;
  for (const PredictedCell& fate : predictFates(rules, plugin)) {
    if (fate.fate == CellFate::kDeleted) {
      left.leave(fate.cell->grid, std::nullopt);
    } else if (fate.fate == CellFate::kMoved && fate.to != fate.cell->grid) {
      left.leave(fate.cell->grid, fate.to);
    }
  }
  return left;
}

bool PointerSearch::searches(const uint8_t* type) {
  return mayHoldPointers(type) || hasTag(type, "DIAL");
}

void PointerSearch::take(const uint8_t* type, const uint8_t* data, std::size_t dataSize,
                         std::vector<LeftPointer>& into) {
  if (hasTag(type, "DIAL")) {
    // Into the room of the last topic's name: a load order has tens of
    // thousands of topics, and few of them a pointer.
    topic_.assign(pointerRecordField(type, data, dataSize));
    return;
  }
  found_.clear();
  findPointers(type, data, dataSize, left_, found_);
  std::string record;
  bool named = false;
  for (FoundPointer& found : found_) {
    // An object a marker moves is the marker's pointer already.
    if (found.row->kind == PointerKind::kObject && found.marked) continue;
    if (!named) {
      record = hasTag(type, "INFO") ? topic_ : pointerRecordName(type, data, dataSize);
      named = true;
    }
    into.push_back({found.row->kind, record, std::move(found.id), found.grid,
                    std::move(found.namedCell)});
  }
}

void dropInteriorCommands(std::vector<PluginCells>& checked, const PluginCells& plugin) {
  std::unordered_set<std::string> named;
  for (const PluginCells& other : checked) {
    for (const LeftPointer& pointer : other.pointers) {
      if (!pointer.namedCell.empty()) named.insert(pointer.namedCell);
    }
  }
  if (named.empty()) return;
  // The named cells that some plugin read has as an interior, each name
  // compared as a list of them would compare it.
  std::unordered_set<std::string> interior;
  auto look = [&](const std::vector<std::string>& names) {
    for (const std::string& name : names) {
      std::optional<std::string> listed = listedName(name);
      if (listed && named.count(*listed) != 0) interior.insert(std::move(*listed));
    }
  };
  look(plugin.interiors);
  for (const PluginCells& other : checked) look(other.interiors);
  for (PluginCells& other : checked) {
    std::erase_if(other.pointers, [&](const LeftPointer& pointer) {
      return !pointer.namedCell.empty() && interior.count(pointer.namedCell) != 0;
    });
  }
}
