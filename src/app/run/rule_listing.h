// The start-up listing of the rules in words.
#pragma once

#include "base/run_log.h"
#include "rules/rules.h"

// Writes every rule of one kind in words to the run log, and to standard
// output when `alsoPrinted` (-r). A copy name longer than the cell it copies
// ends the run after its own line; so does, after the exterior listing, a
// line with too many parameters, with its message on standard error.
void listRules(const RuleTable& rules, RuleKind kind, RunLog& log, bool alsoPrinted);
