// What the CELL, LAND and PGRD handlers do with the rules' verdict on the
// location they handle.
#pragma once

#include "plugin/run_context.h"
#include "rules/rules.h"

// The decision the verdict's fate makes of `decision`: a cell no rule
// matched keeps the decision it has. The new grid is the handler's to take.
OutputDecision decideByVerdict(const RuleVerdict& verdict, OutputDecision decision);

// The same in the write pass, where the verdict's notes go to the run log,
// in order, and its counted matches to the closing summary.
OutputDecision takeVerdict(WriteState& state, const RuleVerdict& verdict,
                           OutputDecision decision);

// The run-log notes alone.
void logVerdictNotes(RunLog& log, const RuleVerdict& verdict);
