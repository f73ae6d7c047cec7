// CELL records: moving, copying and deleting exterior cells with the
// references placed in them and the targets of moved references; copying
// and deleting interior cells; doors in interior cells that lead to moved
// exterior cells; and the cell list written under -l.
#pragma once

#include <cstdint>

#include "rules/rules.h"

// The data of a CELL record's modified copy (behind its 16-byte header) and
// the whole record's size. `originalData` is the same record as read, in which
// a door destination is rewritten too when the record is written twice.
void handleCell(const RuleTable& rules, uint8_t* data, uint32_t recordSize,
                uint8_t* originalData = nullptr);

// Appends the current cell's two lines to cell_log.txt.
// cell_log.txt is held by the pass that lists the cells (base/run_files.h).
void appendCellLog();
extern struct RunFile cellListFile;
