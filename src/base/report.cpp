// The writers of the run log, the message file and the console.
#include "base/report.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/platform.h"
#include "base/run_state.h"

std::string messageBuffer;

static void formatInto(std::string& out, const char* format, va_list args) {
  char stackText[2048];
  va_list copy;
  va_copy(copy, args);
  int length = std::vsnprintf(stackText, sizeof stackText, format, copy);
  va_end(copy);
  if (length < 0) {
    out.clear();
    return;
  }
  if (static_cast<std::size_t>(length) < sizeof stackText) {
    out.assign(stackText, static_cast<std::size_t>(length));
    return;
  }
  out.resize(static_cast<std::size_t>(length) + 1);
  std::vsnprintf(out.data(), out.size(), format, args);
  out.resize(static_cast<std::size_t>(length));
}

const std::string& formatMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  formatInto(messageBuffer, format, args);
  va_end(args);
  return messageBuffer;
}

static void reportAppendFailure(const char* path) {
  std::fprintf(stderr, "Unable to open log file for appending log data (%s): %s\n", path,
               systemErrorText());
}

// The run log and the message file are text for the user to read: every
// line feed goes out as the system's line end (CR LF on Windows), as a file
// opened in the C library's text mode would have it.
static const std::string& withUserLineEnds(const std::string& text) {
  if (kUserTextLineEnd[1] == '\0') return text;
  static std::string converted;
  converted.clear();
  for (char c : text) {
    if (c == '\n') {
      converted += kUserTextLineEnd;
    } else {
      converted += c;
    }
  }
  return converted;
}

// While the passes run, the run log is written for nearly every record; it
// is then opened once, at its first text, and kept open in append mode. Each
// text still reaches the file with one write of its own, unbuffered, so that
// everything logged is in the file the moment the append returns, exactly as
// when the file is opened, written, flushed and closed for every text. A log
// that cannot be opened is tried again at the next text, with the same
// message each time.
namespace {
bool holdingRunLog = false;
RawFile heldRunLog;
}  // namespace

static void appendToFile(const char* path, const std::string& text) {
  RawFile file = openRawForAppend(path);
  if (!file) {
    reportAppendFailure(path);
    return;
  }
  writeRaw(file, text.data(), text.size());
  closeRaw(file);
}

void holdRunLogOpen() { holdingRunLog = true; }

void releaseRunLog() {
  holdingRunLog = false;
  closeRaw(heldRunLog);
}

void appendRunLog(const std::string& text) {
  const std::string& bytes = withUserLineEnds(text);
  if (!holdingRunLog) {
    appendToFile(kRunLogFile, bytes);
    return;
  }
  if (!heldRunLog) {
    heldRunLog = openRawForAppend(kRunLogFile);
    if (!heldRunLog) {
      reportAppendFailure(kRunLogFile);
      return;
    }
  }
  writeRaw(heldRunLog, bytes.data(), bytes.size());
}

void appendMessageFile(const std::string& text) {
  appendToFile(kMessageFile, withUserLineEnds(text));
}

void reportLine(const std::string& text) {
  appendRunLog(text);
  appendMessageFile(text);
  std::fwrite(text.data(), 1, text.size(), stdout);
}

void showProgress(char c) {
  std::fputc(c, stdout);
  std::fflush(stdout);
}

void failRun(const char* format, ...) {
  std::string text;
  va_list args;
  va_start(args, format);
  formatInto(text, format, args);
  va_end(args);
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
  throw RunEnded{1};
}

void endRun(int status) { throw RunEnded{status}; }

const char* systemErrorText() { return std::strerror(errno); }

