// What the CELL, LAND and PGRD handlers do with the rules' verdict on the
// location they handle.
#pragma once

#include "rules/rules.h"

// In the write pass the verdict's notes go to the run log, in order, and its
// counted matches to the closing summary. In both passes the OutputDecision
// follows the fate: a cell no rule matched keeps the decision it has. The new
// grid is the handler's to take.
void takeVerdict(const RuleVerdict& verdict);

// The run-log notes alone.
void logVerdictNotes(const RuleVerdict& verdict);
