// Reading the run's text files (the rules file, the change list and the
// interior cell lists), and script text held in memory, one line at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string_view>

// Reads the next line of a text file into `buffer` (capacity bytes, at least
// 2): at most capacity - 1 bytes up to and including the line feed,
// zero-terminated. A carriage return directly before a line feed belongs to
// the line end: a CR LF line end arrives as a single LF. A longer line
// arrives in pieces, each read as a line of its own. Returns the number of
// bytes stored (a stored line may hold a zero byte), 0 at the end of the file.
std::size_t readLine(std::FILE* file, char* buffer, std::size_t capacity);

// The same for text held in memory: `at` is where the next line starts; it
// moves past the line read. Returns 0 once `at` has reached the end.
std::size_t readLine(std::string_view text, std::size_t& at, char* buffer, std::size_t capacity);

// The same for script text held in memory (`size` bytes), except that every
// byte is kept as it stands, a CR LF line end too. `at` is where the next line starts; it moves past
// the line read. Returns 0 once `at` has reached the end.
std::size_t readLineFromMemory(const uint8_t* text, std::size_t size, std::size_t& at,
                               char* buffer, std::size_t capacity);

// Closes a FILE when it goes out of scope.
struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
