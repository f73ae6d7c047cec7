// The files a run writes a line at a time (the change list, the interior
// cell list, the cell list and the message file). While a run holds such a
// file, it is created anew at its first line (never written through a file
// or link that stands under its name) and kept open, its lines buffered; it
// is complete once the hold ends, before anything reads it. Outside a hold
// each line is appended on its own.
#pragma once

#include <cstddef>
#include <cstdio>

struct RunFile {
  const char* name;
  bool held = false;
  std::FILE* stream = nullptr;
};

// Appends the bytes; false, with errno set, when the file cannot be opened.
bool appendToRunFile(RunFile& file, const char* bytes, std::size_t size);
void holdRunFile(RunFile& file);
void releaseRunFile(RunFile& file);
