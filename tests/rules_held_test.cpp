// The rules file read once for the passes: every evaluation must come out
// exactly as if it had read quendrel.cfg itself.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"
#include "rules/rules.h"

namespace {

class HeldRules : public harness::WorkDirTest {
 protected:
  void TearDown() override {
    dropRulesFileFromMemory();
    harness::WorkDirTest::TearDown();
  }
  // Evaluates a few exterior cells and an interior one in the write pass;
  // returns where each went, the decisions, and what the run log got.
  std::string outcomes() {
    std::remove("qnlog.txt");
    std::string all;
    runOptions.pass = 2;
    cellState.recordSize = 100;
    for (auto [x, y] : std::vector<std::pair<int, int>>{{3, -2}, {5, 6}, {0, 0}}) {
      cellState.isInterior = 0;
      cellState.oldX = cellState.newX = x;
      cellState.oldY = cellState.newY = y;
      std::strcpy(cellState.regionName, "Bay");
      outputDecision = OutputDecision{};
      evaluateRules("quendrel.cfg");
      all += std::to_string(cellState.newX) + "," + std::to_string(cellState.newY) + "," +
             std::to_string(outputDecision.writeOriginal) +
             std::to_string(outputDecision.writeModified) + ";";
    }
    char recordName[] = "Cellar";
    cellState.isInterior = 1;
    std::strcpy(cellState.cellName, "Cellar");
    outputDecision = OutputDecision{};
    evaluateRules("quendrel.cfg", recordName, sizeof recordName);
    all += std::string(recordName) + std::to_string(outputDecision.writeModified) + ";";
    return all + readLog();
  }
};

TEST_F(HeldRules, EvaluationsReadTheHeldBytesAsTheyWouldReadTheFile) {
  const std::string longComment = "; " + std::string(1021, 'a');  // the line's second piece
  const std::vector<std::string> files = {
      "TC, 3, -2, 0, 1\r\nCE, 5, 6, 7, 8\r\nCI, Cellar, Attic\r\nTA, 1, 1",
      longComment + "DE, 3, -2\nDR, Bay\n",
      std::string("TC,3,-2,0,1\0MC,5,6,1,1\nMC,5,6,9,9\n", 34),
      "\"TC\", 3, -2, 0, 1\n\n  \nDI, Cellar\nTR, Bay, -1, -1\n",
      "",
  };
  for (const std::string& rules : files) {
    write("quendrel.cfg", rules);
    const std::string fromFile = outcomes();
    holdRulesFileInMemory("quendrel.cfg");
    EXPECT_EQ(outcomes(), fromFile) << rules;
    // Held, the bytes answer however the file changes, until they are dropped.
    write("quendrel.cfg", "DA\n");
    EXPECT_EQ(outcomes(), fromFile) << rules;
    dropRulesFileFromMemory();
    EXPECT_NE(outcomes(), fromFile) << rules;
  }
}

TEST_F(HeldRules, AFileThatCannotBeOpenedIsNotHeldAndFailsAsBefore) {
  holdRulesFileInMemory("quendrel.cfg");
  write("quendrel.cfg", "TA, 1, 1\n");
  EXPECT_EQ(outcomes().substr(0, 8), "4,-1,32;");  // read from the file as it now is
  std::remove("quendrel.cfg");
  testing::internal::CaptureStderr();
  try {
    outcomes();
    ADD_FAILURE() << "the run went on without its rules file";
  } catch (const RunEnded& ended) {
    EXPECT_EQ(ended.status, 1);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Unable to open your Cell Transposition rules file (quendrel.cfg): No such file or "
            "directory\n");
}

}  // namespace
