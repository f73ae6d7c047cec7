// Positions moved along with their cell.
#include "plugin/world_positions.h"

#include "base/text_format.h"
#include "plugin/run_context.h"

std::optional<WorldPosition> shiftWorldPosition(WorldPosition position, int32_t dX, int32_t dY) {
  std::optional<float> x = shiftPosition(position.x, dX);
  std::optional<float> y = shiftPosition(position.y, dY);
  if (!x || !y) return std::nullopt;
  return WorldPosition{*x, *y};
}

std::optional<WorldPosition> moveDestinationWithItsCell(RunContext& context, uint8_t* xy,
                                                        const std::string& verboseLead,
                                                        const std::string& quietLead) {
  const bool verbose = context.options.verbose;
  const WorldPosition old = readWorldPosition(xy);
  std::optional<GridCell> cell = cellOfPosition(old.x, old.y);
  if (cell && verbose) {
    context.log.append(verboseLead + formatted("(%s, %s): cell [%d, %d] ", fixed(old.x).text,
                                               fixed(old.y).text, cell->x, cell->y));
  }
  std::optional<WorldPosition> moved;
  if (cell) {
    if (std::optional<GridCell> offset = context.facts.moves.find(*cell)) {
      moved = shiftWorldPosition(old, offset->x, offset->y);
    }
  }
  if (!moved) {
    if (verbose) context.log.append("\n");
    return std::nullopt;
  }
  if (!verbose) {
    context.log.append(quietLead + formatted("(%s, %s) ", fixed(old.x).text, fixed(old.y).text));
  }
  writeWorldPosition(xy, *moved);
  context.log.append(
      formatted(" - MODIFIED to (%s, %s)\n", fixed(moved->x).text, fixed(moved->y).text));
  return moved;
}
