// The rules file "quendrel.cfg": its reader and tokenizer, and the one
// routine that lists the rules in words or matches them against the current
// cell. Every listing and every evaluation reads the file from its first
// line; no rule is kept in memory between calls.
#pragma once

#include <cstddef>

constexpr std::size_t kRuleFieldCount = 5;
constexpr std::size_t kRuleFieldSize = 1024;

// The fields of the rule line split last: the rule code and parameters 1 to 4.
extern char ruleFields[kRuleFieldCount][kRuleFieldSize];

// Splits one line (zero-terminated, still ending in its line feed if it has
// one) into ruleFields. Returns 0, or -1 after printing the too-many-parameters
// message on standard error.
int tokenizeRule(const char* line);

// With CellState.recordSize 0, writes every rule of the kind CellState.isInterior
// selects to the run log in words (and to standard output under -r). Otherwise
// applies the matching rules to the location in CellState: new position,
// OutputDecision, counts and run-log notes. `recordName` is the NAME data of
// the current interior cell in the modified copy (recordNameSize bytes), which
// an interior copy rule overwrites with the copy's name; exterior evaluations
// pass nothing. Ends the run when the file cannot be opened or a line is bad.
void evaluateRules(const char* rulesPath, char* recordName = nullptr,
                   std::size_t recordNameSize = 0);

// The passes evaluate the rules for nearly every cell, land and path grid.
// Between these two calls the file's bytes are read once and every
// evaluation reads those bytes, line by line, as it would read the file. A
// file that cannot be opened or read through at this point is not held, and
// is opened (and fails) at each evaluation as before.
void holdRulesFileInMemory(const char* rulesPath);
void dropRulesFileFromMemory();
