// What the CELL, LAND and PGRD handlers do with the rules' verdict on the
// location they handle.
#pragma once

#include "plugin/run_context.h"
#include "rules/rules.h"

// In the write pass the verdict's notes go to the run log, in order, and its
// counted matches to the closing summary. Returns the decision the fate
// makes of `decision`: a cell no rule matched keeps the decision it has. The
// new grid is the handler's to take.
OutputDecision takeVerdict(RunContext& context, const RuleVerdict& verdict,
                           OutputDecision decision);

// The run-log notes alone.
void logVerdictNotes(RunLog& log, const RuleVerdict& verdict);
