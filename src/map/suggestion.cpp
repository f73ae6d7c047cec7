// Finding the nearest free offset for a whole plugin, one row of offsets at a
// time. For a row offset dy, the offsets dx that put a moving grid on a
// blocked grid are unions of intervals: a run of moving grids a..b in row y
// meets a run of blocked grids c..d in row y + dy exactly for dx in
// c - b .. d - a. So every dy costs the plugin's runs times the blocked runs
// they meet, not the number of offsets in the row, and the rows are searched
// outwards from dy = 0 until no row can hold a nearer answer. Far from the
// taken grids only reserved rectangles (and staying grids) block anything,
// and their intervals change only where a plugin row enters or leaves one:
// only those rows are searched there.
#include "map/suggestion.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// Offsets beyond this quendrel refuses to apply (the move in world units
// would not fit in 32 bits).
constexpr int64_t kLargestOffset = 262143;

using Run = std::pair<int64_t, int64_t>;  // x from first to last, both included
using Runs = std::vector<Run>;

// Sorts the runs and joins those that overlap or touch.
void mergeRuns(Runs& runs) {
  std::sort(runs.begin(), runs.end());
  std::size_t kept = 0;
  for (const Run& run : runs) {
    if (kept > 0 && run.first <= runs[kept - 1].second + 1) {
      runs[kept - 1].second = std::max(runs[kept - 1].second, run.second);
    } else {
      runs[kept++] = run;
    }
  }
  runs.resize(kept);
}

// The grids as runs, row by row.
std::map<int64_t, Runs> rowsOf(const std::vector<GridCell>& grids) {
  std::map<int64_t, Runs> rows;
  for (GridCell g : grids) rows[g.y].push_back({g.x, g.x});
  for (auto& [y, runs] : rows) mergeRuns(runs);
  return rows;
}

// The lowest and highest value of x or y over the grids.
struct Extent {
  int64_t low = INT64_MAX, high = INT64_MIN;
};
Extent extentOf(const std::vector<GridCell>& grids, int32_t GridCell::*axis) {
  Extent extent;
  for (const GridCell& g : grids) {
    extent.low = std::min<int64_t>(extent.low, g.*axis);
    extent.high = std::max<int64_t>(extent.high, g.*axis);
  }
  return extent;
}

class Search {
 public:
  explicit Search(const SuggestionInput& input) : input_(input) {
    if (input.moving.empty()) return;
    moving_ = rowsOf(input.moving);
    // The taken grids, widened by the margin on every side.
    const int64_t margin = input.margin;
    for (const auto& [y, runs] : rowsOf(input.taken)) {
      for (int64_t row = y - margin; row <= y + margin; ++row) {
        Runs& blocked = blocked_[row];
        for (const Run& run : runs) blocked.push_back({run.first - margin, run.second + margin});
      }
    }
    int64_t blockedLow = INT64_MAX, blockedHigh = INT64_MIN;
    for (auto& [row, runs] : blocked_) {
      mergeRuns(runs);
      blockedLow = std::min(blockedLow, row);
      blockedHigh = std::max(blockedHigh, row);
    }
    const Extent x = extentOf(input.moving, &GridCell::x), y = extentOf(input.moving, &GridCell::y);
    dxLow_ = std::max(-kLargestOffset, INT32_MIN - x.low);
    dxHigh_ = std::min(kLargestOffset, INT32_MAX - x.high);
    dyLow_ = std::max(-kLargestOffset, INT32_MIN - y.low);
    dyHigh_ = std::min(kLargestOffset, INT32_MAX - y.high);
    // Where the plugin's rows meet widened taken rows, every row is searched.
    if (!blocked_.empty()) {
      nearLow_ = blockedLow - y.high;
      nearHigh_ = blockedHigh - y.low;
      change(nearLow_);
      change(nearHigh_);
    }
    // Elsewhere, only the rows where what blocks a row changes: a plugin row
    // enters or leaves a rectangle, or meets a staying grid.
    for (const auto& [row, runs] : moving_) {
      for (const GridRectangle& r : input.reserved) {
        change(r.y1 - row);
        change(r.y2 - row);
      }
      for (const GridCell& s : input.staying) change(s.y - row);
    }
    change(0);
  }

  std::optional<GridCell> nearest() {
    if (input_.moving.empty()) return GridCell{0, 0};
    std::optional<std::pair<int64_t, int64_t>> best;  // dx, dy
    auto squared = [](int64_t dx, int64_t dy) { return dx * dx + dy * dy; };
    auto better = [&](int64_t dx, int64_t dy) {
      if (!best) return true;
      const auto [bestX, bestY] = *best;
      if (squared(dx, dy) != squared(bestX, bestY)) return squared(dx, dy) < squared(bestX, bestY);
      return dy != bestY ? dy < bestY : dx < bestX;
    };
    const int64_t farthest = std::max(-dyLow_, dyHigh_);
    for (int64_t k = 0; k <= farthest; ++k) {
      // No row this far holds a nearer answer.
      if (best && k * k > squared(best->first, best->second)) break;
      const int64_t rows[] = {-k, k};
      for (int64_t dy : std::span(rows, k == 0 ? 1 : 2)) {
        if (dy < dyLow_ || dy > dyHigh_) continue;
        if ((dy < nearLow_ || dy > nearHigh_) && !changes_.count(dy)) continue;
        if (std::optional<int64_t> dx = nearestInRow(dy); dx && better(*dx, dy)) {
          best = std::pair{*dx, dy};
        }
      }
    }
    if (!best) return std::nullopt;
    return GridCell{static_cast<int32_t>(best->first), static_cast<int32_t>(best->second)};
  }

 private:
  // The free dx nearest 0 for the row offset dy (ties: the smaller dx).
  std::optional<int64_t> nearestInRow(int64_t dy) {
    Runs& closed = closed_;
    closed.clear();
    for (const auto& [y, runs] : moving_) {
      const int64_t row = y + dy;
      if (const auto blocked = blocked_.find(row); blocked != blocked_.end()) {
        for (const Run& m : runs) {
          for (const Run& b : blocked->second) closed.push_back({b.first - m.second, b.second - m.first});
        }
      }
      for (const GridRectangle& r : input_.reserved) {
        if (row < r.y1 || row > r.y2) continue;
        for (const Run& m : runs) closed.push_back({r.x1 - m.second, r.x2 - m.first});
      }
    }
    for (const GridCell& s : input_.staying) {
      const auto runs = moving_.find(s.y - dy);
      if (runs == moving_.end()) continue;
      for (const Run& m : runs->second) {
        const int64_t low = s.x - m.second, high = s.x - m.first;
        if (dy == 0 && low <= 0 && high >= 0) {
          // Offset nothing moves nothing: the grid stays beside its own record.
          closed.push_back({low, -1});
          closed.push_back({1, high});
        } else {
          closed.push_back({low, high});
        }
      }
    }
    mergeRuns(closed);
    // The closed interval holding 0, if any; the free dx on either side of it.
    const auto holding = std::find_if(closed.begin(), closed.end(),
                                      [](const Run& r) { return r.first <= 0 && r.second >= 0; });
    if (holding == closed.end()) return 0;
    const int64_t west = holding->first - 1, east = holding->second + 1;
    const bool westFree = west >= dxLow_, eastFree = east <= dxHigh_;
    if (westFree && (!eastFree || -west <= east)) return west;
    if (eastFree) return east;
    return std::nullopt;
  }

  // The row offset dy and those beside it are searched.
  void change(int64_t dy) {
    for (int64_t near : {dy - 1, dy, dy + 1}) changes_.insert(near);
  }

  const SuggestionInput& input_;
  std::map<int64_t, Runs> moving_;
  std::unordered_map<int64_t, Runs> blocked_;  // the taken grids widened by the margin
  int64_t dxLow_ = 0, dxHigh_ = 0, dyLow_ = 0, dyHigh_ = 0;
  int64_t nearLow_ = 1, nearHigh_ = 0;  // the row offsets that meet blocked rows; none yet
  std::unordered_set<int64_t> changes_;
  Runs closed_;
};

}  // namespace

std::optional<GridCell> suggestOffset(const SuggestionInput& input) {
  return Search(input).nearest();
}
