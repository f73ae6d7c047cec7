// What other plugins leave pointing at the grids PLUGIN's cells leave: when
// the rules move or delete a cell, the doors, travel services, AI packages,
// moved-reference markers, placed objects and script and dialogue commands
// of every other checked plugin that point into its grid still point at the
// old place. They are found with the finder quendrel rewrites through
// (world/pointers.h), while each checked plugin is read, only in the records
// that can hold them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "records/record_layout.h"
#include "rules/rules.h"
#include "world/pointers.h"

struct PluginCells;

// The grids PLUGIN's cells leave under the rules: moved to another grid, or
// deleted. A copy leaves its original in place; damaged cells are kept.
class GridsLeft : public PointerGrids {
 public:
  // The first cell of PLUGIN that leaves a grid decides where it goes.
  void leave(GridCell grid, std::optional<GridCell> to);
  bool empty() const { return grids_.empty(); }
  // Where the grid's cell goes (nothing: deleted); null when none leaves it.
  const std::optional<GridCell>* find(GridCell grid) const;
  bool wants(GridCell grid) const override { return find(grid) != nullptr; }

 private:
  std::unordered_map<uint64_t, std::optional<GridCell>> grids_;
};

GridsLeft gridsLeft(const RuleTable& rules, const PluginCells& plugin);

// One pointer of a checked plugin into a grid left.
struct LeftPointer {
  PointerKind kind;
  // The record it stands in, as reports name it: a door's, marker's or
  // object's cell, a character's id, a script's name, a dialogue entry's
  // topic (see pointerRecordName).
  std::string record;
  std::string id;  // an object's id
  GridCell grid;   // the grid left it points into
  // A script or dialogue command that names its cell: the name, lower case
  // (see dropInteriorCommands).
  std::string namedCell;
};

// Finds the pointers of one plugin's records into the grids left, record by
// record in file order, as the plugin is read.
class PointerSearch {
 public:
  explicit PointerSearch(const GridsLeft& left) : left_(left) {}
  // The records whose data is searched (CELL, NPC_, SCPT, INFO), and the
  // topics (DIAL) that name the dialogue entries behind them; every other
  // record holds no pointer.
  static bool searches(const uint8_t* type);
  // Adds the pointers of the record (its type, and its whole data) to `into`.
  void take(const uint8_t* type, const uint8_t* data, std::size_t dataSize,
            std::vector<LeftPointer>& into);

 private:
  const GridsLeft& left_;
  std::string topic_;  // of the last DIAL
  std::vector<FoundPointer> found_;  // the record's, kept for the next one's room
};

// Leaves out the commands that name an interior cell, whose coordinates lie
// in that cell and not in the world: a name any plugin read has as an
// interior cell, compared as quendrel compares it with its list of interior
// cells (written by --write-interiors). The interiors are known once every
// plugin is read, as a script may come before the cell it names.
void dropInteriorCommands(std::vector<PluginCells>& checked, const PluginCells& plugin);
