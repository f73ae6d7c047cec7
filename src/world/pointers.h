// What points into the world: one row for each kind of thing in a plugin that
// names an exterior place, saying where it is found and how it is rewritten
// when that place moves. quendrel's handlers recognize what they rewrite by
// these rows; quendrel-map reads a record's pointers with findPointers. A new
// kind of pointer is one row here (and its case in the finder and in the
// handler of its record).
//
//   CELL  ... CNDT 3 -2             marker   grid (3, -2)
//   CELL  ... FRMR NAME DATA x y    object   the cell's grid (or its marker's)
//   CELL  ... FRMR DODT x y         door     the cell x y lie in
//   NPC_  ... DODT x y              travel   the cell x y lie in
//   NPC_  ... AI_T/AI_E/AI_F x y    package  the cell x y lie in
//   SCPT  SCTX "position 100, 200"  script   cell (0, 0)
//   INFO  BNAM "aitravel 100, 200"  dialogue cell (0, 0)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "records/record_layout.h"
#include "records/subrecords.h"

enum class PointerKind { kMarker, kObject, kDoor, kTravel, kPackage, kScript, kDialogue };

// How a pointer holds its place, and so how it is rewritten.
enum class PointerForm {
  kGrid,           // grid X and Y (int32): replaced by the grid the cell moves to
  kWorldPosition,  // X and Y (float32): shifted by the cell's move, 8192 units a cell
  kCommandText,    // a command line's X and Y arguments in text: rewritten in the text
};

constexpr std::size_t kMaxPointerSubrecords = 3;

struct PointerRow {
  PointerKind kind;
  const char* name;        // as reports name the kind: "door"
  const char* recordType;  // the record it is found in
  const char* subrecords[kMaxPointerSubrecords];  // that hold it (null-padded)
  PointerForm form;
  bool holdsSubrecord(const WalkedSubrecord& s) const {
    for (const char* name : subrecords) {
      if (name != nullptr && s.is(name)) return true;
    }
    return false;
  }
};

// The row of a kind.
const PointerRow& pointerRow(PointerKind kind);
// The row of a record type (its four-character code) whose pointers lie in
// subrecord `s`; null when it holds none.
const PointerRow* pointerRowOf(const char* recordType, const WalkedSubrecord& s);

// A travel destination or AI package names an interior cell when the
// subrecord right behind it is its cell name (CNDT, or DNAM); a NAME behind
// it drops it. Each then points nowhere in the world. `next` is null at the
// end of the record.
bool destinationLeadsOutside(const WalkedSubrecord* next);

// One pointer of a record.
struct FoundPointer {
  const PointerRow* row = nullptr;
  GridCell grid{0, 0};     // the exterior cell it points into
  std::size_t offset = 0;  // in the record data: of the X (grid or position), or of the line
  float x = 0, y = 0;  // the world position, for kWorldPosition and kCommandText
  // A command that names its cell: the name (lower case). The pointer is
  // into the world only when that cell is no interior cell.
  std::string namedCell;
  bool inInteriorCell = false;  // a door placed in an interior cell
  // An object: its id (the reference's NAME), and whether a moved-reference
  // marker put it into its grid (the marker's pointer stands right before).
  std::string id;
  bool marked = false;
};

// The grids a search wants the pointers into. A search of a whole load order
// meets millions of pointers and keeps a few: the finder asks before it
// copies a pointer's names (an object's id, a command's cell name).
class PointerGrids {
 public:
  virtual ~PointerGrids() = default;
  virtual bool wants(GridCell grid) const = 0;
};

// The pointers of one record (its type, and its data of dataSize bytes
// behind the header), in the order they stand in it. Reads nothing outside
// the data; a damaged record yields what lies before the damage.
std::vector<FoundPointer> findPointers(const uint8_t* type, const uint8_t* data,
                                       std::size_t dataSize);
// The same, only those into the grids `wanted` wants, appended to `found`.
void findPointers(const uint8_t* type, const uint8_t* data, std::size_t dataSize,
                  const PointerGrids& wanted, std::vector<FoundPointer>& found);

// True when a record of this type can hold a pointer (CELL, NPC_, SCPT, INFO).
bool mayHoldPointers(const uint8_t* type);

// The name reports give a record of a type that holds pointers, or a DIAL
// (the topic of the INFO records behind it): a cell's name (an exterior cell
// without one: its region's id, else its grid as "(3, -2)"), a character's or
// a topic's id (NAME), a script's name (the first 32 bytes of SCHD). Empty
// for any other record, and where the name is missing.
std::string pointerRecordName(const uint8_t* type, const uint8_t* data, std::size_t dataSize);
// The same for a record that names itself in a field (NPC_, SCPT, DIAL): the
// field's text where it stands in `data`, not copied.
std::string_view pointerRecordField(const uint8_t* type, const uint8_t* data,
                                    std::size_t dataSize);
