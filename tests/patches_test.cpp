// Moving a mod together with its patches: the rules and the output named on
// the command line, the output keeping the plugin's modification time, and
// the output's header brought up to date under --sync-header.
#include <filesystem>

#include "harness.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

namespace fs = std::filesystem;

fs::path utf8(const std::string& path) { return fs::path(std::u8string(path.begin(), path.end())); }

class Patches : public harness::WorkDirTest {
 protected:
  static std::string plugin() {
    return header() + exteriorCell("Shore", 1, 1, "Coast", reference(1, "rock", 9000, 9000)) +
           land(1, 1);
  }
  // A header naming its masters, each with the size it was made against.
  static std::string headerWithMasters(int32_t records,
                                       const std::vector<std::pair<std::string, uint64_t>>& masters) {
    std::string data = header(0, records).substr(16);
    for (const auto& [name, size] : masters) {
      data += sub("MAST", zstr(name)) + sub("DATA", i32(static_cast<int32_t>(size)) + i32(0));
    }
    return record("TES3", data);
  }
};

TEST_F(Patches, RulesAndOutputNamedOnTheCommandLine) {
  fs::create_directories(path("rules"));
  fs::create_directories(utf8(path("Moved Mods")));
  const std::string output = "Moved Mods/Mod \xc3\xa9.esp";
  // With nothing else on the command line, the options come from the named
  // rules file; quendrel.cfg is not read.
  write("rules/move.cfg", "quendrel --output \"" + output + "\" mod.esp\nTA, 1, 0\n");
  write("quendrel.cfg", "DA\n");
  write("mod.esp", plugin());
  const auto time = fs::last_write_time(path("mod.esp")) - std::chrono::hours(24 * 400) +
                    std::chrono::microseconds(123457);
  fs::last_write_time(path("mod.esp"), time);

  harness::RunResult r = run({"--rules", "rules/move.cfg"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("creating \"" + output + "\""), std::string::npos) << r.out;
  EXPECT_NE(r.log.find("The new data has been written to " + output + "\n"), std::string::npos);
  EXPECT_FALSE(exists("QNOUT.ESP"));
  EXPECT_FALSE(fs::exists(utf8(path(output + ".tmp"))));
  std::vector<Record> out;
  ASSERT_TRUE(readPlugin(harness::readFile(utf8(path(output)).string()), out));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(i32At(out[1].subrecords[1].data, 4), 2);
  // The output keeps the plugin's modification time, to the system's precision.
  EXPECT_EQ(fs::last_write_time(utf8(path(output))), fs::last_write_time(path("mod.esp")));
  r = run({"mod.esp"});
  EXPECT_EQ(fs::last_write_time(path("QNOUT.ESP")), fs::last_write_time(path("mod.esp")));

  // The plugin is never the output, nor the output one of the run's own files.
  r = run({"--output", "./mod.esp", "mod.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Unable to open ./mod.esp for writing: it is the input plugin mod.esp and would "
                   "be replaced\n");
  for (const char* own : {"qnlog.txt", "quendrel.cfg"}) {
    r = run({"--output", own, "mod.esp"});
    EXPECT_EQ(r.status, 1) << own;
    EXPECT_EQ(r.err, std::string("Unable to write the new plugin to ") + own +
                         ": the run keeps its file " + own + " there\n");
  }
  r = run({"mod.esp", "--output"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.find("option '--output' requires an argument\n"), r.err.find(':') + 2) << r.err;
  r = run({"--help"});
  EXPECT_NE(r.out.find("\t--output FILE : Write the new plugin to FILE instead of QNOUT.ESP.\n"),
            std::string::npos);
}

TEST_F(Patches, SyncHeaderCountsTheRecordsAndGivesEachMasterItsSize) {
  fs::create_directories(path("Moved"));
  write("Moved/MOD.ESM", std::string(1234, 'm'));  // the moved master, under another case
  const std::string patch = headerWithMasters(3, {{"Mod.esm", 999}, {"Gone.esm", 77}}) +
                            exteriorCell("Shore", 1, 1) + land(1, 1) + exteriorCell("", 5, 5);
  write("Patch.esp", patch);
  write("quendrel.cfg", "CE, 1, 1, 2, 2\n");

  harness::RunResult r = run({"--sync-header", "--output", "Moved/Patch.esp", "Patch.esp"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::vector<Record> out;
  ASSERT_TRUE(readPlugin(read("Moved/Patch.esp"), out));
  ASSERT_EQ(out.size(), 6u);  // the header, the cell and its land twice, the other cell
  const std::vector<testing_plugin::Subrecord>& fields = out[0].subrecords;
  EXPECT_EQ(u32At(fields[0].data, 296), 5u);
  EXPECT_EQ(u32At(fields[2].data, 0), 1234u);
  EXPECT_EQ(u32At(fields[4].data, 0), 77u);
  EXPECT_NE(r.log.find("The master Gone.esm is in neither Moved nor .: its size stays 77.\n"),
            std::string::npos)
      << r.log;

  // Without the option the header goes out as read.
  EXPECT_EQ(run({"--output", "Moved/Patch.esp", "Patch.esp"}).status, 0);
  EXPECT_EQ(read("Moved/Patch.esp").substr(0, out[0].data.size() + 16),
            patch.substr(0, out[0].data.size() + 16));
}

}  // namespace
