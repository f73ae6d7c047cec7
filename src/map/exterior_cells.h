// The exterior cells of a plugin or master, as quendrel-map reads them.
#pragma once

#include <string>
#include <vector>

#include "records/record_layout.h"

struct ExteriorCell {
  GridCell grid;
  std::string name;    // as the rules see them: cut at the terminator and to 1023 characters
  std::string region;  // empty when the cell has none
  // The record fails the check quendrel makes before it handles a cell, so
  // quendrel passes it on unchanged: it stays where it is.
  bool damaged;
};

struct PluginCells {
  std::string label;  // the file name, without its folder
  std::vector<ExteriorCell> cells;  // in file order
};

// Reads every exterior CELL record of a TES3 plugin or master: the cell
// records are read whole, every other record is stepped over unread. A file
// that cannot be read, that is no TES3 plugin, or that ends inside a record
// ends the run with one line on standard error.
PluginCells readExteriorCells(const std::string& path);
