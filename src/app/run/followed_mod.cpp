// Reading the mod a plugin follows: its exterior cells with their regions,
// its land, the markers of its exterior cells and its interior cells' names,
// taken only from the records the passes would handle (a damaged record is
// left as it is, and so keeps its grid).
#include "app/run/followed_mod.h"

#include <algorithm>
#include <optional>

#include "app/run/damage_ends_run.h"
#include "base/report.h"
#include "records/cell_header.h"
#include "records/grid_regions.h"
#include "records/record_check.h"
#include "records/record_reader.h"
#include "records/subrecords.h"
#include "world/pointers.h"

namespace {

constexpr std::size_t kReadBuffer = 1 << 20;

// What the mod holds, in its order: cells and markers as met, land after.
struct ModPlaces {
  std::vector<GridOccupant> cells;
  std::vector<GridCell> lands;
  std::vector<GridCell> markers;
  std::vector<std::string> interiors;
  GridRegions regions;  // the region of the first sound cell at each grid
};

void noteCell(ModPlaces& places, const uint8_t* data, std::size_t dataSize) {
  const std::optional<CellHeader> header = readCellHeader(data, dataSize);
  if (!header) return;
  if (header->interior) {
    places.interiors.push_back(header->name);
    return;
  }
  places.cells.push_back({GridOccupant::kCell, header->grid, header->region});
  places.regions.note(header->grid, header->region);
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize, header->end)) {
    if (pointerRow(PointerKind::kMarker).holdsSubrecord(s)) {
      places.markers.push_back(readGrid(data + s.dataOffset()));
    }
  }
}

ModPlaces readModPlaces(const char* path) {
  EndRunOnDamage endRunOnDamage(path);
  RecordReader reader(endRunOnDamage, kReadBuffer);
  if (!reader.open(path)) failRun("Unable to open %s for reading: %s\n", path, systemErrorText());
  ModPlaces places;
  std::vector<uint8_t> record;
  RecordHeader header;
  while (reader.next(header)) {
    const bool cell = header.isType("CELL");
    if (!cell && !header.isType("LAND")) {
      reader.skip(header);
      continue;
    }
    record.resize(header.wholeSize());
    if (!reader.readRecord(header, record.data())) break;
    if (describeRecordDamage(record.data(), record.size(), cell ? kCellNeeds : kLandNeeds)) {
      continue;
    }
    const uint8_t* data = record.data() + kRecordHeaderSize;
    if (cell) {
      noteCell(places, data, header.dataSize);
    } else if (const std::optional<GridCell> grid = landGrid(data, header.dataSize, header.dataSize)) {
      places.lands.push_back(*grid);
    }
  }
  return places;
}

}  // namespace

int FollowedMod::count(CellFate fate) const {
  return static_cast<int>(std::count_if(fates.begin(), fates.end(),
                                        [fate](const GridFate& f) { return f.fate == fate; }));
}

FollowedMod readFollowedMod(const char* path, const RuleTable& rules) {
  ModPlaces places = readModPlaces(path);
  // The rules see land by its cell's region (none without a cell) and a
  // marker's target by the region of the mod's cell there (empty without one).
  std::vector<GridOccupant> occupants = std::move(places.cells);
  auto regionAt = [&](GridCell grid) -> std::optional<std::string> {
    const char* region = places.regions.at(grid);
    if (region == nullptr) return std::nullopt;
    return region;
  };
  for (const GridCell grid : places.lands) {
    occupants.push_back({GridOccupant::kLand, grid, regionAt(grid)});
  }
  for (const GridCell grid : places.markers) {
    occupants.push_back({GridOccupant::kMarker, grid, regionAt(grid).value_or("")});
  }
  GridFates resolved = resolveGridFates(rules, occupants);
  if (resolved.conflict) {
    failRun("Unable to follow %s: the rules send the cells and land at (%d, %d) different ways "
            "(cells of one grid with different regions under region rules), so no plugin can "
            "follow them grid by grid\n",
            path, resolved.conflict->x, resolved.conflict->y);
  }
  FollowedMod mod;
  mod.path = path;
  mod.gridRules = readRules(gridRulesText(resolved.decided));
  mod.fates = std::move(resolved.decided);
  mod.interiors = std::move(places.interiors);
  return mod;
}
