// The two passes over the plugin and the closing reports.
#pragma once

#include <string>

#include "app/run/followed_mod.h"
#include "app/text_editor.h"
#include "base/run_log.h"
#include "plugin/run_context.h"
#include "rules/rules.h"

// Runs the scan pass and the write pass (one pass under -l) over the plugin
// with the rules read at start-up from the bytes `rulesText`, the check of
// the rules file after the write pass, and then the closing, which shows the
// message file in `editor`. Returns 0; every error ends the run instead.
// Under --follow, `rules` are the mod's rules by grid, `followed` the mod:
// every grid it moves is in the change list before the plugin's first
// record, and its interior cells are known as such; the rules file is not
// checked against the plugin, for which it was not written.
int runPasses(const char* pluginPath, const RunOptions& options, const RuleTable& rules,
              const std::string& rulesText, RunLog& log, TextEditor& editor,
              const FollowedMod* followed = nullptr);
