// quendrel-map's check of the rules file: what it says that its writer may
// not have meant. quendrel takes such lines as the rules file's format says
// (a code in small letters is no rule, a blank before a code makes the line
// a comment, a missing parameter reads as 0, blanks outside double quotes
// vanish even inside a name), silently; the map says so, one warning a
// problem, before anything is moved. The rules themselves are read as
// quendrel reads them; nothing here changes what they do.
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
