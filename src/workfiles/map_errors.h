// quendrel-map's errors, also those of the text files it reads (the load
// order, the reserve file): one line on standard error, then the run ends
// with status 1. quendrel-map keeps no run log, so nothing else is written
// first.
#pragma once

// Prints the formatted line on standard error and ends the run (status 1).
[[noreturn]] void failMap(const char* format, ...) __attribute__((format(printf, 1, 2)));
