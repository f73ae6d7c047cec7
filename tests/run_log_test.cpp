// The run log while the passes keep it open: every text is in the file the
// moment it is logged, so a run that ends on a fatal error leaves a log that
// reaches right up to the failure.
#include <filesystem>

#include "harness.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

class RunLog : public harness::WorkDirTest {};

TEST_F(RunLog, HoldsEveryTextUpToAFatalErrorInTheWritePass) {
  write("quendrel.cfg", "TA, 1, 0\n");
  const std::string placer =
      script("Placer", "begin Placer\r\nplaceitem rock 100, 100, 0, 0\r\nend\r\n");
  write("mod.esp", header() + exteriorCell("A", 0, 0, "R", reference(1, "rock", 100.0f, 100.0f)) +
                       placer);
  // The script's text cannot go out to its work file: the write pass ends there.
  std::filesystem::create_directories(path("qnscpt0.txt/blocked"));

  harness::RunResult r = run({"-v", "mod.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(
      r.err.rfind("Unable to create temporary script output file for writing, qnscpt0.txt: ", 0),
      0u)
      << r.err;
  EXPECT_NE(r.log.find(" (0, 0)  [TA: Transpose All rule matched] - MODIFIED to (1, 0).\n"),
            std::string::npos)
      << r.log;
  EXPECT_NE(r.log.find("\tObject: \"rock\"\t(100.000000, 100.000000)  - MODIFIED to "
                       "(8292.000000, 100.000000)\n"),
            std::string::npos)
      << r.log;
  const std::string last = "New Record: SCPT: (" + std::to_string(placer.size()) +
                           " bytes) - script called \"Placer\"";
  ASSERT_GE(r.log.size(), last.size());
  EXPECT_EQ(r.log.substr(r.log.size() - last.size()), last) << r.log;

  // Without -v the moved cell's line is there all the same.
  r = run({"mod.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.log.find("- MODIFIED to (1, 0).\n"), std::string::npos) << r.log;
}

}  // namespace
