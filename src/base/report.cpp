// Ending a run.
#include "base/report.h"

#include <cstdarg>

#include "base/text_format.h"

void failRun(const char* format, ...) {
  RunFailed failed;
  va_list args;
  va_start(args, format);
  formatInto(failed.message, format, args);
  va_end(args);
  throw failed;
}

void endRun(int status) { throw RunEnded{status}; }

const char* systemErrorText() { return std::strerror(errno); }
