// The end of a run: the script lists and the summary, the work files
// removed, and the message file shown in a text editor.
#pragma once

void writeClosingReports();

// Runs "notepad <file>" through the system's command processor and waits for
// it. On POSIX systems a fallback notepad shipped with Quendrel is reachable
// behind the user's own PATH.
void openInTextEditor(const char* file);
