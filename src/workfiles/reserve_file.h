// The reserve file: land that other projects have announced, where no cell
// of the plugin may go when quendrel-map suggests an offset. One rectangle a
// line, its corners in either order:
//
//   ; Tamriel's next release
//   -40, -10, -30, 5
//   12, 7, 12, 7        # a single cell
//
// `;` and `#` begin a comment that runs to the end of the line.
#pragma once

#include <string>
#include <vector>

#include <cstdint>

// The grids from (x1, y1) to (x2, y2), both included; x1 <= x2, y1 <= y2.
struct GridRectangle {
  int32_t x1, y1, x2, y2;
};

// The rectangles, in file order. A file that cannot be read, or a line that
// is not four whole numbers (each fitting in 32 bits) separated by commas,
// ends the run with one line on standard error naming the file and line.
std::vector<GridRectangle> readReserveFile(const std::string& path);
