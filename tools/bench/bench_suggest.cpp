// Times quendrel-map's suggestion on load orders of 20,000 occupied grids
// and a plugin of 2,000 cells, with and without a margin and reserved land:
// a compact continent with the plugin in its middle, and the same number of
// grids scattered over a wider sea.
//
// Usage: bench_suggest [RUNS]    (target bench_suggest; prints the median)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "fixed_random.h"
#include "map/checks/suggestion.h"

namespace {

using Random = FixedRandom;

// `count` grids of a square of side `side` centred on (0, 0): all of them
// in rows when `compact`, else drawn at random (each once).
std::vector<GridCell> grids(int count, int side, bool compact, Random& random) {
  std::set<std::pair<int32_t, int32_t>> chosen;
  std::vector<GridCell> out;
  for (int i = 0; static_cast<int>(out.size()) < count; ++i) {
    const int32_t x = compact ? i % side - side / 2 : random.below(side) - side / 2;
    const int32_t y = compact ? i / side - side / 2 : random.below(side) - side / 2;
    if (chosen.insert({x, y}).second) out.push_back({x, y});
  }
  return out;
}

struct Case {
  const char* name;
  SuggestionInput input;
};

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  Random random(0x2545f4914f6cdd1dULL);
  const std::vector<GridCell> continent = grids(20000, 142, true, random);
  const std::vector<GridCell> sea = grids(20000, 400, false, random);
  const std::vector<GridCell> island = grids(2000, 45, true, random);
  const std::vector<GridCell> scattered = grids(2000, 120, false, random);
  // Announced land all around the continent's east and west coasts.
  const std::vector<GridRectangle> reserved = {{72, -100, 120, 100}, {-120, -100, -72, 100},
                                               {-5, 80, 5, 85}};
  const std::vector<Case> cases = {
      {"compact plugin in a continent", {island, {}, continent, 0, {}}},
      {"  with margin 3", {island, {}, continent, 3, {}}},
      {"  with margin 3 and reserved coasts", {island, {}, continent, 3, reserved}},
      {"scattered plugin in a continent", {scattered, {}, continent, 0, {}}},
      {"compact plugin in a scattered sea", {island, {}, sea, 0, {}}},
      {"scattered plugin in a scattered sea, margin 1", {scattered, {}, sea, 1, reserved}},
  };
  std::printf("%d occupied grids, a plugin of %zu grids; median of %d runs\n",
              static_cast<int>(continent.size()), island.size(), runs);
  for (const Case& c : cases) {
    std::vector<double> seconds;
    std::optional<GridCell> answer;
    for (int run = 0; run < runs; ++run) {
      const auto start = std::chrono::steady_clock::now();
      answer = suggestOffset(c.input);
      seconds.push_back(
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(seconds.begin(), seconds.end());
    if (answer) {
      std::printf("%-48s %8.4f s   TA, %d, %d\n", c.name, seconds[seconds.size() / 2], answer->x,
                  answer->y);
    } else {
      std::printf("%-48s %8.4f s   none\n", c.name, seconds[seconds.size() / 2]);
    }
  }
  return 0;
}
