// No file of the user's is lost, whatever happens to a run: QNOUT.ESP is
// replaced whole or not at all, one run works in a folder at a time, the
// plugin is never one of the run's own files, no file is written through a
// link, odd plugins are refused before any pass, and an interrupted run
// cleans up after itself.
#ifndef _WIN32
#include <fcntl.h>
#endif

#include <csignal>
#include <filesystem>
#include <thread>

#include "harness.h"
#include "plugin_builder.h"

using namespace testing_plugin;
namespace fs = std::filesystem;

namespace {

class Safety : public harness::WorkDirTest {
 protected:
  std::string plugin() {
    return header() + exteriorCell("Shore", 1, 1, "Coast", reference(1, "rock", 9000, 9000)) +
           land(1, 1);
  }
  // A plugin whose passes take a while: some 40 MB of records.
  std::string largePlugin() {
    std::string bytes = plugin();
    const std::string filler = record("STAT", sub("NAME", zstr("stone")) + sub("MODL", std::string(10000, 'm')));
    for (int i = 0; i < 4000; ++i) bytes += filler;
    return bytes;
  }
};

// A run that fails once started leaves the old output, no temporary or work
// file, and its error line in the run log as well as on standard error.
TEST_F(Safety, AFailedRunLeavesTheOldOutputWholeAndNoTemporaryFile) {
  write("quendrel.cfg", "TA, 1, 1\n");
  write("QNOUT.ESP", "the output of an earlier run");
  const std::string whole = plugin();
  write("cut.esp", whole.substr(0, whole.size() - 3));
  write("mod.esp", whole);
  fs::create_directory(path("folder.esp"));
  write("text.esp", "TA, 1, 1\n");
  write("short.esp", std::string("\x01\0", 2));
  write("empty.esp", "");

  struct Case {
    std::vector<std::string> arguments;
    std::string error;
  };
  const std::string folderError = harness::kWindows ? "Permission denied" : "Is a directory";
  for (const Case& c : {
           Case{{"cut.esp"}, "Unable to read entire marker record ("},
           Case{{"folder.esp"}, "Unable to open folder.esp for reading: " + folderError + "\n"},
           Case{{"text.esp"}, "Unable to read text.esp: it is not a TES3 plugin (it begins with "
                              "\"TA, \", not \"TES3\")\n"},
           Case{{"short.esp"}, "Unable to read short.esp: it is not a TES3 plugin (it begins "
                               "with \"\\x01\\x00\", not \"TES3\")\n"},
           // No game or editor loads an empty file.
           Case{{"empty.esp"}, "Unable to read empty.esp: it is not a TES3 plugin (it is empty)\n"},
           Case{{"--output", "missing/out.esp", "mod.esp"},
                "Unable to open missing/out.esp.tmp for writing: No such file or directory\n"},
           // A folder is never an output: refused before any pass.
           Case{{"--output", "folder.esp", "mod.esp"},
                "Unable to open folder.esp for writing: it is a folder\n"},
       }) {
    const std::string& name = c.arguments.back();
    harness::RunResult r = run(c.arguments);
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_EQ(r.err.substr(0, c.error.size()), c.error);
    EXPECT_EQ(read("QNOUT.ESP"), "the output of an earlier run") << name;
    EXPECT_FALSE(exists("QNOUT.ESP.tmp")) << name;
    for (const char* work : {"qncells.tmp", "qnintcs.tmp", "qnmsg.txt"}) {
      EXPECT_FALSE(exists(work)) << name << " left " << work;
    }
    EXPECT_NE(r.log.find(r.err), std::string::npos) << name << ": " << r.log;
  }
}

// An output under which a device or a pipe stands is written into, never
// replaced (a script's --output /dev/null); the new plugin goes through it.
TEST_F(Safety, AnOutputThatIsAPipeIsWrittenIntoNotReplaced) {
#ifdef _WIN32
  GTEST_SKIP() << "FIFOs are POSIX";
#else
  write("quendrel.cfg", "TA, 1, 1\n");
  write("mod.esp", plugin());
  ASSERT_EQ(mkfifo(path("out.fifo").c_str(), 0666), 0);
  // A second name for the pipe lets the test end its reader should the run
  // put a file in its place.
  ASSERT_EQ(link(path("out.fifo").c_str(), path("kept.fifo").c_str()), 0);
  std::string received;
  std::thread reader([&] { received = harness::readFile(path("out.fifo")); });
  harness::RunResult r = run({"--output", "out.fifo", "mod.esp"});
  const int unblock = open(path("kept.fifo").c_str(), O_WRONLY | O_NONBLOCK);
  if (unblock >= 0) close(unblock);
  reader.join();
  EXPECT_EQ(r.status, 0) << r.err;
  struct stat status;
  ASSERT_EQ(lstat(path("out.fifo").c_str(), &status), 0);
  EXPECT_TRUE(S_ISFIFO(status.st_mode));
  EXPECT_FALSE(exists("out.fifo.tmp"));
  std::vector<Record> out;
  EXPECT_TRUE(readPlugin(received, out));
  EXPECT_EQ(out.size(), 3u);
  // Several plugin names: the last is read, and the others named first.
  r = run({"A.esp", "B.esp", "mod.esp"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "quendrel: only the last plugin named is read; not read: A.esp, B.esp\n");
#endif
}

TEST_F(Safety, AFullDiskLeavesTheOldOutputWhole) {
  if (harness::kWindows) GTEST_SKIP() << "mounts a small tmpfs";
  fs::create_directory(path("disk"));
  if (std::system(("mount -t tmpfs -o size=256k tmpfs " + harness::shellQuote(path("disk")) +
                   " 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
  }
  const std::string big =
      plugin() + record("STAT", sub("NAME", zstr("big")) + sub("MODL", std::string(150000, 'm')));
  write("disk/quendrel.cfg", "TA, 1, 1\n");
  write("disk/mod.esp", big);
  write("disk/QNOUT.ESP", std::string(40000, 'o'));
  harness::RunResult r = runIn(path("disk"), {"mod.esp"});
  const std::string output = read("disk/QNOUT.ESP");
  const bool temporaryLeft = exists("disk/QNOUT.ESP.tmp");
  std::system(("umount " + harness::shellQuote(path("disk"))).c_str());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("Unable to write new record data ", 0), 0u) << r.err;
  EXPECT_EQ(output, std::string(40000, 'o'));
  EXPECT_FALSE(temporaryLeft);
}

TEST_F(Safety, APluginNamedLikeOneOfTheRunsFilesIsRefusedUntouched) {
  write("quendrel.cfg", "TA, 1, 1\n");
  const std::string bytes = plugin();
  for (const char* name : {"qnscpt0.txt", "qnscpt1.txt", "qnlog.txt", "cell_log.txt",
                           "qncells.tmp", "qnintcs.tmp", "qnmsg.txt", "QNOUT.ESP",
                           "QNOUT.ESP.tmp", "quendrel.lock"}) {
    write(name, bytes);
    harness::RunResult r = run({name});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_EQ(r.err.rfind("Unable to ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(std::string(": it is the input plugin ") + name), std::string::npos)
        << r.err;
    EXPECT_EQ(read(name), bytes) << name;
    fs::remove(path(name));
  }
  // Through a hard link too.
  write("qnlog.txt", bytes);
  fs::create_hard_link(path("qnlog.txt"), path("mod.esp"));
  EXPECT_EQ(run({"mod.esp"}).status, 1);
  EXPECT_EQ(readLog(), bytes);
}

TEST_F(Safety, NoFileIsWrittenThroughALink) {
  if (harness::kWindows) GTEST_SKIP() << "symbolic links need privileges on Windows";
  write("quendrel.cfg", "TA, 1, 1\n");
  write("mod.esp", plugin());
  write("target.esp", "someone else's file");
  for (const char* name : {"QNOUT.ESP", "qnlog.txt", "qnmsg.txt", "qncells.tmp"}) {
    fs::create_symlink(path("target.esp"), path(name));
  }
  harness::RunResult r = run({"mod.esp"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read("target.esp"), "someone else's file");
  EXPECT_FALSE(fs::is_symlink(path("QNOUT.ESP")));
  std::vector<Record> out;
  EXPECT_TRUE(readPlugin(read("QNOUT.ESP"), out));
  EXPECT_EQ(out.size(), 3u);
  fs::create_symlink(path("target.esp"), path("cell_log.txt.link"));
  fs::remove(path("cell_log.txt"));
  fs::rename(path("cell_log.txt.link"), path("cell_log.txt"));
  EXPECT_EQ(run({"-l", "mod.esp"}).status, 0);
  EXPECT_EQ(read("target.esp"), "someone else's file");
}

TEST_F(Safety, ASecondRunInTheSameFolderDeletesAndWritesNothing) {
  write("quendrel.cfg", "TA, 1, 1\n");
  write("mod.esp", plugin());
  // The first run stays in its closing while its editor is open.
  harness::Background first = startInBackground({"-v", "mod.esp"}, true);
  ASSERT_TRUE(waitUntil([&] { return exists(".stub-wait/editor.open"); }));
  harness::RunResult second = run({"mod.esp"});
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(second.err, "Unable to start: another run of Quendrel is working in this folder\n");
  // Nor does -l delete the cell list before -V ends the run.
  write("cell_log.txt", "the first run's");
  EXPECT_EQ(run({"-l", "-V"}).status, 0);
  EXPECT_EQ(read("cell_log.txt"), "the first run's");
  write(".stub-wait/editor.close", "");
  EXPECT_EQ(first.wait(), 0);
  std::vector<Record> out;
  EXPECT_TRUE(readPlugin(read("QNOUT.ESP"), out));
  EXPECT_EQ(out.size(), 3u);
  EXPECT_NE(readLog().find("Total CELL records found"), std::string::npos);
  // The lock file stays behind and blocks no later run.
  EXPECT_TRUE(exists("quendrel.lock"));
  EXPECT_EQ(run({"mod.esp"}).status, 0);
}

// On Windows one program can send another only Ctrl-C.
TEST_F(Safety, AnInterruptedRunCleansUpAndSaysSoInTheLog) {
  write("quendrel.cfg", "TA, 1, 1\n");
  write("mod.esp", largePlugin());
  write("QNOUT.ESP", "the output of an earlier run");
  std::vector<int> signals{SIGINT};
#ifndef _WIN32
  signals.push_back(SIGTERM);
  signals.push_back(SIGHUP);
#endif
  for (int signalNumber : signals) {
    SCOPED_TRACE(signalNumber);
    harness::Background run = startInBackground({"mod.esp"});
    // The temporary output stands once the write pass has begun.
    ASSERT_TRUE(waitUntil([&] { return exists("QNOUT.ESP.tmp"); }));
    run.signal(signalNumber);
    EXPECT_EQ(run.wait(), harness::kWindows ? harness::kWindowsInterrupted : 128 + signalNumber);
    EXPECT_EQ(read("QNOUT.ESP"), "the output of an earlier run");
    for (const char* left : {"QNOUT.ESP.tmp", "qncells.tmp", "qnintcs.tmp"}) {
      EXPECT_FALSE(exists(left)) << left;
    }
    const std::string log = harness::withLf(readLog());
    const std::string last = "\nThe run was interrupted: QNOUT.ESP was not written.\n";
    ASSERT_GE(log.size(), last.size());
    EXPECT_EQ(log.substr(log.size() - last.size()), last);
    EXPECT_EQ(log.rfind("Rule 1: All external cells will be transposed by (1, 1) cells.\n", 0), 0u);
  }
  // An output named on the command line is kept just the same.
  fs::create_directory(path("out"));
  write("out/Mod.esp", "an earlier output");
  harness::Background run = startInBackground({"--output", "out/Mod.esp", "mod.esp"});
  ASSERT_TRUE(waitUntil([&] { return exists("out/Mod.esp.tmp"); }));
  run.signal(SIGINT);
  EXPECT_EQ(run.wait(), harness::kWindows ? harness::kWindowsInterrupted : 128 + SIGINT);
  EXPECT_EQ(read("out/Mod.esp"), "an earlier output");
  EXPECT_FALSE(exists("out/Mod.esp.tmp"));
  const std::string log = harness::withLf(readLog());
  const std::string last = "\nThe run was interrupted: out/Mod.esp was not written.\n";
  EXPECT_EQ(log.substr(log.size() - std::min(log.size(), last.size())), last);
}

// -r and -V only print: a read-only folder, where no lock file can be made,
// does not stop them.
TEST_F(Safety, ListingTheRulesWorksInAReadOnlyFolder) {
  if (harness::kWindows) GTEST_SKIP() << "mounts a read-only tmpfs";
  fs::create_directory(path("ro"));
  const std::string folder = harness::shellQuote(path("ro"));
  if (std::system(("mount -t tmpfs -o size=64k tmpfs " + folder + " 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
  harness::writeFile(path("ro/quendrel.cfg"), "TA, 1, 1\n");
  harness::writeFile(path("ro/mod.esp"), plugin());
  ASSERT_EQ(std::system(("mount -o remount,ro " + folder).c_str()), 0);
  harness::RunResult r = runIn(path("ro"), {"-r"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "Rule 1: All external cells will be transposed by (1, 1) cells.\n");
  EXPECT_EQ(r.err, "");  // no word about the run log it cannot write
  r = runIn(path("ro"), {"-l", "-V"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // A run that writes its output elsewhere still needs the folder: one line
  // naming it says so.
  r = runIn(path("ro"), {"--output", path("out.esp"), "mod.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "quendrel: cannot write in " + fs::canonical(path("ro")).string() +
                       " (the run log and the lock go there): Read-only file system\n");
  std::system(("umount " + folder).c_str());
}

// A run started with SIGHUP ignored (under nohup) keeps ignoring it.
TEST_F(Safety, AHangUpIgnoredByTheCallerStaysIgnored) {
#ifdef _WIN32
  GTEST_SKIP() << "POSIX signals";
#else
  write("quendrel.cfg", "TA, 1, 1\n");
  write("mod.esp", largePlugin());
  harness::Background run = startInBackground({"mod.esp"}, false, true);
  ASSERT_TRUE(waitUntil([&] { return exists("QNOUT.ESP.tmp"); }));
  run.signal(SIGHUP);
  EXPECT_EQ(run.wait(), 0);
  std::vector<Record> out;
  EXPECT_TRUE(readPlugin(read("QNOUT.ESP"), out));
  EXPECT_FALSE(out.empty());
#endif
}

}  // namespace
