// What differs between the systems Quendrel runs on (Linux and the other
// POSIX systems, and Windows), each behind one small function. Everything
// else in the program is the same code on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

// True when both paths name one existing file, through hard or symbolic
// links too. False when either does not exist.
bool isSameFile(const char* first, const char* second);

// True when both paths name the same entry of the same folder, whether it
// exists or not (letter case ignored where the system ignores it): a file
// written there replaces the other. Links in the folders' paths are
// followed, a link at the entry itself is not.
bool isSamePlace(const char* first, const char* second);

// The size in bytes of an open file, 64 bits wide; nothing when the system
// cannot tell.
std::optional<uint64_t> sizeOfOpenFile(std::FILE* file);

// Reads `count` bytes of an open file from byte `offset` on into `into`,
// with one call of the system where it can, leaving the stream's own
// position and buffer alone (a reader that keeps its own place steps over
// bytes without asking the system at all). The number read: fewer than
// `count` only where the file ends; nothing, with errno set, when the system
// fails the read.
std::optional<std::size_t> readFileAt(std::FILE* file, uint64_t offset, void* into,
                                      std::size_t count);

// When the file was last modified, as a count that grows with time in the
// system's own unit (nanoseconds on POSIX systems, 100-nanosecond steps on
// Windows), for putting files in order; nothing when the system cannot tell
// (no such file, say).
std::optional<int64_t> fileModificationTime(const char* path);

// The folders the open-source engine's configuration files name with its
// tokens, in UTF-8, each empty where the system cannot tell (no home folder):
//   ?userconfig?  $XDG_CONFIG_HOME/openmw, by default ~/.config/openmw, on
//                 POSIX systems; Documents\My Games\OpenMW on Windows
//   ?userdata?    $XDG_DATA_HOME/openmw, by default ~/.local/share/openmw;
//                 on Windows the same folder as ?userconfig?
//   ?global?      the packager's data folder, /usr/share/games/openmw; on
//                 Windows wherever the installer put the engine: not known
struct EngineFolders {
  std::string userConfig, userData, global;
};
EngineFolders engineFolders();

// Runs `command` through the system's command processor and waits for it to
// end; its result is not looked at. On POSIX systems, where no program
// answers to "notepad" as a rule, the folder of the fallback installed with
// Quendrel is put at the end of PATH for this one command, so that a user's
// own notepad always wins.
void runEditorCommand(const std::string& command);

// The line end of the text files a user reads (the run log and the message
// file): "\n" on POSIX systems, "\r\n" on Windows, where they are opened in
// Notepad. Every other file is written byte for byte alike everywhere.
extern const char* const kUserTextLineEnd;

// A file written without the C library's buffering, through the system's own
// calls, so that a write is in the file when it returns.
struct RawFile {
  intptr_t handle = -1;  // what writes go to: the descriptor, or a Windows HANDLE
  int descriptor = -1;   // the C library's descriptor, which owns the handle
  explicit operator bool() const { return descriptor != -1; }
};
// Creates the file anew for writing in byte mode: whatever stands under the
// name is removed first, and the file is then created so that a name that
// exists again (a file, a folder, a link) makes it fail rather than be
// written through. A folder standing under the name fails with EISDIR.
RawFile createRawFile(const char* name);
// The file's size; async-signal-safe.
std::optional<uint64_t> rawFileSize(RawFile file);
// Writes all `size` bytes; false when they could not all be written.
bool writeRaw(RawFile file, const char* bytes, std::size_t size);
void closeRaw(RawFile& file);

// Creates the file anew (as createRawFile) and returns a stream on it for
// writing in byte mode; null, with errno set, when it cannot.
std::FILE* createFileStream(const char* name);
// Flushes the stream and has the system put its bytes on the disk; false
// when either fails.
bool syncFileStream(std::FILE* file);
// Asks the system to start putting `length` bytes of the file from `from`,
// already written to it (the stream flushed), on the disk, and returns
// without waiting for them: a sync that follows then finds most of the file
// there already. A hint only: where the system has no such call (Windows)
// or refuses it (a pipe), nothing happens.
void startWritingToDisk(std::FILE* file, uint64_t from, uint64_t length);
// Asks the memory allocator to keep what a program that builds a large
// model (quendrel-map over a whole game) frees, and to grow its heaps in
// large steps, rather than to hand memory back to the system and take it
// again page by page. A hint only: where the allocator has no such setting,
// nothing happens.
void keepFreedMemoryAtHand();
// Gives `to` the modification time of `from`, to the precision the system
// keeps; false, with errno set, when it cannot.
bool copyModificationTime(const char* from, const char* to);

// What stands at a path, links followed: nothing (a link to nothing
// included), a regular file, a folder, a device that takes a stream of
// bytes (/dev/null, a terminal; NUL and the console on Windows), a pipe (a
// FIFO; a named pipe on Windows), a socket, a block device (a disk), or
// something else.
enum class FileKind {
  kNothing, kRegular, kFolder, kCharacterDevice, kPipe, kSocket, kBlockDevice, kOther
};
FileKind fileKindAt(const char* path);
// Opens a device or pipe that stands at `path` for writing in byte mode as it
// is: nothing is created or removed. Null, with errno set, when it cannot.
std::FILE* openStreamInto(const char* path);

// Where a program's output goes (the same on every system, in
// output_file.cpp): the name the user gave may stand for a regular file (or
// nothing yet), which a new file replaces; for a device or a pipe
// (/dev/null, a terminal, a FIFO; NUL, the console or a named pipe on
// Windows), which is written into as it is and never replaced, as cp does;
// or for something no output may go to (a folder, a socket, a block device).
enum class OutputWay { kReplace, kWriteInto, kRefuse };
struct OutputPlace {
  OutputWay way;
  const char* refusal;  // under kRefuse: "it is a folder", say
};
OutputPlace outputPlaceOf(const char* path);

// Opens the output for writing in byte mode as its place says: a new file
// (see createFileStream: whatever stands under the name is removed first,
// never written through), or the device or pipe itself. Null, with errno
// set, when it cannot; a folder gives EISDIR, the other refused places
// ENOTSUP.
std::FILE* createOutputStream(const char* path);

// Renames `from` to `to`, replacing whatever stands under `to` (a file, or a
// link, which is replaced itself: its target is never written) in one step,
// and has the system put the new name on the disk, so that the new file is
// there after a power cut right after the call.
bool replaceFile(const char* from, const char* to);
// Removes a file; a missing one is no error. Async-signal-safe.
void removeFileQuietly(const char* name);

// The lock that lets one run at a time work in the current folder: a lock
// held on the file `name` (created when missing, never written), which the
// system lets go however the process ends, so that a lock file left behind
// never blocks. takeFolderLock returns kLocked (and the lock in `lock`),
// kHeldByAnother, or kFailed with errno set. Without `createFile` a missing
// lock file is not made, and kNoLockFile says no run holds the folder.
enum class FolderLock { kLocked, kHeldByAnother, kFailed, kNoLockFile };
struct LockHandle {
  intptr_t value = -1;  // a descriptor, or a Windows HANDLE
  explicit operator bool() const { return value != -1; }
};
FolderLock takeFolderLock(const char* name, LockHandle& lock, bool createFile = true);
void releaseFolderLock(LockHandle& lock);

// Interruption: SIGINT, SIGTERM and SIGHUP on POSIX systems; Ctrl-C,
// Ctrl-Break and the closing of the console on Windows. From the moment of
// this call, an interruption runs `cleanUp` (which may use only
// async-signal-safe calls: no allocation, no stdio) and then ends the process
// as the system's shells expect of an interrupted program: killed by the same
// signal on POSIX systems (status 128 + its number), status
// STATUS_CONTROL_C_EXIT on Windows. stopHandlingInterruptions restores the
// system's own handling.
void handleInterruptions(void (*cleanUp)());
void stopHandlingInterruptions();

// Whether getopt_long's ':' (a value missing) stands for a long option
// given a value it takes none of, "--json=yes": the MinGW-w64 getopt_long
// answers that with ':', glibc's with '?'. A missing value is never written
// with "=", so the word tells the two apart on every system.
inline bool valueGivenToLongOption(const char* word) {
  return word[0] == '-' && word[1] == '-' && std::strchr(word, '=') != nullptr;
}
