// The end of a run: the script lists and the summary, the work files
// removed, and the message file shown in a text editor.
#pragma once

#include "plugin/run_context.h"

// Writes the closing reports to the run log, the message file and the
// console (under -l the short summary, to the run log and the console),
// removes the work files, and shows the message file in the text editor.
void writeClosingReports(RunContext& context);

// Runs "notepad <file>" through the system's command processor and waits for
// it. On POSIX systems a fallback notepad shipped with Quendrel is reachable
// behind the user's own PATH.
void openInTextEditor(const char* file);
