// Positions moved along with their cell.
#include "plugin/world_positions.h"

#include "base/text_format.h"
#include "plugin/run_context.h"

std::optional<WorldPosition> moveDestinationWithItsCell(const WriteInputs& in, WriteState& state,
                                                        uint8_t* xy,
                                                        const std::string& verboseLead,
                                                        const std::string& quietLead) {
  const bool verbose = in.options.verbose;
  const WorldPosition old = readWorldPosition(xy);
  std::optional<GridCell> cell = cellOfPosition(old.x, old.y);
  if (cell && verbose) {
    state.log.append(verboseLead + formatted("(%s, %s): cell [%d, %d] ", fixed(old.x).text,
                                               fixed(old.y).text, cell->x, cell->y));
  }
  std::optional<WorldPosition> moved;
  if (cell) {
    if (std::optional<GridCell> offset = in.facts.moves.find(*cell)) {
      moved = shiftWorldPosition(old, offset->x, offset->y);
    }
  }
  if (!moved) {
    if (verbose) state.log.append("\n");
    return std::nullopt;
  }
  if (!verbose) {
    state.log.append(quietLead + formatted("(%s, %s) ", fixed(old.x).text, fixed(old.y).text));
  }
  writeWorldPosition(xy, *moved);
  state.log.append(
      formatted(" - MODIFIED to (%s, %s)\n", fixed(moved->x).text, fixed(moved->y).text));
  return moved;
}
