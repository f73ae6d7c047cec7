// quendrel-map's errors.
#include "workfiles/map_errors.h"

#include <cstdarg>
#include <cstdio>

#include "base/report.h"
#include "base/text_format.h"

void failMap(const char* format, ...) {
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
