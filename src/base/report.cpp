// The writers of the run log, the message file and the console.
#include "base/report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

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

// While the passes run, the run log is written for nearly every record; it
// is then opened once, at its first text, and kept open in append mode. Each
// text still reaches the file with one write of its own, unbuffered, so that
// everything logged is in the file the moment the append returns, exactly as
// when the file is opened, written, flushed and closed for every text. A log
// that cannot be opened is tried again at the next text, with the same
// message each time.
namespace {
bool holdingRunLog = false;
int heldRunLog = -1;
}  // namespace

static bool writeWhole(int fd, const std::string& text) {
  const char* p = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    ssize_t written = ::write(fd, p, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    p += written;
    left -= static_cast<std::size_t>(written);
  }
  return true;
}

static void appendToHeldRunLog(const std::string& text) {
  if (heldRunLog < 0) {
    heldRunLog = ::open(kRunLogFile, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
    if (heldRunLog < 0) {
      reportAppendFailure(kRunLogFile);
      return;
    }
  }
  writeWhole(heldRunLog, text);
}

void holdRunLogOpen() { holdingRunLog = true; }

void releaseRunLog() {
  holdingRunLog = false;
  if (heldRunLog >= 0) ::close(heldRunLog);
  heldRunLog = -1;
}

static void appendToFile(const char* path, const std::string& text) {
  std::FILE* file = std::fopen(path, "a");
  if (file == nullptr) {
    reportAppendFailure(path);
    return;
  }
  std::fwrite(text.data(), 1, text.size(), file);
  std::fflush(file);
  std::fclose(file);
}

void appendRunLog(const std::string& text) {
  if (holdingRunLog) {
    appendToHeldRunLog(text);
  } else {
    appendToFile(kRunLogFile, text);
  }
}

void appendMessageFile(const std::string& text) { appendToFile(kMessageFile, text); }

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

