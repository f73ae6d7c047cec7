// What differs between the systems Quendrel runs on (Linux and the other
// POSIX systems, and Windows), each behind one small function. Everything
// else in the program is the same code on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

// True when both paths name one existing file, through hard or symbolic
// links too. False when either does not exist.
bool isSameFile(const char* first, const char* second);

// The size in bytes of an open file, 64 bits wide; nothing when the system
// cannot tell.
std::optional<uint64_t> sizeOfOpenFile(std::FILE* file);

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
  intptr_t handle = -1;  // a descriptor, or a Windows HANDLE
  explicit operator bool() const { return handle != -1; }
};
// Opens (creating it when missing) a file for appending in byte mode;
// errno tells why when it fails.
RawFile openRawForAppend(const char* name);
// Creates the file anew for writing in byte mode: whatever stands under the
// name is removed first, and the file is then created so that a name that
// exists again (a file, a folder, a link) makes it fail rather than be
// written through.
RawFile createRawFile(const char* name);
// The file's size; async-signal-safe.
std::optional<uint64_t> rawFileSize(RawFile file);
// Writes all `size` bytes; false when they could not all be written.
bool writeRaw(RawFile file, const char* bytes, std::size_t size);
void closeRaw(RawFile& file);
