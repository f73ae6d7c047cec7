// Moving a mod together with its patches: the rules and the output named on
// the command line, the output keeping the plugin's modification time, and
// the output's header brought up to date under --sync-header.
#include <filesystem>

#include "harness.h"
#include "map/entry/map_run.h"
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
  // --rules=FILE names the rules file as well.
  fs::remove(utf8(path(output)));
  EXPECT_EQ(run({"--rules=rules/move.cfg"}).status, 0);
  EXPECT_TRUE(fs::exists(utf8(path(output))));

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
  write("Mod.esm", std::string(555, 'o'));  // the original beside the plugin: the output's wins
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
  const std::string note = "The master Gone.esm is in neither Moved nor .: its size stays 77.\n";
  EXPECT_NE(r.log.find(note), std::string::npos) << r.log;
  EXPECT_EQ(r.err, note);

  // Without the option the header goes out as read.
  EXPECT_EQ(run({"--output", "Moved/Patch.esp", "Patch.esp"}).status, 0);
  EXPECT_EQ(read("Moved/Patch.esp").substr(0, out[0].data.size() + 16),
            patch.substr(0, out[0].data.size() + 16));
}

}  // namespace

namespace {

// The README's example: a mod and two patches moved together.
class MovingPatches : public Patches {
 protected:
  // The map's run, in-process: its status, and its standard error in `err`.
  static int map(std::vector<std::string> arguments, std::string* err = nullptr) {
    const harness::MapRun r = harness::runMap(std::move(arguments));
    if (err != nullptr) *err = r.err;
    return r.status;
  }
  static GridCell gridOf(const Record& cell) {
    return {i32At(cell.subrecords[1].data, 4), i32At(cell.subrecords[1].data, 8)};
  }
  std::vector<GridCell> exteriorGrids(const std::string& file) {
    std::vector<Record> records;
    EXPECT_TRUE(readPlugin(read(file), records));
    std::vector<GridCell> grids;
    for (const Record& r : records) {
      if (r.type == "CELL" && (i32At(r.subrecords[1].data, 0) & 1) == 0) grids.push_back(gridOf(r));
    }
    return grids;
  }
};

TEST_F(MovingPatches, ResolvedRulesMoveTheModsGridsInEveryPatch) {
  // The island is the region "Isle"; a marker in the other cell points at
  // (9, 9), where the mod has no cell, and the rules move that grid too.
  write("Mod.esm", headerWithMasters(0, {}) + exteriorCell("Shore", 0, 0, "Isle") +
                       exteriorCell("Cape", 1, 0, "Isle") +
                       exteriorCell("Far", 5, 5, "Other",
                                    sub("CNDT", i32(9) + i32(9)) + reference(1, "rock", 1, 1)) +
                       land(0, 0) + land(1, 0) + land(2, 0));
  write("move.cfg", "TR, Isle, 10, 0\nTC, 9, 9, 0, 1\n");
  // Patches place things in the island's cells, and one elsewhere in the
  // same region, which the mod's move leaves alone.
  const std::string patch = headerWithMasters(0, {{"Mod.esm", 1}}) +
                            exteriorCell("Shore", 0, 0, "Isle", reference(1, "tree", 100, 100)) +
                            exteriorCell("", 20, 20, "Isle");
  write("Mod - Patch.esp", patch);
  write("Other Patch.esp", headerWithMasters(0, {{"Mod.esm", 1}}) + exteriorCell("Cape", 1, 0));
  fs::create_directory(path("Moved"));

  ASSERT_EQ(map({"--rules", "move.cfg", "--write-rules", "moved.cfg", "Mod.esm"}), 0);
  EXPECT_EQ(read("moved.cfg").substr(read("moved.cfg").find("\nMC")),
            "\nMC, 0, 0, 10, 0\nMC, 1, 0, 11, 0\nMC, 9, 9, 9, 10\n");
  for (const std::vector<std::string>& command : std::vector<std::vector<std::string>>{
           {"--rules", "moved.cfg", "--output", "Moved/Mod.esm", "--sync-header", "Mod.esm"},
           {"--rules", "moved.cfg", "--output", "Moved/Mod - Patch.esp", "--sync-header",
            "Mod - Patch.esp"},
           {"--rules", "moved.cfg", "--output", "Moved/Other Patch.esp", "--sync-header",
            "Other Patch.esp"}}) {
    harness::RunResult r = run(command);
    ASSERT_EQ(r.status, 0) << r.err;
  }
  // The mod as its own rules move it, byte for byte.
  ASSERT_EQ(run({"--rules", "move.cfg", "--output", "direct.esm", "--sync-header", "Mod.esm"}).status,
            0);
  EXPECT_TRUE(read("Moved/Mod.esm") == read("direct.esm"));
  EXPECT_EQ(exteriorGrids("Moved/Mod - Patch.esp"), (std::vector<GridCell>{{10, 0}, {20, 20}}));
  EXPECT_EQ(exteriorGrids("Moved/Other Patch.esp"), (std::vector<GridCell>{{11, 0}}));
  // The patches name the moved mod's size.
  std::vector<Record> records;
  ASSERT_TRUE(readPlugin(read("Moved/Mod - Patch.esp"), records));
  EXPECT_EQ(u32At(records[0].subrecords[2].data, 0), read("Moved/Mod.esm").size());

  // Two cells of one grid in different regions under a region rule cannot be
  // written as rules by grid.
  write("Split.esp", header() + exteriorCell("", 3, 3, "Isle") + exteriorCell("", 3, 3, "Other"));
  std::string err;
  EXPECT_EQ(map({"--rules", "move.cfg", "--write-rules", "split.cfg", "Split.esp"}, &err), 1);
  EXPECT_NE(err.find("(3, 3)"), std::string::npos) << err;
  EXPECT_FALSE(exists("split.cfg"));

  // A marker that stays where land without a cell moves: no rule by grid
  // does both.
  write("Stay.esp", header() + exteriorCell("", 5, 5, "", sub("CNDT", i32(9) + i32(9)) +
                                                            reference(1, "rock", 1, 1)) +
                        land(9, 9));
  write("stay.cfg", "TR, , 0, 0\nTA, 0, 1\n");
  err.clear();
  EXPECT_EQ(map({"--rules", "stay.cfg", "--write-rules", "stay-out.cfg", "Stay.esp"}, &err), 1);
  EXPECT_NE(err.find("(9, 9)"), std::string::npos) << err;

  // A marker in a damaged cell, which quendrel passes on unchanged, moves nothing.
  std::string damaged = exteriorCell("Far", 5, 5, "Other", sub("CNDT", i32(9) + i32(9)) +
                                                               reference(1, "rock", 1, 1));
  damaged += std::string("ABCD\x04\0\0\0", 8);
  damaged.replace(4, 4, i32(static_cast<int32_t>(damaged.size() - 16)));
  write("Damaged.esp", header() + damaged);
  ASSERT_EQ(map({"--rules", "move.cfg", "--write-rules", "damaged.cfg", "Damaged.esp"}), 0);
  EXPECT_EQ(read("damaged.cfg").find("MC, 9, 9"), std::string::npos) << read("damaged.cfg");
}

}  // namespace
