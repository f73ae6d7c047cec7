// A world position (an X and Y pair of floats in a subrecord) and its move
// along with the exterior cell it lies in.
#pragma once

#include <cstdint>
#include <optional>

#include "records/record_layout.h"

struct WorldPosition {
  float x, y;
};

inline WorldPosition readWorldPosition(const uint8_t* xy) {
  return {readF32(xy + kXOffset), readF32(xy + kYOffset)};
}
inline void writeWorldPosition(uint8_t* xy, WorldPosition position) {
  writeF32(xy + kXOffset, position.x);
  writeF32(xy + kYOffset, position.y);
}

// The position moved by whole cells; nothing when either coordinate cannot
// move (not a finite number, or an offset too large for the grid).
inline std::optional<WorldPosition> shiftWorldPosition(WorldPosition position, int32_t dX,
                                                       int32_t dY) {
  std::optional<float> x = shiftPosition(position.x, dX);
  std::optional<float> y = shiftPosition(position.y, dY);
  if (!x || !y) return std::nullopt;
  return WorldPosition{*x, *y};
}
