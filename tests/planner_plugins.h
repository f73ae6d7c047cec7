// Made-up plugins for the planner page's tests: mod.esp holds every kind of
// thing a move of the whole plugin takes or leaves, and the two plugins it
// is checked against hold land without a cell and cells without land.
//
//   mod.esp    (0, 0) "Sel Isle" (Sheogorad) with land
//              (1, 0) "A" with land, and "B" without: two cells on one grid
//              (3, 0) a damaged cell "Ruin", with sound land
//              (2, 2) "C" with land, and a second LAND record of that grid
//              (4, 2) "Café" (Windows-1252) with damaged land
//              (0, 1) land without a cell
//   Base.esm   (2, 1) "Hill" (Sheogorad) and (0, 0) "" with land; land at (5, 0)
//   Other.esp  (2, 0) "Road" and (-1, 1) "": cells without land; land at (6, 2)
//   rules.cfg  moves (1, 0) to (1, -2) and copies the land at (0, 1) to (9, 9)
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "plugin_builder.h"

namespace testing_plugin {

// A cell quendrel passes on unchanged: a reference's DATA runs past the record.
inline std::string damagedCell(const std::string& name, int32_t x, int32_t y) {
  std::string cell = exteriorCell(name, x, y, "", reference(1, "a", 1, 1));
  cell[cell.size() - 28] = 100;
  return cell;
}
// Land quendrel passes on unchanged: two stray bytes after its subrecords.
inline std::string damagedLand(int32_t x, int32_t y) { return land(x, y, "xy"); }

// Each file's name and bytes.
inline std::vector<std::pair<std::string, std::string>> plannerTestFiles() {
  return {
      {"mod.esp", header() + exteriorCell("Sel Isle", 0, 0, "Sheogorad") + exteriorCell("A", 1, 0) +
                      exteriorCell("B", 1, 0) + damagedCell("Ruin", 3, 0) + exteriorCell("C", 2, 2) +
                      exteriorCell("Caf\xE9", 4, 2) + land(0, 0) + land(1, 0) + land(3, 0) +
                      land(0, 1) + land(2, 2) + land(2, 2) + damagedLand(4, 2)},
      {"Base.esm", header(1) + exteriorCell("Hill", 2, 1, "Sheogorad") + land(2, 1) +
                       land(5, 0) + exteriorCell("", 0, 0) + land(0, 0)},
      {"Other.esp", header() + exteriorCell("Road", 2, 0) + exteriorCell("", -1, 1) + land(6, 2)},
      {"rules.cfg", "MC, 1, 0, 1, -2\nCE, 0, 1, 9, 9\n"},
  };
}

}  // namespace testing_plugin
