// What the scan pass learns for the write pass: the moves (the change list)
// and the interior cell names, both written to their work files as well, and
// the user's own list of interior names.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "workfiles/change_list.h"
#include "workfiles/interior_list.h"

namespace {

using WorkFileTest = harness::InProcessTest;

TEST_F(WorkFileTest, ChangeListFindsTheFirstMoveOfACell) {
  ChangeList moves;
  RunFile file(kChangeListFile);
  EXPECT_FALSE(moves.find({0, 0}));
  for (const CellMove& move : {CellMove{{0, 0}, {5, -1}}, CellMove{{-3, 7}, {10, -2}},
                               CellMove{{0, 0}, {9, 9}}}) {
    noteMove(file, moves, move);
  }
  EXPECT_EQ(read("qncells.tmp"), "0, 0, 5, -1\n-3, 7, 10, -2\n0, 0, 9, 9\n");
  EXPECT_EQ(moves.find({0, 0}), (GridCell{5, -1}));
  EXPECT_EQ(moves.find({-3, 7}), (GridCell{10, -2}));
  EXPECT_FALSE(moves.find({7, -3}));
}

// The names are looked up as the lines of a list file would be: lower-cased,
// without their line end (CR LF or LF), a line of more than 255 bytes in
// pieces, each a line of its own.
TEST_F(WorkFileTest, InteriorNamesAreLookedUpAsTheLinesOfTheirFile) {
  const std::string longName(300, 'K');
  const std::string lower(300, 'k');
  struct Row {
    std::string name;  // as the scan pass notes it
    std::vector<std::string> found, notFound;
  };
  const Row rows[] = {
      {"Balmora, Inn", {"balmora, inn"}, {"Balmora, Inn", ""}},
      {"Cellar\r", {"cellar"}, {"cellar\r"}},  // CR LF in the file
      {"Two\nLines", {"two", "lines"}, {"two\nlines"}},
      {longName, {lower.substr(0, 255), lower.substr(255)}, {lower}},
      {"", {""}, {}},
  };
  for (const Row& row : rows) {
    InteriorNames seen;
    RunFile file(kInteriorListFile);
    noteInteriorName(file, seen, run().log, row.name);
    EXPECT_EQ(read("qnintcs.tmp"), row.name + "\n");
    std::remove("qnintcs.tmp");
    for (const std::string& name : row.found) EXPECT_TRUE(seen.holds(name)) << name;
    for (const std::string& name : row.notFound) EXPECT_FALSE(seen.holds(name)) << name;
  }
}

// What quendrel-map writes as qn_interiors.dat reads back as the names it
// holds: each name that fits a line once, whatever its letter case.
TEST(KnownInteriorsText, ReadsBackAsTheNamesItHolds) {
  const std::string longest(kListNameMax, 'L'), tooLong(kListNameMax + 1, 'T');
  const std::string text =
      knownInteriorsText({"Vivec, Arena", "vivec, ARENA", longest, tooLong, "", "Two\nLines", "Cr\r"});
  EXPECT_EQ(text, "Vivec, Arena\n" + longest + "\n");
  InteriorNames names;
  names.addLines(text);
  EXPECT_TRUE(names.holds("vivec, arena"));
  EXPECT_TRUE(names.holds(std::string(kListNameMax, 'l')));
}

TEST_F(WorkFileTest, KnownInteriorsComeFirstAndAMissingListIsReportedAtEveryCall) {
  InteriorNames seen;
  seen.addLines("cellar\n");
  const std::string message =
      "Unable to double-check my list of Interior Cells against your Script *Cell commands. I "
      "cannot open the file qn_interiors.dat: No such file or directory\n";
  KnownInteriors known = readKnownInteriors();
  InteriorLookup lookup{known, seen};
  testing::internal::CaptureStderr();
  EXPECT_TRUE(lookup.isInteriorCell("cellar", run().log));
  EXPECT_FALSE(lookup.isInteriorCell("attic", run().log));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), message + message);
  EXPECT_EQ(run().logText(), message + message);

  testing::internal::CaptureStderr();
  EXPECT_TRUE(lookup.isInteriorCellQuietly("cellar"));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  write("qn_interiors.dat", "VIVEC, ARENA\r\n\nLast");
  known = readKnownInteriors();
  EXPECT_TRUE(lookup.isInteriorCell("vivec, arena", run().log));
  EXPECT_TRUE(lookup.isInteriorCell("", run().log));  // the empty line
  EXPECT_TRUE(lookup.isInteriorCell("last", run().log));
  EXPECT_TRUE(lookup.isInteriorCell("cellar", run().log));
  EXPECT_EQ(run().logText(), message + message);
}

}  // namespace
