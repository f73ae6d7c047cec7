// quendrel-map: its report, its exit status, the offset it suggests and its
// picture, run in-process on small made-up plugins.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "harness.h"
#include "map/cell_fates.h"
#include "map/exterior_cells.h"
#include "map/map_run.h"
#include "plugin_builder.h"

using namespace testing_plugin;

namespace {

struct MapRun {
  int status;
  std::string out, err;
};

class MapTest : public harness::WorkDirTest {
 protected:
  MapRun map(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "quendrel-map");
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    MapRun r;
    r.status = runQuendrelMap(static_cast<int>(argv.size()) - 1, argv.data());
    r.out = testing::internal::GetCapturedStdout();
    r.err = testing::internal::GetCapturedStderr();
    return r;
  }
  // A plugin with an unnamed exterior cell at each grid.
  void writeCells(const std::string& name, const std::vector<GridCell>& grids) {
    std::string plugin = header();
    for (GridCell g : grids) plugin += exteriorCell("", g.x, g.y);
    write(name, plugin);
  }
  std::string suggestion(const std::vector<GridCell>& mod, const std::vector<GridCell>& base) {
    writeCells("mod.esp", mod);
    writeCells("Base.esm", base);
    MapRun r = map({"--suggest", "--against", "Base.esm", "mod.esp"});
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
  EXPECT_EQ(r.out, "mod.esp: 3 exterior cells: 3 kept, 0 moved, 0 copied, 0 deleted\n");

  write("quendrel.cfg", "TC, 0, 0, 2, 0\n");
  r = map(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out,
            "mod.esp: 3 exterior cells: 2 kept, 1 moved, 0 copied, 0 deleted\n"
            "overlap (2, 0): mod.esp \"A\" (West) moved from (0, 0); Base.esm \"Hill\"\n");

  // A move by nothing stays; a copy lands on a kept cell of the plugin.
  write("quendrel.cfg", "TC, 0, 0, 0, 0\nCE, 1, 0, 3, 3\n");
  r = map(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out.substr(r.out.find('\n') + 1),
            "overlap (3, 3): mod.esp \"B\" copied from (1, 0); mod.esp \"C\"\n");

  // Two cells moved onto one free grid; the overlaps run north to south.
  write("rules.txt", "MC, 3, 3, 5, 5\nMC, 1, 0, 5, 5\nTA, 0, 9\n");
  r = map({"--rules", "rules.txt", "--against", "Base.esm", "mod.esp"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out.substr(r.out.find('\n') + 1),
            "overlap (5, 5): mod.esp \"B\" moved from (1, 0); mod.esp \"C\" moved from (3, 3)\n");

  write("quendrel.cfg", "DA\n");
  r = map(args);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "mod.esp: 3 exterior cells: 0 kept, 0 moved, 0 copied, 3 deleted\n");
}

// quendrel passes a damaged cell on unchanged, and a cell with an interior
// marker is an interior cell whatever its flags say.
TEST_F(MapTest, PredictsADamagedCellKeptAndSkipsCellsWithInteriorMarkers) {
  std::string damaged = exteriorCell("D", 2, 2, "", reference(1, "a", 1, 1));
  damaged[damaged.size() - 28] = 100;  // the reference's DATA runs past the record
  std::string marked = record("CELL", sub("NAME", zstr("M")) + cellData(0, 5, 5) +
                                          sub("RGNN", zstr("R")) + sub("WHGT", f32(0)));
  write("mod.esp", header() + exteriorCell("A", 0, 0) + damaged + marked);
  write("quendrel.cfg", "TA, 1, 0\n");
  const PluginCells cells = readExteriorCells("mod.esp");
  const RuleTable rules = *readRulesFile("quendrel.cfg");
  EXPECT_EQ(gridsAfterRules(predictFates(rules, cells)), (std::vector<GridCell>{{1, 0}, {2, 2}}));
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

TEST_F(MapTest, ErrorsGiveOneLineAndStatusOne) {
  writeCells("mod.esp", {{0, 0}});
  write("next.esp", "TES4" + std::string(40, '\0'));
  const std::vector<std::vector<std::string>> bad = {{"--bogus", "mod.esp"},
                                                     {"-x", "mod.esp"},
                                                     {"mod.esp", "--rules"},
                                                     {"missing.esp"},
                                                     {"--against", "next.esp", "mod.esp"},
                                                     {"--rules", "none.cfg", "mod.esp"},
                                                     {},
                                                     {"mod.esp", "mod.esp"}};
  for (const std::vector<std::string>& arguments : bad) {
    MapRun r = map(arguments);
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_EQ(r.err.rfind("quendrel-map: ", 0), 0u) << r.err;
  }
  EXPECT_NE(map({"--bogus", "mod.esp"}).err.find("--bogus"), std::string::npos);
  write("quendrel.cfg", "TA, 1, 2, 3, 4, 5\n");
  EXPECT_EQ(map({"mod.esp"}).status, 1);
  EXPECT_FALSE(exists("cell_map.svg"));

  MapRun help = map({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: quendrel-map ", 0), 0u);
  EXPECT_EQ(map({"--version"}).out.rfind("quendrel-map (Quendrel ", 0), 0u);
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
  // rsvg-convert reads the file with an XML parser that refuses any fault.
  if (harness::kWindows) GTEST_SKIP() << "rsvg-convert is a Linux program";
  if (std::system("command -v rsvg-convert >/dev/null") != 0) {
    GTEST_SKIP() << "rsvg-convert (Debian: librsvg2-bin) is missing";
  }
  ASSERT_EQ(std::system("rsvg-convert cell_map.svg -o map.png"), 0);
  expectPngOfSize("map.png");
}

}  // namespace
