// Moving a destination (a world position in a subrecord) along with the
// exterior cell it lies in, with its note in the run log.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "base/numbers.h"
#include "records/record_layout.h"
#include "world/world_position.h"

struct WriteInputs;
struct WriteState;


// A destination (door, travel package or travel service) at `xy` follows
// its cell when the scan pass found that cell moved. The run log gets
// `verboseLead` and the position and cell under -v, and `quietLead` and the
// position otherwise when it moved, then " - MODIFIED to (x, y)". Returns
// the new position when it moved.
std::optional<WorldPosition> moveDestinationWithItsCell(const WriteInputs& in, WriteState& state,
                                                        uint8_t* xy,
                                                        const std::string& verboseLead,
                                                        const std::string& quietLead);

// A coordinate as the run log shows it, "%f" style: 8292.000000.
inline FixedText fixed(float coordinate) { return fixedSixDecimals(coordinate); }
