// Placed references inside a cell (FRMR ... DATA) and the destinations of
// doors placed in interior cells.
#pragma once

#include <cstddef>
#include <cstdint>

#include "plugin/run_context.h"

// The grid a reference is shifted from and to: its cell's old and new grid,
// or, for the reference behind a moved-reference marker, its target's.
struct ReferenceShift {
  int32_t oldX, oldY, newX, newY;
};

// The cell being walked: its data in the modified copy, the same data as
// read (rewritten too for a door in a cell written twice), what is to be
// written for the cell, and what applies to the reference at hand.
struct ReferenceWalk {
  uint8_t* data;
  std::size_t dataSize;
  uint8_t* originalData;  // may be null
  bool interior;
  ReferenceShift shift;
  OutputDecision& decision;
};

// Handles the reference whose FRMR stands at `frmrOffset` of the cell data;
// returns the offset at which the walk over the cell goes on.
std::size_t handleReference(const WriteInputs& in, WriteState& state, const ReferenceWalk& walk,
                            std::size_t frmrOffset);

// Rewrites a door destination (the DODT at `dodtOffset`) that leads into a
// moved exterior cell.
void handleDoorDestination(const WriteInputs& in, WriteState& state, const ReferenceWalk& walk,
                           std::size_t dodtOffset);
