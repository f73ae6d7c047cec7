// Reading the run's text files (the rules file, the change list, the
// interior cell lists and the script work files) one line at a time.
#pragma once

#include <cstddef>
#include <cstdio>

enum class LineEnds {
  kText,  // a carriage return directly before a line feed belongs to the line end
  kRaw,   // every byte is kept as it stands
};

// Reads the next line into `buffer` (capacity bytes, at least 2): at most
// capacity - 1 bytes up to and including the line feed, zero-terminated. A
// longer line arrives in pieces, each read as a line of its own. Under
// LineEnds::kText a CR LF line end arrives as a single LF. Returns the number
// of bytes stored (a stored line may hold a zero byte), 0 at the end of the file.
std::size_t readLine(std::FILE* file, char* buffer, std::size_t capacity, LineEnds lineEnds);

// Closes a FILE when it goes out of scope.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
