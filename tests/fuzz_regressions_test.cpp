// Replays the inputs kept in tests/fuzz_regressions/ through the real
// program. Each file is laid out as the fuzz target (tools/fuzz/fuzz_run.cpp)
// reads it: an option byte, the rules text and the plugin, split by a
// separator line; a file without the separator is all plugin. Every run must
// end with status 0 or 1, never by a signal, and leave its input plugin as
// it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "harness.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> regressionFiles() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry :
       fs::directory_iterator(std::string(QUENDREL_SOURCE_DIR) + "/tests/fuzz_regressions", error)) {
    if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class FuzzRegressionTest : public harness::WorkDirTest {};

TEST_F(FuzzRegressionTest, EveryKeptInputEndsCleanlyAndLeavesItsPluginAlone) {
  std::vector<std::string> names = regressionFiles();
  ASSERT_FALSE(names.empty());
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    FuzzInput input =
        decodeFuzzInput(harness::readFile(std::string(QUENDREL_SOURCE_DIR) + "/tests/fuzz_regressions/" + name));
    for (const char* left : {"QNOUT.ESP", "qnlog.txt", "cell_log.txt", "qncells.tmp", "qnintcs.tmp"}) {
      std::remove(path(left).c_str());
    }
    write("quendrel.cfg", input.rules);
    write("in.esp", input.plugin);
    harness::RunResult result = run(input.arguments);
    EXPECT_TRUE(result.status == 0 || result.status == 1)
        << "status " << result.status << "\n" << result.err.substr(0, 2000);
    // Under the sanitizers a fault ends the run with status 1 too; their report tells.
    EXPECT_EQ(result.err.find("Sanitizer"), std::string::npos) << result.err.substr(0, 4000);
    EXPECT_EQ(result.err.find("runtime error"), std::string::npos) << result.err.substr(0, 4000);
    EXPECT_TRUE(read("in.esp") == input.plugin) << "the input plugin changed";
  }
}

}  // namespace
