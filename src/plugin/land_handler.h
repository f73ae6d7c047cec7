// LAND and PGRD records: the terrain and the path grid of an exterior cell,
// each naming its cell by grid position, follow their cell. Both run in the
// write pass and return what it writes for the record.
#pragma once

#include "plugin/run_context.h"

OutputDecision handleLand(const WriteInputs& in, WriteState& state, RecordInHand& record);
OutputDecision handlePathGrid(const WriteInputs& in, WriteState& state, RecordInHand& record);
