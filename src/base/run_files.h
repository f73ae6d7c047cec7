// The files a run writes a line at a time (the change list, the interior
// cell list, the cell list and the message file). While a run holds such a
// file, it is created anew at its first line (never written through a file
// or link that stands under its name) and kept open, its lines buffered; it
// is complete once the hold ends. Outside a hold each line is appended on
// its own.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

struct RunFile {
  explicit RunFile(const char* fileName) : name(fileName) {}
  RunFile(const RunFile&) = delete;
  RunFile& operator=(const RunFile&) = delete;
  ~RunFile() { release(); }

  // Appends the bytes; false, with errno set, when the file cannot be opened.
  bool append(const char* bytes, std::size_t size);
  bool append(std::string_view text) { return append(text.data(), text.size()); }
  void hold() { held = true; }
  void release();

  const char* name;
  bool held = false;
  std::FILE* stream = nullptr;
};

// Holds a run file for as long as it lives, however the holder ends.
class RunFileHeld {
 public:
  explicit RunFileHeld(RunFile& file) : file_(file) { file_.hold(); }
  RunFileHeld(const RunFileHeld&) = delete;
  RunFileHeld& operator=(const RunFileHeld&) = delete;
  ~RunFileHeld() { file_.release(); }

 private:
  RunFile& file_;
};

// "Unable to open log file for appending log data (<path>): <error>" on
// standard error: a run log or message file that cannot be written to.
void reportAppendFailure(const char* path);

// The text with every line feed as the system's line end for text a user
// reads (CR LF on Windows): the run log and the message file.
std::string withUserLineEnds(std::string_view text);
