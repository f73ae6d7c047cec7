// Moving a world position (an X and Y pair of floats in a subrecord) along
// with the exterior cell it lies in.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/numbers.h"
#include "records/record_layout.h"

struct RunContext;

struct WorldPosition {
  float x, y;
};

// The position moved by whole cells; nothing when either coordinate cannot
// move (not a finite number, or an offset too large for the grid).
std::optional<WorldPosition> shiftWorldPosition(WorldPosition position, int32_t dX, int32_t dY);

// A destination (door, travel package or travel service) at `xy` follows
// its cell when the scan pass found that cell moved. The run log gets
// `verboseLead` and the position and cell under -v, and `quietLead` and the
// position otherwise when it moved, then " - MODIFIED to (x, y)". Returns
// the new position when it moved.
std::optional<WorldPosition> moveDestinationWithItsCell(RunContext& context, uint8_t* xy,
                                                        const std::string& verboseLead,
                                                        const std::string& quietLead);

// A coordinate as the run log shows it, "%f" style: 8292.000000.
inline FixedText fixed(float coordinate) { return fixedSixDecimals(coordinate); }

inline WorldPosition readWorldPosition(const uint8_t* xy) {
  return {readF32(xy + kXOffset), readF32(xy + kYOffset)};
}
inline void writeWorldPosition(uint8_t* xy, WorldPosition position) {
  writeF32(xy + kXOffset, position.x);
  writeF32(xy + kYOffset, position.y);
}
