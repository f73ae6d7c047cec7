// quendrel-map's planner page: the map's data inside it reads back whole,
// no name can end the script element it stands in, and the data made from
// plugins holds the things a move of the whole plugin takes, as quendrel-map
// counts them (the browser test checks the page's counts against its report).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "harness.h"
#include "map/outputs/page/planner_data.h"
#include "map/outputs/page/planner_page.h"
#include "map/outputs/png_image.h"
#include "planner_plugins.h"

namespace {

TEST(PlannerPage, DataReadsBackWholeWhateverTheNamesHold) {
  const std::string hostile = "</script><script>alert(1)</script> <!-- & \"q\" >";
  const nlohmann::json data = {
      {"plugin", "mod.esp"},
      {"plugins", {hostile, "Base.esm"}},
      {"occupied", {{0, 0, 0, 1, hostile, "Ascadian Isles"}}},
      {"cells", {{{"x", -1}, {"y", 2}, {"name", "Sel Isle"}, {"region", hostile}, {"land", true},
                  {"movable", false}, {"fate", "moved"}, {"to", {3, 4}}}}},
      {"overlaps", nlohmann::json::array()},
      {"terrain", nullptr},
  };
  const std::string page = plannerPage(data);

  // The data element ends at the first "</script" after it opens; the
  // terrain's picture is set into the text apart from the rest, also where
  // a name holds its start.
  auto inside = [](const std::string& page) {
    const std::string opening = "<script type=\"application/json\" id=\"map-data\">";
    const std::size_t begin = page.find(opening);
    EXPECT_NE(begin, std::string::npos);
    const std::size_t from = begin + opening.size();
    return page.substr(from, page.find("</script", from) - from);
  };
  EXPECT_EQ(inside(page).find("<!--"), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(inside(page)), data);
  for (const char* name : {"Sel Isle", "data:image/png;base64,", "\"data:image/png;base64,\""}) {
    nlohmann::json pictured = data;
    pictured["terrain"] = {{"png", "data:image/png;base64,UXVlbg=="}, {"west", -3}, {"north", 4},
                           {"columns", 2}, {"rows", 1}};
    pictured["cells"][0]["name"] = name;
    EXPECT_EQ(nlohmann::json::parse(inside(plannerPage(pictured))), pictured) << name;
    // The rows given as text are set in the data's place, also where a
    // name holds what marks that place.
    pictured["cells"][0]["region"] = std::string(name) + "\"occupied\":null \"cells\":null";
    nlohmann::json rows = pictured;
    rows.erase("occupied");
    rows["cells"] = nullptr;
    EXPECT_EQ(nlohmann::json::parse(inside(plannerPage(
                  rows, {{"occupied", pictured["occupied"].dump()}, {"cells", pictured["cells"].dump()}}))),
              pictured)
        << name;
  }

  // The page's own parts are all filled in: no marker is left.
  for (const char* marker :
       {"@data@", "@planner.css@", "@overlaps.js@", "@map_data.js@", "@cell_picture.js@", "@planner.js@"}) {
    EXPECT_EQ(page.find(marker), std::string::npos) << marker;
  }
  EXPECT_NE(page.find("function overlapGrids("), std::string::npos);

  // A name that is not UTF-8 is written with U+FFFD rather than refused.
  const std::string page2 = plannerPage({{"plugin", "Caf\xE9.esp"}});
  EXPECT_NE(page2.find("Caf\xEF\xBF\xBD.esp"), std::string::npos);
}

class PlannerData : public harness::WorkDirTest {
 protected:
  nlohmann::json data(const std::vector<std::string>& against, const std::string& rulesFile) {
    std::vector<PluginCells> checked;
    for (const std::string& path : against) checked.push_back(*readCheckedPlugin(path, true));
    const std::unique_ptr<GameModel> model =
        makeGameModel(*readRulesFile(rulesFile.c_str()), rulesFile, std::nullopt, "mod.esp",
                      readPluginToMove("mod.esp"), std::move(checked), against);
    // The page's land, read as the program reads it: one view.
    const std::optional<LandView> view = plannerLandView(*model);
    readGameLand(*model, view ? std::vector<LandView>{*view} : std::vector<LandView>{});
    ::PlannerData made = plannerData(*model, view ? &model->terrains[0] : nullptr, {});
    for (const JsonText& member : made.asText) made.data[member.name] = nlohmann::json::parse(member.text);
    return made.data;
  }
};

// The start of a data: URL of a PNG of that width and height: its signature
// and the header chunk's length, name, width and height, 24 bytes that are
// 32 base64 characters.
std::string pngStart(uint32_t width, uint32_t height) {
  std::string bytes = "\x89PNG\r\n\x1a\n" + std::string("\0\0\0\x0dIHDR", 8);
  for (uint32_t value : {width, height}) {
    for (int shift = 24; shift >= 0; shift -= 8) bytes += static_cast<char>(value >> shift & 0xff);
  }
  return "data:image/png;base64," + base64(bytes);
}
std::string start(const nlohmann::json& terrain) {
  return terrain["png"].get<std::string>().substr(0, pngStart(1, 1).size());
}

// The page opens at the rules file's move when one move of the whole plugin
// does what the rules file does: every thing it takes moved by one offset,
// the damaged cell and land left, nothing copied or deleted.
TEST_F(PlannerData, OpensAtTheRulesFilesMoveWhenOneMoveOfThePluginIsIt) {
  for (const auto& [name, bytes] : testing_plugin::plannerTestFiles()) write(name, bytes);
  const struct {
    const char* rules;
    nlohmann::json offset;
  } rows[] = {
      {"", {0, 0}},
      {"TA, 3, -2\n", {3, -2}},
      {"TC, 1, 0, 3, -2\nTA, 3, -2\n", {3, -2}},  // other rules, the same move
      {"TC, 1, 0, 3, -1\nTA, 3, -2\n", nullptr},   // one grid elsewhere
      {"TC, 2, 2, 1, 0\n", nullptr},                // one grid moved, the rest kept
      {"DE, 0, 0\nTA, 3, -2\n", nullptr},          // a cell deleted
      {"CE, 0, 1, 5, 5\nTA, 3, -2\n", nullptr},    // land copied
  };
  for (const auto& row : rows) {
    write("offset.cfg", row.rules);
    EXPECT_EQ(data({"Base.esm"}, "offset.cfg")["rulesOffset"], row.offset) << row.rules;
  }
}

TEST_F(PlannerData, HoldsThePluginsThingsAsAWholePluginMoveTakesThem) {
  for (const auto& [name, bytes] : testing_plugin::plannerTestFiles()) write(name, bytes);
  const nlohmann::json d = data({"Base.esm", "Other.esp"}, "rules.cfg");

  // Each row: x, y, name, land, movable, cell, the rules file's fate and grid.
  struct Entry {
    int x, y;
    const char* name;
    bool land, movable, cell;
    const char* fate;
    int toX, toY;
  };
  const Entry expected[] = {
      {0, 0, "Sel Isle", true, true, true, "kept", 0, 0},
      {1, 0, "A", true, true, true, "moved", 1, -2},  // the grid's first cell takes its land
      {1, 0, "B", false, true, true, "moved", 1, -2},
      {3, 0, "Ruin", false, false, true, "kept", 3, 0},  // damaged: stays, its land goes
      {2, 2, "C", true, true, true, "kept", 2, 2},
      {4, 2, "Caf\xC3\xA9", false, true, true, "kept", 4, 2},  // its land is damaged
      {3, 0, "", true, true, false, "kept", 3, 0},     // sound land beside a damaged cell
      {0, 1, "", true, true, false, "copied", 9, 9},   // land without a cell
      {2, 2, "", true, true, false, "kept", 2, 2},     // a second LAND record of a grid
      {4, 2, "", true, false, false, "kept", 4, 2},    // damaged land beside a sound cell
  };
  ASSERT_EQ(d["cells"].size(), std::size(expected)) << d["cells"].dump();
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const Entry& e = expected[i];
    nlohmann::json want = {{"x", e.x}, {"y", e.y}, {"name", e.name}, {"region", i == 0 ? "Sheogorad" : ""},
                           {"land", e.land}, {"movable", e.movable}, {"fate", e.fate},
                           {"to", {e.toX, e.toY}}};
    if (!e.cell) want["cell"] = false;
    EXPECT_EQ(d["cells"][i], want) << i;
  }
  // One row a grid of each checked plugin, its name and region each kept
  // once in "texts"; land without a cell has no name.
  EXPECT_EQ(d["texts"], nlohmann::json({"Hill", "Sheogorad", "", "Road"}));
  EXPECT_EQ(d["occupied"], nlohmann::json::parse(R"([
      [2, 1, 0, 1, 0, 1], [0, 0, 0, 1, 2, 2], [5, 0, 0, 1, null, null],
      [2, 0, 1, 0, 3, 2], [-1, 1, 1, 0, 2, 2], [6, 2, 1, 1, null, null]])"));
  EXPECT_EQ(d["plugins"], nlohmann::json({"Base.esm", "Other.esp"}));
  EXPECT_EQ(d["overlaps"], nlohmann::json::parse("[[1, -2]]"));

  // The terrain spans everything, after the rules too, with two cells of
  // sea around: x from -1 to 9, y from -2 to 9; 16 pixels a cell.
  const nlohmann::json& t = d["terrain"];
  EXPECT_EQ(t["west"], -3);
  EXPECT_EQ(t["north"], 11);
  EXPECT_EQ(t["columns"], 15);
  EXPECT_EQ(t["rows"], 16);
  EXPECT_EQ(start(t), pngStart(15 * 16, 16 * 16));

  // A far cell makes the cells fewer pixels, not the picture larger: 1,005
  // cells of 3 pixels.
  write("Far.esp", testing_plugin::header() + testing_plugin::exteriorCell("", 1000, 0));
  write("none.cfg", "");
  EXPECT_EQ(start(data({"Far.esp"}, "none.cfg")["terrain"]), pngStart(1005 * 3, 7 * 3));

  // It reaches where a cell without land goes as well: x from 0 to 30, y
  // from 0 to 1 (the land that stays).
  write("mod.esp", testing_plugin::header() + testing_plugin::exteriorCell("", 0, 0) +
                       testing_plugin::land(1, 1));
  write("far.cfg", "MC, 0, 0, 30, 0\n");
  const nlohmann::json moved = data({}, "far.cfg")["terrain"];
  EXPECT_EQ(moved["west"], -2);
  EXPECT_EQ(moved["columns"], 35);
  EXPECT_EQ(moved["rows"], 6);
}

}  // namespace
