// The twelve rule codes, one row each: the two letters a rule line begins
// with, the kind of cell it acts on, how many parameters it takes, what it
// matches, where it sends a cell, what is written, the note the run log gets
// when it matches, and the rule in words as the start-up listing writes it.
// Reading, evaluating and listing the rules all read this one table.
//
// The texts hold placeholders, filled by fillRuleText: {n} the rule's
// number; {1} to {4} parameters 1 to 4 read as numbers; {t1} and {t2}
// parameters 1 and 2 as text; {x}, {y} and {cell} the grid and the name of
// the cell the rule matched. E.g. the TC row's words with `TC, 3, -2, 0, 1`
// as exterior rule 7: "Rule 7: Move the cell at (3, -2) by an offset of (0, 1).\n".
#pragma once

#include <optional>
#include <string>

#include "rules/rules.h"

enum class Condition {
  kAlways,  // every cell of its kind
  kRegion,  // the cells whose region is parameter 1, compared exactly
  kGrid,    // the cell at (parameter 1, parameter 2)
  kName,    // the interior cell called parameter 1, compared exactly
};
enum class Destination {
  kStays,
  kShift,  // by (parameter a, parameter b) cells
  kPlace,  // at the grid (parameter a, parameter b)
};

struct RuleCodeRow {
  RuleCode code;
  char letters[3];
  RuleKind kind;
  int parameters;  // the parameters the code takes
  // Which of them are names rather than numbers: bit n for parameter n.
  unsigned names;
  Condition condition;
  Destination destination;
  int a, b;  // the parameters holding the offset or the target grid
  CellFate fate;
  // The run-log note of a match. Exterior deletions name the cell's grid,
  // interior copies the cell's name and the copy's; the others continue the
  // line the handler has begun. The CA and CI titles are the ones these
  // notes have always carried, odd as they are.
  const char* note;
  const char* words;
};

const RuleCodeRow& ruleCodeRow(RuleCode code);

// The code a rule line's first two characters name, in capitals; nothing
// for any other line ("ta", "MV", the options line).
std::optional<RuleCode> ruleCodeOf(const char* line);

// A row's text with the placeholders filled from the rule and, for a note,
// the cell it matched.
std::string fillRuleText(const char* text, const Rule& rule, const CellLocation* cell = nullptr);
