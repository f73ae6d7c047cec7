// The folder lock, the check that the plugin is none of the run's own files,
// and the clean-up after an interruption.
#include "app/safety.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

#include "app/file_names.h"
#include "base/report.h"
#include "base/run_files.h"
#include "plugin/cell_handler.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"

namespace {

// Everything the interruption handler reaches, in this one place: an
// interruption may come at any moment, and its handler can be handed nothing.
// The last lines of the run log are made before the handler is installed.
struct InterruptedRun {
  std::atomic<bool> temporaryOutputExists{false};
  std::atomic<bool> outputReplaced{false};
  std::atomic<RunLog*> log{nullptr};
  std::string notWrittenLine;
  std::string writtenLine;
};
InterruptedRun interruptedRun;

void cleanUpAfterInterruption() {
  if (interruptedRun.temporaryOutputExists.load()) removeFileQuietly(kTemporaryOutput);
  removeFileQuietly(kChangeListFile);
  removeFileQuietly(kInteriorListFile);
  removeFileQuietly(kScriptTextFile);
  removeFileQuietly(kRewrittenTextFile);
  if (RunLog* log = interruptedRun.log.load()) {
    log->writeAfterInterruption(interruptedRun.outputReplaced.load()
                                    ? interruptedRun.writtenLine.c_str()
                                    : interruptedRun.notWrittenLine.c_str());
  }
}

// How the run would lose the file, were the plugin the same file.
struct OwnFile {
  const char* name;
  const char* refusal;
};

void refuseOwnFile(const char* pluginPath, const OwnFile& file) {
  if (isSameFile(pluginPath, file.name)) failRun(file.refusal, file.name, pluginPath);
}

constexpr const char* kWouldBeReplaced =
    "Unable to open %s for writing: it is the input plugin %s and would be replaced\n";
constexpr const char* kWouldBeOverwritten =
    "Unable to open %s for writing: it is the input plugin %s and would be overwritten\n";
constexpr const char* kWouldBeDeleted = "Unable to delete %s: it is the input plugin %s\n";

}  // namespace

FolderClaim::~FolderClaim() {
  if (cleansUp_) stopHandlingInterruptions();
  releaseFolderLock(lock_);
}

void FolderClaim::claim(const char* pluginPath, bool writesOutput, bool listsOnly) {
  switch (takeFolderLock(kLockFile, lock_)) {
    case FolderLock::kLocked:
    case FolderLock::kNoLockFile:
      break;
    case FolderLock::kHeldByAnother:
      failRun("Unable to start: another run of Quendrel is working in this folder\n");
    case FolderLock::kFailed:
      if (listsOnly && (errno == EACCES || errno == EROFS || errno == EPERM)) break;
      failRun("Unable to lock this folder for the run with %s: %s\n", kLockFile,
              systemErrorText());
  }
  if (writesOutput) {
    refuseOwnFile(pluginPath, {kOutputPlugin, kWouldBeReplaced});
    refuseOwnFile(pluginPath, {kTemporaryOutput, kWouldBeOverwritten});
  }
  const OwnFile ownFiles[] = {
      {kRunLogFile, kWouldBeOverwritten},   {kMessageFile, kWouldBeDeleted},
      {kCellListFile, kWouldBeOverwritten}, {kChangeListFile, kWouldBeDeleted},
      {kInteriorListFile, kWouldBeDeleted}, {kScriptTextFile, kWouldBeDeleted},
      {kRewrittenTextFile, kWouldBeDeleted}, {kLockFile, kWouldBeOverwritten},
  };
  for (const OwnFile& file : ownFiles) refuseOwnFile(pluginPath, file);

  interruptedRun.notWrittenLine =
      withUserLineEnds("\nThe run was interrupted: QNOUT.ESP was not written.\n");
  interruptedRun.writtenLine = withUserLineEnds(
      "\nThe run was interrupted after QNOUT.ESP was written, before it ended.\n");
  interruptedRun.temporaryOutputExists = false;
  interruptedRun.outputReplaced = false;
  handleInterruptions(cleanUpAfterInterruption);
  cleansUp_ = true;
}

void FolderClaim::removeCellListBeforeEnding(const ArgumentVector& arguments) {
  const FolderLock taken = takeFolderLock(kLockFile, lock_, false);
  if (taken != FolderLock::kLocked && taken != FolderLock::kNoLockFile) return;
  for (char* argument : arguments.vector) {
    if (argument != nullptr && isSameFile(argument, kCellListFile)) return;
  }
  std::remove(kCellListFile);
}

RunLogWatched::RunLogWatched(RunLog& log) { interruptedRun.log = &log; }

RunLogWatched::~RunLogWatched() { interruptedRun.log = nullptr; }

void noteTemporaryOutput(bool exists) { interruptedRun.temporaryOutputExists = exists; }

void noteOutputReplaced() { interruptedRun.outputReplaced = true; }
