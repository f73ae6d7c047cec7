// The run log "qnlog.txt" while a run holds it: one file created anew for the
// run, and one buffer in front of it.
//
// An interruption (a signal, or Ctrl-C on Windows) may come at any moment;
// its handler writes what is buffered and one last line, and may use nothing
// but the buffer, the counts below and the system's own write. So the buffer
// is fixed, a text counts as appended only once it is wholly in the buffer,
// and a flush leaves the counts such that the handler can tell how much of
// it reached the file: `flushing` bytes of the buffer are on their way from
// `fileSizeBeforeFlush`, and the file's size then says how many arrived.
#include <algorithm>
#include <atomic>
#include <cstring>

#include "base/platform.h"
#include "base/report.h"
#include "base/run_files.h"
#include "base/run_state.h"

namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
char buffer[kBufferSize];
std::atomic<std::size_t> buffered{0};  // bytes of `buffer` that are whole texts
std::atomic<std::size_t> flushing{0};  // bytes of `buffer` being written now
uint64_t fileSize = 0;                 // what this run has written to the log
uint64_t fileSizeBeforeFlush = 0;

bool holding = false;
RawFile log;

// Writes the buffer to the log, opening the log first when needed.
void writeBuffer() {
  const std::size_t pending = buffered.load();
  if (pending == 0) return;
  if (!log) {
    log = createRawFile(kRunLogFile);
    if (!log) {
      reportAppendFailure(kRunLogFile);
      buffered.store(0);
      return;
    }
  }
  fileSizeBeforeFlush = fileSize;
  flushing.store(pending);
  writeRaw(log, buffer, pending);
  fileSize += pending;
  buffered.store(0);
  flushing.store(0);
}

void appendOnItsOwn(const std::string& bytes) {
  RunFile file{kRunLogFile};
  if (!appendToRunFile(file, bytes.data(), bytes.size())) reportAppendFailure(kRunLogFile);
}

}  // namespace

void appendRunLog(const std::string& text) {
  const std::string& bytes = withUserLineEnds(text);
  if (!holding) {
    appendOnItsOwn(bytes);
    return;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    std::size_t used = buffered.load();
    if (used == kBufferSize) {
      writeBuffer();
      used = buffered.load();
    }
    const std::size_t piece = std::min(bytes.size() - done, kBufferSize - used);
    std::memcpy(buffer + used, bytes.data() + done, piece);
    done += piece;
    if (done == bytes.size() || used + piece == kBufferSize) buffered.store(used + piece);
  }
  // Until the log is open, every text tries to open it (and reports it when
  // it cannot), so the first text goes out at once.
  if (!log) writeBuffer();
}

void holdRunLog() { holding = true; }

void flushRunLog() {
  if (holding) writeBuffer();
}

void releaseRunLog() {
  flushRunLog();
  holding = false;
  closeRaw(log);
  buffered.store(0);
  fileSize = 0;
}

void writeRunLogAfterInterruption(const char* lastText) {
  if (!holding) return;
  if (!log) log = createRawFile(kRunLogFile);
  if (!log) return;
  std::size_t from = 0;
  if (const std::size_t inFlight = flushing.load(); inFlight > 0) {
    // The flush may have reached the file or not: its size tells.
    const uint64_t size = rawFileSize(log).value_or(fileSizeBeforeFlush);
    const uint64_t arrived = size > fileSizeBeforeFlush ? size - fileSizeBeforeFlush : 0;
    from = arrived < inFlight ? static_cast<std::size_t>(arrived) : inFlight;
  }
  const std::size_t pending = buffered.load();
  if (pending > from) writeRaw(log, buffer + from, pending - from);
  writeRaw(log, lastText, std::strlen(lastText));
}
