// The folder lock, the check that the plugin is none of the run's own files,
// and the clean-up after an interruption.
#include "app/safety.h"

#include <atomic>
#include <cstdio>
#include <iterator>

#include "base/platform.h"
#include "base/report.h"
#include "base/run_state.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"

const char* const kLockFile = "quendrel.lock";
const char* const kTemporaryOutput = "QNOUT.ESP.tmp";

namespace {

std::atomic<bool> temporaryOutputExists{false};
std::atomic<bool> outputReplaced{false};

// The last line of the run log after an interruption, with the line ends the
// log is written with; made before any interruption can come.
std::string notWrittenLine;
std::string writtenLine;

void cleanUpAfterInterruption() {
  if (temporaryOutputExists.load()) removeFileQuietly(kTemporaryOutput);
  removeFileQuietly(kChangeListFile);
  removeFileQuietly(kInteriorListFile);
  removeFileQuietly(kScriptTextFile);
  removeFileQuietly(kRewrittenTextFile);
  writeRunLogAfterInterruption(outputReplaced.load() ? writtenLine.c_str()
                                                     : notWrittenLine.c_str());
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

void lockOrEnd() {
  switch (takeFolderLock(kLockFile)) {
    case FolderLock::kLocked:
      return;
    case FolderLock::kHeldByAnother:
      failRun("Unable to start: another run of Quendrel is working in this folder\n");
    case FolderLock::kFailed:
      failRun("Unable to lock this folder for the run with %s: %s\n", kLockFile,
              systemErrorText());
  }
}

}  // namespace

void claimFolder(const char* pluginPath, bool writesOutput) {
  lockOrEnd();
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

  notWrittenLine = withUserLineEnds("\nThe run was interrupted: QNOUT.ESP was not written.\n");
  writtenLine = withUserLineEnds(
      "\nThe run was interrupted after QNOUT.ESP was written, before it ended.\n");
  temporaryOutputExists = false;
  outputReplaced = false;
  handleInterruptions(cleanUpAfterInterruption);
}

void releaseFolder() {
  stopHandlingInterruptions();
  releaseFolderLock();
}

void removeCellListBeforeEnding(const ArgumentVector& arguments) {
  if (!runOptions.listCells) return;
  if (takeFolderLock(kLockFile) != FolderLock::kLocked) return;
  for (char* argument : arguments.vector) {
    if (argument != nullptr && isSameFile(argument, kCellListFile)) return;
  }
  std::remove(kCellListFile);
}

void noteTemporaryOutput(bool exists) { temporaryOutputExists = exists; }

void noteOutputReplaced() { outputReplaced = true; }
