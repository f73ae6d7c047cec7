// Coordinates written in script source and dialogue result text: one line of
// text at a time, and the SCPT and INFO records that carry such text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "plugin/run_context.h"
#include "world/command_words.h"

// Rewrites the X and Y arguments of the position, placement, travel, escort
// or follow command in `line` (a zero-terminated line in a kScriptLineSize
// buffer) when the cell they lie in has moved. Returns 1 when the line was
// rewritten, 0 when it was left exactly as it was.
int rewriteCommandLine(const WriteInputs& in, WriteState& state, char* line);

// SCPT: the SCTX text named by SCHD. INFO: the BNAM text named by ONAM.
// Write pass only; each returns what the write pass writes for the record.
// A text that grows past the spare room behind the record enlarges the
// modified copy.
OutputDecision rewriteScriptRecord(const WriteInputs& in, WriteState& state, RecordInHand& record);
OutputDecision rewriteDialogueRecord(const WriteInputs& in, WriteState& state, RecordInHand& record);
