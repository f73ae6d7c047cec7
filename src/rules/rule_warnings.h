// The check of the rules file, made by quendrel and quendrel-map alike:
// what it says that its writer may not have meant. The rules file's format
// takes such lines as it says (a code in small letters is no rule, a blank
// before a code or a byte-order mark before the first line makes the line a
// comment, a missing parameter reads as 0, blanks outside double quotes
// vanish even inside a name); the check says so, one warning a problem.
// The rules themselves are read as ever; nothing here changes what they do.
#pragma once

#include <string>
#include <vector>

#include "rules/rules.h"

struct RuleWarning {
  int line;  // of the rules file, from 1
  std::string text;
};

// What the rules are checked against: the plugin's exterior locations (its
// cells, with their regions, and its land without a cell, with no region)
// and the names of its interior cells.
struct RulesCheckTarget {
  std::string plugin;  // its file name, as the warnings name it
  std::vector<CellLocation> exteriors;
  std::vector<std::string> interiors;
};

// The warnings for the rules file `text` (its bytes) read into `rules`, in
// the order of its lines. A clean file gives none.
std::vector<RuleWarning> checkRules(const std::string& text, const RuleTable& rules,
                                    const RulesCheckTarget& target);

// Writes the warnings to standard error, one line each as compilers write
// theirs, e.g. "quendrel.cfg:3: \"ta\" is no rule code: ...", behind what
// standard output holds so far.
void printRuleWarnings(const std::string& rulesPath, const std::vector<RuleWarning>& warnings);
