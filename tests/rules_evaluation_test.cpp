// Reading quendrel.cfg into the table of rules, listing the rules in words,
// and what the rules make of a cell.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <tuple>

#include "app/run/rule_listing.h"
#include "harness.h"
#include "plugin_builder.h"
#include "rules/rules.h"

namespace {

using Cell = std::tuple<int32_t, int32_t, CellFate>;
using Notes = std::vector<std::string>;

class RuleTest : public harness::WorkDirTest {
 protected:
  static RuleTable table() {
    std::optional<RuleTable> rules = readRulesFile("quendrel.cfg");
    EXPECT_TRUE(rules.has_value());
    return rules.value_or(RuleTable{});
  }
  // Lists the kinds of rules in turn to a new run log (and standard output
  // when `printed`); returns the status the run ended with, or -1.
  static int list(std::initializer_list<RuleKind> kinds, bool printed = false) {
    return exitStatusOf(
        [&] {
          RunLog log("qnlog.txt");
          for (RuleKind kind : kinds) listRules(table(), kind, log, printed);
          return -1;
        },
        "");
  }
  static RuleVerdict exterior(int32_t x, int32_t y, const char* region = "") {
    return evaluateRules(table(), exteriorLocation(x, y, region));
  }
  static Cell cell(const RuleVerdict& verdict) {
    return {verdict.newX, verdict.newY, verdict.fate};
  }
};

TEST_F(RuleTest, ListsEveryCodeInWordsNumberedPerKind) {
  write("quendrel.cfg",
        "quendrel -v plugin.esp\n# comment\n TA,9,9\nta,9,9\nTAX,1,2\nCI,\"Old Inn\",New\n"
        "CA,3,-4\nTR,\"Ash Coast\",1,2\nCR,West,3,4\nMC,1,2,3,4\nCE,5,6,7,8\nTC,3,-2,0,1\nDA\n"
        "DR,Bay\nDE,3,4\nDI,Cellar\n");
  testing::internal::CaptureStdout();
  EXPECT_EQ(list({RuleKind::kExterior, RuleKind::kInterior}, true), -1);
  const std::string expected =
      "Rule 1: All external cells will be transposed by (1, 2) cells.\n"
      "Rule 2: All external cells will be copied by an offset of (3, -4) cells.\n"
      "Rule 3: All cells in the region (Ash Coast) will be transposed by (1, 2) cells.\n"
      "Rule 4: A copy of each cell in the region (West) will be placed at an offset of (3, 4) "
      "cells.\n"
      "Rule 5: Move the cell at (1, 2) to (3, 4).\n"
      "Rule 6: Make a copy of the cell (5, 6) at (7, 8).\n"
      "Rule 7: Move the cell at (3, -2) by an offset of (0, 1).\n"
      "Rule 8: All external cells will be deleted.\n"
      "Rule 9: Any cells within the region (Bay) will be deleted.\n"
      "Rule 10: Any cells found at (3, 4) will be deleted.\n"
      "Rule 1: If an interior cell called (Old Inn) is found, a copy of it called (New) will be "
      "created.\n"
      "Rule 2: Any interior cells called (Cellar) will be deleted.\n";
  EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
  EXPECT_EQ(readLog(), expected);
}

TEST_F(RuleTest, CopyNameLongerThanTheCellEndsTheListing) {
  write("quendrel.cfg", "CI,Abc,Xyz\nCI,Abc,Wxyz\nDI,Abc\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(list({RuleKind::kInterior}), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "   Actually I cannot do this yet: please make the copy name the same size or shorter "
            "than the original cell name: You can rename the copy in TES.\n");
  EXPECT_EQ(readLog(),
            "Rule 1: If an interior cell called (Abc) is found, a copy of it called (Xyz) will be "
            "created.\n"
            "Rule 2: If an interior cell called (Abc) is found, a copy of it called (Wxyz) will be "
            "created.\n"
            "   Actually I cannot do this yet: please make the copy name the same size or shorter "
            "than the original cell name: You can rename the copy in TES.\n");

  // A copy without a name would be an interior cell with an empty name.
  write("quendrel.cfg", "CI, \"Some Cell\"\n");
  write("mod.esp", testing_plugin::header() + testing_plugin::interiorCell("Some Cell"));
  harness::RunResult r = run({"mod.esp"});
  EXPECT_EQ(r.status, 1);
  const std::string refusal =
      "   The copy needs a name: please give the copy a name of its own, no longer than the "
      "original cell name.\n";
  EXPECT_EQ(r.log,
            "Rule 1: If an interior cell called (Some Cell) is found, a copy of it called () will be "
            "created.\n" + refusal);
  EXPECT_EQ(r.err, refusal);
  EXPECT_FALSE(exists("QNOUT.ESP"));
}

TEST_F(RuleTest, MissingFileOrTooManyParametersEndTheRun) {
  write("mod.esp", testing_plugin::header());
  harness::RunResult r = run({"mod.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Unable to open your Cell Transposition rules file (quendrel.cfg): No such file or "
            "directory\n");

  // Any line beginning with a letter is split, whatever its kind; the
  // exterior listing ends the run at the end of the exterior rules above it.
  write("quendrel.cfg", "TA,1,2\nCI,Abc,Wxyz\nXX,1,2,3,4,5\nDE,1,1\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(list({RuleKind::kExterior}), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Invalid Rule: You've specified too many parameters for this command!\n");
  EXPECT_EQ(readLog(), "Rule 1: All external cells will be transposed by (1, 2) cells.\n");
}

TEST_F(RuleTest, ReadsLinesInPiecesOf1023CharactersEndedByAZeroByte) {
  // 1500 characters: the first 1023 are one line, the other 477 the next.
  // A zero byte ends what the line says; the last line needs no line feed.
  std::string rules = "TA,1,1";
  rules += std::string(1017, ' ') + "DE,7,8" + std::string(471, ' ') + "\n";
  rules += std::string("TC,3,-2,0,1\0MC,5,6,1,1\nMC,5,6,9,9", 34);
  write("quendrel.cfg", rules);
  list({RuleKind::kExterior});
  EXPECT_EQ(readLog(),
            "Rule 1: All external cells will be transposed by (1, 1) cells.\n"
            "Rule 2: Any cells found at (7, 8) will be deleted.\n"
            "Rule 3: Move the cell at (3, -2) by an offset of (0, 1).\n"
            "Rule 4: Move the cell at (5, 6) to (9, 9).\n");
}

// The first two lines also show that a CR LF line end is no separator.
TEST_F(RuleTest, FirstMatchingExteriorRuleDecides) {
  write("quendrel.cfg",
        "MC,3,4,10,10\r\nTC,3,4,1,1\r\nCE,5,5,-7,-8\nTR, Ash Coast,1,-1\r\n"
        "CR,\"North, East\",2,0\r\nDR,\n");
  EXPECT_EQ(cell(exterior(3, 4)), Cell(10, 10, CellFate::kMoved));
  EXPECT_EQ(cell(exterior(5, 5)), Cell(-7, -8, CellFate::kCopied));
  // Regions compare whole and case-sensitively; an empty one matches no region.
  EXPECT_EQ(cell(exterior(0, 0, "AshCoast")), Cell(1, -1, CellFate::kMoved));
  EXPECT_EQ(cell(exterior(0, 0, "North, East")), Cell(2, 0, CellFate::kCopied));
  EXPECT_EQ(cell(exterior(6, 6, "ashcoast")), Cell(6, 6, CellFate::kKept));
  EXPECT_EQ(cell(exterior(6, 6, "")), Cell(6, 6, CellFate::kDeleted));

  write("quendrel.cfg", "TC,3,4,1,1\nMC,3,4,10,10\nCA,2,2\nTA,9,9\nCI,x,y\n");
  EXPECT_EQ(cell(exterior(3, 4)), Cell(4, 5, CellFate::kMoved));
  EXPECT_EQ(cell(exterior(0, 0)), Cell(2, 2, CellFate::kCopied));
  EXPECT_EQ(exterior(0, 0).notes, Notes{" [CA: Transpose All rule matched] "});
}

// The scan pass evaluates every cell as the write pass does; only the write
// pass logs the notes and counts deletions.
TEST_F(RuleTest, NotesAndCountsComeFromTheWritePassOnly) {
  write("quendrel.cfg", "DE,3,-4\nCA,1,1\n");
  write("mod.esp", testing_plugin::header() + testing_plugin::exteriorCell("", 3, -4) +
                       testing_plugin::exteriorCell("", 0, 0));
  harness::RunResult r = run({"mod.esp"});
  const std::size_t from = r.log.find("-\n\n") + 3;
  EXPECT_EQ(r.log.substr(from, r.log.find("\n\nQuendrel has finished") - from),
            "Exterior Cell at (3,-4) DELETED [DE: Delete Exterior Cell matched].\n"
            " [CA: Transpose All rule matched]  [EXTERIOR] (Cell has no name) (No Associated "
            "Region)  (0, 0) - MODIFIED to (1, 1).\n");
  EXPECT_NE(r.out.find("Total CELL/LAND records modified or copied:   2\n"), std::string::npos);
}

TEST_F(RuleTest, InteriorCopiesRenameInPlaceAndDeletionEndsTheEvaluation) {
  write("quendrel.cfg", "CI,\"Old Inn\",Cellar\nCI,\"Old Inn\",Vau\nDI,Gone\nCI,Gone,G\n");
  RuleVerdict verdict = evaluateRules(table(), interiorLocation("Old Inn"));
  char name[] = "Old Inn\0";  // NAME data of 8 bytes and a guard byte
  writeCopyNames(verdict, name, 8);
  EXPECT_EQ(std::string(name, 9), std::string("Vau\0ar\0\0\0", 9));
  EXPECT_EQ(verdict.fate, CellFate::kCopied);
  EXPECT_EQ(verdict.countedMatches, 2);
  EXPECT_EQ(verdict.notes,
            (Notes{" [CI: Delete Exterior Cell rule matched]  - making a copy of \"Old Inn\" "
                   "called \"Cellar\"\n",
                   " [CI: Delete Exterior Cell rule matched]  - making a copy of \"Old Inn\" "
                   "called \"Vau\"\n"}));

  // The DI line ends the evaluation before the CI line below it.
  verdict = evaluateRules(table(), interiorLocation("Gone"));
  EXPECT_EQ(verdict.fate, CellFate::kDeleted);
  EXPECT_TRUE(verdict.copyNames.empty());
  EXPECT_EQ(verdict.countedMatches, 1);

  // A NAME without its terminator takes a copy name of its own length and
  // nothing beyond.
  write("quendrel.cfg", "CI,Abcd,Wxyz\nDI,Abcd\n");
  verdict = evaluateRules(table(), interiorLocation("Abcd"));
  char bare[] = "Abcd#";
  writeCopyNames(verdict, bare, 4);
  EXPECT_STREQ(bare, "Wxyz#");
  EXPECT_EQ(verdict.fate, CellFate::kDeleted);
  EXPECT_EQ(verdict.countedMatches, 2);
}

TEST_F(RuleTest, MovesThatLeaveTheGridAreIgnored) {
  write("quendrel.cfg",
        "TA,2147483647,0\nTC,-2147483648,0,-1,0\nMC,0,0,262144,0\nTC,0,0,0,-262144\n"
        "CE,0,0,262143,-262143\n");
  RuleVerdict verdict = exterior(0, 0);
  EXPECT_EQ(cell(verdict), Cell(262143, -262143, CellFate::kCopied));
  EXPECT_EQ(verdict.notes,
            (Notes{"WARNING: rule 1 would move the cell at (0, 0) off the grid - rule ignored.\n",
                   "WARNING: rule 3 would move the cell at (0, 0) off the grid - rule ignored.\n",
                   "WARNING: rule 4 would move the cell at (0, 0) off the grid - rule ignored.\n",
                   " [CE: Copy Exterior Cell rule matched] "}));

  // The largest move west is allowed; a number beyond 32 bits is held at the
  // nearest limit, as the listing shows.
  write("quendrel.cfg", "TA, -262143, 0\n");
  EXPECT_EQ(cell(exterior(0, 0)), Cell(-262143, 0, CellFate::kMoved));
  write("quendrel.cfg", "TA, -3000000000, 0\n");
  EXPECT_EQ(list({RuleKind::kExterior}), -1);
  EXPECT_EQ(readLog(), "Rule 1: All external cells will be transposed by (-2147483648, 0) cells.\n");

  write("quendrel.cfg",
        "TA,2147483647,0\nTC,-2147483648,0,-1,0\nMC,0,0,262144,0\nTC,0,0,0,-262144\n"
        "CE,0,0,262143,-262143\n");
  verdict = exterior(INT_MIN, 0);
  EXPECT_EQ(cell(verdict), Cell(INT_MIN, 0, CellFate::kKept));
  EXPECT_EQ(verdict.notes,
            (Notes{"WARNING: rule 1 would move the cell at (-2147483648, 0) off the grid - rule "
                   "ignored.\n",
                   "WARNING: rule 2 would move the cell at (-2147483648, 0) off the grid - rule "
                   "ignored.\n"}));
}

}  // namespace
