// Listing the rules of quendrel.cfg in words and matching them against a cell.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <tuple>

#include "harness.h"
#include "rules/rules.h"

namespace {

using Cell = std::tuple<int32_t, int32_t, int, int>;

class RuleTest : public harness::WorkDirTest {
 protected:
  // Lists one kind of rules; returns the status the run ended with, or -1.
  static int list(int isInterior) {
    cellState.recordSize = 0;
    cellState.isInterior = isInterior;
    try {
      evaluateRules("quendrel.cfg");
    } catch (const RunEnded& ended) {
      return ended.status;
    }
    return -1;
  }
  static void matchExterior(int32_t x, int32_t y, const char* region = "", int pass = 2) {
    runOptions.pass = pass;
    cellState.recordSize = 100;
    cellState.isInterior = 0;
    cellState.oldX = cellState.newX = x;
    cellState.oldY = cellState.newY = y;
    std::strcpy(cellState.regionName, region);
    outputDecision = OutputDecision{};
    evaluateRules("quendrel.cfg");
  }
  static void matchInterior(const char* name, char* recordName, std::size_t size, int pass = 2) {
    runOptions.pass = pass;
    cellState.recordSize = 100;
    cellState.isInterior = 1;
    std::strcpy(cellState.cellName, name);
    outputDecision = OutputDecision{};
    evaluateRules("quendrel.cfg", recordName, size);
  }
  // New position, then the decision for the original and the modified copy.
  static Cell cell() {
    return {cellState.newX, cellState.newY, outputDecision.writeOriginal,
            outputDecision.writeModified};
  }
};

TEST_F(RuleTest, ListsEveryCodeInWordsNumberedPerKind) {
  write("quendrel.cfg",
        "quendrel -v plugin.esp\n# comment\n TA,9,9\nta,9,9\nTAX,1,2\nCI,\"Old Inn\",New\n"
        "CA,3,-4\nTR,\"Ash Coast\",1,2\nCR,West,3,4\nMC,1,2,3,4\nCE,5,6,7,8\nTC,3,-2,0,1\nDA\n"
        "DR,Bay\nDE,3,4\nDI,Cellar\n");
  runOptions.rulesOnly = true;
  testing::internal::CaptureStdout();
  EXPECT_EQ(list(0), -1);
  EXPECT_EQ(list(1), -1);
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
  EXPECT_EQ(list(1), 1);
  EXPECT_EQ(readLog(),
            "Rule 1: If an interior cell called (Abc) is found, a copy of it called (Xyz) will be "
            "created.\n"
            "Rule 2: If an interior cell called (Abc) is found, a copy of it called (Wxyz) will be "
            "created.\n"
            "   Actually I cannot do this yet: please make the copy name the same size or shorter "
            "than the original cell name: You can rename the copy in TES.\n");
}

TEST_F(RuleTest, MissingFileOrTooManyParametersEndTheRun) {
  testing::internal::CaptureStderr();
  EXPECT_EQ(list(0), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unable to open your Cell Transposition rules file (quendrel.cfg): No such file or "
            "directory\n");

  // Any line beginning with a letter is split, whatever its kind.
  write("quendrel.cfg", "TA,1,2\nXX,1,2,3,4,5\nDE,1,1\n");
  testing::internal::CaptureStderr();
  EXPECT_EQ(list(0), 1);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Invalid Rule: You've specified too many parameters for this command!\n");
  EXPECT_EQ(readLog(), "Rule 1: All external cells will be transposed by (1, 2) cells.\n");
}

TEST_F(RuleTest, ReadsLinesOfMoreThan1023CharactersInPieces) {
  // 1500 characters: the first 1023 are one line, the other 477 the next.
  write("quendrel.cfg", "TA,1,1" + std::string(1017, ' ') + "DE,7,8" + std::string(471, ' '));
  list(0);
  EXPECT_EQ(readLog(),
            "Rule 1: All external cells will be transposed by (1, 1) cells.\n"
            "Rule 2: Any cells found at (7, 8) will be deleted.\n");
}

// The first two lines also show that a CR LF line end is no separator.
TEST_F(RuleTest, FirstMatchingExteriorRuleDecides) {
  write("quendrel.cfg",
        "MC,3,4,10,10\r\nTC,3,4,1,1\r\nCE,5,5,-7,-8\nTR, Ash Coast,1,-1\r\n"
        "CR,\"North, East\",2,0\r\nDR,\n");
  matchExterior(3, 4);
  EXPECT_EQ(cell(), Cell(10, 10, kNo, kYes));
  matchExterior(5, 5);
  EXPECT_EQ(cell(), Cell(-7, -8, kYes, kYes));
  // Regions compare whole and case-sensitively; an empty one matches no region.
  matchExterior(0, 0, "AshCoast");
  EXPECT_EQ(cell(), Cell(1, -1, kNo, kYes));
  matchExterior(0, 0, "North, East");
  EXPECT_EQ(cell(), Cell(2, 0, kYes, kYes));
  matchExterior(6, 6, "ashcoast");
  EXPECT_EQ(cell(), Cell(6, 6, kYes, kNo));
  matchExterior(6, 6, "");
  EXPECT_EQ(cell(), Cell(6, 6, kNo, kNo));

  write("quendrel.cfg", "TC,3,4,1,1\nMC,3,4,10,10\nCA,2,2\nTA,9,9\n");
  matchExterior(3, 4);
  EXPECT_EQ(cell(), Cell(4, 5, kNo, kYes));
  matchExterior(0, 0);
  EXPECT_EQ(cell(), Cell(2, 2, kYes, kYes));
}

TEST_F(RuleTest, CountsAndNotesOnlyInTheWritePass) {
  write("quendrel.cfg", "TAX,9,9\n");
  matchExterior(1, 1, "", 1);
  EXPECT_EQ(cell(), Cell(10, 10, kNo, kYes));
  EXPECT_FALSE(exists("qnlog.txt"));
  matchExterior(1, 1, "", 2);
  EXPECT_EQ(readLog(), " [TA: Transpose All rule matched] ");

  write("quendrel.cfg", "DE,3,-4\nCA,1,1\n");
  std::remove("qnlog.txt");
  matchExterior(3, -4, "", 1);
  EXPECT_EQ(cell(), Cell(3, -4, kNo, kNo));
  EXPECT_EQ(runCounters.cellsAndLandsModified, 0);
  EXPECT_FALSE(exists("qnlog.txt"));
  matchExterior(3, -4, "", 2);
  matchExterior(0, 0, "", 2);
  EXPECT_EQ(runCounters.cellsAndLandsModified, 1);
  EXPECT_EQ(readLog(),
            "Exterior Cell at (3,-4) DELETED [DE: Delete Exterior Cell matched].\n"
            " [CA: Transpose All rule matched] ");
}

TEST_F(RuleTest, InteriorCopiesRenameInPlaceAndDeletionEndsTheCall) {
  write("quendrel.cfg", "CI,\"Old Inn\",Cellar\nCI,\"Old Inn\",Vau\nDI,Gone\nCI,Gone,G\n");
  char name[] = "Old Inn\0";  // NAME data of 8 bytes and a guard byte
  matchInterior("Old Inn", name, 8);
  EXPECT_EQ(std::string(name, 9), std::string("Vau\0ar\0\0\0", 9));
  EXPECT_STREQ(cellState.cellName, "Old Inn");
  EXPECT_EQ(cell(), Cell(0, 0, kYes, kYes));
  EXPECT_EQ(runCounters.cellsAndLandsModified, 2);
  EXPECT_EQ(readLog(),
            " [CI: Delete Exterior Cell rule matched]  - making a copy of \"Old Inn\" called "
            "\"Cellar\"\n"
            " [CI: Delete Exterior Cell rule matched]  - making a copy of \"Old Inn\" called "
            "\"Vau\"\n");

  // The DI line ends the call before the CI line below it.
  char gone[] = "Gone";
  matchInterior("Gone", gone, 4, 1);
  EXPECT_STREQ(gone, "Gone");
  EXPECT_EQ(cell(), Cell(0, 0, kNo, kNo));
  EXPECT_EQ(runCounters.cellsAndLandsModified, 2);

  // A NAME without its terminator takes a copy name of its own length and
  // nothing beyond.
  write("quendrel.cfg", "CI,Abcd,Wxyz\nDI,Abcd\n");
  char bare[] = "Abcd#";
  matchInterior("Abcd", bare, 4);
  EXPECT_STREQ(bare, "Wxyz#");
  EXPECT_EQ(runCounters.cellsAndLandsModified, 4);
}

TEST_F(RuleTest, MovesThatLeaveTheGridAreIgnored) {
  write("quendrel.cfg",
        "TA,2147483647,0\nTC,-2147483648,0,-1,0\nMC,0,0,262144,0\nTC,0,0,0,-262144\n"
        "CE,0,0,262143,-262143\n");
  matchExterior(0, 0, "", 1);
  EXPECT_EQ(cell(), Cell(262143, -262143, kYes, kYes));
  EXPECT_FALSE(exists("qnlog.txt"));
  matchExterior(0, 0);
  EXPECT_EQ(readLog(),
            "WARNING: rule 1 would move the cell at (0, 0) off the grid - rule ignored.\n"
            "WARNING: rule 3 would move the cell at (0, 0) off the grid - rule ignored.\n"
            "WARNING: rule 4 would move the cell at (0, 0) off the grid - rule ignored.\n"
            " [CE: Copy Exterior Cell rule matched] ");

  std::remove("qnlog.txt");
  matchExterior(INT_MIN, 0);
  EXPECT_EQ(cell(), Cell(INT_MIN, 0, kYes, kNo));
  EXPECT_EQ(readLog(),
            "WARNING: rule 1 would move the cell at (-2147483648, 0) off the grid - rule "
            "ignored.\n"
            "WARNING: rule 2 would move the cell at (-2147483648, 0) off the grid - rule "
            "ignored.\n");
}

}  // namespace
