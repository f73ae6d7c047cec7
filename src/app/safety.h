// What keeps a user's files safe whatever happens to a run: one run at a time
// in a folder, a plugin that is never one of the run's own files, and an
// interrupted run that cleans up after itself.
#pragma once

#include "app/options.h"
#include "base/platform/platform.h"
#include "base/run_log.h"

// The current folder, claimed for the run from before anything is deleted or
// written until the claim goes, however the run ends.
class FolderClaim {
 public:
  FolderClaim() = default;
  FolderClaim(const FolderClaim&) = delete;
  FolderClaim& operator=(const FolderClaim&) = delete;
  ~FolderClaim();

  // Takes the folder lock, makes sure the plugin is none of the files the run
  // may write or delete (the output and its temporary file only when the run
  // writes them) and that the output is none of the run's other files, and
  // from then on cleans up after an interruption. Ends the run with status 1
  // when another run holds the folder or a file would be lost, or when the
  // folder cannot be written, which it then names. A run that
  // only lists the rules (-r) goes on without the lock where the lock file
  // cannot be made (a read-only folder, where it can delete and write
  // nothing either).
  void claim(const char* pluginPath, const RunOptions& options);

  // Options that end the run while parsing (-V, --help, a bad letter) after
  // "-l" delete cell_log.txt first, as "-l" does when met; never while
  // another run holds the folder, and never when any argument names that
  // very file. They make no lock file.
  void removeCellListBeforeEnding(const ArgumentVector& arguments);

  // False when the folder cannot be written (a run that only lists the
  // rules goes on there): no run log is written then.
  bool folderWritable() const { return folderWritable_; }

 private:
  LockHandle lock_;
  bool folderWritable_ = true;
  bool cleansUp_ = false;
};

// The run log an interruption ends with its last line, for as long as this
// lives.
class RunLogWatched {
 public:
  explicit RunLogWatched(RunLog& log);
  RunLogWatched(const RunLogWatched&) = delete;
  RunLogWatched& operator=(const RunLogWatched&) = delete;
  ~RunLogWatched();
};

// Removes the work files a run makes (the change list, the script text
// files, the interior cell list), in this order; a missing one is no error.
// Async-signal-safe.
void removeWorkFiles();

// What an interruption finds: whether the temporary output exists, and
// whether QNOUT.ESP has been replaced by this run.
void noteTemporaryOutput(bool exists);
void noteOutputReplaced();
