// quendrel-map's own text inputs (the load order's configuration file and the
// reserve file), read as bytes a line at a time: CR LF and LF both end a
// line, nothing is converted.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Every line of the file without its line end. A line longer than 64 KiB
// keeps its first 64 KiB: no configuration line is that long, and a file
// that is no text file cannot fill the memory. A file that cannot be read
// ends the run with one line on standard error.
std::vector<std::string> readTextLines(const std::string& path);

// The text without blanks, tabs, line feeds and carriage returns at either end.
std::string_view trimmed(std::string_view text);
