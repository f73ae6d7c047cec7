// End-to-end runs of the program: options, the options line, the two
// passes, the output plugin and the closing reports.
#include "app/startup.h"
#include "harness.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

const char* const kZeroSummary =
    "\tTotal CELL records found:                     0\n"
    "\tTotal LAND records found:                     0\n"
    "\tTotal CELL/LAND records modified or copied:   0\n"
    "\tTotal objects modified/found:                 0/0\n"
    "\tTotal Script Commands modified/Scripts found: 0/0\n"
    "\tTotal Dialog entries  modified/found:         0/0\n"
    "\tTotal Path Grids      modified/found:         0/0\n"
    "\tTotal AI Packages     modified/found:         0/0\n"
    "\tTotal Travel Services modified/found:         0/0\n";

class Spine : public harness::WorkDirTest {
 protected:
  std::string smallPlugin() {
    return header() + exteriorCell("Shore", 1, 1, "Coast", reference(1, "rock", 9000, 9000)) +
           land(1, 1) + script("Greeter", "begin Greeter\r\nend\r\n");
  }
};

TEST_F(Spine, PluginWithoutRecordsGivesTheHeaderAndFifteenZeros) {
  write("quendrel.cfg", "");
  write("bare.esp", header());
  harness::RunResult r = run({"bare.esp"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read("QNOUT.ESP"), header());
  EXPECT_NE(r.out.find(kZeroSummary), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("recompile"), std::string::npos);
  EXPECT_EQ(r.out.find("investigate"), std::string::npos);
  // The summary goes to the log, the message file (seen by the editor) and the console.
  EXPECT_NE(r.log.find(kZeroSummary), std::string::npos);
  EXPECT_TRUE(r.editorRan);
  EXPECT_NE(r.editorSaw.find(kZeroSummary), std::string::npos);
  EXPECT_FALSE(exists("qnmsg.txt"));
  EXPECT_TRUE(exists("qnlog.txt"));
}

// The closing shows the message file to the editor the caller gives, whole,
// and removes it only once the editor is done: in-process, no shell runs.
TEST_F(Spine, InProcessRunShowsTheMessageFileToTheEditorItIsGiven) {
  struct FakeEditor : TextEditor {
    std::vector<std::string> shown;
    std::string saw;
    void show(const char* file) override {
      shown.push_back(file);
      saw = harness::withLf(harness::readFile(file));
    }
  } editor;
  write("quendrel.cfg", "");
  write("bare.esp", header());
  std::string words[] = {"quendrel", "bare.esp"};
  char* argv[] = {words[0].data(), words[1].data(), nullptr};
  testing::internal::CaptureStdout();
  const int status = runQuendrel(2, argv, editor);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(editor.shown, std::vector<std::string>{"qnmsg.txt"});
  EXPECT_NE(editor.saw.find(kZeroSummary), std::string::npos) << editor.saw;
  EXPECT_FALSE(exists("qnmsg.txt"));
}

TEST_F(Spine, ShowsOneProgressCharacterPerRecordAndCopiesUntouchedRecords) {
  write("quendrel.cfg", "; nothing applies\nTC, 50, 50, 1, 1\n");
  std::string plugin = smallPlugin();
  write("mod.esp", plugin);
  harness::RunResult r = run({"mod.esp"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find("\n\nStep 2/2")),
            "Step 1/2: Generating a list of cells that should be modifed from mod.esp ...\n-CLS");
  EXPECT_NE(r.out.find("\n\nStep 2/2: Processing data from \"mod.esp\" and creating "
                       "\"QNOUT.ESP\":\n.CLLS"),
            std::string::npos);
  EXPECT_EQ(read("QNOUT.ESP"), plugin);
  EXPECT_NE(r.out.find("\tTotal CELL records found:                     1\n"
                       "\tTotal LAND records found:                     1\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("Total Script Commands modified/Scripts found: 0/1"), std::string::npos);
}

TEST_F(Spine, CopiesOnlyKeepsTheHeaderAsPluginAndTheModifiedCellsAndLand) {
  write("quendrel.cfg", "TA, 1, 0\n");
  std::string plugin = header(1, 7) + exteriorCell("A", 0, 0) + land(0, 0) +
                       pathGrid("A", 0, 0) + script("S", "position 10, 10, 0, 0\n") +
                       record("STAT", sub("NAME", zstr("stone")));
  write("mod.esp", plugin);
  harness::RunResult r = run({"-n", "mod.esp"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<Record> out;
  ASSERT_TRUE(readPlugin(read("QNOUT.ESP"), out));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0].type, "TES3");
  EXPECT_EQ(read("QNOUT.ESP")[28], '\0');
  EXPECT_EQ(i32At(out[0].subrecords[0].data, 296), 7);  // the record count is never updated
  EXPECT_EQ(out[1].type, "CELL");
  EXPECT_EQ(i32At(out[1].subrecords[1].data, 4), 1);
  EXPECT_EQ(out[2].type, "LAND");
  EXPECT_EQ(i32At(out[2].subrecords[0].data, 0), 1);
}

TEST_F(Spine, ListCellsRunsOnePassAndLeavesAnOldOutputAlone) {
  write("quendrel.cfg", "");
  write("QNOUT.ESP", "from an earlier run");
  write("cell_log.txt", "old list\r\n");
  write("mod.esp", smallPlugin() + interiorCell("Cave"));
  harness::RunResult r = run({"-l", "mod.esp"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(read("QNOUT.ESP"), "from an earlier run");
  EXPECT_EQ(read("cell_log.txt"), "# (1,1)\t\"Shore\"\t\"Coast\"\r\n1, 1\r\n");
  EXPECT_EQ(r.out.find("Step 2/2"), std::string::npos);
  EXPECT_NE(r.out.find("-CLSC\n"
                       "Quendrel has finished. The list of cells has been written to "
                       "cell_log.txt.\n---------------------------------------------\n"
                       "Total CELL records found:                2\n"),
            std::string::npos)
      << r.out;
  EXPECT_TRUE(r.editorRan);
  EXPECT_EQ(r.editorSaw, "");
  // A second run keeps only its own list.
  r = run({"-l", "mod.esp"});
  EXPECT_EQ(read("cell_log.txt"), "# (1,1)\t\"Shore\"\t\"Coast\"\r\n1, 1\r\n");
}

TEST_F(Spine, FileEndingInsideARecordEndsTheRunAfterWritingWhatCameBefore) {
  write("quendrel.cfg", "");
  std::string whole = header() + exteriorCell("A", 0, 0);
  write("cut.esp", whole.substr(0, whole.size() - 5));
  harness::RunResult r = run({"cut.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("Unable to read entire marker record (", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(" bytes) from cut.esp into memory: "), std::string::npos);
  // The scan pass fails first, before any output is begun.
  EXPECT_FALSE(exists("QNOUT.ESP"));

  // A record claiming more data than the file holds is refused the same way.
  write("huge.esp", header() + record("STAT", "").substr(0, 4) + i32(-20) + i32(0) + i32(0));
  r = run({"huge.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Unable to read entire marker record (4294967292 bytes)"),
            std::string::npos)
      << r.err;
}

// A folder where a file of the run goes (it cannot be removed nor the file
// created, even by root) is named for what it is.
TEST_F(Spine, AFolderWhereAFileOfTheRunGoesIsReportedAndTheRunGoesOn) {
  write("quendrel.cfg", "TA, 1, 1\n");
  write("mod.esp", smallPlugin() + interiorCell("Cave"));
  const struct {
    const char* file;
    const char* option;
    const char* message;
    int status;
  } rows[] = {
      {"qnlog.txt", "-v", "Unable to open log file for appending log data (qnlog.txt): ", 0},
      {"qnmsg.txt", "-v", "Unable to open log file for appending log data (qnmsg.txt): ", 0},
      {"qncells.tmp", "-v", "Unable to open change list file for appending (qncells.tmp): ", 0},
      {"qnintcs.tmp", "-v",
       "Unable to open temp file for listing recording internal cell names: (qnintcs.tmp): ", 0},
      {"cell_log.txt", "-l",
       "Unable to open cell_log.txt for writing a list of the cells in your ESP file: ", 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.file);
    std::filesystem::create_directories(path(std::string(row.file) + "/keep"));
    harness::RunResult r = run({row.option, "mod.esp"});
    EXPECT_EQ(r.status, row.status);
    EXPECT_NE(r.err.find(std::string(row.message) + "Is a directory\n"), std::string::npos)
        << r.err;
    if (row.status == 0) {
      EXPECT_NE(r.out.find("Total CELL/LAND records modified or copied:   2"), std::string::npos);
    }
    std::filesystem::remove_all(path(row.file));
  }
}

TEST_F(Spine, OptionsLineSuppliesQuotedArgumentsWhenTheCommandLineHasNone) {
  write("My Mod.esp", smallPlugin());
  write("quendrel.cfg", "; first a comment\nTA, 0, 0\nQUENDREL -v -d \"My Mod.esp\"\nquendrel -x\n");
  harness::RunResult r = run({});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "No command line options specified: Searching for options in quendrel.cfg\n");
  EXPECT_EQ(r.log.rfind("The \"-d\" option has been specified: Scripts and Dialog Commands will "
                        "not be modified.\nRule 1: All external cells will be transposed by "
                        "(0, 0) cells.\n",
                        0),
            0u)
      << r.log;
  EXPECT_NE(r.log.find("New Record: "), std::string::npos);  // -v took effect
}

TEST_F(Spine, MissingOptionsLineOrRulesFileGivesUsageOrTheOpenMessage) {
  harness::RunResult r = run({});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "No command line options specified: Searching for options in quendrel.cfg\n"
            "Unable to open your Cell Transposition rules file (quendrel.cfg): No such file or "
            "directory\n");
  // Blanks behind the keyword are no argument: usage, not an attempt to open "".
  write("quendrel.cfg", "quendrel   \nquendrel\tmod.esp\n");
  r = run({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Usage: "), std::string::npos);
  EXPECT_NE(r.err.find(" [-r -v -l -n -d] original.esp\n\n\t-v : Verbose mode: Log file "
                       "(qnlog.txt) contains lots of output\n"),
            std::string::npos)
      << r.err;
}

// File names are UTF-8 on every system (on Windows through the program's
// manifest): accented letters, Cyrillic and CJK in a plugin's name all work.
TEST_F(Spine, PluginNamesInAnyScriptWork) {
  write("quendrel.cfg", "TA, 1, 1\n");
  for (const std::string name : {"Caf\u00e9 Mod.esp", "\u041c\u043e\u0434.esp", "\u65e5\u672c.esp"}) {
    write(name, smallPlugin());
    harness::RunResult r = run({name});
    EXPECT_EQ(r.status, 0) << name << r.err;
    EXPECT_NE(r.out.find("Processing data from \"" + name + "\""), std::string::npos) << r.out;
    std::vector<Record> out;
    EXPECT_TRUE(readPlugin(read("QNOUT.ESP"), out));
    EXPECT_EQ(out.size(), 4u) << name;
    std::remove(path("QNOUT.ESP").c_str());
  }
}

TEST_F(Spine, ThePluginPathMayStandAnywhereAndTheLastOneWins) {
  write("quendrel.cfg", "TA, 1, 1\n");
  write("mod.esp", smallPlugin());
  harness::RunResult before = run({"-v", "mod.esp", "-d"});
  ASSERT_EQ(before.status, 0) << before.err;
  std::string output = read("QNOUT.ESP");
  harness::RunResult after = run({"mod.esp", "-vd"});
  ASSERT_EQ(after.status, 0);
  EXPECT_EQ(read("QNOUT.ESP"), output);
  EXPECT_EQ(after.log, before.log);
  harness::RunResult two = run({"missing.esp", "-v", "mod.esp"});
  EXPECT_EQ(two.status, 0) << two.err;
  // Without permutation "-v" is the last argument, taken as the plugin path.
  harness::RunResult posix = run({"mod.esp", "-v"}, "POSIXLY_CORRECT=1");
  EXPECT_EQ(posix.status, 1);
  EXPECT_EQ(posix.err, "quendrel: only the last plugin named is read; not read: mod.esp\n"
                       "Unable to open -v for reading: No such file or directory\n");
}

TEST_F(Spine, UnknownLetterGivesGetoptsDiagnosticThenTheSecondUsage) {
  write("quendrel.cfg", "");
  write("cell_log.txt", "old");
  harness::RunResult r = run({"-l", "-x", "mod.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("invalid option -- 'x'\n"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find(" [-r -v -d -l -n] original.esp\n"), std::string::npos);
  EXPECT_FALSE(exists("cell_log.txt"));  // -l acted before the bad letter
}

TEST_F(Spine, VersionAndRulesOnlyEndTheRunEarly) {
  write("cell_log.txt", "old");
  harness::RunResult r = run({"-l", "-V", "-x"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Quendrel Version 0.97direr5: (Sep-2003 -> Mar-2009): ", 0), 0u);
  EXPECT_EQ(r.err, "");
  EXPECT_FALSE(exists("cell_log.txt"));
  EXPECT_EQ(run({"--version"}).out, r.out);
  // A plugin named cell_log.txt is never deleted; --help after -l deletes
  // the list as -V does.
  write("cell_log.txt", "a plugin");
  EXPECT_EQ(run({"-l", "-V", "cell_log.txt"}).status, 0);
  EXPECT_EQ(read("cell_log.txt"), "a plugin");
  EXPECT_EQ(run({"-l", "--help"}).status, 0);
  EXPECT_FALSE(exists("cell_log.txt"));

  // --help: the first usage text, on standard output; a mistyped long option
  // is named, and the same text follows on standard error.
  r = run({"--help", "mod.esp"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(" [-r -v -l -n -d] original.esp\n\n\t-v : Verbose mode"), std::string::npos);
  EXPECT_NE(r.out.find("\t--sync-header : "), std::string::npos);
  EXPECT_EQ(r.err, "");
  const std::string help = r.out;
  for (const auto& [word, line] : {std::pair<std::string, std::string>{"--ouput", "unrecognized option '--ouput'"},
                                   {"--sync-header=yes", "option '--sync-header' doesn't allow an argument"}}) {
    r = run({word, "x", "mod.esp"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.substr(r.err.find(": ") + 2), line + "\n" + help) << r.err;
  }

  write("quendrel.cfg", "DE, 1, 2\nCI, Cave, Cav\n");
  r = run({"-r"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Rule 1: Any cells found at (1, 2) will be deleted.\n"
            "Rule 1: If an interior cell called (Cave) is found, a copy of it called (Cav) will "
            "be created.\n");
  EXPECT_EQ(r.log, r.out);
  EXPECT_FALSE(r.editorRan);
}

// quendrel checks the rules as quendrel-map does, against the plugin's
// cells and the land the write pass reads, and says what it finds on
// standard error only: the run, its log and its status are as ever.
TEST_F(Spine, RuleWarningsGoToStandardErrorAndChangeNothingElse) {
  write("mod.esp", smallPlugin() + land(5, 5));
  write("quendrel.cfg", "DE, 5, 5\nta, 1, 1\n");
  harness::RunResult r = run({"mod.esp"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "quendrel.cfg:2: \"ta\" is no rule code: codes are written in capitals (TA); "
                   "the line is ignored\n");
  EXPECT_EQ(r.log.find("no rule code"), std::string::npos);
  // Listing the cells or the rules checks nothing.
  EXPECT_EQ(run({"-l", "mod.esp"}).err, "");
  EXPECT_EQ(run({"-r"}).err, "");
}

// The notepad fallback at a terminal (made by script(1)): the editor setting
// is a shell command with its own arguments, and the file one argument.
TEST_F(Spine, NotepadFallbackRunsTheEditorSettingAsAShellCommand) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has its own notepad; the fallback is not built there";
#else
  if (std::system("command -v script >/dev/null 2>&1") != 0) GTEST_SKIP() << "no script(1)";
  const std::string fallback = std::string(QUENDREL_SOURCE_DIR) + "/tools/libexec/notepad";
  auto atTerminal = [&](const std::string& editor) {
    std::string command = "cd " + harness::shellQuote(dir_) + " && VISUAL=" +
                          harness::shellQuote(editor) + " script -qec " +
                          harness::shellQuote(fallback + " 'my msg.txt'") + " /dev/null 2>&1";
    std::string text;
    if (std::FILE* p = popen(command.c_str(), "r")) {
      char chunk[256];
      while (std::size_t got = std::fread(chunk, 1, sizeof chunk, p)) text.append(chunk, got);
      EXPECT_EQ(pclose(p), 0);
    }
    return text;
  };
  EXPECT_EQ(atTerminal("printf [%s]"), "[my msg.txt]");
  EXPECT_EQ(atTerminal("no-such-editor --wait"),
            "notepad: cannot start the editor 'no-such-editor --wait'; the messages are on the "
            "console above\r\n");
#endif
}

TEST_F(Spine, NextGenerationPluginIsRefusedWithoutOutput) {
  write("quendrel.cfg", "TA, 1, 1\n");
  write("new.esp", "TES4 and more");
  harness::RunResult r = run({"new.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "Unable to read new.esp: it is a TES4 plugin, and Quendrel handles TES3 plugins only\n");
  EXPECT_FALSE(exists("QNOUT.ESP"));
  EXPECT_EQ(r.log,
            "Rule 1: All external cells will be transposed by (1, 1) cells.\n"
            "----------------------------------------------------------------------------------"
            "------\n\n" + r.err);
}

TEST_F(Spine, RefusesToWriteOverTheInputPlugin) {
  write("quendrel.cfg", "TA, 1, 1\n");
  std::string plugin = smallPlugin();
  write("QNOUT.ESP", plugin);
  // Symbolic links need privileges on Windows; a hard link is the same file too.
  if (harness::kWindows) {
    std::filesystem::create_hard_link(path("QNOUT.ESP"), path("link.esp"));
  } else {
    std::filesystem::create_symlink(path("QNOUT.ESP"), path("link.esp"));
  }
  for (const char* name : {"QNOUT.ESP", "link.esp"}) {
    harness::RunResult r = run({name});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Unable to open QNOUT.ESP for writing: it is the input plugin", 0), 0u)
        << r.err;
    EXPECT_EQ(read("QNOUT.ESP"), plugin);
  }
}

TEST_F(Spine, VerboseLogShowsEveryRecordAndHowItWasSaved) {
  write("quendrel.cfg", "");
  write("mod.esp", header());
  harness::RunResult r = run({"-v", "mod.esp"});
  ASSERT_EQ(r.status, 0);
  EXPECT_NE(r.log.find("New Record: TES3: (324 bytes) - ignoring record (not CELL, LAND, SCPT, "
                       "NPC_, PGRD or INFO)\n\t[Saving Original Record: 324 bytes]\n"),
            std::string::npos)
      << r.log;
}

TEST_F(Spine, ReportTextsAreNeverUsedAsFormats) {
  write("quendrel.cfg", "TA, 1, 0\n");
  write("mod.esp", header() + exteriorCell("100%s %n%d", 0, 0, "%s%s%s"));
  harness::RunResult r = run({"mod.esp"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.log.find(" \"100%s %n%d\"  \"%s%s%s\" "), std::string::npos) << r.log;
}

}  // namespace
