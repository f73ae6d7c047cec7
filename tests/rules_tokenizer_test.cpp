// Splitting a rule line into the rule code and its four parameters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rules/rules.h"

namespace {

std::vector<std::string> split(const char* line) {
  std::optional<RuleFields> fields = tokenizeRule(line);
  EXPECT_TRUE(fields.has_value()) << line;
  if (!fields) return {};
  return {fields->begin(), fields->end()};
}
using Fields = std::vector<std::string>;

TEST(RuleTokenizer, DropsBlanksAndQuotesButNotTabs) {
  EXPECT_EQ(split("TC, 3, - 2, 0, 1\n"), (Fields{"TC", "3", "-2", "0", "1"}));
  EXPECT_EQ(split("TR, Ash Coast Region , 1\n"), (Fields{"TR", "AshCoastRegion", "1", "", ""}));
  EXPECT_EQ(split("DR,\"North, East\"\n"), (Fields{"DR", "North, East", "", "", ""}));
  EXPECT_EQ(split("CI,Old\" Inn, \"Cellar,x\n"), (Fields{"CI", "Old Inn, Cellar", "x", "", ""}));
  EXPECT_EQ(split("DE,\t7,8\n"), (Fields{"DE", "\t7", "8", "", ""}));
  // The newline ends a field even inside an unclosed quote; the next split
  // starts with quoting off.
  EXPECT_EQ(split("DR,\"open quote\n"), (Fields{"DR", "open quote", "", "", ""}));
  EXPECT_EQ(split("DR, a b\n"), (Fields{"DR", "ab", "", "", ""}));
}

TEST(RuleTokenizer, AllowsTheCodeAndFourParametersOnly) {
  const char* tooMany[] = {"MC,1,2,3,4,\n", "MC,1,2,3,4,5\n", "MC,1,2,3,4\n \n",
                           "MC,1,2,3,4\r\n"};  // a raw CR is a separator of its own
  for (const char* line : tooMany) EXPECT_FALSE(tokenizeRule(line).has_value()) << line;
  EXPECT_EQ(split("MC,1,2,3,4\n")[4], "4");
  EXPECT_EQ(split("MC,1,2,3,4")[4], "4");
  EXPECT_EQ(split("MC,1,2,3,\"4,5\"\n")[4], "4,5");
}

}  // namespace
