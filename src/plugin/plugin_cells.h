// What the scan pass learns of the plugin's own cells, for records that name
// a cell by its grid: the region of the first CELL record at each exterior
// grid position. (Interior cell names go to the interior cell list.)
#pragma once

#include <cstdint>

void rememberExteriorCell(int32_t x, int32_t y, const char* region);

// The region of the plugin's first cell at (x, y); empty where it has none.
const char* regionOfPluginCell(int32_t x, int32_t y);
void forgetPluginCells();
