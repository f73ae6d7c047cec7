// Positions moved along with their cell.
#include "plugin/world_positions.h"

#include "base/numbers.h"
#include "base/text_format.h"
#include "plugin/run_context.h"

namespace {

// Room for two positions at their longest, two grid numbers and the words.
constexpr std::size_t kPositionLineSize = 2 * sizeof(FixedText::text) + 256;

}  // namespace

std::optional<WorldPosition> moveDestinationWithItsCell(const WriteInputs& in, WriteState& state,
                                                        uint8_t* xy,
                                                        const std::string& verboseLead,
                                                        const std::string& quietLead) {
  const bool verbose = in.options.verbose;
  const WorldPosition old = readWorldPosition(xy);
  std::optional<GridCell> cell = cellOfPosition(old.x, old.y);
  // The lines are put together in place: a master's characters and doors
  // hold thousands of destinations.
  if (cell && verbose) {
    ShortText<kPositionLineSize> line;
    line << "(" << fixed(old.x).text << ", " << fixed(old.y).text << "): cell ["
         << decimalText(cell->x).text << ", " << decimalText(cell->y).text << "] ";
    state.log.append(verboseLead);
    state.log.append(line.view());
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
    ShortText<kPositionLineSize> line;
    line << "(" << fixed(old.x).text << ", " << fixed(old.y).text << ") ";
    state.log.append(quietLead);
    state.log.append(line.view());
  }
  writeWorldPosition(xy, *moved);
  ShortText<kPositionLineSize> line;
  line << " - MODIFIED to (" << fixed(moved->x).text << ", " << fixed(moved->y).text << ")\n";
  state.log.append(line.view());
  return moved;
}
