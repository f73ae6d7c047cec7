// A plugin following a mod's move (--follow MOD): the mod's fate at each of
// its grids applied to the plugin's cells and land there, and every pointer
// of the plugin into a grid the mod's cells leave rewritten, read back from
// the output with the pointer finder. Runs in-process.
#include <string>
#include <vector>

#include "harness.h"
#include "plugin_builder.h"
#include "world/pointers.h"

using namespace testing_plugin;

namespace {

// The mod: two cells of the region the rules move by (7, 12), one cell they
// delete and one they copy, land under three of them, and an interior cell.
const char* const kRules = "DE, 5, -2\nCE, 6, -2, 30, 30\nTR, ModRegion, 7, 12\n";
std::string mod() {
  return header(1) + exteriorCell("Ald", 3, -2, "ModRegion") + exteriorCell("", 4, -2, "ModRegion") +
         exteriorCell("Gone", 5, -2, "Other") + exteriorCell("Copy", 6, -2, "Other") +
         interiorCell("Mod Hall") + land(3, -2) + land(4, -2) + land(5, -2);
}

// World positions in the mod's grids: (3, -2) moves to (10, 10), (4, -2) to
// (11, 10), (5, -2) is deleted; (0, 1) is none of the mod's.
constexpr float kIn3 = 24676, kIn4 = 32868, kIn5 = 41060, kY = -16284;

std::string npc(const std::string& rest) { return record("NPC_", sub("NAME", zstr("guide")) + rest); }
std::string package(const char* type, float x, float y) {
  return sub(type, f32(x) + f32(y) + f32(0) + std::string(4, '\0'));
}

// A patch of the mod: its own cells and land on the mod's grids, without the
// mod's regions, and a pointer of each kind, most from cells the mod has not.
std::string patch() {
  return header({"mod.esm"}) +
         exteriorCell("Patch Town", 0, 0, "",
                      reference(1, "door", 100, 100, 0, doorDestination(kIn3, kY)) +
                          reference(2, "door", 200, 200, 0, doorDestination(100, 8292)) +
                          reference(3, "gate", 300, 300, 0, doorDestination(kIn5, kY)) +
                          sub("CNDT", i32(4) + i32(-2)) + reference(4, "crate", kIn4, kY)) +
         exteriorCell("Ald", 3, -2, "", reference(5, "tree", kIn3, kY)) +
         exteriorCell("Gone", 5, -2) + exteriorCell("Copy", 6, -2) +
         exteriorCell("Elsewhere", 7, 7, "ModRegion") +
         interiorCell("Patch Shop", reference(6, "door", 0, 0, 0, doorDestination(kIn4, kY))) +
         land(3, -2) + land(4, -2) + land(5, -2) + land(8, 8) + pathGrid("", 4, -2) +
         npc(doorDestination(kIn3, kY) + package("AI_T", kIn4, kY) + package("AI_T", 100, 8292)) +
         script("Mover",
                "begin Mover\r\nPosition 24676, -16284, 0, 0\r\n"
                "PositionCell 24676 -16284 0 0 \"Mod Hall\"\r\nend\r\n") +
         record("INFO", sub("INAM", zstr("1")) + sub("BNAM", "AITravel 32868 -16284 0"));
}

class FollowMod : public harness::WorkDirTest {
 protected:
  static harness::MapRun follow(std::vector<std::string> arguments) {
    return harness::runQuendrelQuietly(std::move(arguments));
  }

  // Each record of the output as its type, its grid (cells, land, path
  // grids) and its pointers: "CELL (10, 10): object (10, 10)".
  std::vector<std::string> described(const std::string& file) {
    std::vector<Record> records;
    EXPECT_TRUE(readPlugin(read(file), records));
    std::vector<std::string> lines;
    for (const Record& r : records) {
      std::string line = r.type;
      const bool exterior = r.type == "CELL" && (i32At(r.subrecords[1].data, 0) & 1) == 0;
      if (exterior || r.type == "LAND" || r.type == "PGRD") {
        const std::string& grid = r.subrecords[r.type == "CELL" ? 1 : 0].data;
        const std::size_t at = r.type == "CELL" ? 4 : 0;
        line += " (" + std::to_string(i32At(grid, at)) + ", " + std::to_string(i32At(grid, at + 4)) + ")";
      }
      line += ":";
      const auto* data = reinterpret_cast<const uint8_t*>(r.data.data());
      for (const FoundPointer& p :
           findPointers(reinterpret_cast<const uint8_t*>(r.type.data()), data, r.data.size())) {
        line += std::string(" ") + p.row->name + " (" + std::to_string(p.grid.x) + ", " +
                std::to_string(p.grid.y) + ")";
      }
      lines.push_back(line);
    }
    return lines;
  }
};

TEST_F(FollowMod, ThePatchTakesTheModsFateAtEachGridAndItsPointersFollow) {
  write("quendrel.cfg", kRules);
  write("mod.esm", mod());
  write("patch.esp", patch());
  const harness::MapRun r = follow({"--follow", "mod.esm", "patch.esp"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(described("QNOUT.ESP"),
            (std::vector<std::string>{
                "TES3:",
                // Doors into a moved grid follow it; into a deleted grid or
                // one the mod has not, they stay. The marker and its object
                // follow the mod's move of (4, -2).
                "CELL (0, 0): door (10, 10) object (0, 0) door (0, 1) object (0, 0) door (5, -2) "
                "object (0, 0) marker (11, 10) object (11, 10)",
                "CELL (10, 10): object (10, 10)",  // no region of the mod's, moved all the same
                "CELL (6, -2):", "CELL (30, 30):",  // copied; (5, -2) deleted
                "CELL (7, 7):",  // the region the rules move, but no grid of the mod
                "CELL: door (11, 10)",
                "LAND (10, 10):", "LAND (11, 10):", "LAND (8, 8):", "PGRD (11, 10):",
                "NPC_: travel (10, 10) package (11, 10) package (0, 1)",
                // The command naming the mod's interior cell stays.
                "SCPT: script (10, 10) script (3, -2)", "INFO: dialogue (11, 10)"}));
  // The objects moved by whole cells with their cell or marker.
  std::vector<Record> records;
  ASSERT_TRUE(readPlugin(read("QNOUT.ESP"), records));
  EXPECT_EQ(f32At(records[2].subrecords.back().data, 0), kIn3 + 7 * 8192);
  EXPECT_EQ(f32At(records[2].subrecords.back().data, 4), kY + 12 * 8192);
  EXPECT_EQ(f32At(records[1].subrecords.back().data, 0), kIn4 + 7 * 8192);  // behind the marker
  // The run log and the summary name the mod.
  const std::string log = readLog();
  EXPECT_NE(log.find("\nFollowing mod.esm: the rules above move 2, copy 1 and delete 1 of its "
                     "grids; patch.esp gets the same fate at each of them, as these rules by "
                     "grid:\nRule 1: "),
            std::string::npos)
      << log;
  EXPECT_NE(r.out.find("written to QNOUT.ESP\nIt follows the move of mod.esm: 2 grids moved, 1 "
                       "copied, 1 deleted.\n\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(read("mod.esm"), mod());

  // Following a mod the rules leave alone writes the plugin as read.
  write("quendrel.cfg", "TC, 50, 50, 1, 1\n");
  const harness::MapRun alone = follow({"--follow", "mod.esm", "patch.esp"});
  ASSERT_EQ(alone.status, 0) << alone.err;
  EXPECT_TRUE(read("QNOUT.ESP") == patch());
  EXPECT_NE(alone.err.find("no grid of mod.esm: patch.esp is written as read"), std::string::npos);
}

TEST_F(FollowMod, RefusesWhatCannotBeFollowedAndWritesNothing) {
  write("mod.esm", mod());
  write("patch.esp", patch());
  write("notes.txt", "Some notes\n");
  write("split.esm", header() + exteriorCell("", 3, 3, "ModRegion") + exteriorCell("", 3, 3, "Other"));
  const struct {
    std::vector<std::string> arguments;
    const char* error;
  } cases[] = {
      {{"--follow", "missing.esm", "patch.esp"}, "Unable to open missing.esm for reading: "},
      {{"--follow", "notes.txt", "patch.esp"},
       "Unable to read notes.txt: it is not a TES3 plugin (it begins with \"Some\", not \"TES3\")\n"},
      {{"--follow", "split.esm", "patch.esp"},
       "Unable to follow split.esm: the rules send the cells and land at (3, 3) different ways"},
      {{"-l", "--follow", "mod.esm", "patch.esp"}, "--follow cannot be used with -l"},
      {{"--follow", "mod.esm"}, "--follow mod.esm needs the plugin that is to follow it"},
      {{"--output", "mod.esm", "--follow", "mod.esm", "patch.esp"},
       "Unable to open mod.esm for writing: it is the input plugin mod.esm and would be replaced\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments[1]);
    write("quendrel.cfg", kRules);
    const harness::MapRun r = follow(c.arguments);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // one line
    EXPECT_FALSE(exists("QNOUT.ESP"));
    EXPECT_EQ(read("mod.esm"), mod());
  }
}

}  // namespace
