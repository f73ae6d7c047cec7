// The change list: every exterior cell the rules move, learned in the scan
// pass and looked up in the write pass by everything that points at a world
// position (doors, path grids, packages, script commands). The scan pass
// writes each move to "qncells.tmp" as well, one line "oldX, oldY, offsetX,
// offsetY" (a cell moved from (-3, 7) to (7, 5) gives "-3, 7, 10, -2"); the
// run deletes that file at its end and never reads it back: the write pass
// gets the moves as a value.
#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "base/run_files.h"
#include "records/record_layout.h"

extern const char* const kChangeListFile;  // "qncells.tmp"

struct CellMove {
  GridCell from;
  GridCell offset;
};

class ChangeList {
 public:
  // Adds a move; an earlier move of the same grid is the one found.
  void add(const CellMove& move);
  // The offset of the first move listed for the grid.
  std::optional<GridCell> find(GridCell grid) const;
  bool empty() const { return moves_.empty(); }

 private:
  std::vector<CellMove> moves_;  // in the order of the plugin's cells
  std::unordered_map<GridCell, GridCell, GridCellHash> first_;
};

// Appends the move's line to the file and adds it to the list. A file that
// cannot be opened is reported on standard error and the move is lost, as
// it is lost to the file.
void noteMove(RunFile& file, ChangeList& moves, const CellMove& move);
