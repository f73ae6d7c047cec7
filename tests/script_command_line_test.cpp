// Coordinates of script command lines, with cell (0, 0) moved by (2, -1).
#include <cstring>
#include <string>

#include "harness.h"
#include "script/script_text.h"

namespace {

class ScriptCommandLine : public harness::InProcessTest {
 protected:
  void SetUp() override {
    InProcessTest::SetUp();
    run().facts.moves.add({{0, 0}, {2, -1}});
    run().facts.moves.add({{-2, 0}, {1, 0}});
    write("qn_interiors.dat", "");
    run().knownInteriors = readKnownInteriors();
    run().facts.interiors.addLines("Some House\r\n");
  }
  std::string readLog() { return run().logText(); }
  // The line after rewriteCommandLine; `changed` gets its result.
  std::string rewrite(const std::string& text, int* changed = nullptr) {
    char line[kScriptLineSize] = {};
    std::memcpy(line, text.data(), text.size());
    int result = rewriteCommandLine(inputs(), state(), line);
    if (changed != nullptr) *changed = result;
    EXPECT_EQ(result == 1, text != line) << text;
    return line;
  }
};

TEST_F(ScriptCommandLine, ShiftsOnlyXAndYAndKeepsEverythingElse) {
  EXPECT_EQ(rewrite("Position 1000, 2000, 300, 0\r\n"),
            "Position 17384.000000, -6192.000000, 300, 0\r\n");
  EXPECT_NE(readLog().find(
                "\n\tMODIFIED script usage of co-ords (1000.000000, 2000.000000) to "
                "(17384.000000,-6192.000000)"),
            std::string::npos);
  EXPECT_EQ(rewrite("\"My Ref\"->PositionCell 1000 2000 300 0 \"Outer Field\" ; Note\n"),
            "\"My Ref\"->PositionCell 17384.000000 -6192.000000 300 0 \"Outer Field\" ; Note\n");
  // The float read first (1234.5670166015625), then shifted without rounding again.
  EXPECT_EQ(rewrite("position 1234.567,,10, 0, 0"), "position 17618.567017,,-8182.000000, 0, 0");
  EXPECT_EQ(rewrite("my_position 1000, 2000, 0, 0"), "my_position 17384.000000, -6192.000000, 0, 0");
  EXPECT_EQ(rewrite("aitravel 0, 0, 0"), "aitravel 16384.000000, -8192.000000, 0");
  // Only X and Y both 0 mean an AI package without destination.
  EXPECT_EQ(rewrite("aiescort player, 10, 0, 500, 0"),
            "aiescort player, 10, 16384.000000, -7692.000000, 0");
  // "position" is searched first, even where "aitravel" stands before it.
  EXPECT_EQ(rewrite("aitravel 5, 5, 5 ; position 1000, 2000"),
            "aitravel 5, 5, 5 ; position 17384.000000, -6192.000000");
  EXPECT_EQ(rewrite("placeitem \"gold_001\", 100, 200, 0, 0"),
            "placeitem \"gold_001\", 16484.000000, -7992.000000, 0, 0");
  // -8192 lies in cell -2, which moved by (1, 0).
  EXPECT_EQ(rewrite("position -8192, 100, 0, 0"), "position 0.000000, 100.000000, 0, 0");
  // The longest decimal prefix is the number; "inf" and "0x" text are no numbers.
  EXPECT_EQ(rewrite("position 100abc, inf, 0"), "position 16484.000000, -8192.000000, 0");
  EXPECT_EQ(rewrite("position 0x4000, 2e3, 0"), "position 16384.000000, -6192.000000, 0");
  // An argument of 31 characters still fits its field (32 do not, below).
  EXPECT_EQ(rewrite("position 1000.00000000000000000000000000, 2000"),
            "position 17384.000000, -6192.000000");
}

TEST_F(ScriptCommandLine, LeavesLinesThatAreNoMovedCommand) {
  for (const char* text : {
           "MyPosition 1000, 2000, 0, 0\n",   // a letter before the word
           "position , ,  \n",                // no arguments
           "position 1000\n",                 // no Y
           "aiescort player, 10, 0, 0, 0\n",  // an AI package without destination
           "position 9000, 100, 0, 0\n",      // cell (1, 0) did not move
           "position -8191, 100, 0, 0\n",     // nor did cell (-1, 0)
           "position 1e40, 100, 0, 0\n",      // no cell at all
           "position 1000.000000000000000000000000000, 2000\n",  // X longer than 31 characters
       }) {
    int changed = -1;
    EXPECT_EQ(rewrite(text, &changed), text);
    EXPECT_EQ(changed, 0) << text;
  }
  // A rebuilt line that would not fit the 1024-byte buffer stays as it was.
  std::string longLine = "position 0, 0, 0 ;" + std::string(990, 'x');
  EXPECT_EQ(rewrite(longLine), longLine);
  EXPECT_EQ(readLog().find("MODIFIED"), std::string::npos);
}

TEST_F(ScriptCommandLine, CellCommandsIntoInteriorsAreLeftAlone) {
  run().options.verbose = true;
  const std::string inside = "PlaceItemCell \"gold_001\", \"Some House\", 100, 200, 0, 0\n";
  EXPECT_EQ(rewrite(inside), inside);
  EXPECT_NE(readLog().find("Cell Script command identified as Internal, so ignored: " +
                                   inside),
            std::string::npos);
  EXPECT_EQ(rewrite("PlaceItemCell \"gold_001\", \"Far Field\", 100, 200, 0, 0\n"),
            "PlaceItemCell \"gold_001\", \"Far Field\", 16484.000000, -7992.000000, 0, 0\n");
  EXPECT_NE(readLog().find("Cell command identified as External, so processed: "),
            std::string::npos);
  // The cell name of positioncell is its 5th argument; the blank inside the quotes
  // does not split it.
  const std::string positioned = "\"a b\"->positioncell 100 200 0 0 \"some house\"\n";
  EXPECT_EQ(rewrite(positioned), positioned);
}

}  // namespace
