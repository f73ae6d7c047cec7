// The end of a run: the script lists and the summary, the work files
// removed, and the message file shown in a text editor.
#pragma once

#include "app/run/followed_mod.h"
#include "app/text_editor.h"
#include "base/run_log.h"
#include "plugin/run_context.h"

// Writes the closing reports to the run log, the message file and the
// console (under -l the short summary, to the run log and the console),
// removes the work files, and shows the message file in the text editor.
// Under --follow the summary names the mod `followed`.
void writeClosingReports(const RunOptions& options, const RunCounters& counters,
                         const ScriptLists& scripts, RunLog& log, TextEditor& editor,
                         const FollowedMod* followed = nullptr);
