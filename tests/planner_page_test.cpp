// quendrel-map's planner page: the map's data inside it reads back whole,
// and no name can end the script element it stands in.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "map/planner_page.h"

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

  // The data element ends at the first "</script" after it opens.
  const std::string opening = "<script type=\"application/json\" id=\"map-data\">";
  const std::size_t begin = page.find(opening);
  ASSERT_NE(begin, std::string::npos);
  const std::size_t from = begin + opening.size();
  const std::string inside = page.substr(from, page.find("</script", from) - from);
  EXPECT_EQ(inside.find("<!--"), std::string::npos);
  EXPECT_EQ(nlohmann::json::parse(inside), data);

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

}  // namespace
