// The interior cell lists: "qnintcs.tmp", every interior cell name of the
// plugin written in the scan pass, and "qn_interiors.dat", the user's own
// optional list. Script commands that name a cell use them to tell an
// interior cell (left alone) from an exterior one.
#pragma once

#include "base/run_files.h"

extern const char* const kInteriorListFile;        // "qnintcs.tmp"
// The file the scan pass writes; the pass holds it (base/run_files.h).
extern RunFile interiorListFile;
extern const char* const kKnownInteriorsFile;      // "qn_interiors.dat"

// Appends the name and a line end. Returns 0, or 1 when the file cannot be
// opened (reported to the run log and standard error).
int appendInteriorName(const char* name);

// True when `name` (compared exactly, so callers pass it in lower case) is
// a line of "qn_interiors.dat" or, failing that, of "qnintcs.tmp", each line
// lower-cased and without its line end. A missing "qn_interiors.dat" is
// reported at every call.
bool isInteriorCell(const char* name);

// The same lookup without any report; for records that name their cell
// rather than script commands.
bool isInteriorCellQuietly(const char* name);

// The write pass looks names up thousands of times and nothing writes either
// list any more, so both may be read once into memory; lookups then answer
// from there, the report of a missing "qn_interiors.dat" included, until the
// copies are dropped.
void holdInteriorListsInMemory();
void dropInteriorListsFromMemory();
