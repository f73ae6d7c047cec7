// The run log "qnlog.txt" of one run: a file created anew at the run's first
// text, and one buffer in front of it.
//
// Texts gather in the buffer, which is written to the file when it is full,
// when a caller finds 100 ms have passed since the last write (flushIfDue,
// called after every record), when the run asks for it (before the editor
// starts) and when the log is let go, however the run ends (the end, a fatal
// error as the run unwinds). An interruption may come at any moment: its
// handler writes what is buffered and one last line through
// writeAfterInterruption, which uses only the buffer, two counts and the
// system's own write. So nothing appended before the run ends is lost.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "base/platform/platform.h"

class RunLog {
 public:
  // A null name: a run that writes no log (its folder cannot be written);
  // texts are taken and dropped.
  explicit RunLog(const char* name);
  RunLog(const RunLog&) = delete;
  RunLog& operator=(const RunLog&) = delete;
  ~RunLog();

  // Appends the text, each line feed as the system's line end for text a
  // user reads. The first text creates the file and goes out at once; a log
  // that cannot be created is reported on standard error at every text, and
  // the run goes on.
  void append(std::string_view text);
  void flush();
  // Writes the buffer when 100 ms have passed since it was last written.
  void flushIfDue();
  // Async-signal-safe: writes the buffered texts that have not reached the
  // file yet, then `lastText`.
  void writeAfterInterruption(const char* lastText);

 private:
  void write();

  static constexpr std::size_t kBufferSize = 64 * 1024;
  const char* name_;
  std::unique_ptr<char[]> buffer_;
  // How much of the buffer holds whole texts, and how much of it a write in
  // flight is carrying to the file from `sizeBeforeWrite_`: the file's size
  // tells an interruption how many of those bytes arrived.
  std::atomic<std::size_t> buffered_{0};
  std::atomic<std::size_t> writing_{0};
  uint64_t size_ = 0;
  uint64_t sizeBeforeWrite_ = 0;
  RawFile file_;
  std::chrono::steady_clock::time_point lastWrite_;
};
