// What quendrel-map reads of a plugin or master: its masters, its exterior
// cells, its land (LAND records) and the names of its interior cells.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "map/model/pointers_left.h"
#include "records/grid_regions.h"
#include "records/record_layout.h"

struct ExteriorCell {
  GridCell grid;
  std::string name;    // as the rules see them: cut at the terminator and to 1023 characters
  std::string region;  // empty when the cell has none
  // The record fails the check quendrel makes before it handles a cell, so
  // quendrel passes it on unchanged: it stays where it is.
  bool damaged;
};

// A LAND record: the terrain of the exterior cell at its grid, named by the
// INTV subrecord it begins with. A LAND record without one has no grid and
// is not listed.
struct LandRecord {
  GridCell grid;
  bool damaged;     // as for a cell: quendrel passes it on unchanged
  uint64_t offset;  // of the record's first byte in its file, to read it whole later
  uint32_t dataSize = 0;
  // Where in its data its VHGT is expected (landHeightsPlace), for reading
  // its heights alone; 0 when it is to be read whole.
  uint32_t heightsAt = 0;
};

struct PluginCells {
  std::string label;  // the file name, without its folder
  std::vector<ExteriorCell> cells;  // in file order
  std::vector<LandRecord> lands;    // in file order
  std::vector<std::string> interiors;  // the interior cells' names, in file order
  // The target grids of the moved-reference markers (CNDT) in the plugin's
  // sound exterior cells, in file order: read only for the plugin to move.
  std::vector<GridCell> markers;
  // The masters its header (TES3) names in MAST subrecords, in their order.
  std::vector<std::string> masters;
  // Its pointers into the grids PLUGIN's cells leave, in file order: read
  // only for a plugin checked against PLUGIN, when the rules leave a grid.
  std::vector<LeftPointer> pointers;
};

// Reads the plugin whose cells the rules move: every CELL and LAND record
// whole (each is checked as quendrel checks it), every other record stepped
// over unread. A file that cannot be read, that is no TES3 plugin, or that
// ends inside a record ends the run with one line on standard error.
PluginCells readPluginToMove(const std::string& path);

// Reads a plugin the moved cells are checked against: only the first bytes
// of each CELL record (its name, grid, region and whether it is an interior)
// and of each LAND record (its grid), stepping over the rest, as a check
// against a whole load order reads a gigabyte. With grids `left` (not
// empty), the records that can point into them are read whole as well and
// searched in the same pass (see PointerSearch). What is wrong with the file
// is one line on standard error: with `mustRead` it ends the run (status 1);
// otherwise the line says the plugin is left out, and nothing is returned.
std::optional<PluginCells> readCheckedPlugin(const std::string& path, bool mustRead,
                                             const GridsLeft* left = nullptr);

// readCheckedPlugin in two halves, so that the plugins of a load order are
// read at once on several threads and reported in order: the read, which
// neither prints nor ends the run, and the report of what it found.
struct CheckedRead {
  std::optional<PluginCells> plugin;
  std::string problem;  // the line's text when there is no plugin
};
CheckedRead readCheckedPluginQuietly(const std::string& path, const GridsLeft* left = nullptr);
std::optional<PluginCells> reportCheckedRead(CheckedRead read, bool mustRead);

// The regions the rules see at the plugin's grids (see GridRegions): those
// of its sound cells, as quendrel learns them; a damaged cell it passes on
// without looking at it.
GridRegions soundCellRegions(const PluginCells& plugin);
