// The writers of the run log, the message file and the console.
#include "base/report.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/platform.h"
#include "base/run_files.h"
#include "base/run_state.h"
#include "base/text_format.h"

std::string messageBuffer;

const std::string& formatMessage(const char* format, ...) {
  va_list args;
  va_start(args, format);
  formatInto(messageBuffer, format, args);
  va_end(args);
  return messageBuffer;
}

void reportAppendFailure(const char* path) {
  std::fprintf(stderr, "Unable to open log file for appending log data (%s): %s\n", path,
               systemErrorText());
}

const std::string& withUserLineEnds(const std::string& text) {
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

RunFile messageFile{kMessageFile};

void appendMessageFile(const std::string& text) {
  const std::string& bytes = withUserLineEnds(text);
  if (!appendToRunFile(messageFile, bytes.data(), bytes.size())) reportAppendFailure(kMessageFile);
}

void reportLine(const std::string& text) {
  appendRunLog(text);
  appendMessageFile(text);
  std::fwrite(text.data(), 1, text.size(), stdout);
}

// Progress characters are shown in order, but written to the console at
// most every 50 ms rather than one flushed write per record: a master holds
// some 50,000 records. The passes flush the rest at the end of each pass.
void showProgress(char c) {
  using Clock = std::chrono::steady_clock;
  static Clock::time_point lastShown;
  std::fputc(c, stdout);
  const Clock::time_point now = Clock::now();
  if (now - lastShown >= std::chrono::milliseconds(50)) {
    std::fflush(stdout);
    lastShown = now;
  }
}

void failRun(const char* format, ...) {
  std::string text;
  va_list args;
  va_start(args, format);
  formatInto(text, format, args);
  va_end(args);
  flushRunLog();
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
  throw RunEnded{1};
}

void endRun(int status) { throw RunEnded{status}; }

const char* systemErrorText() { return std::strerror(errno); }

