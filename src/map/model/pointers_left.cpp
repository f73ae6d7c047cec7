// Finding the pointers other plugins leave behind when PLUGIN's cells move.
#include "map/model/pointers_left.h"

#include <algorithm>

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
  std::vector<std::string> names = plugin.interiors;
  bool naming = false;
  for (const PluginCells& other : checked) {
    names.insert(names.end(), other.interiors.begin(), other.interiors.end());
    for (const LeftPointer& pointer : other.pointers) naming |= !pointer.namedCell.empty();
  }
  if (!naming) return;
  InteriorNames interiors;
  interiors.addLines(knownInteriorsText(names));
  for (PluginCells& other : checked) {
    std::erase_if(other.pointers, [&](const LeftPointer& pointer) {
      return !pointer.namedCell.empty() && interiors.holds(pointer.namedCell);
    });
  }
}
