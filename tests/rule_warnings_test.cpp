// The warnings about a rules file that quendrel and quendrel-map give: each problem a new user met,
// one row each, and a clean file without any.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "rules/rule_warnings.h"

namespace {

class RuleWarnings : public harness::WorkDirTest {
 protected:
  // The warnings, as "LINE: text", for the rules against a plugin with the
  // cells (0, 0) "Firemoth Region", (1, 0) "Ash Coast", (2, 0) without a
  // region, land without a cell at (5, 5), and the interior cell "Old Inn".
  std::vector<std::string> warnings(const std::string& text) {
    write("quendrel.cfg", text);
    const std::optional<RuleTable> rules = readRulesFile("quendrel.cfg");
    EXPECT_TRUE(rules.has_value());
    const RulesCheckTarget target{"mod.esp",
                                  {exteriorLocation(0, 0, "Firemoth Region"),
                                   exteriorLocation(1, 0, "Ash Coast"),
                                   exteriorLocation(2, 0, ""), exteriorLocation(5, 5, nullptr)},
                                  {"Old Inn"}};
    std::vector<std::string> lines;
    for (const RuleWarning& w : checkRules(text, *rules, target)) {
      lines.push_back(std::to_string(w.line) + ": " + w.text);
    }
    return lines;
  }
};

using Lines = std::vector<std::string>;

TEST_F(RuleWarnings, EachProblemGivesItsWarningWithItsLine) {
  const struct {
    const char* rules;
    Lines expected;
  } rows[] = {
      {"TA 5, 5\n",
       {"1: \"TA 5\": the text between the code and the first comma is ignored",
        "1: TA takes 2 parameters, the line gives 1: the missing ones read as 0"}},
      {"MC, -7, -9\n",
       {"1: MC takes 4 parameters, the line gives 2: the missing ones read as 0",
        "1: no cell of mod.esp stands at (-7, -9)"}},
      {"TA, five, 5\n", {"1: parameter 1, \"five\", is not a whole number: it reads as 0"}},
      {"; rules\nta, 5, 5\n",
       {"2: \"ta\" is no rule code: codes are written in capitals (TA); the line is ignored"}},
      {"MV, 1, 2, 3, 4\n", {"1: \"MV\" is no rule code; the line is ignored"}},
      {" TA, 5, 5\n",
       {"1: the line begins with a blank, so it is a comment: remove the blank to make it a "
        "rule"}},
      {"TR, Firemoth Region, -3, 0\n",
       {"1: no cell of mod.esp is in the region \"FiremothRegion\"; \"Firemoth Region\" has "
        "blanks, which a name loses outside double quotes: write \"\\\"Firemoth Region\\\"\""}},
      {"DR, \"ash coast\"\n",
       {"1: no cell of mod.esp is in the region \"ash coast\"; \"Ash Coast\" differs from it "
        "only in letter case"}},
      {"DI, \"Old  Inn\"\nCI, Nowhere, Now\n",
       {"1: no interior cell of mod.esp is called \"Old  Inn\"",
        "2: no interior cell of mod.esp is called \"Nowhere\""}},
      {"DE, 9, 9\nTC, 0, 0, 1, 1\n", {"1: no cell of mod.esp stands at (9, 9)"}},
      // A TA pasted under rules that already take every cell decides none.
      {"DA\nTA, 4, 4\n",
       {"2: this rule decides no cell: the rule on line 1 matches every cell it would"}},
      {"MC, 0, 0, 9, 9\nTR, \"Firemoth Region\", 1, 1\nDI, \"Old Inn\"\nCI, \"Old Inn\", New\n",
       {"2: this rule decides no cell: the rule on line 1 matches every cell it would",
        "4: this rule decides no cell: the rule on line 3 deletes \"Old Inn\" first"}},
      // Rules above that took the cells between them are all named.
      {"DR, \"Firemoth Region\"\nTA, 1, 1\nTA, 2, 2\n",
       {"3: this rule decides no cell: the rules on lines 1 and 2 match every cell it would"}},
      // The first deletion of an interior cell is the one that ends it.
      {"DI, \"Old Inn\"\nDI, \"Old Inn\"\nCI, \"Old Inn\", New\n",
       {"2: this rule decides no cell: the rule on line 1 deletes \"Old Inn\" first",
        "3: this rule decides no cell: the rule on line 1 deletes \"Old Inn\" first"}},
      // A Windows editor's byte-order mark hides the first rule; one further
      // down is no mark, just bytes of a comment.
      {"\xEF\xBB\xBFTA, 1, 1\n\xEF\xBB\xBF; x\n",
       {"1: the file starts with a byte-order mark (bytes EF BB BF), so its first line is read "
        "as a comment: save the file without one"}},
      // Land without a cell has no region; a rule for cells without one
      // still matches the cell (2, 0).
      {"TR, \"\", 1, 1\nDE, 5, 5\n", {}},
  };
  for (const auto& row : rows) EXPECT_EQ(warnings(row.rules), row.expected) << row.rules;
}

TEST_F(RuleWarnings, ACleanFileGivesNone) {
  EXPECT_EQ(warnings("quendrel -v mod.esp\n; Move the coast\n# and more\n\n"
                     "TR, \"Ash Coast\", 0, 3\nCE, 0, 0, 40, 40\nTC, 2, 0, 1, -1\n"
                     "DE, 5, 5\nCI, \"Old Inn\", \"New\"\nDI, \"Old Inn\"\n"),
            Lines{});
}

}  // namespace
