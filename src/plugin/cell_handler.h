// CELL records: moving, copying and deleting exterior cells with the
// references placed in them and the targets of moved references; copying
// and deleting interior cells; doors in interior cells that lead to moved
// exterior cells; and the cell list written under -l.
#pragma once

#include "plugin/run_context.h"

extern const char* const kCellListFile;  // "cell_log.txt"

// The scan pass's CELL handler: learns the cell's move, interior name and
// region, and under -l lists the cell.
void scanCell(const ScanInputs& in, ScanState& scan, RecordInHand& record);

// The write pass's CELL handler: rewrites the cell's grid, its references'
// positions, its moved-reference targets, and door destinations (in the
// modified copy, and in the original too when the cell is written twice),
// and returns what is written for the cell.
OutputDecision handleCell(const WriteInputs& in, WriteState& state, RecordInHand& record);
