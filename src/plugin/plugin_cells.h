// Filling the scan pass's memory of the plugin's own cells.
#pragma once

#include <cstdint>

void rememberExteriorCell(int32_t x, int32_t y, const char* region);
void rememberInteriorCell(const char* name);
