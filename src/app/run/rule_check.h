// quendrel's check of the rules file against the plugin it has just worked
// on: the warnings quendrel-map gives, on standard error, for a run that
// does what the rules say however odd they look.
#pragma once

#include <string>

#include "plugin/run_context.h"

// Checks the rules file's bytes `rulesText` (read into `rules`)
// against what the passes saw of the plugin at `pluginPath`, and writes the
// warnings to standard error as "FILE:LINE: text". The run log, the outputs
// and the exit status do not change.
void warnAboutRules(const RunOptions& options, const RuleTable& rules, const PlacesSeen& seen,
                    const std::string& rulesText, const char* pluginPath);
