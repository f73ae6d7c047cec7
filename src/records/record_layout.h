// The TES3 record format as Quendrel reads and writes it: a plugin is a plain
// sequence of records; each record is a 16-byte header (type, data size, two
// header words) followed by subrecords of name[4], size and data. All numbers
// are little-endian; world positions are single-precision floats and one
// exterior cell spans 8192 world units.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "base/numbers.h"

// Record header: type[4], data size (u32, the bytes behind the header), two
// header words carried through unread.
constexpr std::size_t kRecordHeaderSize = 16;
constexpr std::size_t kRecordSizeOffset = 4;
constexpr std::size_t kTagSize = 4;  // record types and subrecord names
// Subrecord header: name[4], size (u32, the data bytes behind it).
constexpr std::size_t kSubrecordHeaderSize = 8;
constexpr std::size_t kSubrecordSizeOffset = 4;
constexpr std::size_t kRecordGrowthRoom = 2048;  // spare bytes behind a modified copy
constexpr int32_t kCellSize = 8192;
// The largest move, in cells, that a position can follow: the move in world
// units must fit in 32 bits. 262143 * 8192 = 2147475456.
constexpr int32_t kLargestCellOffset = INT32_MAX / kCellSize;
static_assert(kLargestCellOffset == 262143);

// A grid position (LAND INTV, PGRD DATA, CELL CNDT: int32) and a world
// position (reference DATA, DODT, AI packages: float32) both hold X, then Y.
constexpr std::size_t kXOffset = 0;
constexpr std::size_t kYOffset = 4;
constexpr std::size_t kXYSize = 8;
// Cell DATA: flags (bit 0 set: interior), grid X, grid Y.
constexpr std::size_t kCellFlagsOffset = 0;
constexpr std::size_t kCellGridOffset = 4;
constexpr std::size_t kCellDataSize = 12;
// The TES3 header record's HEDR holds the version (float) and then the file
// type word (0 plugin, 1 master), whose low byte is record byte 16 + 8 + 4.
constexpr std::size_t kFileTypeByteOffset = kRecordHeaderSize + kSubrecordHeaderSize + 4;

inline uint32_t readU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline int32_t readI32(const uint8_t* p) { return static_cast<int32_t>(readU32(p)); }
inline float readF32(const uint8_t* p) {
  uint32_t bits = readU32(p);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}
inline void writeU32(uint8_t* p, uint32_t value) {
  p[0] = static_cast<uint8_t>(value);
  p[1] = static_cast<uint8_t>(value >> 8);
  p[2] = static_cast<uint8_t>(value >> 16);
  p[3] = static_cast<uint8_t>(value >> 24);
}
inline void writeI32(uint8_t* p, int32_t value) { writeU32(p, static_cast<uint32_t>(value)); }
inline void writeF32(uint8_t* p, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  writeU32(p, bits);
}

// Record types and subrecord names are four bytes compared exactly.
inline bool hasTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, kTagSize) == 0; }

// A subrecord found inside a record's data.
struct Subrecord {
  std::size_t offset;  // of its 8-byte header, counted from the first data byte
  uint32_t size;       // of its data
};

// The subrecord at `offset` of `data` (dataSize bytes), when its header and
// its whole data lie inside the data; nothing otherwise.
inline std::optional<Subrecord> subrecordAt(const uint8_t* data, std::size_t dataSize,
                                            std::size_t offset) {
  if (offset > dataSize || dataSize - offset < kSubrecordHeaderSize) return std::nullopt;
  uint32_t size = readU32(data + offset + kSubrecordSizeOffset);
  if (size > dataSize - offset - kSubrecordHeaderSize) return std::nullopt;
  return Subrecord{offset, size};
}
inline std::size_t subrecordEnd(const Subrecord& s) {
  return s.offset + kSubrecordHeaderSize + s.size;
}

// A position on the grid of exterior cells.
struct GridCell {
  int32_t x;
  int32_t y;
  bool operator==(const GridCell&) const = default;
};
// A grid as one 64-bit key, for sets and maps of grids: X in the high half.
inline uint64_t gridKey(GridCell cell) {
  return uint64_t{static_cast<uint32_t>(cell.x)} << 32 | static_cast<uint32_t>(cell.y);
}
// The same for a position held wider, as neighbours are counted; the low 32
// bits of each coordinate make the key.
inline uint64_t gridKey(int64_t x, int64_t y) {
  return gridKey(GridCell{static_cast<int32_t>(x), static_cast<int32_t>(y)});
}
struct GridCellHash {
  std::size_t operator()(GridCell cell) const { return std::hash<uint64_t>{}(gridKey(cell)); }
};
// A grid position as reports show it, added to the end of `out`: "(3, -4)".
inline void appendGrid(std::string& out, GridCell grid) {
  out += '(';
  out += decimalText(grid.x).text;
  out += ", ";
  out += decimalText(grid.y).text;
  out += ')';
}
inline std::string gridText(GridCell grid) {
  std::string text;
  appendGrid(text, grid);
  return text;
}
inline GridCell readGrid(const uint8_t* xy) { return {readI32(xy + kXOffset), readI32(xy + kYOffset)}; }
inline void writeGrid(uint8_t* xy, GridCell cell) {
  writeI32(xy + kXOffset, cell.x);
  writeI32(xy + kYOffset, cell.y);
}

// A LAND record's data begins with its grid, INTV: name, size (8), grid X,
// grid Y; a path grid's with DATA holding its grid the same way.
//   49 4E 54 56  08 00 00 00  FD FF FF FF  03 00 00 00   INTV (-3, 3)
constexpr std::size_t kLeadingGridBytes = kSubrecordHeaderSize + kXYSize;
// True when a record's data (dataSize bytes, of which the first `available`
// are at hand) begins with the subrecord `tag` of 8 bytes or more, wholly
// inside the data: its grid then lies at kSubrecordHeaderSize.
inline bool beginsWithGrid(const uint8_t* data, std::size_t available, std::size_t dataSize,
                           const char* tag) {
  if (available < kLeadingGridBytes || dataSize < kLeadingGridBytes || !hasTag(data, tag)) {
    return false;
  }
  const uint32_t size = readU32(data + kSubrecordSizeOffset);
  return size >= kXYSize && size <= dataSize - kSubrecordHeaderSize;
}
// The grid a LAND record's data names, as quendrel reads it; nothing when
// the data does not begin with it (nobody can tell where such land lies).
inline std::optional<GridCell> landGrid(const uint8_t* data, std::size_t available,
                                        std::size_t dataSize) {
  if (!beginsWithGrid(data, available, dataSize, "INTV")) return std::nullopt;
  return readGrid(data + kSubrecordHeaderSize);
}

// The cell a world coordinate lies in: the coordinate times 1/8192, truncated
// toward zero, less one for a negative coordinate, so -0.5 lies in cell -1,
// -8192.0 in cell -2 and -0.0 in cell 0. Nothing for NaN, an infinity or a
// coordinate whose cell does not fit in 32 bits.
std::optional<int32_t> cellOfCoordinate(float coordinate);
std::optional<GridCell> cellOfPosition(float x, float y);

// The coordinate moved by whole cells: the offset times 8192 added and the sum
// rounded once to single precision, so shiftPosition(100.0, -3) is -24476.0.
// Nothing for NaN or an infinity, or an offset whose product with 8192 does
// not fit in 32 bits: such a position is left where it is.
std::optional<float> shiftPosition(float coordinate, int32_t cellOffset);
