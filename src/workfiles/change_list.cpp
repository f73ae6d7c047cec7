// The change list.
#include "workfiles/change_list.h"

#include <cstdio>

#include "base/report.h"

const char* const kChangeListFile = "qncells.tmp";

void ChangeList::add(const CellMove& move) {
  moves_.push_back(move);
  first_.try_emplace(move.from, move.offset);
}

std::optional<GridCell> ChangeList::find(GridCell grid) const {
  const auto found = first_.find(grid);
  if (found == first_.end()) return std::nullopt;
  return found->second;
}

void noteMove(RunFile& file, ChangeList& moves, const CellMove& move) {
  char line[64];
  const int length = std::snprintf(line, sizeof line, "%d, %d, %d, %d\n", move.from.x, move.from.y,
                                   move.offset.x, move.offset.y);
  if (!file.append(line, static_cast<std::size_t>(length))) {
    std::fprintf(stderr, "Unable to open change list file for appending (%s): %s\n",
                 kChangeListFile, systemErrorText());
    return;
  }
  moves.add(move);
}
