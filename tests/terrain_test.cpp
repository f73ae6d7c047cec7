// The land under quendrel-map's picture: heights decoded from made-up LAND
// records, their shades, where the rules put the plugin's own land, and the
// scene the SVG and the PNG are made from.
#include <gtest/gtest.h>

#include <filesystem>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "base/report.h"
#include "harness.h"
#include "map/model/cell_fates.h"
#include "map/model/game_model.h"
#include "map/model/land_heights.h"
#include "map/model/plugin_cells.h"
#include "map/outputs/png_image.h"
#include "map/outputs/map_scene.h"
#include "map/outputs/map_text.h"
#include "map/model/terrain.h"
#include "map/outputs/terrain_shading.h"
#include "plugin_builder.h"

// Reading PNG back, to check what encodePng writes.
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#include <stb/stb_image.h>

using namespace testing_plugin;

namespace {

const uint8_t* bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

// A VHGT whose vertex (column, row), row 0 the southern edge, stands at
// height(column, row) × 8 game units: the offset, then the steps.
std::string vhgt(const std::function<int(int, int)>& height, int offset = 0) {
  std::string steps;
  for (int row = 0; row < 65; ++row) {
    steps += static_cast<char>(height(0, row) - (row == 0 ? offset : height(0, row - 1)));
    for (int column = 1; column < 65; ++column) {
      steps += static_cast<char>(height(column, row) - height(column - 1, row));
    }
  }
  return sub("VHGT", f32(static_cast<float>(offset)) + steps + std::string(3, '\0'));
}

// A slope rising eastwards from 32 to 1056 game units, with a pit 320 below
// the water in the south-western quarter (vertices 8 to 24 both ways).
int slopeWithPit(int column, int row) {
  const bool pit = column >= 8 && column <= 24 && row >= 8 && row <= 24;
  return pit ? -40 : 2 * column + 4;
}

LandHeights decoded(const std::string& record, int samples = 17) {
  std::optional<LandHeights> land = decodeLand(bytes(record), record.size(), samples);
  EXPECT_TRUE(land.has_value());
  return land.value_or(LandHeights{});
}

bool isWater(Colour c) { return c.b > c.r && c.b > c.g; }
int brightness(Colour c) { return c.r + c.g + c.b; }

// The land of one plugin at (0, 0), shaded over the cells around it at 16
// pixels a cell: (0, 0) spans pixels 16 to 31 both ways.
Image shadeOne(const std::string& record) {
  TerrainMap terrain;
  terrain.lay(PluginLand{"mod.esp", {decoded(record)}});
  return shadeTerrain(terrain, {-1, 1, -1, 1}, 16);
}

TEST(TerrainTest, DecodesHeightsRowByRowFromTheSouthInStepsOfEightUnits) {
  // The worked values of decodeVertexHeights: offset 10, steps 1 and 2
  // beginning the first row, -3 beginning the second.
  std::string steps(65 * 65, '\0');
  steps[0] = 1;
  steps[1] = 2;
  steps[65] = -3;
  const std::string data = f32(10) + steps;
  const std::vector<float> heights = decodeVertexHeights(bytes(data), data.size()).value();
  EXPECT_EQ(heights[0], 88);
  EXPECT_EQ(heights[1], 104);
  EXPECT_EQ(heights[64], 104);  // the rest of the row follows its last step
  EXPECT_EQ(heights[65], 64);   // the second row follows the first row's first value
  EXPECT_EQ(heights[65 + 1], 64);
  EXPECT_FALSE(decodeVertexHeights(bytes(data), data.size() - 1).has_value());

  // The kept heights, decoded along the kept rows alone, are those of the
  // whole decoding to the last bit, at every detail, with offsets that round
  // as they add up and on both sides of the size where each height is
  // checked against the limit.
  std::mt19937 random(3);
  for (int side : {9, 17, 33, 65})
  for (float offset : {-1000.0f, 0.37f, -4321.123f, 99999.9f, 100000.0f, -110000.25f}) {
    std::string noise = f32(offset);
    for (int i = 0; i < 65 * 65; ++i) noise += static_cast<char>(random());
    const std::vector<float> all = decodeVertexHeights(bytes(noise), noise.size()).value();
    const LandHeights kept = decoded(land(0, 0, sub("VHGT", noise + std::string(3, '\0'))), side);
    const int step = 64 / (side - 1);
    for (int row = 0; row < side; ++row) {
      for (int column = 0; column < side; ++column) {
        ASSERT_EQ(kept.heights[row * side + column], all[row * step * 65 + column * step])
            << side << " " << offset << " " << row << " " << column;
      }
    }
  }

  const LandHeights slope = decoded(land(3, -4, vhgt(slopeWithPit)), 65);
  EXPECT_EQ(slope.grid, (GridCell{3, -4}));
  EXPECT_EQ(slope.heights[0], 32);               // south-west corner
  EXPECT_EQ(slope.heights[64], 1056);            // south-east corner
  EXPECT_EQ(slope.heights[10 * 65 + 10], -320);  // in the pit
  EXPECT_EQ(slope.heights[64 * 65 + 10], 192);   // north of it, on the slope
  // Every fourth vertex, edges included.
  const LandHeights fewer = decoded(land(3, -4, vhgt(slopeWithPit)), 17);
  EXPECT_EQ(fewer.heights.size(), 17u * 17u);
  EXPECT_EQ(fewer.heights[16], 1056);
  EXPECT_EQ(fewer.heights[3 * 17 + 3], -320);  // vertex (12, 12)
}

TEST(TerrainTest, ReadsTheWorldMapHeightsWhereThereIsNoVhgtAndNothingElseOfADeletedLand) {
  // WNAM: 18 stands for 18 × 128 game units, -10 for -10 × 16.
  std::string wnam;
  for (int row = 0; row < 9; ++row) {
    for (int column = 0; column < 9; ++column) wnam += static_cast<char>(row < 3 && column < 3 ? -10 : 18);
  }
  const LandHeights world = decoded(land(0, 0, sub("WNAM", wnam)));
  EXPECT_EQ(world.heights[0], -160);
  EXPECT_EQ(world.heights[17 * 17 - 1], 2304);
  // A VHGT too short for its steps gives way to the WNAM.
  EXPECT_EQ(decoded(land(0, 0, sub("VHGT", std::string(4228, '\1')) + sub("WNAM", wnam))).heights[0], -160);
  EXPECT_EQ(decoded(land(0, 0, sub("WNAM", wnam) + vhgt(slopeWithPit))).heights[0], 32);
  EXPECT_TRUE(decoded(land(0, 0, sub("DELE", i32(0)) + vhgt(slopeWithPit))).heights.empty());
  EXPECT_TRUE(decoded(land(0, 0)).heights.empty());
  // Without its grid first, nobody can tell where the land lies.
  const std::string gridless = record("LAND", sub("DATA", i32(9)) + sub("INTV", i32(0) + i32(0)));
  EXPECT_FALSE(decodeLand(bytes(gridless), gridless.size(), 17).has_value());

  // The shade where the world map has its water, in the south-west.
  const Image image = shadeOne(land(0, 0, sub("WNAM", wnam)));
  EXPECT_TRUE(isWater(image.at(17, 30)));
  EXPECT_FALSE(isWater(image.at(30, 17)));
}

TEST(TerrainTest, ShadesWaterAtOrBelowZeroLandAboveAndOpenSeaWithoutLand) {
  const Image image = shadeOne(land(0, 0, vhgt(slopeWithPit)));
  ASSERT_EQ(image.width, 48);
  ASSERT_EQ(image.height, 48);
  EXPECT_TRUE(isWater(image.at(20, 28)));   // the pit, in the south-west
  EXPECT_FALSE(isWater(image.at(20, 20)));  // north of it
  EXPECT_FALSE(isWater(image.at(28, 28)));  // east of it
  EXPECT_FALSE(isWater(image.at(17, 17)));  // 32 above the water at the western edge
  EXPECT_EQ(image.at(4, 4), terrainColour(kOpenSeaHeight, 1));
  EXPECT_EQ(image.at(40, 24), terrainColour(kOpenSeaHeight, 1));
  // Deeper water is darker; higher land is greener, then browner.
  EXPECT_GT(brightness(terrainColour(-50, 1)), brightness(terrainColour(-2000, 1)));
  EXPECT_GT(terrainColour(300, 1).g, terrainColour(300, 1).r);
  EXPECT_GT(terrainColour(4000, 1).r, terrainColour(4000, 1).g);
  EXPECT_TRUE(isWater(terrainColour(0, 1)));

  // Light from the north-west: a slope facing west or north is brighter
  // than the same slope facing east or south.
  struct Slopes {
    const char* lit;
    int (*towardsLight)(int, int);
    int (*away)(int, int);
  };
  const Slopes slopes[] = {
      {"west", [](int column, int) { return 2 * column + 4; }, [](int column, int) { return 132 - 2 * column; }},
      {"north", [](int, int row) { return 132 - 2 * row; }, [](int, int row) { return 2 * row + 4; }},
  };
  for (const Slopes& s : slopes) {
    EXPECT_GT(brightness(shadeOne(land(0, 0, vhgt(s.towardsLight))).at(24, 24)),
              brightness(shadeOne(land(0, 0, vhgt(s.away))).at(24, 24)) + 30)
        << "facing " << s.lit;
  }
}

class PlacedLandTest : public harness::WorkDirTest {};

// Land read straight from the places the walk found: the records inside the
// frame and those asked for by place, in one pass; a file cut short since
// the walk gives its line, never handing over bytes past its end.
TEST_F(PlacedLandTest, ReadsListedLandFromItsPlaces) {
  write("mod.esp", header() + exteriorCell("A", 0, 0) + land(0, 0) + land(9, 9) + land(1, 0));
  const PluginCells cells = readPluginToMove(path("mod.esp"));
  ASSERT_EQ(cells.lands.size(), 3u);
  const std::vector<LandView> views{{GridFrame{0, 1, 0, 0}, 9}};
  auto read = [&] {
    return readListedLandForViews(path("mod.esp"), cells.lands, views, true,
                                  {cells.lands[1], cells.lands[2]});
  };
  const ListedLand lands = read();
  EXPECT_EQ(lands.problem, "");
  ASSERT_EQ(lands.views[0].lands.size(), 2u);
  EXPECT_EQ(lands.views[0].lands[1].grid, (GridCell{1, 0}));
  // Both asked for: the same data behind different grids.
  ASSERT_EQ(lands.wanted.size(), 2u);
  EXPECT_EQ(lands.wanted[0].bodySize, land(9, 9).size() - 32);
  EXPECT_EQ(compareLand(lands.wanted[0], lands.wanted[1]), SameLand::kSame);
  std::filesystem::resize_file(path("mod.esp"), cells.lands[2].offset + 20);
  EXPECT_EQ(read().problem, path("mod.esp") + " ends inside the record at byte " +
                                std::to_string(cells.lands[2].offset));
}

// VHGT where the editor puts it, behind INTV, DATA and VNML: the walk learns
// its place from the first bytes, and the land pass reads it alone. Records
// of every other shape give the same heights as read whole; so does a file
// cut short inside the land after the walk, whose message names the first
// such file in load order whichever core reads it.
TEST_F(PlacedLandTest, HeightsReadAloneAreThoseOfTheWholeRecord) {
  std::mt19937 random(5);
  auto steps = [&](float offset, std::size_t count = 65 * 65) {
    std::string bytes = f32(offset);
    for (std::size_t i = 0; i < count; ++i) bytes += static_cast<char>(random() % 7 - 3);
    return bytes;
  };
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::string wnam = sub("WNAM", std::string(81, '\x07'));
  const std::string vnml = sub("VNML", std::string(12675, 'n'));
  const std::string tail = sub("VCLR", std::string(12675, 'c')) + sub("VTEX", std::string(512, 't'));
  const struct {
    const char* shape;
    std::string rest;  // behind INTV and DATA
  } rows[] = {
      {"as the editor writes it", vnml + sub("VHGT", steps(-20) + "pad") + wnam + tail},
      {"heights that are no numbers", vnml + sub("VHGT", steps(nan) + "pad") + wnam + tail},
      {"no numbers, WNAM further on", vnml + sub("VHGT", steps(nan) + "pad") + tail + wnam},
      {"no VNML", sub("VHGT", steps(7) + "pad") + wnam},
      {"VHGT without its padding", vnml + sub("VHGT", steps(3)) + wnam + tail},
      {"VHGT too short, another behind", vnml + sub("VHGT", steps(3, 4224)) + wnam +
                                             sub("VHGT", steps(9) + "pad")},
      {"WNAM first", vnml + wnam + sub("VHGT", steps(1) + "pad") + tail},
      {"deleted", sub("DELE", i32(0)) + vnml + sub("VHGT", steps(1) + "pad") + wnam},
      {"no heights", vnml + tail},
      {"VHGT running past the data", vnml + sub("VHGT", steps(1) + "pad").substr(0, 3000)},
      {"nothing behind DATA", ""},
  };
  std::string plugin = header(), north = header();
  std::vector<std::string> records;
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    records.push_back(land(static_cast<int32_t>(i), 0, rows[i].rest));
    plugin += records.back();
    north += land(static_cast<int32_t>(i), 1, rows[i].rest);
  }
  write("mod.esp", plugin);
  write("other.esp", north);
  const std::vector<LandView> views{{GridFrame{0, 20, 0, 0}, 65}, {GridFrame{0, 20, 0, 0}, 17}};
  const PluginCells walked = *readCheckedPlugin(path("mod.esp"), true);
  const PluginCells whole = readPluginToMove(path("mod.esp"));
  ASSERT_EQ(walked.lands.size(), std::size(rows));
  EXPECT_EQ(walked.lands[0].heightsAt, 12711u);
  EXPECT_EQ(whole.lands[0].heightsAt, 12711u);
  for (const PluginCells* cells : {&walked, &whole}) {
    const ListedLand listed = readListedLandForViews(path("mod.esp"), cells->lands, views, true, {});
    ASSERT_EQ(listed.problem, "");
    for (std::size_t view = 0; view < views.size(); ++view) {
      ASSERT_EQ(listed.views[view].lands.size(), std::size(rows));
      for (std::size_t i = 0; i < std::size(rows); ++i) {
        const LandHeights& got = listed.views[view].lands[i];
        const LandHeights want = decoded(records[i], views[view].samples);
        EXPECT_EQ(got.grid, want.grid) << rows[i].shape;
        // NaN-free by then: compared as numbers.
        EXPECT_EQ(got.heights, want.heights) << rows[i].shape << ", " << views[view].samples;
      }
    }
  }
  EXPECT_FALSE(decoded(records[1]).heights.empty());  // from WNAM
  EXPECT_TRUE(decoded(records[7]).heights.empty());

  // Cut inside the last land, after the walk: the whole game's read ends
  // with the line of the first file cut.
  const PluginCells other = *readCheckedPlugin(path("other.esp"), true);
  write("quendrel.cfg", "");
  const std::unique_ptr<GameModel> model =
      makeGameModel(*readRulesFile("quendrel.cfg"), "quendrel.cfg", std::nullopt, "", PluginCells{},
                    {walked, other}, {path("mod.esp"), path("other.esp")});
  for (const char* name : {"other.esp", "mod.esp"}) {
    std::filesystem::resize_file(path(name), plugin.size() - 10);
    testing::internal::CaptureStderr();
    EXPECT_THROW(readGameLand(*model, {{GridFrame{0, 20, 0, 1}, 17}}), RunEnded) << name;
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "quendrel-map: " + path(name) + " ends inside the record at byte " +
                  std::to_string(walked.lands.back().offset) + "\n");
  }
}

// Only the land the terrain shows is read: on each grid the last checked
// plugin's, and PLUGIN's where the rules put it, on top of all.
TEST_F(PlacedLandTest, TheTerrainShowsTheLandLaidLast) {
  auto flat = [](int32_t x, int32_t y, int height) {
    return land(x, y, vhgt([height](int, int) { return height; }));
  };
  write("A.esp", header() + flat(0, 0, 1) + flat(1, 0, 1) + flat(5, 5, 1) + flat(2, 0, 1));
  write("B.esp", header() + flat(0, 0, 2) + flat(2, 0, 2) + flat(2, 0, 3));
  write("mod.esp", header() + exteriorCell("", 5, 5) + flat(5, 5, 4));
  write("quendrel.cfg", "MC, 5, 5, 1, 0\n");
  const RuleTable rules = *readRulesFile("quendrel.cfg");
  const std::unique_ptr<GameModel> model =
      makeGameModel(rules, "quendrel.cfg", std::nullopt, path("mod.esp"), readPluginToMove(path("mod.esp")),
                    {*readCheckedPlugin(path("A.esp"), true), *readCheckedPlugin(path("B.esp"), true)},
                    {path("A.esp"), path("B.esp")});
  readGameLand(*model, {{GridFrame{0, 6, 0, 6}, 9}});
  const struct {
    GridCell grid;
    float height;  // 8 game units a step
  } shown[] = {{{0, 0}, 16}, {{1, 0}, 32}, {{2, 0}, 24}, {{5, 5}, 8}};
  for (const auto& row : shown) {
    const LandHeights* there = model->terrains[0].at(row.grid.x, row.grid.y);
    ASSERT_NE(there, nullptr) << gridText(row.grid);
    EXPECT_EQ(there->heights[40], row.height) << gridText(row.grid);
  }
}

// The plugin's land goes where quendrel puts it: with its cell, or asked
// about at its own grid without a region where the plugin has no cell; a
// damaged record stays where it is.
TEST_F(PlacedLandTest, LandMovesWithItsCellAndLandWithoutACellHasNoRegion) {
  write("mod.esp", header() + exteriorCell("A", 0, 0, "West") + exteriorCell("B", 1, 0) +
                       land(0, 0) + land(1, 0) + land(5, 5) +
                       land(2, 2, sub("WNAM", std::string(81, '\5')).substr(0, 40)));
  const PluginCells cells = readPluginToMove(path("mod.esp"));
  const PluginLand lands = readPluginLand(path("mod.esp"), 9, nullptr);
  struct Row {
    const char* rules;
    std::vector<GridCell> placed;
  };
  const Row rows[] = {
      {"TR, West, 0, 3\n", {{0, 3}, {1, 0}, {5, 5}, {2, 2}}},
      {"TR, \"\", 0, 3\n", {{0, 0}, {1, 3}, {5, 5}, {2, 2}}},  // cells of no region, but no land alone
      {"TA, 1, 1\n", {{1, 1}, {2, 1}, {6, 6}, {2, 2}}},
      {"CE, 5, 5, 7, 7\n", {{0, 0}, {1, 0}, {5, 5}, {7, 7}, {2, 2}}},
      {"DE, 1, 0\nDR, West\n", {{5, 5}, {2, 2}}},
  };
  for (const Row& row : rows) {
    write("quendrel.cfg", row.rules);
    std::vector<GridCell> placed;
    const std::vector<PredictedLand> fates = predictLandFates(*readRulesFile("quendrel.cfg"), cells);
    for (const PlacedLand& piece : placeLand(fates, lands)) {
      placed.push_back(piece.at);
    }
    EXPECT_EQ(placed, row.placed) << row.rules;
  }
}

TEST(ImageTest, EncodesPngAndBase64) {
  const std::string png = encodePng(Image(3, 2, {10, 20, 30}));
  ASSERT_GE(png.size(), 24u);
  EXPECT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(u32At(png, 16), 0x03000000u);  // width 3, big-endian
  EXPECT_EQ(u32At(png, 20), 0x02000000u);
  EXPECT_EQ(base64(""), "");
  EXPECT_EQ(base64("Que"), "UXVl");
  EXPECT_EQ(base64("Quen"), "UXVlbg==");
  EXPECT_EQ(base64("Quend"), "UXVlbmQ=");
  EXPECT_EQ(base64("\xff\xfe"), "//4=");

  // What the PNG holds reads back pixel for pixel, whatever the compressor
  // finds in it: one colour (matches of the longest length, one pixel
  // back), noise (next to none), rows that come again just within and just
  // beyond the 32 KiB a match may reach back.
  std::mt19937 random(7);
  auto noise = [&](int, int) { return Colour{uint8_t(random()), uint8_t(random()), uint8_t(random())}; };
  const struct {
    const char* what;
    int width, height;
    std::function<Colour(int, int)> pixel;
  } rows[] = {
      {"one colour", 300, 200, [](int, int) { return Colour{40, 120, 200}; }},
      {"noise", 257, 131, noise},
      {"a row again 32,767 bytes on", 10922, 3, [](int x, int) { return Colour{uint8_t(x * 7), uint8_t(x >> 8), 1}; }},
      {"a row again 33,001 bytes on", 11000, 3, [](int x, int) { return Colour{uint8_t(x * 7), uint8_t(x >> 8), 1}; }},
      {"one pixel", 1, 1, [](int, int) { return Colour{1, 2, 3}; }},
  };
  for (const auto& row : rows) {
    Image image(row.width, row.height, {0, 0, 0});
    for (int y = 0; y < row.height; ++y) {
      for (int x = 0; x < row.width; ++x) image.set(x, y, row.pixel(x, y));
    }
    const std::string encoded = encodePng(image);
    int width = 0, height = 0, channels = 0;
    stbi_uc* read = stbi_load_from_memory(bytes(encoded), static_cast<int>(encoded.size()), &width, &height,
                                          &channels, 3);
    ASSERT_NE(read, nullptr) << row.what << ": " << stbi_failure_reason();
    EXPECT_EQ(std::vector<uint8_t>(read, read + image.rgb.size()), image.rgb) << row.what;
    EXPECT_EQ(width, row.width) << row.what;
    stbi_image_free(read);
  }
}

// The SVG's numbers are written by our own "%.2f": the C library's very
// text, ties rounded to even, "-0.00" for a small negative number.
TEST(ImageTest, WritesTwoDecimalsAsPrintfDoes) {
  std::mt19937 random(7);
  std::vector<double> values = {0.0, -0.0, -0.001, 0.005, -0.005, 5e-324, 0x1p40, -0x1p41,
                                std::numeric_limits<double>::infinity(), std::nan("")};
  for (int j = -20000; j <= 20000; ++j) values.push_back(j / 8.0);  // ties in the 3rd digit
  for (int i = 0; i < 200000; ++i) {
    const double fraction = static_cast<double>(random()) / 4294967296.0;
    values.push_back((static_cast<int>(random() % 4001) - 2000) * fraction);
    values.push_back(static_cast<int>(random() % 100001) / 100.0 + 0.005);
  }
  for (double value : values) {
    char expected[400];
    std::snprintf(expected, sizeof expected, "%.2f", value);
    std::string text;
    appendTwoDecimals(text, value);
    ASSERT_EQ(text, expected) << value;
  }
}

class CellMapTest : public harness::WorkDirTest {
 protected:
  // mod.esp: kept cells at (0, 0) and (1, 0) (the first on land), and
  // moved ones from (0, 1) to (3, 1); three other plugins, one with a cell
  // far away.
  void SetUp() override {
    harness::WorkDirTest::SetUp();
    write("mod.esp", header() + exteriorCell("Ald Sotha", 0, 0) + exteriorCell("", 1, 0) +
                         exteriorCell("", 0, 1) + land(0, 0, vhgt([](int, int) { return 60; })));
    write("quendrel.cfg", "MC, 0, 1, 3, 1\n");
    for (const char* name : {"A.esm", "B.esp", "C.esp"}) {
      write(name, header() + exteriorCell("", 1, 1) + exteriorCell("", 40, 40));
    }
    plugin_ = readPluginToMove(path("mod.esp"));
    for (const char* name : {"A.esm", "B.esp", "C.esp"}) against_.push_back(readPluginToMove(path(name)));
    fates_ = predictFates(*readRulesFile("quendrel.cfg"), plugin_);
  }
  PluginCells plugin_;
  std::vector<PluginCells> against_;
  std::vector<PredictedCell> fates_;
};

TEST_F(CellMapTest, FramesThePluginsCellsAndTellsEveryOtherPluginApart) {
  const MapFrame frame = frameCellMap(fates_, {}, against_);
  EXPECT_EQ(frame.grids.minX, -2);  // (0, 0) to (3, 1), two cells more each way
  EXPECT_EQ(frame.grids.maxX, 5);
  EXPECT_EQ(frame.grids.minY, -2);
  EXPECT_EQ(frame.grids.maxY, 3);
  EXPECT_EQ(frame.cell, 64);
  EXPECT_EQ(frame.samples, 65);
  // A plugin without cells is framed by its land.
  EXPECT_EQ(frameCellMap({}, {{10, 10}}, against_).grids.minX, 8);

  TerrainMap terrain;
  terrain.lay(readPluginLand(path("mod.esp"), frame.samples, nullptr));
  const Scene scene = drawCellMap(frame, plugin_, fates_, against_, {}, terrain);
  // Each other plugin's swatch in the legend differs from the others'.
  std::set<std::tuple<int, int, int, double>> looks;
  for (const Layer& layer : scene.layers) {
    if (layer.name != "legend") continue;
    for (const Text& text : layer.texts) {
      if (text.text.rfind("cells of ", 0) != 0) continue;
      for (const Shape& shape : layer.shapes) {
        if (shape.y != text.y - 11) continue;
        const Style& style = scene.styles[shape.style];
        ASSERT_TRUE(style.fill && style.hatch);
        looks.insert({style.fill->r, style.fill->g, style.fill->b, style.hatch->angle});
      }
    }
  }
  EXPECT_EQ(looks.size(), 3u);

  // Painted: the land stays visible under the plugin's kept cells, the
  // cell's name stands in it, and the far cells are left out.
  const Image image = paintScene(scene);
  EXPECT_EQ(image.width, scene.width);
  const int left = 64 + 2 * 64, top = 64 + 3 * 64;  // the corner of (0, 0)
  EXPECT_FALSE(isWater(image.at(left + 32, top + 40)));
  EXPECT_TRUE(isWater(image.at(left + 64 + 32, top + 40)));  // (1, 0): open sea
  int ink = 0;
  for (int y = top + 4; y < top + 30; ++y) {
    for (int x = left + 4; x < left + 60; ++x) ink += brightness(image.at(x, y)) < 200;
  }
  EXPECT_GT(ink, 20);
  EXPECT_EQ(sceneSvg(scene).find("(40, 40)"), std::string::npos);
}

}  // namespace
