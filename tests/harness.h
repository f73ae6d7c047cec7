// Test harness: a fresh temporary working directory for each test, file
// helpers, and a runner that starts the real quendrel program there with a
// recording stub `notepad` first on PATH.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/report.h"
#include "base/run_state.h"
#include "plugin_builder.h"

namespace harness {

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}
inline void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}
inline bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
  std::string log;          // qnlog.txt after the run
  std::string editorSaw;    // what qnmsg.txt held when the stub notepad ran
  bool editorRan = false;
};

// Gives each test its own empty working directory and clean run state; the
// in-process tests call the handlers there, the end-to-end tests run the
// program there.
class WorkDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/quendrel-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
    clearRunState();
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  void write(const std::string& name, const std::string& bytes) { writeFile(path(name), bytes); }
  std::string read(const std::string& name) const { return readFile(path(name)); }
  bool exists(const std::string& name) const { return fileExists(path(name)); }

  // Runs quendrel with the arguments (each passed as one word) in the test's
  // directory. `environment` is put in front of the command, e.g.
  // "POSIXLY_CORRECT=1"; `shellPrefix` (POSIX only) runs in the shell first.
  RunResult run(const std::vector<std::string>& arguments, const std::string& environment = "",
                const std::string& shellPrefix = "") {
    std::string stubDir = dir_ + "/.stub";
    std::filesystem::create_directories(stubDir);
    writeFile(stubDir + "/notepad",
              "#!/bin/sh\necho \"$@\" > \"" + stubDir + "/args\"\ncat \"$1\" > \"" + stubDir +
                  "/saw\" 2>/dev/null\nexit 0\n");
    chmod((stubDir + "/notepad").c_str(), 0755);
    std::filesystem::remove(stubDir + "/args");
    std::filesystem::remove(stubDir + "/saw");
    std::string command = "cd " + shellQuote(dir_) + " && " + shellPrefix + " PATH=" + shellQuote(stubDir) +
                          ":\"$PATH\" " + environment + " " + shellQuote(QUENDREL_BINARY);
    // Appended piece by piece: GCC 12 at -O3 sees a false overlap in
    // `" " + std::string` (-Wrestrict).
    for (const std::string& a : arguments) {
      command += ' ';
      command += shellQuote(a);
    }
    command += " >";
    command += shellQuote(stubDir + "/out");
    command += " 2>";
    command += shellQuote(stubDir + "/err");
    command += " </dev/null";
    RunResult result;
    int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = readFile(stubDir + "/out");
    result.err = readFile(stubDir + "/err");
    result.log = read("qnlog.txt");
    result.editorRan = fileExists(stubDir + "/args");
    result.editorSaw = readFile(stubDir + "/saw");
    return result;
  }

  std::string dir_;
  std::filesystem::path previous_;
};

// Runs one rules file over one plugin and reads QNOUT.ESP back into records.
class RulesRunTest : public WorkDirTest {
 protected:
  RunResult runRules(const std::string& rules, const std::string& plugin,
                     std::vector<std::string> options = {}) {
    write("quendrel.cfg", rules);
    write("mod.esp", plugin);
    options.push_back("mod.esp");
    RunResult r = run(options);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(testing_plugin::readPlugin(read("QNOUT.ESP"), out));
    return r;
  }
  std::vector<testing_plugin::Record> out;
};

}  // namespace harness
