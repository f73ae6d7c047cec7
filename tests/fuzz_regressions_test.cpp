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

#include "harness.h"

namespace {

namespace fs = std::filesystem;

const std::string kSeparator = "\n@@ESP@@\n";

struct FuzzInput {
  std::vector<std::string> arguments;
  std::string rules = "TA, 1, -1\n";
  std::string plugin;
};

// Bit 0 -v, bit 1 -n, bit 2 -l, bit 3 -d, bits 4 and 5 together -r; bit 6
// puts the options on the options line of quendrel.cfg instead.
FuzzInput decode(const std::string& bytes) {
  FuzzInput input;
  input.plugin = bytes;
  unsigned bits = 0;
  std::size_t at = bytes.find(kSeparator);
  if (at != std::string::npos && at > 0) {
    bits = static_cast<unsigned char>(bytes[0]);
    input.rules = bytes.substr(1, at - 1);
    input.plugin = bytes.substr(at + kSeparator.size());
  }
  std::vector<std::string> options;
  if (bits & 1) options.push_back("-v");
  if (bits & 2) options.push_back("-n");
  if (bits & 4) options.push_back("-l");
  if (bits & 8) options.push_back("-d");
  if ((bits & 0x30) == 0x30) options.push_back("-r");
  options.push_back("in.esp");
  if (bits & 0x40) {
    std::string line = "quendrel";
    for (const std::string& o : options) line += " " + o;
    input.rules = line + "\n" + input.rules;
  } else {
    input.arguments = options;
  }
  return input;
}

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
        decode(harness::readFile(std::string(QUENDREL_SOURCE_DIR) + "/tests/fuzz_regressions/" + name));
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
