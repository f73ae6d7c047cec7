// What the scan pass learns of the plugin's own cells, for records that name
// a cell by its grid or its name: the region of the first CELL record at each
// exterior grid position, and the names of the interior cells.
#pragma once

#include <cstdint>

void rememberExteriorCell(int32_t x, int32_t y, const char* region);
void rememberInteriorCell(const char* name);

// The region of the plugin's first cell at (x, y); empty where it has none.
const char* regionOfPluginCell(int32_t x, int32_t y);
bool isInteriorCellOfPlugin(const char* lowerCaseName);
void forgetPluginCells();
