// Conversions between world positions and the grid of exterior cells, and
// positions moved along with their cell.
#include <cmath>

#include "base/numbers.h"
#include "base/report.h"
#include "base/run_state.h"
#include "plugin/record_layout.h"
#include "plugin/world_positions.h"
#include "workfiles/change_list.h"

std::optional<int32_t> cellOfCoordinate(float coordinate) {
  if (!std::isfinite(coordinate)) return std::nullopt;
  // The product is exact: 1/8192 is a power of two.
  float scaled = coordinate * 0.0001220703125f;
  double truncated = std::trunc(static_cast<double>(scaled));
  // One above the lowest cell leaves room for the subtraction below.
  if (truncated < -2147483647.0 || truncated > 2147483647.0) return std::nullopt;
  int32_t cell = static_cast<int32_t>(truncated);
  if (coordinate < 0.0f) cell -= 1;
  return cell;
}

std::optional<GridCell> cellOfPosition(float x, float y) {
  std::optional<int32_t> cellX = cellOfCoordinate(x);
  std::optional<int32_t> cellY = cellOfCoordinate(y);
  if (!cellX || !cellY) return std::nullopt;
  return GridCell{*cellX, *cellY};
}

std::optional<float> shiftPosition(float coordinate, int32_t cellOffset) {
  if (!std::isfinite(coordinate)) return std::nullopt;
  constexpr int32_t kLargestOffset = INT32_MAX / kCellSize;
  if (cellOffset > kLargestOffset || cellOffset < -kLargestOffset) return std::nullopt;
  // offset * 8192 is a whole number below 2^31 whose float form is exact, so
  // the float sum below is rounded only once.
  float shift = static_cast<float>(cellOffset * kCellSize);
  return coordinate + shift;
}

std::optional<WorldPosition> shiftWorldPosition(WorldPosition position, int32_t dX, int32_t dY) {
  std::optional<float> x = shiftPosition(position.x, dX);
  std::optional<float> y = shiftPosition(position.y, dY);
  if (!x || !y) return std::nullopt;
  return WorldPosition{*x, *y};
}

std::optional<WorldPosition> followMovedCell(GridCell cell, WorldPosition position) {
  int32_t dX, dY;
  if (!findChange(cell.x, cell.y, dX, dY)) return std::nullopt;
  return shiftWorldPosition(position, dX, dY);
}

std::optional<WorldPosition> moveDestinationWithItsCell(uint8_t* xy, const std::string& verboseLead,
                                                        const std::string& quietLead) {
  const WorldPosition old = readWorldPosition(xy);
  std::optional<GridCell> cell = cellOfPosition(old.x, old.y);
  if (cell && runOptions.verbose) {
    appendRunLog(verboseLead + formatMessage("(%s, %s): cell [%d, %d] ", fixed(old.x).text,
                                             fixed(old.y).text, cell->x, cell->y));
  }
  std::optional<WorldPosition> moved;
  if (cell) moved = followMovedCell(*cell, old);
  if (!moved) {
    if (runOptions.verbose) appendRunLog("\n");
    return std::nullopt;
  }
  if (!runOptions.verbose) {
    appendRunLog(quietLead + formatMessage("(%s, %s) ", fixed(old.x).text, fixed(old.y).text));
  }
  writeWorldPosition(xy, *moved);
  appendRunLog(
      formatMessage(" - MODIFIED to (%s, %s)\n", fixed(moved->x).text, fixed(moved->y).text));
  return moved;
}
