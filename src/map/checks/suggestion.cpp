// Finding the nearest free offset for a whole plugin, one row of offsets at a
// time. Everything in the way is held as runs of blocked grids per row (the
// taken grids widened by the margin, the reserved rectangles, the staying
// grids). For a row offset dy, the offset dx is free when no run of the
// plugin's grids, shifted by (dx, dy), meets a blocked run; the search walks
// dx outwards from 0, and where a plugin run meets blocked runs it jumps
// straight past them, so a row costs the blocked runs passed on the way to
// the nearest free dx, not the offsets in between. Rows are searched
// outwards from dy = 0 until no row can hold a nearer answer. Far from the
// taken grids only rectangles and staying grids block anything, and what
// blocks a row changes only where a plugin row enters or leaves one: only
// those rows are searched there.
#include "map/checks/suggestion.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace {

// Offsets beyond this quendrel refuses to apply.
constexpr int64_t kLargestOffset = kLargestCellOffset;

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

// The largest r with r² <= n.
int64_t wholeSquareRoot(int64_t n) {
  auto root = static_cast<int64_t>(std::sqrt(static_cast<double>(n)));
  while (root * root > n) --root;
  while ((root + 1) * (root + 1) <= n) ++root;
  return root;
}

class Search {
 public:
  explicit Search(const SuggestionInput& input) : input_(input) {
    if (input.moving.empty()) return;
    const std::map<int64_t, Runs> moving = rowsOf(input.moving);
    moving_.assign(moving.begin(), moving.end());
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
    staying_ = rowsOf(input.staying);
    int64_t xLow = INT64_MAX, xHigh = INT64_MIN;
    for (const auto& [y, runs] : moving_) {
      xLow = std::min(xLow, runs.front().first);
      xHigh = std::max(xHigh, runs.back().second);
    }
    const int64_t yLow = moving_.front().first, yHigh = moving_.back().first;
    dxLow_ = std::max(-kLargestOffset, INT32_MIN - xLow);
    dxHigh_ = std::min(kLargestOffset, INT32_MAX - xHigh);
    dyLow_ = std::max(-kLargestOffset, INT32_MIN - yLow);
    dyHigh_ = std::min(kLargestOffset, INT32_MAX - yHigh);
    // Where the plugin's rows meet widened taken rows, every row is searched.
    if (!blocked_.empty()) {
      nearLow_ = blockedLow - yHigh;
      nearHigh_ = blockedHigh - yLow;
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
      for (const auto& [y, stay] : staying_) change(y - row);
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
        // Only a dx with dx² + dy² <= the best's can win.
        const int64_t reach =
            best ? wholeSquareRoot(squared(best->first, best->second) - dy * dy) : kLargestOffset;
        if (std::optional<int64_t> dx = nearestInRow(dy, reach); dx && better(*dx, dy)) {
          best = std::pair{*dx, dy};
        }
      }
    }
    if (!best) return std::nullopt;
    return GridCell{static_cast<int32_t>(best->first), static_cast<int32_t>(best->second)};
  }

 private:
  // The blocked runs of a row: widened taken grids, reserved rectangles and
  // (with `staying`) staying grids, sorted and joined.
  const Runs& blockedRow(int64_t row, bool staying) {
    const auto key = std::pair{row, staying};
    if (const auto cached = rows_.find(key); cached != rows_.end()) return cached->second;
    Runs runs;
    if (const auto blocked = blocked_.find(row); blocked != blocked_.end()) runs = blocked->second;
    for (const GridRectangle& r : input_.reserved) {
      if (row >= r.y1 && row <= r.y2) runs.push_back({r.x1, r.x2});
    }
    if (const auto stay = staying_.find(row); staying && stay != staying_.end()) {
      runs.insert(runs.end(), stay->second.begin(), stay->second.end());
    }
    mergeRuns(runs);
    return rows_.emplace(key, std::move(runs)).first->second;
  }

  // Where the plugin shifted by (dx, dy) first meets blocked runs: the next
  // dx worth trying beyond them, walking in `step`'s direction (+1 or -1);
  // nothing when (dx, dy) is free.
  std::optional<int64_t> blockedUntil(int64_t dx, int64_t dy, int step, bool staying) {
    for (const auto& [y, runs] : moving_) {
      const Runs& blocked = blockedRow(y + dy, staying);
      if (blocked.empty()) continue;
      for (const Run& m : runs) {
        const int64_t first = m.first + dx, last = m.second + dx;
        // The first blocked run that ends at or after `first`.
        const auto run = std::lower_bound(blocked.begin(), blocked.end(), first,
                                          [](const Run& r, int64_t x) { return r.second < x; });
        if (run == blocked.end() || run->first > last) continue;
        // Walking west, past the westmost blocked run it meets; walking
        // east, past the eastmost.
        if (step < 0) return run->first - m.second - 1;
        auto east = run;
        while (std::next(east) != blocked.end() && std::next(east)->first <= last) ++east;
        return east->second - m.first + 1;
      }
    }
    return std::nullopt;
  }

  // The free dx nearest 0 for the row offset dy with |dx| <= reach (ties:
  // the smaller dx).
  std::optional<int64_t> nearestInRow(int64_t dy, int64_t reach) {
    // Offset nothing moves nothing: no grid lands beside its own staying record.
    if (!blockedUntil(0, dy, 1, dy != 0)) return 0;
    const int64_t westEnd = std::max(dxLow_, -reach);
    std::optional<int64_t> west;
    for (int64_t dx = -1; dx >= westEnd;) {
      const std::optional<int64_t> next = blockedUntil(dx, dy, -1, true);
      if (!next) {
        west = dx;
        break;
      }
      dx = *next;
    }
    const int64_t eastEnd = std::min(dxHigh_, west ? -*west - 1 : reach);
    for (int64_t dx = 1; dx <= eastEnd;) {
      const std::optional<int64_t> next = blockedUntil(dx, dy, 1, true);
      if (!next) return dx;
      dx = *next;
    }
    return west;
  }

  // The row offset dy and those beside it are searched.
  void change(int64_t dy) {
    for (int64_t near : {dy - 1, dy, dy + 1}) changes_.insert(near);
  }

  const SuggestionInput& input_;
  std::vector<std::pair<int64_t, Runs>> moving_;  // by row, south to north
  std::unordered_map<int64_t, Runs> blocked_;     // the taken grids widened by the margin
  std::map<int64_t, Runs> staying_;
  std::map<std::pair<int64_t, bool>, Runs> rows_;  // blockedRow's answers
  int64_t dxLow_ = 0, dxHigh_ = 0, dyLow_ = 0, dyHigh_ = 0;
  int64_t nearLow_ = 1, nearHigh_ = 0;  // the row offsets that meet blocked rows; none yet
  std::unordered_set<int64_t> changes_;
};

}  // namespace

std::optional<GridCell> suggestOffset(const SuggestionInput& input) {
  return Search(input).nearest();
}
