// Test harness: a fresh temporary working directory for each test, file
// helpers, and a runner that starts the real quendrel program there through
// the platform's command processor (sh, or cmd.exe on Windows) with a
// recording stub `notepad` (a shell script, or a .bat file) first on PATH.
#pragma once

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <optional>

#include "base/report.h"
#include "app/startup.h"
#include "app/text_editor.h"
#include "base/run_log.h"
#include "map/entry/map_run.h"
#include "plugin/run_context.h"
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

// A word for sh, in single quotes.
inline std::string shellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}

// A path as cmd.exe takes it: backslashes.
inline std::string windowsPath(std::string path) {
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

// Windows text as the tests compare it: CR LF line ends taken back to LF.
inline std::string withLf(std::string text) {
  if (!kWindows) return text;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i];
  }
  return out;
}

struct RunResult {
  int status = -1;
  std::string out;          // standard output, line ends as LF
  std::string err;          // standard error, line ends as LF
  std::string log;          // qnlog.txt after the run, line ends as LF
  std::string editorSaw;    // what qnmsg.txt held when the stub notepad ran, as LF
  bool editorRan = false;
};

// The exit status of a run ended by Ctrl-C on Windows (STATUS_CONTROL_C_EXIT).
constexpr int kWindowsInterrupted = static_cast<int>(0xC000013AU);

// A run started in the background.
struct Background {
#ifdef _WIN32
  PROCESS_INFORMATION process{};
  // Ctrl-C (the only interruption one program can send another here).
  void signal(int) const { GenerateConsoleCtrlEvent(CTRL_C_EVENT, process.dwProcessId); }
  int wait() const {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(code);
  }
#else
  pid_t pid;
  void signal(int number) const { kill(pid, number); }
  // The exit status, or 128 + the signal that ended the run, as a shell has it.
  int wait() const {
    int raw = 0;
    if (waitpid(pid, &raw, 0) != pid) return -1;
    if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
#endif
};

// Gives each test its own empty working directory and clean run state; the
// in-process tests call the handlers there, the end-to-end tests run the
// program there.
class WorkDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = makeTemporaryFolder();
    ASSERT_FALSE(dir_.empty());
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_);
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
  // The run log as the tests compare it, line ends as LF.
  std::string readLog() const { return withLf(read("qnlog.txt")); }

  // Runs quendrel with the arguments (each passed as one word) in the test's
  // directory. `environment` holds settings put in front of the command, e.g.
  // "POSIXLY_CORRECT=1"; `shellPrefix` (POSIX only) runs in the shell first.
  RunResult run(const std::vector<std::string>& arguments, const std::string& environment = "",
                const std::string& shellPrefix = "") {
    return runIn(dir_, arguments, environment, shellPrefix);
  }

  // The same in another folder.
  RunResult runIn(const std::string& folder, const std::vector<std::string>& arguments,
                  const std::string& environment = "", const std::string& shellPrefix = "") {
    const std::string stubDir = writeStubNotepad();
    std::filesystem::remove(stubDir + "/args");
    std::filesystem::remove(stubDir + "/saw");
    const std::string out = stubDir + "/out";
    const std::string err = stubDir + "/err";
    RunResult result;
#ifdef _WIN32
    // cmd.exe: the whole line in one more pair of quotes, which cmd takes off.
    std::string command = "\"cd /d \"" + windowsPath(folder) + "\" && set \"PATH=" +
                          windowsPath(stubDir) + ";%PATH%\"";
    std::istringstream settings(environment);
    for (std::string setting; settings >> setting;) command += " && set \"" + setting + "\"";
    command += " && \"" + std::string(QUENDREL_BINARY) + "\"";
    for (const std::string& a : arguments) command += " \"" + a + "\"";
    command += " > \"" + windowsPath(out) + "\" 2> \"" + windowsPath(err) + "\" < NUL\"";
    (void)shellPrefix;
    // Under load, Wine's cmd.exe now and then fails to start the program at
    // all (9009, "Can't recognize ..."; or -1, no cmd.exe): nothing ran, so
    // the command is started again.
    for (int attempt = 0; attempt < 5; ++attempt) {
      result.status = std::system(command.c_str());
      if (result.status != 9009 && result.status != -1) break;
    }
#else
    // Appended piece by piece: GCC 12 at -O3 sees a false overlap in
    // `" " + std::string` (-Wrestrict).
    std::string command = "cd " + shellQuote(folder) + " && " + shellPrefix;
    command += " PATH=" + shellQuote(stubDir) + ":\"$PATH\" " + environment + " ";
    command += shellQuote(QUENDREL_BINARY);
    for (const std::string& a : arguments) {
      command += ' ';
      command += shellQuote(a);
    }
    command += " >";
    command += shellQuote(out);
    command += " 2>";
    command += shellQuote(err);
    command += " </dev/null";
    int raw = std::system(command.c_str());
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    result.out = withLf(readFile(out));
    result.err = withLf(readFile(err));
    result.log = withLf(readFile(folder + "/qnlog.txt"));
    result.editorRan = fileExists(stubDir + "/args");
    result.editorSaw = withLf(readFile(stubDir + "/saw"));
    return result;
  }

  // Starts quendrel in the test's directory without waiting for it; its
  // console goes to files of the stub folder. With `editorWaits`, its notepad
  // creates ".stub-wait/editor.open" and returns only once the test creates
  // ".stub-wait/editor.close", so that the run stays in its closing. With
  // `hangUpIgnored` (POSIX), it starts with SIGHUP ignored, as under nohup.
  Background startInBackground(const std::vector<std::string>& arguments,
                               bool editorWaits = false, bool hangUpIgnored = false) {
    const std::string stubDir = editorWaits ? writeWaitingNotepad() : writeStubNotepad();
    const std::string out = stubDir + "/background.out";
    const std::string err = stubDir + "/background.err";
#ifdef _WIN32
    // Ctrl-C can be sent only to a program of a console's own process group:
    // this process takes a console of its own once, keeping its streams.
    static const bool consoleReady = [] {
      HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
      HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
      HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
      FreeConsole();
      const bool made = AllocConsole();
      SetStdHandle(STD_INPUT_HANDLE, in);
      SetStdHandle(STD_OUTPUT_HANDLE, output);
      SetStdHandle(STD_ERROR_HANDLE, error);
      return made;
    }();
    (void)consoleReady;
    (void)hangUpIgnored;
    std::string line = "\"" + std::string(QUENDREL_BINARY) + "\"";
    for (const std::string& a : arguments) line += " \"" + a + "\"";
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE outFile = CreateFileA(out.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE errFile = CreateFileA(err.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = outFile;
    startup.hStdError = errFile;
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    _putenv_s("PATH", (windowsPath(stubDir) + ";" + oldPath).c_str());
    Background background;
    CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NEW_PROCESS_GROUP, nullptr,
                   windowsPath(dir_).c_str(), &startup, &background.process);
    _putenv_s("PATH", oldPath.c_str());
    CloseHandle(outFile);
    CloseHandle(errFile);
    return background;
#else
    std::vector<std::string> words{QUENDREL_BINARY};
    words.insert(words.end(), arguments.begin(), arguments.end());
    const std::string path = stubDir + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    pid_t pid = fork();
    if (pid == 0) {
      std::vector<char*> argv;
      for (std::string& w : words) argv.push_back(w.data());
      argv.push_back(nullptr);
      if (chdir(dir_.c_str()) != 0) _exit(127);
      if (hangUpIgnored) std::signal(SIGHUP, SIG_IGN);
      setenv("PATH", path.c_str(), 1);
      if (!std::freopen("/dev/null", "r", stdin) || !std::freopen(out.c_str(), "w", stdout) ||
          !std::freopen(err.c_str(), "w", stderr)) {
        _exit(127);
      }
      execv(argv[0], argv.data());
      _exit(127);
    }
    return Background{pid};
#endif
  }

  // Polls `done` every millisecond for up to 20 seconds.
  template <typename Done>
  static bool waitUntil(Done done) {
    for (int i = 0; i < 20000; ++i) {
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return false;
  }

  std::string dir_;
  std::filesystem::path previous_;

 private:
  static std::string makeTemporaryFolder() {
#ifdef _WIN32
    static int count = 0;
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    for (int attempt = 0; attempt < 1000; ++attempt) {
      std::filesystem::path folder =
          base / ("quendrel-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                  std::to_string(++count));
      if (std::filesystem::create_directory(folder, error)) return folder.generic_string();
    }
    return "";
#else
    char pattern[] = "/tmp/quendrel-test-XXXXXX";
    return mkdtemp(pattern) ? pattern : "";
#endif
  }

  std::string writeWaitingNotepad() {
    const std::string stubDir = dir_ + "/.stub-wait";
    std::filesystem::create_directories(stubDir);
#ifdef _WIN32
    const std::string d = windowsPath(stubDir);
    writeFile(stubDir + "/notepad.bat", "@echo off\r\necho.> \"" + d + "\\editor.open\"\r\n:wait\r\n" +
                                            "if not exist \"" + d + "\\editor.close\" goto wait\r\n" +
                                            "exit /b 0\r\n");
#else
    writeFile(stubDir + "/notepad", "#!/bin/sh\n: > '" + stubDir + "/editor.open'\nwhile [ ! -e '" +
                                        stubDir + "/editor.close' ]; do sleep 0.01; done\nexit 0\n");
    chmod((stubDir + "/notepad").c_str(), 0755);
#endif
    return stubDir;
  }

  // The stub notepad records its arguments and what the file held.
  std::string writeStubNotepad() {
    const std::string stubDir = dir_ + "/.stub";
    std::filesystem::create_directories(stubDir);
#ifdef _WIN32
    const std::string windowsDir = windowsPath(stubDir);
    writeFile(stubDir + "/notepad.bat", "@echo off\r\necho %*> \"" + windowsDir +
                                            "\\args\"\r\ntype \"%~1\" > \"" + windowsDir +
                                            "\\saw\" 2>nul\r\nexit /b 0\r\n");
#else
    writeFile(stubDir + "/notepad", "#!/bin/sh\necho \"$@\" > \"" + stubDir + "/args\"\ncat \"$1\" > \"" +
                                        stubDir + "/saw\" 2>/dev/null\nexit 0\n");
    chmod((stubDir + "/notepad").c_str(), 0755);
#endif
    return stubDir;
  }
};

// A program run in-process through its entry, its console captured.
struct MapRun {
  int status;
  std::string out, err;
};
template <typename Entry>
MapRun runEntry(const char* program, std::vector<std::string> arguments, Entry entry) {
  arguments.insert(arguments.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  MapRun r;
  r.status = entry(static_cast<int>(argv.size()) - 1, argv.data());
  r.out = testing::internal::GetCapturedStdout();
  r.err = testing::internal::GetCapturedStderr();
  return r;
}
inline MapRun runMap(std::vector<std::string> arguments) {
  return runEntry("quendrel-map", std::move(arguments), runQuendrelMap);
}
// quendrel in-process with an editor that shows nothing; line ends as LF.
inline MapRun runQuendrelQuietly(std::vector<std::string> arguments) {
  struct QuietEditor : TextEditor {
    void show(const char*) override {}
  } editor;
  MapRun r = runEntry("quendrel", std::move(arguments),
                      [&](int argc, char** argv) { return runQuendrel(argc, argv, editor); });
  r.out = withLf(r.out);
  r.err = withLf(r.err);
  return r;
}

// What the write-pass handlers take, for calling them in-process: options
// the test sets, rules it reads, the facts of a scan it makes up, the run
// log (qnlog.txt in the test's folder), the work files, the counts and
// script lists.
struct InProcessRun {
  RunOptions options;
  RuleTable rules;
  RunLog log{"qnlog.txt"};
  ScanFiles files{RunFile("qncells.tmp"), RunFile("qnintcs.tmp"), RunFile("cell_log.txt")};
  ScanFacts facts;
  KnownInteriors knownInteriors;
  RunCounters counters;
  ScriptLists scripts;
  PlacesSeen seen;
  WriteInputs in{options, rules, facts, knownInteriors};
  WriteState state{log, counters, scripts, seen, {}};
  // The run log so far, line ends as LF.
  std::string logText() {
    log.flush();
    return withLf(readFile("qnlog.txt"));
  }
};

// A test that calls the handlers with a run of its own, made in the test's
// folder and gone before the folder is.
class InProcessTest : public WorkDirTest {
 protected:
  void SetUp() override {
    WorkDirTest::SetUp();
    run_.emplace();
  }
  void TearDown() override {
    run_.reset();
    WorkDirTest::TearDown();
  }
  InProcessRun& run() { return *run_; }
  const WriteInputs& inputs() { return run_->in; }
  WriteState& state() { return run_->state; }

 private:
  std::optional<InProcessRun> run_;
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
