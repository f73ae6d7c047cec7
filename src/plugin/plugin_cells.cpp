// What the scan pass remembers of the plugin's own cells.
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "plugin/plugin_cells.h"

namespace {

std::unordered_map<uint64_t, std::string> regionsByGrid;
std::unordered_set<std::string> interiorNames;

uint64_t gridKey(int32_t x, int32_t y) {
  return uint64_t{static_cast<uint32_t>(x)} << 32 | static_cast<uint32_t>(y);
}

}  // namespace

void rememberExteriorCell(int32_t x, int32_t y, const char* region) {
  regionsByGrid.try_emplace(gridKey(x, y), region);
}

void rememberInteriorCell(const char* name) {
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  interiorNames.insert(std::move(lower));
}

const char* regionOfPluginCell(int32_t x, int32_t y) {
  auto found = regionsByGrid.find(gridKey(x, y));
  return found == regionsByGrid.end() ? "" : found->second.c_str();
}

bool isInteriorCellOfPlugin(const char* lowerCaseName) {
  return interiorNames.count(lowerCaseName) > 0;
}

void forgetPluginCells() {
  regionsByGrid.clear();
  interiorNames.clear();
}
