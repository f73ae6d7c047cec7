// The land under the cell map and the page, shaded: water in blues, land in
// greens to browns to greys, lit from the north-west.
#pragma once

#include "map/model/land_heights.h"
#include "map/model/terrain.h"
#include "map/outputs/png_image.h"

// The colour of the map at a height in game units: at or below 0 water,
// lighter blue where shallow and darker where deep; above 0 land, green low
// down, then brown, then grey on the heights. `light` (1 for flat land)
// brightens slopes facing north-west and darkens the others; water is flat.
Colour terrainColour(float height, float light);

// The frame's terrain, `pixelsPerCell` pixels to a cell's side, north up and
// lit from the north-west; grids without land are open sea.
Image shadeTerrain(const TerrainMap& terrain, const GridFrame& frame, double pixelsPerCell);
