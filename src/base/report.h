// Reporting: the one message buffer every report text is formatted into, the
// writers of the run log, the message file and the console, and the end of a
// run on a fatal error.
#pragma once

#include <string>

// Every report text is formatted into this one buffer and written out as it
// stands; it grows as needed, so no text is ever cut or overflows.
extern std::string messageBuffer;

// Thrown to end the run with an exit status; the program entry catches it.
struct RunEnded {
  int status;
};

// Formats into messageBuffer and returns it.
const std::string& formatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Each opens its file for appending, writes the text unchanged, flushes and
// closes it. A file that cannot be opened is reported on standard error and
// the run goes on.
void appendRunLog(const std::string& text);
void appendMessageFile(const std::string& text);
// Between these two calls the run log stays open once it has been opened;
// every text is still written to it at once and unbuffered, so what the
// file holds is the same at every moment. Nothing may remove or replace
// the run log, or change the current directory, in between.
void holdRunLogOpen();
void releaseRunLog();
// Run log, then message file, then standard output.
void reportLine(const std::string& text);
// One progress character on standard output, flushed at once.
void showProgress(char c);

// Prints one formatted line on standard error and ends the run with status 1.
[[noreturn]] void failRun(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Ends the run with the given status and nothing more printed.
[[noreturn]] void endRun(int status);

// The system's text for the error left by the last failing call.
const char* systemErrorText();

