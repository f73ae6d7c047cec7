// The header every CELL record begins with, read the same way wherever a
// cell is looked at, so that "exterior" means one thing to quendrel and to
// quendrel-map:
//   NAME  the cell's name (zero-terminated; empty for most wilderness cells)
//   DATA  flags (u32, bit 0: interior), grid X, grid Y (i32): 12 bytes
//   RGNN  optional: the id of the cell's region
//   INTV, AMBI or WHGT  optional, directly after DATA or RGNN: water height
//         or lighting, which only interior cells carry; the cell is interior
//         whatever its flags say.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "records/record_layout.h"

constexpr std::size_t kNameFieldSize = 1024;  // cell and region names: 1023 characters at most

struct CellHeader {
  std::string name;    // cut at its terminator and to 1023 characters, as the rules see it
  std::string region;  // likewise; empty without RGNN
  GridCell grid;
  bool interior;
  Subrecord nameRecord;    // NAME, whose data an interior copy rule overwrites
  std::size_t gridOffset;  // of DATA's grid X field, counted from the first data byte
  std::size_t end;         // where the subrecords after the header begin
};

// The header of a CELL record's data (dataSize bytes, behind the record
// header); nothing when NAME and a 12-byte DATA do not both lie inside it.
std::optional<CellHeader> readCellHeader(const uint8_t* data, std::size_t dataSize);
