// Cells moved, copied and deleted with their references, moved-reference
// markers and the doors that lead into them; the cell list under -l.
#include "harness.h"
#include "records/record_layout.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

class Cells : public harness::RulesRunTest {
 protected:
  static GridCell gridOf(const Record& cell) {
    return {i32At(cell.subrecords[1].data, 4), i32At(cell.subrecords[1].data, 8)};
  }
  // X and Y of every reference position (DATA after the cell header) in a cell.
  static std::vector<std::pair<float, float>> positionsIn(const Record& cell) {
    std::vector<std::pair<float, float>> positions;
    for (size_t i = 2; i < cell.subrecords.size(); ++i) {
      if (cell.subrecords[i].name == "DATA") {
        positions.emplace_back(f32At(cell.subrecords[i].data, 0), f32At(cell.subrecords[i].data, 4));
      }
    }
    return positions;
  }
  static std::pair<float, float> doorIn(const Record& cell) {
    for (const testing_plugin::Subrecord& s : cell.subrecords) {
      if (s.name == "DODT") return {f32At(s.data, 0), f32At(s.data, 4)};
    }
    return {0, 0};
  }
};

using Position = std::pair<float, float>;

TEST_F(Cells, MoveRewritesGridAndShiftsEveryPlacedReference) {
  std::string cell = exteriorCell("", 0, 0, "",
                                  reference(1, "a", 100, 200) + reference(2, "b", -50, 8000));
  harness::RunResult r = runRules("MC, 0, 0, 2, -1\n", header() + cell);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(gridOf(out[1]), (GridCell{2, -1}));
  EXPECT_EQ(positionsIn(out[1]), (std::vector<Position>{{16484, -7992}, {16334, -192}}));
  EXPECT_NE(r.log.find(" [MC: Move Cell rule matched]  [EXTERIOR] (Cell has no name) (No "
                       "Associated Region)  (0, 0) - MODIFIED to (2, -1).\n"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.log.find("\tObject \"a\"\t(100.000000, 200.000000)  - MODIFIED to "
                       "(16484.000000, -7992.000000)\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("Total CELL/LAND records modified or copied:   1\n"
                       "\tTotal objects modified/found:                 2/2\n"),
            std::string::npos);
}

TEST_F(Cells, CopyKeepsTheOriginalAndNeverReachesTheChangeList) {
  std::string cell = exteriorCell("Farm", 1, 1, "", reference(1, "a", 9000, 9000));
  std::string house = interiorCell("House", reference(2, "door", 0, 0, 0, doorDestination(9000, 9000)));
  runRules("CE, 1, 1, 10, 4\n", header() + cell + house);
  ASSERT_EQ(out.size(), 4u);
  EXPECT_EQ(out[1].data, cell.substr(16));
  EXPECT_EQ(gridOf(out[2]), (GridCell{10, 4}));
  EXPECT_EQ(positionsIn(out[2]), (std::vector<Position>{{82728, 33576}}));
  EXPECT_EQ(out[3].data, house.substr(16));  // the door still leads to the original
}

// Rules that put two cells on one grid are carried out, and said.
TEST_F(Cells, TwoCellsOnOneGridOfTheOutputAreWarnedAbout) {
  harness::RunResult r =
      runRules("MC, 1, 1, 2, 2\nCE, 3, 3, 2, 2\nCE, 0, 0, 5, 5\n",
               header() + exteriorCell("", 0, 0) + land(0, 0) + exteriorCell("", 2, 2) +
                   exteriorCell("", 3, 3) + exteriorCell("", 1, 1) + interiorCell("Cave"));
  const std::string warning = "Warning: 3 cells stand on grid (2, 2) in QNOUT.ESP\n";
  EXPECT_EQ(r.err.substr(r.err.size() - warning.size()), warning) << r.err;
  const std::size_t inLog = r.log.find(warning);
  ASSERT_NE(inLog, std::string::npos);
  EXPECT_LT(inLog, r.log.find("Quendrel has finished"));
  // A copy and its land on their own grid make no warning.
  EXPECT_EQ(r.err.find("(5, 5)"), std::string::npos);
  EXPECT_EQ(r.err.find("(0, 0)"), std::string::npos);
  // Two are as many as it takes.
  r = runRules("MC, 1, 1, 2, 2\n", header() + exteriorCell("", 2, 2) + exteriorCell("", 1, 1));
  EXPECT_NE(r.err.find("Warning: 2 cells stand on grid (2, 2) in QNOUT.ESP\n"), std::string::npos)
      << r.err;
}

TEST_F(Cells, DeletionDropsTheCellAndADeletedReferenceKeepsItsPosition) {
  std::string kept = exteriorCell("", 5, 5, "",
                                  reference(1, "gone", 100, 100, 0, sub("DELE", i32(0))) +
                                      reference(2, "here", 100, 100));
  runRules("DE, 1, 1\nTC, 5, 5, 1, 0\n", header() + exteriorCell("", 1, 1) + kept);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(positionsIn(out[1]), (std::vector<Position>{{100, 100}, {8292, 100}}));
}

TEST_F(Cells, ExteriorFlagsWithAnInteriorMarkerMakeAnInteriorCell) {
  std::string odd = record("CELL", sub("NAME", zstr("Odd")) + cellData(0, 0, 0) +
                                       sub("WHGT", f32(0)) + reference(1, "a", 1, 1));
  harness::RunResult r = runRules("TA, 1, 1\nDI, Odd\n", header() + odd);
  EXPECT_EQ(out.size(), 1u);  // deleted by the interior rule, not moved
  EXPECT_NE(r.out.find("Total CELL/LAND records modified or copied:   1"), std::string::npos);
}

TEST_F(Cells, DoorsInInteriorCellsFollowMovedCellsOnly) {
  auto door = [](int index, float x, float y, const std::string& after = "") {
    return reference(index, "door", 0, 0, 0, doorDestination(x, y) + after);
  };
  std::string house = interiorCell(
      "House", door(1, -8192, 100) + door(2, 100, 100) + door(3, 100, 100, sub("DNAM", zstr("Cellar"))) +
                   door(4, 9000, 100));
  harness::RunResult r = runRules("TC, -2, 0, 0, 3\nTC, 0, 0, 1, 0\nCE, 1, 0, 7, 7\n",
           header() + exteriorCell("", -2, 0) + exteriorCell("", 0, 0) + exteriorCell("", 1, 0) + house);
  const Record& outHouse = out.back();
  std::vector<Position> doors;
  for (const testing_plugin::Subrecord& s : outHouse.subrecords) {
    if (s.name == "DODT") doors.emplace_back(f32At(s.data, 0), f32At(s.data, 4));
  }
  EXPECT_EQ(doors, (std::vector<Position>{{-8192, 24676}, {8292, 100}, {100, 100}, {9000, 100}}));
  EXPECT_NE(r.out.find("Total objects modified/found:                 2/4"), std::string::npos)
      << r.out;
}

TEST_F(Cells, RewrittenDoorKeepsWhatTheInteriorRulesDecided) {
  std::string door = reference(1, "door", 0, 0, 0, doorDestination(100, 100));
  std::string rules = "TC, 0, 0, 1, 0\nCI, Hall, Hal\nDI, Gone\n";
  runRules(rules, header() + exteriorCell("", 0, 0) + interiorCell("Gone", door) +
                      interiorCell("Hall", door) + interiorCell("Plain", door));
  ASSERT_EQ(out.size(), 5u);  // header, moved cell, Hall and its copy, Plain
  EXPECT_EQ(out[2].subrecords[0].data, zstr("Hall"));
  EXPECT_EQ(doorIn(out[2]), (Position{8292, 100}));
  EXPECT_EQ(out[3].subrecords[0].data, std::string("Hal\0\0", 5));
  EXPECT_EQ(doorIn(out[3]), (Position{8292, 100}));
  EXPECT_EQ(out[4].subrecords[0].data, zstr("Plain"));
  EXPECT_EQ(doorIn(out[4]), (Position{8292, 100}));
}

// A moved-reference marker (MVRF, CNDT) names the cell the following
// reference now stands in; only that reference follows the target cell.
TEST_F(Cells, MovedReferenceMarkerAppliesToTheOneReferenceBehindIt) {
  std::string marker = sub("MVRF", i32(7)) + sub("CNDT", i32(9) + i32(9));
  std::string cell = exteriorCell("", 0, 0, "",
                                  reference(1, "before", 10, 10) + marker +
                                      reference(7, "moved", 9 * 8192 + 5, 9 * 8192 + 5) +
                                      reference(2, "after", 20, 20));
  // The target (9, 9) is moved by (0, 2); the cell itself by (1, 0).
  runRules("TC, 9, 9, 0, 2\nTC, 0, 0, 1, 0\n", header() + cell);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(positionsIn(out[1]),
            (std::vector<Position>{{8202, 10}, {73733, 90117}, {8212, 20}}));
  EXPECT_EQ(i32At(out[1].subrecords[6].data, 0), 9);
  EXPECT_EQ(i32At(out[1].subrecords[6].data, 4), 11);
}

TEST_F(Cells, MarkerIntoACopiedOrDeletedCellLeavesTheContainingCellAlone) {
  std::string marker = sub("MVRF", i32(7)) + sub("CNDT", i32(9) + i32(9));
  std::string cell = exteriorCell("", 0, 0, "", marker + reference(7, "m", 73733, 73733));
  for (const char* rules : {"DE, 9, 9\n", "CE, 9, 9, 3, 3\n"}) {
    harness::RunResult r = runRules(rules, header() + cell);
    ASSERT_EQ(out.size(), 2u) << rules;
    EXPECT_EQ(out[1].data, cell.substr(16)) << rules;
    EXPECT_NE(r.out.find("Total CELL/LAND records modified or copied:   0"), std::string::npos);
  }
  // A marker into a moved cell turns an untouched cell into its modified copy.
  runRules("TC, 9, 9, 1, 0\n", header() + cell);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(i32At(out[1].subrecords[3].data, 0), 10);
  EXPECT_EQ(positionsIn(out[1]), (std::vector<Position>{{81925, 73733}}));
}

TEST_F(Cells, MarkerSeesTheRegionOfItsTargetCell) {
  std::string marker = sub("MVRF", i32(7)) + sub("CNDT", i32(9) + i32(9));
  std::string plugin = header() + exteriorCell("", 0, 0, "Plain", marker + reference(7, "m", 73733, 73733)) +
                       exteriorCell("", 9, 9, "Hills");
  runRules("TR, Hills, 0, 1\n", plugin);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(i32At(out[1].subrecords[4].data, 4), 10);          // the marker follows its target
  EXPECT_EQ(positionsIn(out[1]), (std::vector<Position>{{73733, 81925}}));
  EXPECT_EQ(gridOf(out[2]), (GridCell{9, 10}));
}

TEST_F(Cells, ReferenceWithoutNameEndsTheWalkOfItsCell) {
  std::string cell = exteriorCell("", 0, 0, "",
                                  reference(1, "a", 10, 10) + sub("FRMR", i32(2)) +
                                      sub("XSCL", f32(1)) + reference(3, "b", 20, 20));
  harness::RunResult r = runRules("TC, 0, 0, 1, 0\n", header() + cell);
  EXPECT_EQ(positionsIn(out[1]), (std::vector<Position>{{8202, 10}, {20, 20}}));
  EXPECT_NE(r.log.find("Unknown field in FRMR entry - expected NAME, but got: XSCL\n"),
            std::string::npos);
}

TEST_F(Cells, OverlongNamesAreCutWithoutHarmingTheRecord) {
  std::string longName(3000, 'n');
  std::string cell = exteriorCell(longName, 0, 0, std::string(2000, 'r'),
                                  reference(1, std::string(900, 'o'), 1, 1));
  harness::RunResult r = runRules("TC, 0, 0, 1, 0\n", header() + cell, {"-v"});
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1].subrecords[0].data, zstr(longName));
  EXPECT_NE(r.log.find(" \"" + std::string(1023, 'n') + "\" "), std::string::npos);
  EXPECT_NE(r.log.find("\tObject: \"" + std::string(511, 'o') + "\"\t"), std::string::npos);
}

TEST_F(Cells, ListCellsWritesEveryExteriorCellWithCarriageReturns) {
  runRules("", header() + exteriorCell("Shore", 3, -4, "Coast") + exteriorCell("", -1, 0) +
                   interiorCell("Cave"),
           {"-l"});
  EXPECT_EQ(read("cell_log.txt"),
            "# (3,-4)\t\"Shore\"\t\"Coast\"\r\n3, -4\r\n# (-1,0)\t\"\"\t\"\"\r\n-1, 0\r\n");
}

TEST_F(Cells, DamagedCellIsPassedOnUnchangedWithOneWarning) {
  std::string good = exteriorCell("", 0, 0, "", reference(1, "a", 1, 1));
  std::string shortData = record("CELL", sub("NAME", zstr("x")) + sub("DATA", i32(0) + i32(0)));
  std::string overrun = good;
  overrun[overrun.size() - 28] = 100;  // the last DATA claims more bytes than the record has
  // Eight bytes after the last subrecord are a subrecord header whose data is missing.
  const std::string trailing =
      record("CELL", sub("NAME", zstr("y")) + sub("DATA", i32(0) + i32(5) + i32(5)) +
                         std::string("ABCD\x04\0\0\0", 8));
  harness::RunResult r = runRules("TA, 1, 0\n", header() + shortData + overrun + good + trailing);
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[1].data, shortData.substr(16));
  EXPECT_EQ(out[2].data, overrun.substr(16));
  EXPECT_EQ(gridOf(out[3]), (GridCell{1, 0}));
  EXPECT_NE(r.log.find("WARNING: CELL record at byte 324 of the plugin is damaged (subrecord "
                       "DATA is too short: 8 bytes) - left unchanged.\n"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.log.find("subrecord DATA runs past the end of the record"), std::string::npos);
  EXPECT_NE(r.log.find("(subrecord ABCD runs past the end of the record)"), std::string::npos)
      << r.log;
}

}  // namespace
