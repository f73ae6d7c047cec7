// The run from the command line to the exit status.
#pragma once

#include "app/text_editor.h"

// Takes the options from the command line or the options line of
// quendrel.cfg, lists the rules, runs both passes and the closing. Returns
// the exit status: 0 for a finished run, -V, -r and a TES4 plugin; 1 for
// every error. The closing shows the message file in `editor`.
int runQuendrel(int argc, char** argv, TextEditor& editor);
