// Reporting: the one message buffer every report text is formatted into, the
// writers of the run log, the message file and the console, and the end of a
// run on a fatal error.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

// Every report text is formatted into this one buffer and written out as it
// stands; it grows as needed, so no text is ever cut or overflows.
extern std::string messageBuffer;

// Thrown to end the run with an exit status; the program entry catches it.
struct RunEnded {
  int status;
};

// Runs a program's `run` and gives its exit status: what it returns, or the
// status it ended with; running out of memory ends it with status 1 and
// `outOfMemory` (a format taking the system's text for it) on standard error.
template <typename Run>
int exitStatusOf(Run run, const char* outOfMemory) {
  try {
    return run();
  } catch (const RunEnded& ended) {
    std::fflush(stdout);
    return ended.status;
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fprintf(stderr, outOfMemory, std::strerror(ENOMEM));
    return 1;
  }
}

// Formats into messageBuffer and returns it.
const std::string& formatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Appends a text to the run log. Between holdRunLog and releaseRunLog (the
// whole of a run) the log is created anew at its first text and kept open,
// and texts gather in a buffer that is written to the file at the end of
// every record (flushRunLog), before a fatal error is reported, before the
// editor starts and when the hold ends, so that whatever ends the run, the
// file holds every text appended before it, in order. Outside a hold each
// text is appended on its own. A log that cannot be opened is reported on
// standard error at every text, and the run goes on.
void appendRunLog(const std::string& text);
void holdRunLog();
void flushRunLog();
void releaseRunLog();
// For the interruption handler alone (async-signal-safe): writes the
// buffered texts that have not reached the file yet, then `lastText`.
void writeRunLogAfterInterruption(const char* lastText);

// Appends the text to the message file (held by the closing, see
// base/run_files.h). A file that cannot be opened is reported on standard
// error and the run goes on.
void appendMessageFile(const std::string& text);
extern struct RunFile messageFile;

// The run log and the message file are text for the user to read: every
// line feed goes out as the system's line end (CR LF on Windows), as a file
// opened in the C library's text mode would have it.
const std::string& withUserLineEnds(const std::string& text);
// "Unable to open log file for appending log data (<path>): <error>".
void reportAppendFailure(const char* path);

// Run log, then message file, then standard output.
void reportLine(const std::string& text);
// One progress character on standard output; the console sees it within
// 50 ms, and at the end of the pass.
void showProgress(char c);

// Prints one formatted line on standard error and ends the run with status 1.
[[noreturn]] void failRun(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Ends the run with the given status and nothing more printed.
[[noreturn]] void endRun(int status);

// The system's text for the error left by the last failing call.
const char* systemErrorText();

