// The table of pointer kinds and the finder of a record's pointers.
#include "world/pointers.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "base/ascii.h"
#include "base/text_lines.h"
#include "records/cell_header.h"
#include "world/command_words.h"
#include "world/world_position.h"

namespace {

// A name field's text: up to its terminator, within its `size` bytes.
std::string_view textOf(const uint8_t* field, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(field);
  return std::string_view(text, strnlen(text, size));
}

// A script's name: the first field of its header (SCHD).
constexpr std::size_t kScriptNameSize = 32;

// In the order of PointerKind.
const PointerRow kPointerRows[] = {
    {PointerKind::kMarker, "marker", "CELL", {"CNDT"}, PointerForm::kGrid},
    {PointerKind::kObject, "object", "CELL", {"DATA"}, PointerForm::kWorldPosition},
    {PointerKind::kDoor, "door", "CELL", {"DODT"}, PointerForm::kWorldPosition},
    {PointerKind::kTravel, "travel", "NPC_", {"DODT"}, PointerForm::kWorldPosition},
    {PointerKind::kPackage, "package", "NPC_", {"AI_T", "AI_E", "AI_F"},
     PointerForm::kWorldPosition},
    {PointerKind::kScript, "script", "SCPT", {"SCTX"}, PointerForm::kCommandText},
    {PointerKind::kDialogue, "dialogue", "INFO", {"BNAM"}, PointerForm::kCommandText},
};

FoundPointer pointerAt(const PointerRow& row, GridCell grid, std::size_t offset, float x = 0,
                       float y = 0) {
  FoundPointer pointer;
  pointer.row = &row;
  pointer.grid = grid;
  pointer.offset = offset;
  pointer.x = x;
  pointer.y = y;
  return pointer;
}

// Every grid: the search of one record's pointers, all of them.
class AllGrids : public PointerGrids {
 public:
  bool wants(GridCell) const override { return true; }
};

// A world position's pointer, when the position lies in a cell wanted.
// True when it is added.
bool addPosition(std::vector<FoundPointer>& found, const PointerGrids& wanted, PointerKind kind,
                 const uint8_t* data, std::size_t offset) {
  const WorldPosition position = readWorldPosition(data + offset);
  const std::optional<GridCell> cell = cellOfPosition(position.x, position.y);
  if (!cell || !wanted.wants(*cell)) return false;
  found.push_back(pointerAt(pointerRow(kind), *cell, offset, position.x, position.y));
  return true;
}

// A door's destination is interior when a DNAM follows among the door's
// subrecords, up to the reference's DATA or the next reference.
bool doorLeadsOutside(const uint8_t* data, std::size_t dataSize, std::size_t dodtOffset) {
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize, dodtOffset)) {
    if (s.offset != dodtOffset && (s.is("DATA") || s.is("FRMR"))) break;
    if (s.is("DNAM")) return false;
  }
  return true;
}

// The reference whose FRMR stands at `frmrOffset`: its doors and its
// position (in `grid`, which is wanted or not: the cell's, asked once for
// all its references). Returns where the walk over the cell goes on.
std::size_t findReferencePointers(std::vector<FoundPointer>& found, const PointerGrids& wanted,
                                  const uint8_t* data, std::size_t dataSize,
                                  std::size_t frmrOffset, bool interior, GridCell grid,
                                  bool gridWanted, bool marked) {
  SubrecordWalk start(data, dataSize, frmrOffset);
  auto frmr = start.begin();
  if (!(frmr != start.end())) return dataSize;
  ++frmr;
  if (!(frmr != start.end()) || !frmr->is("NAME")) return dataSize;
  const std::size_t nameEnd = subrecordEnd(*frmr);
  const std::size_t idOffset = frmr->dataOffset(), idSize = frmr->size;
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize, nameEnd)) {
    if (s.is("FRMR")) return s.offset;
    if (s.is("DELE")) return subrecordEnd(s);
    if (pointerRow(PointerKind::kDoor).holdsSubrecord(s)) {
      if (s.size >= kXYSize && doorLeadsOutside(data, dataSize, s.offset) &&
          addPosition(found, wanted, PointerKind::kDoor, data, s.dataOffset())) {
        found.back().inInteriorCell = interior;
      }
    } else if (pointerRow(PointerKind::kObject).holdsSubrecord(s)) {
      if (!interior && s.size >= kXYSize && gridWanted) {
        const WorldPosition position = readWorldPosition(data + s.dataOffset());
        found.push_back(pointerAt(pointerRow(PointerKind::kObject), grid, s.dataOffset(),
                                  position.x, position.y));
        found.back().id = textOf(data + idOffset, idSize);
        found.back().marked = marked;
      }
      return subrecordEnd(s);
    }
  }
  return dataSize;
}

void findCellPointers(std::vector<FoundPointer>& found, const PointerGrids& wanted,
                      const uint8_t* data, std::size_t dataSize) {
  const std::optional<CellHeader> header = readCellHeader(data, dataSize);
  if (!header) return;
  const bool cellWanted = !header->interior && wanted.wants(header->grid);
  // A moved-reference marker names the grid of the one reference behind it.
  std::optional<GridCell> marker;
  bool markerWanted = false;
  SubrecordWalk walk(data, dataSize, header->end);
  for (const WalkedSubrecord& s : walk) {
    if (pointerRow(PointerKind::kMarker).holdsSubrecord(s)) {
      if (!header->interior && s.size >= kXYSize) {
        marker = readGrid(data + s.dataOffset());
        markerWanted = wanted.wants(*marker);
        if (markerWanted) {
          found.push_back(pointerAt(pointerRow(PointerKind::kMarker), *marker, s.dataOffset()));
        }
      }
    } else if (s.is("FRMR")) {
      const GridCell grid = marker ? *marker : header->grid;
      const bool gridWanted = marker ? markerWanted : cellWanted;
      const bool marked = marker.has_value();
      marker.reset();
      walk.continueAt(findReferencePointers(found, wanted, data, dataSize, s.offset,
                                            header->interior, grid, gridWanted, marked));
    }
  }
}

void findNpcPointers(std::vector<FoundPointer>& found, const PointerGrids& wanted,
                     const uint8_t* data, std::size_t dataSize) {
  // The destination's kind and the offset of its X.
  std::optional<std::pair<PointerKind, std::size_t>> pending;
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize)) {
    if (pending && destinationLeadsOutside(&s)) {
      addPosition(found, wanted, pending->first, data, pending->second);
    }
    pending.reset();
    const PointerRow* row = pointerRowOf("NPC_", s);
    if (row != nullptr && s.size >= kXYSize) pending.emplace(row->kind, s.dataOffset());
  }
  if (pending) addPosition(found, wanted, pending->first, data, pending->second);
}

// The command lines of a script's or dialogue entry's text, read as the
// rewriting reads them: a line at a time, in pieces of kScriptLineSize - 1
// bytes; a line holding a zero byte is never a command. Only the lines in
// which a command word begins are looked at closer.
void findTextPointers(std::vector<FoundPointer>& found, const PointerGrids& wanted,
                      const PointerRow& row, const uint8_t* data, std::size_t dataSize) {
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize)) {
    if (!row.holdsSubrecord(s)) continue;
    const uint8_t* text = data + s.dataOffset();
    std::size_t next = nextCommandWord(text, s.size, 0);
    if (next == s.size) continue;
    char line[kScriptLineSize];
    char lower[kScriptLineSize];
    std::size_t at = 0;
    std::size_t lineStart = 0;
    std::size_t length;
    while ((length = readLineFromMemory(text, s.size, at, line, sizeof line)) > 0) {
      // The next word begins at or after lineStart; in this line when
      // before `at`.
      if (next >= at) {
        lineStart = at;
        continue;
      }
      next = nextCommandWord(text, s.size, at);
      lowerCaseCopy(line, length, lower);
      if (std::strlen(line) == length && holdsCommandWord(lower)) {
        std::optional<CommandCoordinates> command = readCommandCoordinates(lower);
        const std::optional<GridCell> cell =
            command ? cellOfPosition(command->xValue, command->yValue) : std::nullopt;
        if (cell && wanted.wants(*cell)) {
          FoundPointer pointer = pointerAt(row, *cell, s.dataOffset() + lineStart,
                                           command->xValue, command->yValue);
          if (command->namesCell) pointer.namedCell = std::move(command->cellName);
          found.push_back(std::move(pointer));
        }
      }
      lineStart = at;
    }
    return;  // the first text subrecord is the text
  }
}

}  // namespace

const PointerRow& pointerRow(PointerKind kind) {
  return kPointerRows[static_cast<std::size_t>(kind)];
}

const PointerRow* pointerRowOf(const char* recordType, const WalkedSubrecord& s) {
  for (const PointerRow& row : kPointerRows) {
    if (std::memcmp(row.recordType, recordType, kTagSize) == 0 && row.holdsSubrecord(s)) return &row;
  }
  return nullptr;
}

bool destinationLeadsOutside(const WalkedSubrecord* next) {
  return next == nullptr || !(next->is("NAME") || next->is("CNDT") || next->is("DNAM"));
}

void findPointers(const uint8_t* type, const uint8_t* data, std::size_t dataSize,
                  const PointerGrids& wanted, std::vector<FoundPointer>& found) {
  if (hasTag(type, "CELL")) {
    findCellPointers(found, wanted, data, dataSize);
  } else if (hasTag(type, "NPC_")) {
    findNpcPointers(found, wanted, data, dataSize);
  } else if (hasTag(type, "SCPT")) {
    findTextPointers(found, wanted, pointerRow(PointerKind::kScript), data, dataSize);
  } else if (hasTag(type, "INFO")) {
    findTextPointers(found, wanted, pointerRow(PointerKind::kDialogue), data, dataSize);
  }
}

std::vector<FoundPointer> findPointers(const uint8_t* type, const uint8_t* data,
                                       std::size_t dataSize) {
  std::vector<FoundPointer> found;
  findPointers(type, data, dataSize, AllGrids{}, found);
  return found;
}

bool mayHoldPointers(const uint8_t* type) {
  for (const PointerRow& row : kPointerRows) {
    if (hasTag(type, row.recordType)) return true;
  }
  return false;
}

std::string pointerRecordName(const uint8_t* type, const uint8_t* data, std::size_t dataSize) {
  if (hasTag(type, "CELL")) {
    const std::optional<CellHeader> header = readCellHeader(data, dataSize);
    if (!header) return "";
    if (header->interior || !header->name.empty()) return header->name;
    if (!header->region.empty()) return header->region;
    return gridText(header->grid);
  }
  return std::string(pointerRecordField(type, data, dataSize));
}

std::string_view pointerRecordField(const uint8_t* type, const uint8_t* data,
                                    std::size_t dataSize) {
  const bool script = hasTag(type, "SCPT");
  if (!script && !hasTag(type, "NPC_") && !hasTag(type, "DIAL")) return {};
  for (const WalkedSubrecord& s : SubrecordWalk(data, dataSize)) {
    if (s.is(script ? "SCHD" : "NAME")) {
      return textOf(data + s.dataOffset(), script ? std::min<std::size_t>(s.size, kScriptNameSize) : s.size);
    }
  }
  return {};
}
