// The folder lock, the check that the plugin is none of the run's own files,
// and the clean-up after an interruption.
#include "app/safety.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/file_names.h"
#include "base/report.h"
#include "base/run_files.h"
#include "base/text_format.h"
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
  std::string temporaryOutput;
  std::string notWrittenLine;
  std::string writtenLine;
};
InterruptedRun interruptedRun;

void cleanUpAfterInterruption() {
  if (interruptedRun.temporaryOutputExists.load()) {
    removeFileQuietly(interruptedRun.temporaryOutput.c_str());
  }
  removeWorkFiles();
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

// The output, or its temporary file, would stand where the run keeps a file
// of its own (also when that file does not exist yet). A link standing there
// is replaced, not written through, so the names alone tell.
void refuseAsOutput(const RunOptions& options, const char* ownFile) {
  for (const std::string& output : {options.outputPath, options.temporaryOutput()}) {
    if (isSamePlace(output.c_str(), ownFile)) {
      failRun("Unable to write the new plugin to %s: the run keeps its file %s there\n",
              options.outputPath.c_str(), ownFile);
    }
  }
}

}  // namespace

FolderClaim::~FolderClaim() {
  if (cleansUp_) stopHandlingInterruptions();
  releaseFolderLock(lock_);
}

void FolderClaim::claim(const char* pluginPath, const RunOptions& options) {
  const bool writesOutput = !options.listCells && !options.rulesOnly;
  const bool listsOnly = options.rulesOnly;
  const std::string temporaryOutput = options.temporaryOutput();
  switch (takeFolderLock(kLockFile, lock_)) {
    case FolderLock::kLocked:
    case FolderLock::kNoLockFile:
      break;
    case FolderLock::kHeldByAnother:
      failRun("Unable to start: another run of Quendrel is working in this folder\n");
    case FolderLock::kFailed:
      if (errno == EACCES || errno == EROFS || errno == EPERM) {
        if (listsOnly) {
          folderWritable_ = false;
          break;
        }
        const int error = errno;
        std::error_code ignored;
        const std::u8string here = std::filesystem::current_path(ignored).u8string();
        const std::string folder = here.empty() ? "." : std::string(here.begin(), here.end());
        errno = error;
        failRun("quendrel: cannot write in %s (the run log and the lock go there): %s\n",
                folder.c_str(), systemErrorText());
      }
      failRun("Unable to lock this folder for the run with %s: %s\n", kLockFile,
              systemErrorText());
  }
  const OwnFile ownFiles[] = {
      {kRunLogFile, kWouldBeOverwritten},   {kMessageFile, kWouldBeDeleted},
      {kCellListFile, kWouldBeOverwritten}, {kChangeListFile, kWouldBeDeleted},
      {kInteriorListFile, kWouldBeDeleted}, {kScriptTextFile, kWouldBeDeleted},
      {kRewrittenTextFile, kWouldBeDeleted}, {kLockFile, kWouldBeOverwritten},
  };
  // The mod a plugin follows (--follow) is read as well, and kept as safe.
  for (const char* input : {pluginPath, options.followPath.c_str()}) {
    if (*input == '\0') continue;
    if (writesOutput) {
      refuseOwnFile(input, {options.outputPath.c_str(), kWouldBeReplaced});
      refuseOwnFile(input, {temporaryOutput.c_str(), kWouldBeOverwritten});
      // The new plugin replaces what stands under its name: never one of the
      // run's other files, nor the rules.
      for (const OwnFile& file : ownFiles) refuseAsOutput(options, file.name);
      refuseAsOutput(options, options.rulesPath.c_str());
    }
    for (const OwnFile& file : ownFiles) refuseOwnFile(input, file);
  }
  interruptedRun.temporaryOutput = temporaryOutput;
  interruptedRun.notWrittenLine = withUserLineEnds(
      formatted("\nThe run was interrupted: %s was not written.\n", options.outputPath.c_str()));
  interruptedRun.writtenLine = withUserLineEnds(formatted(
      "\nThe run was interrupted after %s was written, before it ended.\n",
      options.outputPath.c_str()));
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

void removeWorkFiles() {
  removeFileQuietly(kChangeListFile);
  removeFileQuietly(kScriptTextFile);
  removeFileQuietly(kRewrittenTextFile);
  removeFileQuietly(kInteriorListFile);
}

RunLogWatched::RunLogWatched(RunLog& log) { interruptedRun.log = &log; }

RunLogWatched::~RunLogWatched() { interruptedRun.log = nullptr; }

void noteTemporaryOutput(bool exists) { interruptedRun.temporaryOutputExists = exists; }

void noteOutputReplaced() { interruptedRun.outputReplaced = true; }
