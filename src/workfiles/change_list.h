// The change list "qncells.tmp": one line "oldX, oldY, offsetX, offsetY" for
// every exterior cell the rules move, written in the scan pass and looked up
// in the write pass by everything that points at a world position.
#pragma once

#include <cstdint>

#include "base/run_files.h"

extern const char* const kChangeListFile;  // "qncells.tmp"
// The file the scan pass writes; the pass holds it (base/run_files.h).
extern RunFile changeListFile;

// Appends one line; a file that cannot be opened is reported and the entry lost.
void appendChange(int32_t oldX, int32_t oldY, int32_t offsetX, int32_t offsetY);

// True when a line for (x, y) exists; the first such line gives the offsets.
// A missing change list is an empty one.
bool findChange(int32_t x, int32_t y, int32_t& offsetX, int32_t& offsetY);

// The write pass looks the list up many times and nothing appends to it any
// more, so it may read it once into memory; lookups then answer from there
// until the copy is dropped.
void holdChangeListInMemory();
void dropChangeListFromMemory();
