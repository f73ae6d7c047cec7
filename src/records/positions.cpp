// Conversions between world positions and the grid of exterior cells.
#include <cmath>

#include "records/record_layout.h"

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
  if (cellOffset > kLargestCellOffset || cellOffset < -kLargestCellOffset) return std::nullopt;
  // offset * 8192 is a whole number below 2^31 whose float form is exact, so
  // the float sum below is rounded only once.
  float shift = static_cast<float>(cellOffset * kCellSize);
  return coordinate + shift;
}
