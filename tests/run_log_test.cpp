// The run log of a run that ends on a fatal error in the write pass, or is
// interrupted: every text logged before is in the file, up to the last one.
#include <filesystem>

#include "base/run_log.h"
#include "harness.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

class RunLogTest : public harness::WorkDirTest {};

TEST_F(RunLogTest, HoldsEveryTextUpToAFatalErrorInTheWritePass) {
  if (harness::kWindows) GTEST_SKIP() << "needs a POSIX file size limit";
  write("quendrel.cfg", "TA, 1, 0\n");
  const std::string big = record("STAT", sub("NAME", zstr("huge")) + sub("MODL", std::string(3 << 20, 'm')));
  write("mod.esp", header() + exteriorCell("A", 0, 0, "R", reference(1, "rock", 100.0f, 100.0f)) +
                       big + script("Placer", "placeitem rock 100, 100, 0, 0\r\n"));
  // Files may grow to 1 or 2 MB (the shell's blocks), so the output fails at
  // the big record, which is written past the output's buffer at once.
  const std::string limit = "trap '' XFSZ; ulimit -f 2048;";

  harness::RunResult r = run({"-v", "mod.esp"}, "", limit);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("Unable to write new record data  to QNOUT.ESP: ", 0), 0u) << r.err;
  EXPECT_NE(r.log.find(" (0, 0)  [TA: Transpose All rule matched] - MODIFIED to (1, 0).\n"),
            std::string::npos)
      << r.log.substr(0, 2000);
  EXPECT_NE(r.log.find("\tObject: \"rock\"\t(100.000000, 100.000000)  - MODIFIED to "
                       "(8292.000000, 100.000000)\n"),
            std::string::npos);
  // The error line follows the last text.
  const std::string last = "\t[Saving Original Record: " + std::to_string(big.size()) +
                           " bytes]\n" + r.err;
  ASSERT_GE(r.log.size(), last.size());
  EXPECT_EQ(r.log.substr(r.log.size() - last.size()), last) << r.log.substr(r.log.size() - 300);

  // Without -v the moved cell's line is there all the same.
  r = run({"mod.esp"}, "", limit);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.log.find("- MODIFIED to (1, 0).\n"), std::string::npos) << r.log;
}

// An interruption writes whatever the buffer holds, then its last line.
TEST_F(RunLogTest, AnInterruptionWritesTheBufferedTextsBeforeItsLine) {
  ::RunLog log("qnlog.txt");
  log.append("first\n");  // opens the log, and goes out at once
  log.append("second ");
  log.append(std::string(70000, 'x'));  // more than the buffer holds
  log.append("third\n");
  log.writeAfterInterruption("interrupted\n");
  EXPECT_EQ(readLog(), "first\nsecond " + std::string(70000, 'x') + "third\ninterrupted\n");
}

}  // namespace
