// What keeps a user's files safe whatever happens to a run: one run at a time
// in a folder, a plugin that is never one of the run's own files, and an
// interrupted run that cleans up after itself.
#pragma once

#include "app/options.h"

// The lock file of the folder; left behind on purpose, it never blocks.
extern const char* const kLockFile;          // "quendrel.lock"
// The new plugin while the write pass writes it; renamed to QNOUT.ESP once
// it is whole.
extern const char* const kTemporaryOutput;   // "QNOUT.ESP.tmp"

// Claims the current folder for this run before anything is deleted or
// written: takes the folder lock, makes sure the plugin is none of the files
// the run may write or delete (QNOUT.ESP and its temporary file only when
// `writesOutput`), and from then on cleans up after an interruption. Ends the
// run with status 1 when another run holds the folder or the plugin is one
// of the run's files. releaseFolder undoes it all.
void claimFolder(const char* pluginPath, bool writesOutput);
void releaseFolder();

// Options that end the run while parsing (-V, --help, a bad letter) after
// "-l" delete cell_log.txt first, as "-l" does when met; under the folder
// lock, and never when any argument names that very file.
void removeCellListBeforeEnding(const ArgumentVector& arguments);

// What an interruption finds: whether the temporary output exists, and
// whether QNOUT.ESP has been replaced by this run.
void noteTemporaryOutput(bool exists);
void noteOutputReplaced();
