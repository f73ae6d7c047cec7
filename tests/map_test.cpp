// quendrel-map: its report, its exit status, the offset it suggests and its
// picture, run in-process on small made-up plugins.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <nlohmann/json.hpp>

#include "harness.h"
#include "map/model/cell_fates.h"
#include "map/model/plugin_cells.h"
#include "map/entry/map_run.h"
#include "map/checks/suggestion.h"
#include "plugin_builder.h"
#include "pointer_game.h"

using namespace testing_plugin;

namespace {

using harness::MapRun;

// The report after its first two lines (what it read, and the counts).
std::string afterSummary(const std::string& out) {
  return out.substr(out.find('\n', out.find('\n') + 1) + 1);
}

class MapTest : public harness::WorkDirTest {
 protected:
  static MapRun map(std::vector<std::string> arguments) { return harness::runMap(std::move(arguments)); }
  // A plugin with an unnamed exterior cell at each grid.
  void writeCells(const std::string& name, const std::vector<GridCell>& grids) {
    std::string plugin = header();
    for (GridCell g : grids) plugin += exteriorCell("", g.x, g.y);
    write(name, plugin);
  }
  // The made-up game of pointer_game.h in openmw.cfg's load order, and its
  // mod's rules in move.cfg.
  void writePointerGame() {
    std::string cfg = "data=\".\"\n";
    for (const auto& [name, bytes] : pointerGame()) {
      write(name, bytes);
      cfg += "content=" + name + "\n";
    }
    write("openmw.cfg", cfg);
    write("move.cfg", pointerGameRules());
  }
  std::string suggestion(const std::vector<GridCell>& mod, const std::vector<GridCell>& base,
                         std::vector<std::string> more = {}) {
    writeCells("mod.esp", mod);
    writeCells("Base.esm", base);
    more.insert(more.end(), {"--suggest", "--against", "Base.esm", "mod.esp"});
    MapRun r = map(more);
    return r.out.substr(r.out.rfind("TA"));
  }
};

TEST_F(MapTest, ReportsOverlapsOfMovedAndCopiedCellsOnly) {
  write("mod.esp", header() + exteriorCell("A", 0, 0, "West") + exteriorCell("B", 1, 0) +
                       exteriorCell("C", 3, 3) + interiorCell("Cave"));
  write("Base.esm", header(1) + exteriorCell("Hill", 2, 0) + exteriorCell("", 0, 0) +
                        exteriorCell("Far", 7, 7));
  const std::vector<std::string> args{"--against", "Base.esm", "mod.esp"};
  // A plugin shares its master's grids on purpose.
  MapRun r = map(args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "no rules file: every cell stays; checked against 1 plugin\n"
            "mod.esp: 3 exterior cells: 3 kept, 0 moved, 0 copied, 0 deleted\n");

  write("quendrel.cfg", "TC, 0, 0, 2, 0\n");
  r = map(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out,
            "rules file: quendrel.cfg; checked against 1 plugin\n"
            "mod.esp: 3 exterior cells: 2 kept, 1 moved, 0 copied, 0 deleted\n"
            "overlap (2, 0): mod.esp \"A\" (West) moved from (0, 0), cell only; "
            "Base.esm \"Hill\", cell only\n");

  // A move by nothing stays; a copy lands on a kept cell of the plugin.
  write("quendrel.cfg", "TC, 0, 0, 0, 0\nCE, 1, 0, 3, 3\n");
  r = map(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(afterSummary(r.out),
            "overlap (3, 3): mod.esp \"B\" copied from (1, 0), cell only; mod.esp \"C\", cell only\n");

  // Two cells moved onto one free grid; the overlaps run north to south.
  write("rules.txt", "MC, 3, 3, 5, 5\nMC, 1, 0, 5, 5\nTA, 0, 9\n");
  r = map({"--rules", "rules.txt", "--against", "Base.esm", "mod.esp"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(afterSummary(r.out),
            "overlap (5, 5): mod.esp \"B\" moved from (1, 0), cell only; "
            "mod.esp \"C\" moved from (3, 3), cell only\n");

  // Several overlaps run north to south.
  write("rules.txt", "TC, 0, 0, 2, 0\nMC, 3, 3, 7, 7\n");
  r = map({"--rules", "rules.txt", "--against", "Base.esm", "mod.esp"});
  EXPECT_EQ(afterSummary(r.out),
            "overlap (7, 7): mod.esp \"C\" moved from (3, 3), cell only; Base.esm \"Far\", cell only\n"
            "overlap (2, 0): mod.esp \"A\" (West) moved from (0, 0), cell only; Base.esm \"Hill\", "
            "cell only\n");

  write("quendrel.cfg", "DA\n");
  r = map(args);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "rules file: quendrel.cfg; checked against 1 plugin\n"
            "mod.esp: 3 exterior cells: 0 kept, 0 moved, 0 copied, 3 deleted\n");
  // A copy is counted as such, in the report and the picture's heading.
  write("quendrel.cfg", "CE, 3, 3, 9, 9\n");
  r = map(args);
  EXPECT_EQ(r.out,
            "rules file: quendrel.cfg; checked against 1 plugin\n"
            "mod.esp: 3 exterior cells: 2 kept, 0 moved, 1 copied, 0 deleted\n");
  EXPECT_NE(read("cell_map.svg").find("mod.esp: 2 kept, 0 moved, 1 copied, 0 deleted"),
            std::string::npos);
}

// North is up, and a plugin spread far north to south keeps the picture's size.
TEST_F(MapTest, PictureHasNorthUpAndABoundedSizeForAPluginSpreadNorthToSouth) {
  // A file name is UTF-8 already, unlike the names inside a plugin.
  const std::string name = "\xc3\x8ele.esp";
  writeCells(name, {{0, 0}, {0, 5}, {0, 20000}});
  EXPECT_EQ(map({name}).status, 0);
  const std::string svg = read("cell_map.svg");
  EXPECT_NE(svg.find("plugin: " + name), std::string::npos);
  // The top of the square titled with a grid, e.g. y="386.25" for (0, 5).
  auto topOf = [&](const std::string& grid) {
    const std::size_t title = svg.find("><title>" + grid);
    const std::size_t y = svg.rfind(" y=\"", title);
    return title == std::string::npos || y == std::string::npos ? -1.0 : std::stod(svg.substr(y + 4));
  };
  EXPECT_GE(topOf("(0, 0)"), 0);
  EXPECT_LT(topOf("(0, 5)"), topOf("(0, 0)"));
  std::smatch size;
  ASSERT_TRUE(std::regex_search(svg, size, std::regex("<svg [^>]* width=\"(\\d+)\" height=\"(\\d+)\"")));
  EXPECT_LE(std::stoi(size[2]), 1200);
}

// Land occupies its grid as a cell does: a plugin's land goes with its cell,
// and land without a cell goes where whole-plugin and grid rules put it.
TEST_F(MapTest, LandGoesWithItsCellAndLandWithoutACellIsListed) {
  write("mod.esp", header() + exteriorCell("A", 0, 0, "West") + exteriorCell("B", 1, 0) +
                       land(0, 0) + land(5, 5) + land(6, 6) + land(20, 20));
  write("Base.esm", header(1) + exteriorCell("Hill", 2, 0) + exteriorCell("Cove", 4, 0) +
                        land(2, 0) + land(3, 0));
  write("quendrel.cfg", "TR, West, 2, 0\nTC, 1, 0, 2, 0\nMC, 5, 5, 4, 0\n");
  MapRun r = map({"--against", "Base.esm", "mod.esp"});
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_EQ(r.out,
            "rules file: quendrel.cfg; checked against 1 plugin\n"
            "mod.esp: 2 exterior cells: 0 kept, 2 moved, 0 copied, 0 deleted\n"
            "overlap (2, 0): mod.esp \"A\" (West) moved from (0, 0), land; Base.esm \"Hill\", land\n"
            "overlap (3, 0): mod.esp \"B\" moved from (1, 0), cell only; Base.esm land without a cell\n"
            "overlap (4, 0): mod.esp land without a cell moved from (5, 5); Base.esm \"Cove\", cell only\n"
            "land without a cell at (5, 5), moved to (4, 0)\n"
            "land without a cell at (6, 6)\n"
            "land without a cell at (20, 20)\n"
            "lone cell (20, 20)\n");

  // A copy onto its own grid stands beside its original, land and all. A
  // region rule leaves land without a cell where it is, even one for cells
  // without a region (B); a whole-plugin rule does not.
  write("quendrel.cfg", "CE, 0, 0, 0, 0\nTR, , 0, 1\nCA, 0, 30\n");
  r = map({"mod.esp"});
  EXPECT_EQ(r.out,
            "rules file: quendrel.cfg; checked against 0 plugins\n"
            "mod.esp: 2 exterior cells: 0 kept, 1 moved, 1 copied, 0 deleted\n"
            "overlap (0, 0): mod.esp \"A\" (West), land; mod.esp \"A\" (West) copied from (0, 0), land\n"
            "land without a cell at (5, 5), copied to (5, 35)\n"
            "land without a cell at (6, 6), copied to (6, 36)\n"
            "land without a cell at (20, 20), copied to (20, 50)\n"
            "lone cell (20, 20)\n");

  // A checked plugin's LAND whose grid subrecord claims more bytes than the
  // record holds is no land.
  write("Base.esm", header(1) + record("LAND", "INTV" + i32(100) + i32(3) + i32(0)));
  write("quendrel.cfg", "TC, 1, 0, 2, 0\n");
  r = map({"--against", "Base.esm", "mod.esp"});
  EXPECT_EQ(r.out.find("(3, 0)"), std::string::npos) << r.out;

  // A neighbour two rows away is near enough: only the far cell is lone.
  writeCells("spread.esp", {{0, 0}, {1, 0}, {0, 1}, {20, 20}, {20, 22}, {40, 40}});
  write("quendrel.cfg", "");
  r = map({"spread.esp"});
  EXPECT_EQ(r.out.substr(r.out.find("lone")), "lone cell (40, 40)\n") << r.out;
}

// A made-up game: Data Files beside Morrowind.ini, and openmw.cfg reading the
// same folder with a later one that overrides a plugin. Every checked plugin
// stands on (9, 9) in its own way, so the overlap line there shows the load
// order; the plugin moves a cell onto it.
class LoadOrderTest : public MapTest {
 protected:
  void SetUp() override {
    MapTest::SetUp();
    std::filesystem::create_directories(path("Game/Data Files"));
    std::filesystem::create_directories(path("omw/A&B"));
    write("mod.esp", header() + exteriorCell("\xCEle", 0, 0, "Bay") + land(0, 0) +
                         exteriorCell("Far", 50, 50) + land(50, 50));
    write("quendrel.cfg", "TC, 0, 0, 9, 9\n");
    // Base.esm a master by its name, Patch.ESP by its header; modification
    // times order them otherwise than the GameFile numbers do.
    data("Base.esm", header(1) + exteriorCell("Hub", 9, 9) + land(9, 9) + interiorCell("Cave"), 4);
    data("Patch.ESP", header(1) + exteriorCell("", 9, 9), 3);
    data("Late.esp", header() + land(9, 9) + interiorCell("cave") + interiorCell("Hall"), 1);
    data("Other.esp", header() + exteriorCell("Old", 9, 9), 2);
    data("Broken.esp", header() + exteriorCell("", 9, 9) + "CELL\x40\0\0\0", 5);
    data("mod.esp", header() + exteriorCell("Stale copy", 9, 9), 6);
    data("Bare.esp", record("TES3", ""), 0);
    write("omw/A&B/other.esp", header() + exteriorCell("Override", 9, 9) + land(9, 9));
    write("Game/Morrowind.ini",
          "[General]\r\nGameFile9=Nothing.esp\r\n[Game Files]\r\nGameFile0=Late.esp\r\n"
          "GameFile1=\"Other.esp\"\r\n GameFile2 = Base.esm \r\nGameFile3=patch.esp\r\n"
          "GameFile3=Shadowed.esp\r\nGameFile4=Gone.esp\r\nGameFile5=MOD.esp\r\n"
          "GameFile6=Broken.esp\r\nGameFile7=Bare.esp\r\n[Archives]\r\nArchive 0=Tribunal.bsa\r\n");
    write("omw/openmw.cfg",
          "# the open-source engine\r\ndata=\"../Game/Data Files\"\r\ndata=\"A&&B\"\r\n"
          "content=late.ESP\r\ncontent=Base.esm\r\ncontent=Other.esp\r\ncontent=Patch.ESP\r\n"
          "content=Gone.esp\r\ncontent=scripts.omwscripts\r\ncontent=mod.esp\r\n"
          "content=Broken.esp\r\n");
  }
  // A plugin in Data Files, `age` hours old.
  void data(const std::string& name, const std::string& bytes, int age) {
    write("Game/Data Files/" + name, bytes);
    std::filesystem::last_write_time(path("Game/Data Files/" + name),
                                     std::filesystem::file_time_type::clock::now() -
                                         std::chrono::hours(age));
  }
};

TEST_F(LoadOrderTest, ChecksEveryPluginInLoadOrderInBothFormats) {
  const std::string head = "mod.esp: 2 exterior cells: 1 kept, 1 moved, 0 copied, 0 deleted\n";
  MapRun r = map({"--load-order", "Game/Morrowind.ini", "mod.esp"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "rules file: quendrel.cfg; checked against 5 plugins\n" + head +
                       "overlap (9, 9): mod.esp \"\xCEle\" (Bay) moved from (0, 0), land; "
                       "Base.esm \"Hub\", land; Patch.ESP \"\", cell only; Other.esp \"Old\", cell "
                       "only; Late.esp land without a cell\n");
  const std::string broken = (std::filesystem::path("Game") / "Data Files" / "Broken.esp").string();
  const std::size_t brokenAt = header().size() + exteriorCell("", 9, 9).size();
  EXPECT_EQ(r.err, "quendrel-map: Gone.esp: not found in the load order's data folders\n"
                   "quendrel-map: " + broken + " ends inside the record at byte " +
                       std::to_string(brokenAt) + "; left out of the check\n");

  r = map({"--load-order", "omw/openmw.cfg", "--write-interiors", "interiors.dat", "mod.esp"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "rules file: quendrel.cfg; checked against 4 plugins\n" + head +
                       "overlap (9, 9): mod.esp \"\xCEle\" (Bay) moved from (0, 0), land; "
                       "Late.esp land without a cell; Base.esm \"Hub\", land; other.esp "
                       "\"Override\", land; Patch.ESP \"\", cell only\n");
  EXPECT_EQ(read("interiors.dat"), "cave\nHall\n");

  // Nothing moved: the plugin shares its masters' grids on purpose.
  write("quendrel.cfg", "");
  EXPECT_EQ(map({"--load-order", "omw/openmw.cfg", "mod.esp"}).status, 0);
}

// How a load order is put together: a plugin whose header marks it a master
// goes before older plain plugins, plugins of one date go by name whatever
// the letter case, a name finds its own file before one that differs in
// case, and openmw.cfg's data-local folder overrides every data= folder.
TEST_F(LoadOrderTest, OrdersAndFindsPluginsAsTheEnginesDo) {
  data("Ancient.esp", header() + exteriorCell("Ancient", 9, 9), 10);
  // A Windows folder cannot hold two names that differ in case alone.
  if (!harness::kWindows) data("Twin.esp", header() + exteriorCell("Upper", 9, 9), 10);
  data("twin.esp", header() + exteriorCell("Lower", 9, 9), 10);
  const auto same = std::filesystem::file_time_type::clock::now() - std::chrono::hours(20);
  for (const char* name : {"B.esp", "a.esp"}) {
    data(name, header() + exteriorCell(name, 9, 9), 0);
    std::filesystem::last_write_time(path("Game/Data Files/" + std::string(name)), same);
  }
  std::filesystem::create_directories(path("omw/Local"));
  write("omw/Local/Other.esp", header() + exteriorCell("Local", 9, 9));
  write("Game/Order.ini", "[Game Files]\r\nGameFile0=Ancient.esp\r\nGameFile1=Patch.ESP\r\n"
                          "GameFile2=B.esp\r\nGameFile3=a.esp\r\nGameFile4=twin.esp\r\n");
  write("omw/local.cfg", "data-local=Local\r\ndata=\"../Game/Data Files\"\r\ndata=\"A&&B\"\r\n"
                         "content=Other.esp\r\n");
  const std::string moved = "overlap (9, 9): mod.esp \"\xCEle\" (Bay) moved from (0, 0), land; ";
  struct Case {
    const char* loadOrder;
    std::string overlap;
  };
  for (const Case& c : {
           Case{"Game/Order.ini", moved + "Patch.ESP \"\", cell only; a.esp \"a.esp\", cell only; "
                                         "B.esp \"B.esp\", cell only; Ancient.esp \"Ancient\", "
                                         "cell only; twin.esp \"Lower\", cell only\n"},
           Case{"omw/local.cfg", moved + "Other.esp \"Local\", cell only\n"},
       }) {
    MapRun r = map({"--load-order", c.loadOrder, "mod.esp"});
    EXPECT_EQ(afterSummary(r.out), c.overlap) << c.loadOrder << "\n" << r.err;
  }
}

TEST_F(LoadOrderTest, JsonReportParses) {
  MapRun r = map({"--json", "--suggest", "--load-order", "Game/Morrowind.ini", "mod.esp"});
  EXPECT_EQ(r.status, 2);
  const nlohmann::json expected = nlohmann::json::parse(R"({
    "plugin": "mod.esp",
    "rules_file": "quendrel.cfg",
    "counts": {"kept": 1, "moved": 1, "copied": 0, "deleted": 0},
    "checked": ["Base.esm", "Patch.ESP", "Other.esp", "Late.esp", "Bare.esp"],
    "missing": ["Gone.esp"],
    "damaged": ["Broken.esp"],
    "overlaps": [{"x": 9, "y": 9, "plugins": [
      {"plugin": "mod.esp", "name": "Île", "region": "Bay", "from": [0, 0], "copy": false,
       "land": true},
      {"plugin": "Base.esm", "name": "Hub", "region": "", "from": null, "copy": false,
       "land": true},
      {"plugin": "Patch.ESP", "name": "", "region": "", "from": null, "copy": false,
       "land": false},
      {"plugin": "Other.esp", "name": "Old", "region": "", "from": null, "copy": false,
       "land": false},
      {"plugin": "Late.esp", "name": null, "region": null, "from": null, "copy": false,
       "land": true}]}],
    "clashes": [],
    "patches": [],
    "pointers": [],
    "land_without_cell": [],
    "lone": [],
    "suggestion": {"dx": 0, "dy": 0},
    "rule_warnings": []})");
  EXPECT_EQ(nlohmann::json::parse(r.out), expected) << r.out;

  // Warnings about the rules file go to standard error, and into the document.
  write("quendrel.cfg", "ta, 1, 1\n");
  r = map({"--json", "mod.esp"});
  EXPECT_EQ(r.err, "quendrel.cfg:1: \"ta\" is no rule code: codes are written in capitals (TA); "
                   "the line is ignored\n");
  EXPECT_EQ(nlohmann::json::parse(r.out)["rule_warnings"],
            nlohmann::json::parse(R"([{"line": 1, "text": "\"ta\" is no rule code: codes are )"
                                  R"(written in capitals (TA); the line is ignored"}])"));
  // The text report's summary line counts them.
  EXPECT_NE(map({"mod.esp"}).out.find(" deleted; 1 warning about the rules file\n"),
            std::string::npos);
  write("quendrel.cfg", "ta, 1, 1\nMV, 1, 1\n");
  EXPECT_NE(map({"mod.esp"}).out.find(" deleted; 2 warnings about the rules file\n"),
            std::string::npos);
}

// An environment variable set for one test, and put back as it was.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    const char* old = std::getenv(name);
    old_ = old != nullptr ? old : "";
    set(value);
  }
  ~ScopedVariable() { set(old_); }
  void set(const std::string& value) {  // empty: unset
#ifdef _WIN32
    _putenv_s(name_, value.c_str());
#else
    if (value.empty()) {
      unsetenv(name_);
    } else {
      setenv(name_, value.c_str(), 1);
    }
#endif
  }

 private:
  const char* name_;
  std::string old_;
};

// A player's chain of openmw.cfg files: game/openmw.cfg names game/one,
// whose file names game/two, whose file names the first again. Each row
// changes a file or two and lists the plugins checked, in load order, the
// ones missing, and what standard error says.
TEST_F(MapTest, ReadsAChainOfOpenmwCfgFilesAsTheEngineDoes) {
  const auto native = [](std::initializer_list<const char*> parts) {
    std::filesystem::path joined;
    for (const char* part : parts) joined /= part;
    return joined.string();
  };
  for (const char* folder :
       {"game/one", "game/two", "base", "mods/B&C", "mods/c", "xdg/openmw/more"}) {
    std::filesystem::create_directories(path(folder));
  }
  for (const char* plugin : {"base/A.esm", "base/Grass.esp", "game/Root.esp", "mods/B&C/B.esp",
                             "mods/c/C.esp", "xdg/openmw/more/D.esp"}) {
    write(plugin, header());
  }
  writeCells("mod.esp", {{0, 0}});
  const std::string root =
      "\xEF\xBB\xBF" "config=one\r\ndata=\"../base\"\r\ndata=\r\ncontent=A.esm\r\n"
      "groundcover=Grass.esp\r\ncontent=Root.esp\r\n";
  const std::string one = "data=\"../../mods/B&&C\"\nconfig=../two\ncontent=B.esp\n";
  const std::string two = "content=C.esp\ndata=../../mods/c\nconfig=..\n";
  const std::string again = "quendrel-map: " + native({"game", "openmw.cfg"}) +
                            ": named again by config= in " + native({"game", "two", "openmw.cfg"}) +
                            "; read once\n";
  const std::string notFound = ": not found in the load order's data folders\n";
  ScopedVariable userData("XDG_DATA_HOME", path("xdg"));
  ScopedVariable configDir("OPENMW_CONFIG_DIR", "");
  struct Row {
    const char* what;
    std::string root, two, where;
    std::vector<std::string> checked, missing;
    std::string err;
  };
  const std::vector<Row> rows{
      {"each file after the one that names it; a folder's openmw.cfg", root, two, "game",
       {"A.esm", "Root.esp", "B.esp", "C.esp"}, {},
       "quendrel-map: the load order of " + native({"game", "openmw.cfg"}) + "\n" + again},
      {"replace=content", root, "replace=content\n" + two, "game/openmw.cfg", {"C.esp"}, {}, again},
      {"replace=data", root, two + "replace=data\n", "game/openmw.cfg", {"C.esp"},
       {"A.esm", "Root.esp", "B.esp"},
       again + "quendrel-map: A.esm" + notFound + "quendrel-map: Root.esp" + notFound +
           "quendrel-map: B.esp" + notFound},
      {"the player's own from $OPENMW_CONFIG_DIR", root, two, "auto",
       {"B.esp", "C.esp", "A.esm", "Root.esp"}, {},
       "quendrel-map: the load order of " + native({"game", "one", "openmw.cfg"}) + "\n" +
           "quendrel-map: " + native({"game", "one", "openmw.cfg"}) +
           ": named again by config= in " + native({"game", "openmw.cfg"}) + "; read once\n"},
      {"the engine's folders",
       root + "data=?userdata?more\r\ncontent=D.esp\r\ndata=\"?local?data\"\r\n",
       two, "game/openmw.cfg", {"A.esm", "Root.esp", "D.esp", "B.esp", "C.esp"}, {},
       "quendrel-map: game/openmw.cfg: data=\"?local?data\" left out: the folder of the engine's "
       "program is not known here\n" + again},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // On Windows ?userdata? is in the Documents folder.
    if (harness::kWindows && row.root != root) continue;
    write("game/openmw.cfg", row.root);
    write("game/one/openmw.cfg", one);
    write("game/two/openmw.cfg", row.two);
    configDir.set(row.where == "auto" ? native({"game", "one"}) : "");
    MapRun r = map({"--json", "--load-order", row.where, "mod.esp"});
    EXPECT_EQ(r.status, 0) << r.err;
    const nlohmann::json report = nlohmann::json::parse(r.out, nullptr, false);
    EXPECT_EQ(report["checked"], nlohmann::json(row.checked)) << r.out;
    EXPECT_EQ(report["missing"], nlohmann::json(row.missing));
    EXPECT_EQ(r.err, row.err);
  }
  // A file of the chain is read, never written over, found through a folder too.
  MapRun r = map({"--load-order", "game", "--html", "game/two/openmw.cfg", "mod.esp"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(read("game/two/openmw.cfg"), two);
}

// quendrel passes a damaged cell on unchanged, and a cell with an interior
// marker is an interior cell whatever its flags say.
TEST_F(MapTest, PredictsADamagedCellKeptAndSkipsCellsWithInteriorMarkers) {
  std::string damaged = exteriorCell("D", 2, 2, "Hills", reference(1, "a", 1, 1));
  damaged[damaged.size() - 28] = 100;  // the reference's DATA runs past the record
  std::string marked = record("CELL", sub("NAME", zstr("M")) + cellData(0, 5, 5) +
                                          sub("RGNN", zstr("R")) + sub("WHGT", f32(0)));
  write("mod.esp", header() + exteriorCell("A", 0, 0) + damaged + marked + land(2, 2));
  write("quendrel.cfg", "TR, Hills, 0, 5\nTA, 1, 0\n");
  const PluginCells cells = readPluginToMove("mod.esp");
  const RuleTable rules = *readRulesFile("quendrel.cfg");
  EXPECT_EQ(gridsAfterRules(predictFates(rules, cells)), (std::vector<GridCell>{{1, 0}, {2, 2}}));
  // quendrel reads no region from a damaged cell: its land is asked about
  // with none.
  EXPECT_EQ(predictLandFates(rules, cells)[0].to, (GridCell{3, 2}));
  // A checked plugin's cell whose header does not fit the bytes read first.
  write("long.esp", header() + record("CELL", "") + record("LAND", "") +
                        exteriorCell(std::string(3000, 'n'), 4, 4, "R") +
                        interiorCell(std::string(2000, 'i')));
  const PluginCells checked = *readCheckedPlugin("long.esp", true);
  ASSERT_EQ(checked.cells.size(), 1u);
  EXPECT_EQ(checked.cells[0].grid, (GridCell{4, 4}));
  EXPECT_EQ(checked.cells[0].region, "R");
  EXPECT_EQ(checked.interiors.size(), 1u);
}

// The masters a plugin's header names, in order, by both readers; a checked
// plugin read a second time (a cell header past the first bytes) lists them
// once.
TEST_F(MapTest, ReadsTheMastersThePluginHeaderNames) {
  std::string data = header().substr(16);
  for (const char* name : {"Morrowind.esm", "Tribunal.esm", "Base.esm"}) {
    data += sub("MAST", zstr(name)) + sub("DATA", i32(1) + i32(0));
  }
  const std::vector<std::string> masters{"Morrowind.esm", "Tribunal.esm", "Base.esm"};
  write("mod.esp", record("TES3", data) + exteriorCell("A", 0, 0) + land(0, 0));
  write("long.esp", record("TES3", data) + exteriorCell(std::string(3000, 'n'), 4, 4));
  write("none.esp", header() + exteriorCell("A", 0, 0));
  EXPECT_EQ(readPluginToMove("mod.esp").masters, masters);
  EXPECT_EQ(readCheckedPlugin("mod.esp", true)->masters, masters);
  EXPECT_EQ(readCheckedPlugin("long.esp", true)->masters, masters);
  EXPECT_TRUE(readCheckedPlugin("none.esp", true)->masters.empty());
}

// Land clashes, of the whole load order (no PLUGIN) and of PLUGIN where the
// rules put its land, and PLUGIN's patches. Flat land `level` × 8 game units
// high, so that two levels 64 apart differ by 512.
TEST_F(MapTest, ReportsLandClashesAndPatches) {
  auto flat = [](int x, int y, int level) {
    return land(x, y, sub("VHGT", f32(static_cast<float>(level)) + std::string(4228, '\0')));
  };
  write("Land.esm", header(1) + exteriorCell("Coast", 3, 4, "Bay") + flat(3, 4, 0) + flat(5, 5, 0));
  write("Other.esp", header() + flat(3, 4, 64));
  write("Edit.esp", header({"land.ESM"}) + flat(5, 5, 10));  // its master's land, edited
  write("Same.esp", header() + flat(5, 5, 0));                // the master's land, saved again
  write("Cells.esp", header() + exteriorCell("Shore", 3, 4));  // a cell only
  // Land as the editor lays it out, its heights read alone: the same
  // heights, and colours that differ or not.
  auto painted = [](int x, int y, char colour) {
    return land(x, y, sub("VHGT", f32(0) + std::string(4228, '\0')) + sub("WNAM", std::string(81, '\0')) +
                          sub("VCLR", std::string(30, colour)));
  };
  write("Hills.esm", header() + painted(7, 7, 'a'));
  write("Paint.esp", header() + painted(7, 7, 'b'));
  write("Copy.esp", header() + painted(7, 7, 'a'));
  write("mod.esp", header() + flat(0, 0, 1));
  write("quendrel.cfg", "MC, 0, 0, 3, 4\n");
  const std::string clash =
      "clash (3, 4): Land.esm \"Coast\" (Bay), land; Other.esp land without a cell; Other.esp "
      "shown, heights differ by up to 512\n";
  const std::string none = "0 clashes between 0 plugins\n";
  struct Row {
    std::vector<std::string> plugins;  // the load order, or --against then PLUGIN
    bool wholeGame;
    std::string out;
  };
  const std::string patch =
      "patch: Edit.esp (to move it with Land.esm: quendrel --follow Land.esm --sync-header "
      "Edit.esp)\n";
  for (const Row& row : {
           Row{{"Land.esm", "Other.esp"}, true, clash + "1 clash between 2 plugins\n"},
           Row{{"Land.esm", "Edit.esp"}, true, none},
           Row{{"Land.esm", "Same.esp"}, true, none},
           Row{{"Land.esm", "Cells.esp"}, true, none},
           Row{{"Hills.esm", "Paint.esp"}, true,
               "clash (7, 7): Hills.esm land without a cell; Paint.esp land without a cell; "
               "Paint.esp shown, heights differ by up to 0\n1 clash between 2 plugins\n"},
           Row{{"Hills.esm", "Copy.esp"}, true, none},
           Row{{"Land.esm", "Other.esp", "mod.esp"}, false,
               "rules file: quendrel.cfg; checked against 2 plugins\n"
               "mod.esp: 0 exterior cells: 0 kept, 0 moved, 0 copied, 0 deleted\n"
               "overlap (3, 4): mod.esp land without a cell moved from (0, 0); Land.esm \"Coast\" "
               "(Bay), land; Other.esp land without a cell\n"
               "clash (3, 4): Land.esm \"Coast\" (Bay), land; Other.esp land without a cell; "
               "mod.esp land without a cell moved from (0, 0); mod.esp shown, heights differ by up "
               "to 512\n"
               "(--suggest gives a move of the whole plugin clear of every checked plugin's grids)\n"
               "land without a cell at (0, 0), moved to (3, 4)\n"},
           Row{{"Edit.esp", "Land.esm"}, false,
               "rules file: quendrel.cfg; checked against 1 plugin\n"
               "Land.esm: 1 exterior cells: 1 kept, 0 moved, 0 copied, 0 deleted; 1 warning about "
               "the rules file\n" + patch + "land without a cell at (5, 5)\n"},
       }) {
    std::vector<std::string> arguments;
    if (row.wholeGame) {
      std::string cfg = "data=\".\"\n";
      for (const std::string& plugin : row.plugins) cfg += "content=" + plugin + "\n";
      write("openmw.cfg", cfg);
      arguments = {"--load-order", "openmw.cfg"};
    } else {
      for (std::size_t i = 0; i + 1 < row.plugins.size(); ++i) {
        arguments.insert(arguments.end(), {"--against", row.plugins[i]});
      }
      arguments.push_back(row.plugins.back());
    }
    const MapRun r = map(arguments);
    EXPECT_EQ(r.out, row.out) << row.plugins[1];
    EXPECT_EQ(r.status, row.out.find("clash (") != std::string::npos ? 2 : 0) << row.plugins[1];
  }

  write("openmw.cfg", "data=\".\"\ncontent=Land.esm\ncontent=Other.esp\n");
  const nlohmann::json report =
      nlohmann::json::parse(map({"--load-order", "openmw.cfg", "--json"}).out);
  EXPECT_EQ(report["clashes"],
            nlohmann::json::parse(R"([{"x": 3, "y": 4, "plugins": ["Land.esm", "Other.esp"],
                                       "shown": "Other.esp", "height_difference": 512}])"));
  // The picture and the page of the whole load order: its clashes marked,
  // and nothing of a plugin, its rules or overlaps in the legend.
  EXPECT_EQ(map({"--load-order", "openmw.cfg", "--html", "game.html"}).status, 2);
  const std::string svg = read("cell_map.svg");
  EXPECT_NE(svg.find(">land clash<"), std::string::npos);
  for (const char* absent : {" now<", "after the rules", ">moved; dashed: copied<", ">deleted<", ">overlap<"}) {
    EXPECT_EQ(svg.find(absent), std::string::npos) << absent;
  }
  EXPECT_NE(read("game.html").find(R"("clashes":[[3,4,["Land.esm","Other.esp"],"Other.esp",512]])"),
            std::string::npos);
  const nlohmann::json patches = nlohmann::json::parse(map({"--against", "Edit.esp", "--json", "Land.esm"}).out);
  EXPECT_EQ(patches["patches"], nlohmann::json::array({"Edit.esp"}));
  EXPECT_EQ(map({"--load-order", "openmw.cfg", "--suggest"}).err,
            "quendrel-map: --suggest needs a plugin; without one, --load-order checks the whole "
            "load order for land clashes (see quendrel-map --help)\n");
}

// The pointers other plugins leave in the grids the mod's move leaves, one
// plugin of each kind (see pointer_game.h), in text and JSON; rules that
// leave no grid look for none.
TEST_F(MapTest, ListsThePointersOtherPluginsLeaveBehind) {
  writePointerGame();
  write("keep.cfg", "CE, 0, 0, 30, 30\n");
  auto follow = [](const std::string& plugin) {
    return " (to move them with Mod.esm: quendrel --follow Mod.esm --rules move.cfg "
           "--sync-header " + plugin + ")\n";
  };
  MapRun r = map({"--load-order", "openmw.cfg", "--rules", "move.cfg", "Mod.esm"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(afterSummary(r.out),
            "patch: Mod - Patch.esp (to move it with Mod.esm: quendrel --follow Mod.esm --rules "
            "move.cfg --sync-header \"Mod - Patch.esp\")\n"
            "patch: Other Patch.esp (to move it with Mod.esm: quendrel --follow Mod.esm --rules "
            "move.cfg --sync-header \"Other Patch.esp\")\n"
            "pointer: Mod - Patch.esp: object \"tree\" in \"Shore\" stands in (0, 0), moved to (10, 0)\n"
            "pointer: Mod - Patch.esp: door in \"Patch House\" leads to (1, 0), moved to (11, 0)\n"
            "pointers: Mod - Patch.esp: 2" + follow("\"Mod - Patch.esp\"") +
            "pointer: Other Patch.esp: object \"rock\" in \"Isle\" stands in (1, 0), moved to (11, 0)\n"
            "pointer: Other Patch.esp: marker in \"Isle\" names (2, 0), deleted\n"
            "pointers: Other Patch.esp: 2" + follow("\"Other Patch.esp\"") +
            "pointer: Doors.esp: door in \"Balmora, Guild of Mages\" leads to (0, 0), moved to (10, 0)\n"
            "pointers: Doors.esp: 1" + follow("Doors.esp") +
            "pointer: Travel.esp: travel in \"guide\" leads to (1, 0), moved to (11, 0)\n"
            "pointers: Travel.esp: 1" + follow("Travel.esp") +
            "pointer: Packages.esp: package in \"escort\" leads to (2, 0), deleted\n"
            "pointers: Packages.esp: 1" + follow("Packages.esp") +
            "pointer: Markers.esp: marker in \"Field\" names (0, 0), moved to (10, 0)\n"
            "pointers: Markers.esp: 1" + follow("Markers.esp") +
            "pointer: Objects.esp: object \"crate\" in \"(2, 0)\" stands in (2, 0), deleted\n"
            "pointers: Objects.esp: 1" + follow("Objects.esp") +
            "pointer: Scripts.esp: script in \"MoveScript\" leads to (0, 0), moved to (10, 0)\n"
            "pointers: Scripts.esp: 1" + follow("Scripts.esp") +
            "pointer: Dialogue.esp: dialogue in \"ride\" leads to (1, 0), moved to (11, 0)\n"
            "pointers: Dialogue.esp: 1" + follow("Dialogue.esp"));

  const nlohmann::json report = nlohmann::json::parse(
      map({"--load-order", "openmw.cfg", "--rules", "move.cfg", "--json", "Mod.esm"}).out);
  const nlohmann::json& pointers = report["pointers"];
  ASSERT_EQ(pointers.size(), 11u);
  EXPECT_EQ(pointers[0], nlohmann::json::parse(R"({"plugin": "Mod - Patch.esp", "kind": "object",
      "record": "Shore", "id": "tree", "grid": [0, 0], "to": [10, 0]})"));
  EXPECT_EQ(pointers[6], nlohmann::json::parse(R"({"plugin": "Packages.esp", "kind": "package",
      "record": "escort", "grid": [2, 0], "to": null})"));
  std::string keys;
  const nlohmann::ordered_json ordered = nlohmann::ordered_json::parse(
      map({"--load-order", "openmw.cfg", "--rules", "move.cfg", "--json", "Mod.esm"}).out);
  for (const auto& item : ordered.items()) keys += item.key() + " ";
  EXPECT_EQ(keys, "plugin rules_file counts checked missing damaged overlaps clashes "
                          "patches pointers land_without_cell lone suggestion rule_warnings ");

  // A copy leaves its grid in place: no pointer is looked for, nor listed.
  r = map({"--load-order", "openmw.cfg", "--rules", "keep.cfg", "Mod.esm"});
  EXPECT_EQ(r.out.find("pointer"), std::string::npos) << r.out;
  EXPECT_FALSE(nlohmann::json::parse(
                   map({"--load-order", "openmw.cfg", "--rules", "keep.cfg", "--json", "Mod.esm"}).out)
                   .contains("pointers"));
}

// The check's own advice taken: each plugin it lists made to follow the mod
// and put in the game in its place (the mod itself still the original), the
// same check lists only the pointers into the deleted grid, which nothing
// can follow.
TEST_F(MapTest, PluginsThatFollowTheModLeaveOnlyTheDeletedGridBehind) {
  writePointerGame();
  const std::vector<std::string> check{"--load-order", "openmw.cfg", "--rules", "move.cfg",
                                       "--json", "Mod.esm"};
  const nlohmann::json before = nlohmann::json::parse(map(check).out);
  std::set<std::string> listed;
  for (const auto& pointer : before["pointers"]) {
    listed.insert(pointer["plugin"].get<std::string>());
  }
  ASSERT_EQ(listed.size(), 9u);
  for (const std::string& plugin : listed) {
    const harness::MapRun r = harness::runQuendrelQuietly(
        {"--follow", "Mod.esm", "--rules", "move.cfg", "--output", "moved.esp", plugin});
    ASSERT_EQ(r.status, 0) << plugin << ": " << r.err;
    std::filesystem::rename(path("moved.esp"), path(plugin));
  }
  const nlohmann::json after = nlohmann::json::parse(map(check).out);
  std::string left;
  for (const auto& pointer : after["pointers"]) {
    left += pointer["plugin"].get<std::string>() + " " + pointer["kind"].get<std::string>() + " " +
            pointer["to"].dump() + "\n";
  }
  EXPECT_EQ(left, "Other Patch.esp marker null\nPackages.esp package null\n");
}

// The clashes of real plugins: the corpus and the wild plugins beside the
// clone as one load order, masters first. The figures are an independent
// count's: among them two landmass add-ons sharing ten grids, seven of them
// with the same heights, and a patch's land over its add-on's.
TEST_F(MapTest, FindsTheLandClashesOfRealPlugins) {
  const std::string corpus = QUENDREL_CORPUS_DIR;
  const std::string wild = corpus + "/../wild/plugins";
  std::vector<std::string> masters, plugins;
  for (const std::string& folder : {corpus, wild}) {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
      std::string extension = entry.path().extension().string();
      for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      const std::string name = entry.path().filename().string();
      if (extension == ".esm") masters.push_back(name);
      if (extension == ".esp" || extension == ".omwaddon") plugins.push_back(name);
    }
  }
  if (plugins.empty()) {
    const char* skip = std::getenv("QUENDREL_SKIP_CORPUS");
    if (skip != nullptr && std::string(skip) == "1") GTEST_SKIP() << "QUENDREL_SKIP_CORPUS=1";
    FAIL() << "no plugins in " << corpus << " (the clone must stand beside shared/; "
           << "QUENDREL_SKIP_CORPUS=1 skips this test)";
  }
  std::sort(masters.begin(), masters.end());
  std::sort(plugins.begin(), plugins.end());
  std::string cfg = "data=\"" + corpus + "\"\ndata=\"" + wild + "\"\n";
  for (const auto* list : {&masters, &plugins}) {
    for (const std::string& name : *list) cfg += "content=" + name + "\n";
  }
  write("openmw.cfg", cfg);
  const MapRun r = map({"--load-order", "openmw.cfg"});
  EXPECT_EQ(r.status, 2) << r.err;
  EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1), "24 clashes between 10 plugins\n");
  EXPECT_NE(r.out.find("clash (2, 7): Deeper Dagoth Ur.ESP \"\" (Red Mountain Region), land; "
                       "wl_Du_AssaultonVvardenfell.ESP \"\" (Red Mountain Region), land; "
                       "wl_Du_AssaultonVvardenfell.ESP shown, heights differ by up to 2040\n"),
            std::string::npos)
      << r.out;
}

TEST_F(MapTest, SuggestsTheNearestFreeOffsetWithTiesToTheSouthThenWest) {
  EXPECT_EQ(suggestion({{0, 0}}, {{0, 0}}), "TA, 0, -1\n");
  EXPECT_EQ(suggestion({{0, 0}}, {{0, 0}, {0, -1}}), "TA, -1, 0\n");
  std::vector<GridCell> block;
  for (int32_t x = -1; x <= 1; ++x) {
    for (int32_t y = -1; y <= 1; ++y) block.push_back({x, y});
  }
  EXPECT_EQ(suggestion({{0, 0}, {1, 0}}, block), "TA, 0, -2\n");
  EXPECT_EQ(suggestion(block, {{0, 0}}), "TA, 0, -2\n");  // the larger plugin
  const std::string out = map({"--suggest", "mod.esp"}).out;
  EXPECT_EQ(out.substr(out.rfind("TA")), "TA, 0, 0\n");
}

// Worked by hand: the plugin (0, 0) and (1, 0), its master at (0, 0). A
// margin of one blocks x and y from -1 to 1; the bands block every row from
// 2 outwards, north and south; then the single cell (2, 0) as well.
TEST_F(MapTest, SuggestionKeepsTheMarginAndTheReservedLandFree) {
  const std::vector<GridCell> mod{{0, 0}, {1, 0}};
  write("bands.txt", "; announced land\r\n-10, -10, 10, -2\r\n 10, 10,-10, 2   # north\r\n");
  write("more.txt", read("bands.txt") + "2, 0, 2, 0\n");
  EXPECT_EQ(suggestion(mod, {{0, 0}}), "TA, 0, -1\n");
  EXPECT_EQ(suggestion(mod, {{0, 0}}, {"--margin", "1"}), "TA, 0, -2\n");
  EXPECT_EQ(suggestion(mod, {{0, 0}}, {"--margin", "1", "--reserve", "bands.txt"}), "TA, 2, 0\n");
  EXPECT_EQ(suggestion(mod, {{0, 0}}, {"--margin", "1", "--reserve", "more.txt"}), "TA, 2, -1\n");
  // Land reserved beyond the largest offset leaves no offset at all.
  write("all.txt", "-300000, -300000, 300000, 300000\n");
  writeCells("mod.esp", mod);
  const MapRun none = map({"--suggest", "--reserve", "all.txt", "mod.esp"});
  EXPECT_EQ(none.out.substr(none.out.rfind("no offset")),
            "no offset of less than 262144 cells puts every cell on free land\n");
  // A damaged record stays: nothing may land on it, though offset nothing
  // leaves the land beside it.
  SuggestionInput input{{{0, 0}}, {{-1, 0}}, {{0, 0}, {0, -1}}, 0, {}};
  EXPECT_EQ(suggestOffset(input), (GridCell{1, 0}));
  EXPECT_EQ(suggestOffset({{{0, 0}}, {{0, 0}}, {}, 0, {}}), (GridCell{0, 0}));
  // So the whole plugin stays where it is when only a damaged cell of it
  // shares a grid with the master.
  std::string damaged = exteriorCell("D", 0, 0, "", reference(1, "a", 1, 1));
  damaged[damaged.size() - 28] = 100;  // the reference's DATA runs past the record
  write("mod.esp", header() + damaged + exteriorCell("", 1, 0));
  writeCells("Base.esm", {{0, 0}});
  const MapRun r = map({"--suggest", "--against", "Base.esm", "mod.esp"});
  EXPECT_EQ(r.out.substr(r.out.rfind("TA")), "TA, 0, 0\n");
}

// The row-by-row search against trying every offset in order, on small
// random plugins, load orders, margins, rectangles and staying records.
TEST(SuggestOffset, AgreesWithTryingEveryOffsetInOrder) {
  uint32_t state = 12345;
  auto below = [&](int n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int32_t>((state >> 8) % static_cast<uint32_t>(n));
  };
  auto someGrids = [&](int most, int spread) {
    std::vector<GridCell> grids(below(most + 1));
    for (GridCell& g : grids) g = {below(2 * spread + 1) - spread, below(2 * spread + 1) - spread};
    return grids;
  };
  for (int round = 0; round < 300; ++round) {
    // A third of the rounds with nothing taken: rectangles alone in the way.
    SuggestionInput input{someGrids(8, 4), someGrids(2, 5),
                          round % 3 == 0 ? std::vector<GridCell>{} : someGrids(30, 8), below(3), {}};
    for (int r = below(round % 3 == 0 ? 5 : 3); r > 0; --r) {
      const int32_t x = below(21) - 10, y = below(21) - 10;
      input.reserved.push_back({x, y, x + below(6), y + below(6)});
    }
    auto blocked = [&](int32_t dx, int32_t dy) {
      for (GridCell m : input.moving) {
        const int32_t x = m.x + dx, y = m.y + dy;
        for (GridCell t : input.taken) {
          if (std::abs(t.x - x) <= input.margin && std::abs(t.y - y) <= input.margin) return true;
        }
        for (const GridRectangle& r : input.reserved) {
          if (x >= r.x1 && x <= r.x2 && y >= r.y1 && y <= r.y2) return true;
        }
        for (GridCell s : input.staying) {
          if ((dx != 0 || dy != 0) && s == GridCell{x, y}) return true;
        }
      }
      return false;
    };
    std::optional<std::tuple<int32_t, int32_t, int32_t>> first;  // dx² + dy², dy, dx
    for (int32_t dy = -40; dy <= 40; ++dy) {
      for (int32_t dx = -40; dx <= 40; ++dx) {
        const auto key = std::tuple{dx * dx + dy * dy, dy, dx};
        if ((!first || key < *first) && !blocked(dx, dy)) first = key;
      }
    }
    ASSERT_TRUE(first.has_value());
    const GridCell expected{std::get<2>(*first), std::get<1>(*first)};
    EXPECT_EQ(suggestOffset(input), expected) << "round " << round;
  }
}

TEST_F(MapTest, ErrorsGiveOneLineAndStatusOne) {
  writeCells("mod.esp", {{0, 0}});
  std::filesystem::create_directory(path("folder"));
  write("next.esp", "TES4" + std::string(40, '\0'));
  write("bad.txt", "1, 2, 3, 4\n5, 6, 7\n");
  write("rules.cfg", "; no rule\n");
  // (A mistyped long option is followed by the usage text: see below.)
  const std::vector<std::vector<std::string>> bad = {{"-x", "mod.esp"},
                                                     {"mod.esp", "--rules"},
                                                     {"missing.esp"},
                                                     {"--against", "next.esp", "mod.esp"},
                                                     {"--rules", "none.cfg", "mod.esp"},
                                                     {},
                                                     {"mod.esp", "mod.esp"},
                                                     {"--suggest", "--margin", "-1", "mod.esp"},
                                                     {"--suggest", "--margin", "1001", "mod.esp"},
                                                     {"--margin", "2", "mod.esp"},
                                                     {"--suggest", "--reserve", "bad.txt", "mod.esp"},
                                                     {"--load-order", "bad.txt", "mod.esp"},
                                                     {"--load-order", "none.cfg", "mod.esp"},
                                                     {"--output", "mod.esp", "mod.esp"},
                                                     {"--output", "folder", "mod.esp"},
                                                     {"--rules", "rules.cfg", "--write-interiors",
                                                      "rules.cfg", "mod.esp"}};
  for (const std::vector<std::string>& arguments : bad) {
    MapRun r = map(arguments);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("quendrel-map: ", 0), 0u) << r.err;
  }
  EXPECT_NE(map({"--suggest", "--reserve", "bad.txt", "mod.esp"}).err.find("bad.txt:2: "),
            std::string::npos);
  EXPECT_EQ(read("mod.esp"), header() + exteriorCell("", 0, 0));  // not written over
  EXPECT_EQ(read("rules.cfg"), "; no rule\n");
  write("quendrel.cfg", "TA, 1, 2, 3, 4, 5\n");
  EXPECT_EQ(map({"mod.esp"}).status, 1);
  EXPECT_FALSE(exists("cell_map.svg"));

  MapRun help = map({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: quendrel-map ", 0), 0u);
  // A mistyped long option is named, and the whole text --help prints follows.
  for (const auto& [word, line] :
       {std::pair<std::string, std::string>{"--ouput", "unrecognized option '--ouput'"},
        {"--json=yes", "option '--json' doesn't allow an argument"}}) {
    const MapRun r = map({word, "mod.esp"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "quendrel-map: " + line + "\n" + help.out);
  }
  EXPECT_EQ(map({"--version"}).out.rfind("quendrel-map (Quendrel ", 0), 0u);
  EXPECT_EQ(map({"-V"}).out, map({"--version"}).out);
}

// The picture is a new file, well-formed, and renders at the size it declares,
// which stays bounded however far apart the cells lie; so does the PNG.
TEST_F(MapTest, PictureIsANewFileThatRendersAtItsSize) {
  write("mod.esp", header() + exteriorCell("Caf\xe9 & <Bar>", 0, 0, "Bay") +
                       exteriorCell("", 149, 149) + exteriorCell("", 10000, -3) +
                       land(0, 0, sub("WNAM", std::string(81, '\5'))));
  writeCells("Base.esm", {{0, 0}, {5, 5}});
  write("target.txt", "untouched");
  // A link in the picture's place (needing privileges on Windows, a file there).
  if (harness::kWindows) {
    write("cell_map.svg", "an old picture");
  } else {
    std::filesystem::create_symlink("target.txt", path("cell_map.svg"));
  }
  write("quendrel.cfg", "TC, 149, 149, 0, -1\nDE, 10000, -3\n");
  EXPECT_EQ(map({"--against", "Base.esm", "--png", "direct.png", "mod.esp"}).status, 0);
  EXPECT_EQ(read("target.txt"), "untouched");
  EXPECT_FALSE(std::filesystem::is_symlink(path("cell_map.svg")));
  const std::string svg = read("cell_map.svg");
  EXPECT_NE(
      svg.find("<title>(0, 0) \"Caf\xc3\xa9 &amp; &lt;Bar&gt;\"\nregion: Bay\nplugin: mod.esp"),
      std::string::npos);

  std::smatch size;
  const std::regex declared("<svg [^>]* width=\"(\\d+)\" height=\"(\\d+)\"");
  ASSERT_TRUE(std::regex_search(svg, size, declared));
  const int width = std::stoi(size[1]), height = std::stoi(size[2]);
  EXPECT_LE(width, 1600);
  EXPECT_LE(height, 1200);
  EXPECT_NE(svg.find("<image x=\"64.00\" y=\"64.00\""), std::string::npos);
  EXPECT_NE(svg.find("xlink:href=\"data:image/png;base64,iVBORw0KGgo"), std::string::npos);
  // PNG: an 8-byte signature, then the IHDR chunk's length and name, then
  // width and height, big-endian.
  auto expectPngOfSize = [&](const std::string& name) {
    const std::string png = read(name);
    ASSERT_GE(png.size(), 24u);
    auto bigEndian = [&](std::size_t at) {
      int value = 0;
      for (std::size_t i = at; i < at + 4; ++i) value = value << 8 | static_cast<uint8_t>(png[i]);
      return value;
    };
    EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(bigEndian(16), width) << name;
    EXPECT_EQ(bigEndian(20), height) << name;
  };
  expectPngOfSize("direct.png");
#ifndef _WIN32
  // A pipe in the picture's place is written into, never replaced (as a
  // device such as /dev/null is); a second name for it lets the test end its
  // reader should it be replaced.
  ASSERT_EQ(mkfifo(path("map.fifo").c_str(), 0666), 0);
  ASSERT_EQ(link(path("map.fifo").c_str(), path("kept.fifo").c_str()), 0);
  std::string received;
  std::thread reader([&] { received = harness::readFile(path("map.fifo")); });
  EXPECT_EQ(map({"--against", "Base.esm", "--output", "map.fifo", "mod.esp"}).status, 0);
  const int unblock = open(path("kept.fifo").c_str(), O_WRONLY | O_NONBLOCK);
  if (unblock >= 0) close(unblock);
  reader.join();
  EXPECT_EQ(received, svg);
  EXPECT_EQ(std::filesystem::status(path("map.fifo")).type(), std::filesystem::file_type::fifo);
#endif
  // rsvg-convert reads the file with an XML parser that refuses any fault.
  if (harness::kWindows) GTEST_SKIP() << "rsvg-convert is a Linux program";
  if (std::system("command -v rsvg-convert >/dev/null") != 0) {
    GTEST_SKIP() << "rsvg-convert (Debian: librsvg2-bin) is missing";
  }
  ASSERT_EQ(std::system("rsvg-convert cell_map.svg -o map.png"), 0);
  expectPngOfSize("map.png");
}

}  // namespace
