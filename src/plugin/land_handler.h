// LAND and PGRD records: the terrain and the path grid of an exterior cell,
// each naming its cell by grid position, follow their cell. Both run in the
// write pass and return what it writes for the record.
#pragma once

#include "plugin/run_context.h"
#include "records/record_layout.h"

// How much of the modified copy handleLand reads and changes: the record
// header and the INTV grid that leads the data, 16 + 16 = 32 bytes. The write
// pass copies no more of a land record (some 30 KB of heights, normals and
// colours, most of a master's bytes) and writes the rest as it was read.
constexpr std::size_t kLandHandlerReach = kRecordHeaderSize + kLeadingGridBytes;

OutputDecision handleLand(const WriteInputs& in, WriteState& state, RecordInHand& record);
OutputDecision handlePathGrid(const WriteInputs& in, WriteState& state, RecordInHand& record);
