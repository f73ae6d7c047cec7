// The start-up listing of the rules in words.
#pragma once

#include "app/run/followed_mod.h"
#include "base/run_log.h"
#include "rules/rules.h"

// Writes every rule of one kind in words to the run log, and to standard
// output when `alsoPrinted` (-r). A copy name longer than the cell it copies
// ends the run after its own line; so does, after the exterior listing, a
// line with too many parameters, with its message on standard error.
void listRules(const RuleTable& rules, RuleKind kind, RunLog& log, bool alsoPrinted);

// Under --follow, after the rules: what they make of the mod's grids, as the
// rules by grid the plugin at `pluginPath` is handled by, e.g.
// "Following mod.esm: the rules above move 2, copy 0 and delete 1 of its
// grids; patch.esp gets the same fate at each of them, as these rules by
// grid:\n" and "Rule 1: Move the cell at (3, -2) to (10, 10).\n". Rules
// that decide no grid of the mod are also said on standard error.
void listFollowedGrids(const FollowedMod& mod, const char* pluginPath, RunLog& log,
                       bool alsoPrinted);
