// CELL records: moving, copying and deleting exterior cells with the
// references placed in them and the targets of moved references; copying
// and deleting interior cells; doors in interior cells that lead to moved
// exterior cells; and the cell list written under -l.
#pragma once

#include <cstdint>

// The data of a CELL record's modified copy (behind its 16-byte header) and
// the whole record's size. `originalData` is the same record as read, in which
// a door destination is rewritten too when the record is written twice.
void handleCell(uint8_t* data, uint32_t recordSize, uint8_t* originalData = nullptr);

// Appends the current cell's two lines to cell_log.txt.
void appendCellLog();

// What the scan pass learns of the plugin's own cells, for records that
// name a cell by its grid or its name: the region of the first CELL record
// at each exterior grid position, and the names of the interior cells.
const char* regionOfPluginCell(int32_t x, int32_t y);
bool isInteriorCellOfPlugin(const char* lowerCaseName);
void forgetPluginCells();
