// NPC_ records: travel, escort and follow packages and travel-service
// destinations that lie in a moved exterior cell follow it.
#pragma once

#include "plugin/run_context.h"

// Write pass only; returns what the write pass writes for the record.
OutputDecision handleNpc(const WriteInputs& in, WriteState& state, RecordInHand& record);
