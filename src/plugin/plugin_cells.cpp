// What the scan pass remembers of the plugin's own cells.
#include <string>
#include <unordered_map>

#include "plugin/plugin_cells.h"

namespace {

std::unordered_map<uint64_t, std::string> regionsByGrid;

uint64_t gridKey(int32_t x, int32_t y) {
  return uint64_t{static_cast<uint32_t>(x)} << 32 | static_cast<uint32_t>(y);
}

}  // namespace

void rememberExteriorCell(int32_t x, int32_t y, const char* region) {
  regionsByGrid.try_emplace(gridKey(x, y), region);
}

const char* regionOfPluginCell(int32_t x, int32_t y) {
  auto found = regionsByGrid.find(gridKey(x, y));
  return found == regionsByGrid.end() ? "" : found->second.c_str();
}

void forgetPluginCells() {
  regionsByGrid.clear();
}
