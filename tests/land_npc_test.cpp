// Land, path grids and character packages follow moved cells.
#include "harness.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

class Follow : public harness::RulesRunTest {
 protected:
  std::vector<std::string> typesOut() const {
    std::vector<std::string> types;
    for (const Record& r : out) types.push_back(r.type);
    return types;
  }
  static std::pair<int32_t, int32_t> gridOf(const Record& r) {
    return {i32At(r.subrecords[0].data, 0), i32At(r.subrecords[0].data, 4)};
  }
  static std::string npc(const std::string& id, const std::string& rest) {
    return record("NPC_", sub("NAME", zstr(id)) + sub("FNAM", zstr("Someone")) + rest);
  }
  static std::string package(const char* type, float x, float y) {
    return sub(type, f32(x) + f32(y) + f32(0) + std::string(4, '\0'));
  }
};

using Grid = std::pair<int32_t, int32_t>;
using Strings = std::vector<std::string>;

TEST_F(Follow, CopiedLandIsWrittenTwiceAndDeletedLandNotAtAll) {
  runRules("CE, 1, 1, 10, 4\nDE, 2, 2\n",
           header() + exteriorCell("", 1, 1) + exteriorCell("", 2, 2) + land(1, 1) + land(2, 2) +
               pathGrid("", 2, 2));
  EXPECT_EQ(typesOut(), (Strings{"TES3", "CELL", "CELL", "LAND", "LAND", "PGRD"}));
  EXPECT_EQ(gridOf(out[3]), (Grid{1, 1}));
  EXPECT_EQ(gridOf(out[4]), (Grid{10, 4}));
  EXPECT_EQ(gridOf(out[5]), (Grid{2, 2}));  // deletions never reach the change list
}

TEST_F(Follow, PathGridFollowsItsMovedCellWithItsLogLine) {
  harness::RunResult r = runRules("TC, 3, 3, -2, 1\n", header() + exteriorCell("", 3, 3) +
                                                           land(3, 3) + pathGrid("", 3, 3));
  EXPECT_EQ(typesOut(), (Strings{"TES3", "CELL", "LAND", "PGRD"}));
  EXPECT_EQ(gridOf(out[2]), (Grid{1, 4}));
  EXPECT_EQ(gridOf(out[3]), (Grid{1, 4}));
  EXPECT_NE(r.log.find(" [TC: Transpose Exterior Cell rule matched]  [PATH GRID]  (3, 3) - "
                       "MODIFIED to (1, 4).\n"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.log.find("LAND co-ords: (3, 3),  - MODIFIED to (1, 4)\n"), std::string::npos);
  EXPECT_NE(r.out.find("Total Path Grids      modified/found:         1/1"), std::string::npos);
}

TEST_F(Follow, InteriorPathGridsStayWhenTheCellAtTheOriginMoves) {
  // Blank lines, and an unnamed cell with an interior marker, name no interior.
  write("qn_interiors.dat", "ZCELLAR\r\n\r\n\n");
  harness::RunResult r = runRules(
      "TA, 4, 4\n", header() + exteriorCell("", 0, 0) + interiorCell("Cave") + interiorCell("") +
                        pathGrid("Cave", 0, 0) + pathGrid("zCellar", 0, 0) + pathGrid("", 0, 0));
  ASSERT_EQ(out.size(), 7u);
  EXPECT_EQ(gridOf(out[4]), (Grid{0, 0}));
  EXPECT_EQ(gridOf(out[5]), (Grid{0, 0}));
  EXPECT_EQ(gridOf(out[6]), (Grid{4, 4}));
  EXPECT_EQ(r.err, "");  // the interior check of path grids is quiet
}

TEST_F(Follow, RegionRuleMovesLandAndPathGridsStoredAfterAllCells) {
  runRules("TR, Hills, 1, 0\n",
           header() + exteriorCell("", 0, 0, "Hills") + exteriorCell("", 5, 5, "Plain") +
               land(0, 0) + land(5, 5) + pathGrid("Hills", 0, 0) + pathGrid("Plain", 5, 5));
  EXPECT_EQ(typesOut(), (Strings{"TES3", "CELL", "CELL", "LAND", "LAND", "PGRD", "PGRD"}));
  EXPECT_EQ(gridOf(out[3]), (Grid{1, 0}));
  EXPECT_EQ(gridOf(out[4]), (Grid{5, 5}));
  EXPECT_EQ(gridOf(out[5]), (Grid{1, 0}));
  EXPECT_EQ(gridOf(out[6]), (Grid{5, 5}));
}

// Land with no cell of the plugin at its grid has no region: a rule for
// cells without one leaves it, as any region rule does; a rule for every
// cell moves it.
TEST_F(Follow, LandWithoutACellFollowsNoRegionRule) {
  const std::string plugin =
      header() + exteriorCell("", 0, 0) + land(0, 0) + land(7, 7) + land(8, 8);
  for (const char* rules : {"TR, \"\", 1, 0\n", "DR, \"\"\n"}) {
    runRules(rules, plugin);
    EXPECT_EQ(typesOut().size(), rules[0] == 'T' ? 5u : 3u) << rules;
    EXPECT_EQ(gridOf(out.back()), (Grid{8, 8})) << rules;
  }
  runRules("TA, 1, 0\n", plugin);
  EXPECT_EQ(gridOf(out[3]), (Grid{8, 7}));
}

TEST_F(Follow, CopiesOnlyWritesTheMovedLandButNoPathGrid) {
  runRules("TA, 1, 1\n", header() + exteriorCell("", 0, 0) + land(0, 0) + pathGrid("", 0, 0),
           {"-n"});
  EXPECT_EQ(typesOut(), (Strings{"TES3", "CELL", "LAND"}));
}

TEST_F(Follow, LandWithoutGridIsLoggedAndKept) {
  std::string odd = record("LAND", sub("DATA", i32(1)));
  harness::RunResult r = runRules("TA, 1, 1\n", header() + odd);
  EXPECT_EQ(out[1].data, odd.substr(16));
  EXPECT_NE(r.log.find("WARNING: I couldn't find the INTV header (got [DATA] - ignoring record.\n"),
            std::string::npos);
}

TEST_F(Follow, CharacterPackagesInMovedCellsAreShiftedAndCounted) {
  std::string guide =
      npc("guide", package("AI_T", 100, 200) + package("AI_F", 300, 300) +
                       sub("CNDT", zstr("Somewhere")) + package("AI_E", 400, 400) +
                       package("AI_T", 9000, 9000) + doorDestination(100, 200) +
                       sub("DNAM", zstr("Cellar")) + doorDestination(100, 200) +
                       package("AI_T", -8192, 100));
  harness::RunResult r =
      runRules("TC, 0, 0, 5, -3\nTC, -2, 0, 0, 1\n",
               header() + exteriorCell("", 0, 0) + exteriorCell("", -2, 0) + guide);
  const Record& npcOut = out.back();
  std::vector<std::pair<float, float>> destinations;
  for (const testing_plugin::Subrecord& s : npcOut.subrecords) {
    if (s.name == "AI_T" || s.name == "AI_E" || s.name == "AI_F" || s.name == "DODT") {
      destinations.emplace_back(f32At(s.data, 0), f32At(s.data, 4));
    }
  }
  EXPECT_EQ(destinations, (std::vector<std::pair<float, float>>{{41060, -24376},
                                                                {300, 300},  // interior: CNDT behind it
                                                                {41360, -24176},
                                                                {9000, 9000},
                                                                {100, 200},  // interior: DNAM
                                                                {41060, -24376},
                                                                {-8192, 8292}}));  // cell -2, last
  EXPECT_EQ(out.size(), 4u);  // written as the modified copy only
  EXPECT_NE(r.out.find("Total AI Packages     modified/found:         3/5\n"
                       "\tTotal Travel Services modified/found:         1/2\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.log.find("\tAI/Travel Package on guide \t(100.000000, 200.000000)  - MODIFIED to "
                       "(41060.000000, -24376.000000)\n"),
            std::string::npos);
}

TEST_F(Follow, CharacterWithoutMovedDestinationIsWrittenAsRead) {
  std::string quiet = npc(std::string(40, 'q'), package("AI_T", 100, 200));
  harness::RunResult r = runRules("TC, 7, 7, 1, 1\nCA, 1, 1\n", header() + quiet);
  ASSERT_EQ(out.size(), 2u);  // no rule evaluation may copy or delete a character
  EXPECT_EQ(out[1].data, quiet.substr(16));
  // Without -v such a character leaves no trace in the run log.
  const std::string hyphens = std::string(88, '-') + "\n\n";
  EXPECT_EQ(r.log.substr(r.log.find(hyphens) + hyphens.size(), 3), "\n\nQ") << r.log;
}

}  // namespace
