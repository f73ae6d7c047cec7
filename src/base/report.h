// How a program's run ends: normally with the status its run returns, early
// with a status and nothing more said, or on a fatal error with one line on
// standard error. Both programs end this way; whatever a run holds (its run
// log, its temporary files) is let go by its guards as the run unwinds,
// before the error line is printed.
#pragma once

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

// Thrown to end the run with an exit status; the program entry catches it.
struct RunEnded {
  int status;
};

// Thrown to end the run with status 1 and `message` on standard error (and
// in the run log, unless it is there already).
struct RunFailed {
  std::string message;
  bool inRunLog = false;
};

// Runs a program's `run` and gives its exit status: what it returns, or the
// status it ended with; a fatal error prints its line; running out of memory
// ends it with status 1 and `outOfMemory` (a format taking the system's text
// for it) on standard error.
template <typename Run>
int exitStatusOf(Run run, const char* outOfMemory) {
  try {
    return run();
  } catch (const RunEnded& ended) {
    std::fflush(stdout);
    return ended.status;
  } catch (const RunFailed& failed) {
    std::fflush(stdout);
    std::fwrite(failed.message.data(), 1, failed.message.size(), stderr);
    std::fflush(stderr);
    return 1;
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fprintf(stderr, outOfMemory, std::strerror(ENOMEM));
    return 1;
  }
}

// Ends the run with status 1 and the formatted line on standard error.
[[noreturn]] void failRun(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Ends the run with the given status and nothing more printed.
[[noreturn]] void endRun(int status);

// The system's text for the error left by the last failing call.
const char* systemErrorText();
