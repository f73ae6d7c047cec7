// Placed references and door destinations.
#include "plugin/references.h"

#include <optional>

#include "base/text_format.h"
#include "records/record_layout.h"
#include "records/subrecords.h"
#include "records/text_fields.h"
#include "plugin/world_positions.h"
#include "world/pointers.h"

namespace {

constexpr std::size_t kObjectIdSize = 512;

bool isSteppedOver(const WalkedSubrecord& s) {
  static const char* const kNames[] = {"FLTV", "KNAM", "XSCL", "DNAM", "ANAM", "INTV",
                                       "NAM9", "INDX", "TNAM", "XCHG", "ZNAM", "CNAM"};
  for (const char* known : kNames) {
    if (s.is(known)) return true;
  }
  return false;
}

// The offset between two grid positions, when a position can be moved by it.
std::optional<int32_t> gridOffset(int32_t from, int32_t to) {
  int64_t offset = int64_t{to} - from;
  if (offset < INT32_MIN || offset > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(offset);
}

}  // namespace

std::size_t handleReference(const WriteInputs& in, WriteState& state, const ReferenceWalk& walk,
                            std::size_t frmrOffset) {
  uint8_t* data = walk.data;
  const std::size_t dataSize = walk.dataSize;
  RunLog& log = state.log;
  const bool verbose = in.options.verbose;
  // The FRMR, then its NAME.
  SubrecordWalk start(data, dataSize, frmrOffset);
  auto frmr = start.begin();
  if (!(frmr != start.end())) return dataSize;
  ++frmr;
  if (!(frmr != start.end())) return dataSize;
  const WalkedSubrecord name = *frmr;
  if (!name.is("NAME")) {
    log.append(formatted("Unknown field in FRMR entry - expected NAME, but got: %c%c%c%c\n",
                         name.name[0], name.name[1], name.name[2], name.name[3]));
    return dataSize;
  }
  char objectId[kObjectIdSize];
  copySubrecordText(objectId, sizeof objectId, data + name.dataOffset(), name.size);
  if (verbose) {
    ShortText<kObjectIdSize + 16> line;
    line << "\tObject: \"" << objectId << "\"\t";
    log.append(line.view());
  }

  std::optional<Subrecord> position;
  SubrecordWalk rest(data, dataSize, subrecordEnd(name));
  for (const WalkedSubrecord& s : rest) {
    if (pointerRow(PointerKind::kObject).holdsSubrecord(s)) {
      position = s;
      break;
    }
    if (s.is("FRMR")) return s.offset;
    if (s.is("DELE")) {
      if (verbose) log.append(" (already marked as DELE field - ignored)\n");
      return subrecordEnd(s);
    }
    if (pointerRow(PointerKind::kDoor).holdsSubrecord(s)) {
      // A door placed in an exterior cell is rewritten only when the plugin
      // follows a mod (--follow); a plain run leaves it as it always has.
      if (walk.interior || in.options.following()) {
        handleDoorDestination(in, state, walk, s.offset);
      }
    } else if (!isSteppedOver(s) && verbose) {
      log.append(formatted("[WARNING: <Unknown FRMR field: %c%c%c%c>]!\n", s.name[0], s.name[1],
                           s.name[2], s.name[3]));
    }
  }
  if (!position) return dataSize;

  uint8_t* xy = data + position->offset + kSubrecordHeaderSize;
  const WorldPosition old = readWorldPosition(xy);
  const ReferenceShift& shift = walk.shift;
  std::optional<int32_t> dX = gridOffset(shift.oldX, shift.newX);
  std::optional<int32_t> dY = gridOffset(shift.oldY, shift.newY);
  std::optional<WorldPosition> moved;
  if ((shift.newX != shift.oldX || shift.newY != shift.oldY) && dX && dY) {
    moved = shiftWorldPosition(old, *dX, *dY);
  }
  // Each reference's position and its fate go to the run log as one text
  // (the same bytes as one text each), put together in place, as a master
  // holds 100,000 of them: e.g. "(100.000000, 200.000000) \n".
  ShortText<kObjectIdSize + 512> line;
  if (!moved) {
    if (verbose) {
      line << "(" << fixed(old.x).text << ", " << fixed(old.y).text << ") \n";
      log.append(line.view());
    }
  } else {
    writeWorldPosition(xy, *moved);
    if (!verbose) line << "\tObject \"" << objectId << "\"\t";
    line << "(" << fixed(old.x).text << ", " << fixed(old.y).text << ")  - MODIFIED to ("
         << fixed(moved->x).text << ", " << fixed(moved->y).text << ")\n";
    log.append(line.view());
    ++state.counters.objectsModified;
  }
  return subrecordEnd(*position);
}

void handleDoorDestination(const WriteInputs& in, WriteState& state, const ReferenceWalk& walk,
                           std::size_t dodtOffset) {
  const bool verbose = in.options.verbose;
  RunLog& log = state.log;
  if (verbose) log.append(walk.interior ? "\tInterior Door: " : "\tExterior Door: ");
  // A DNAM among the door's subrecords, up to the reference's DATA or the
  // next reference, names an interior destination.
  SubrecordWalk door(walk.data, walk.dataSize, dodtOffset);
  for (const WalkedSubrecord& s : door) {
    if (s.offset != dodtOffset && (s.is("DATA") || s.is("FRMR"))) break;
    if (s.is("DNAM")) {
      if (verbose) log.append("[Interior->Interior Door Teleport - ignoring.] ");
      return;
    }
    if (!s.is("CNAM") && !s.is("DODT") && verbose) {
      log.append(formatted("[Warning: <Unknown DODT field: %c%c%c%c>]!\n", s.name[0], s.name[1],
                           s.name[2], s.name[3]));
    }
  }

  uint8_t* xy = walk.data + dodtOffset + kSubrecordHeaderSize;
  std::optional<WorldPosition> moved =
      moveDestinationWithItsCell(in, state, xy, "Door teleports to ", "\tDoor teleport\t");
  if (!moved) return;
  ++state.counters.objectsModified;
  // A door follows its destination in every copy of the cell that is
  // written; a cell the rules deleted stays deleted.
  OutputDecision& decision = walk.decision;
  if (decision.writeOriginal && decision.writeModified) {
    if (walk.originalData != nullptr) {
      writeWorldPosition(walk.originalData + dodtOffset + kSubrecordHeaderSize, *moved);
    }
  } else if (decision.writeOriginal) {
    writeModifiedOnly(decision);
  }
}
