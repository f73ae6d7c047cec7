// Builds TES3 plugins for tests in a few lines, and reads them back.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testing_plugin {

inline std::string i32(int32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xff);
  return s;
}
inline std::string f32(float f) {
  uint32_t bits;
  std::memcpy(&bits, &f, 4);
  return i32(static_cast<int32_t>(bits));
}
// A name as the game stores it: the text and a zero byte.
inline std::string zstr(const std::string& s) { return s + std::string(1, '\0'); }

inline std::string sub(const char* name, const std::string& data) {
  return std::string(name, 4) + i32(static_cast<int32_t>(data.size())) + data;
}
inline std::string record(const char* type, const std::string& data, uint32_t word1 = 0,
                          uint32_t word2 = 0) {
  return std::string(type, 4) + i32(static_cast<int32_t>(data.size())) +
         i32(static_cast<int32_t>(word1)) + i32(static_cast<int32_t>(word2)) + data;
}

// The TES3 header record: HEDR with version, file type (0 plugin, 1 master),
// author, description and record count.
inline std::string header(int32_t fileType = 0, int32_t recordCount = 0) {
  std::string hedr = f32(1.3f) + i32(fileType) + std::string(32, 'A') + std::string(256, 'D') +
                     i32(recordCount);
  return record("TES3", sub("HEDR", hedr));
}

// The TES3 header naming masters (MAST, each with its size in DATA, here 0).
inline std::string header(const std::vector<std::string>& masters, int32_t fileType = 0) {
  std::string data = header(fileType).substr(16);
  for (const std::string& name : masters) data += sub("MAST", zstr(name)) + sub("DATA", i32(0) + i32(0));
  return record("TES3", data);
}

// Cell data: flags, grid X, grid Y.
inline std::string cellData(int32_t flags, int32_t x, int32_t y) {
  return sub("DATA", i32(flags) + i32(x) + i32(y));
}
inline std::string exteriorCell(const std::string& name, int32_t x, int32_t y,
                                const std::string& region = "", const std::string& rest = "") {
  std::string data = sub("NAME", zstr(name)) + cellData(2, x, y);
  if (!region.empty()) data += sub("RGNN", zstr(region));
  return record("CELL", data + rest);
}
inline std::string interiorCell(const std::string& name, const std::string& rest = "") {
  return record("CELL", sub("NAME", zstr(name)) + cellData(1, 0, 0) +
                            sub("AMBI", std::string(16, '\0')) + rest);
}
// A placed reference: FRMR, NAME, optional subrecords, DATA with position and rotation.
inline std::string reference(int32_t index, const std::string& id, float x, float y, float z = 0,
                             const std::string& between = "") {
  return sub("FRMR", i32(index)) + sub("NAME", zstr(id)) + between +
         sub("DATA", f32(x) + f32(y) + f32(z) + f32(0) + f32(0) + f32(0));
}
inline std::string doorDestination(float x, float y, float z = 0) {
  return sub("DODT", f32(x) + f32(y) + f32(z) + f32(0) + f32(0) + f32(0));
}
inline std::string land(int32_t x, int32_t y, const std::string& rest = "") {
  return record("LAND", sub("INTV", i32(x) + i32(y)) + sub("DATA", i32(9)) + rest);
}
inline std::string pathGrid(const std::string& name, int32_t x, int32_t y) {
  return record("PGRD", sub("DATA", i32(x) + i32(y) + std::string(4, '\0')) +
                            sub("NAME", zstr(name)) + sub("PGRP", std::string(16, 'p')));
}
inline std::string script(const std::string& name, const std::string& text) {
  std::string schd = name.substr(0, 32);
  schd.resize(52, '\0');
  return record("SCPT", sub("SCHD", schd) + sub("SCDT", "bytecode") + sub("SCTX", text));
}

struct Subrecord {
  std::string name;
  std::string data;
};
struct Record {
  std::string type;
  uint32_t word1 = 0, word2 = 0;
  std::string data;
  std::vector<Subrecord> subrecords;  // empty when the data does not split into subrecords
  bool wellFormed = true;
};

inline uint32_t u32At(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}
inline float f32At(const std::string& s, size_t at) {
  uint32_t bits = u32At(s, at);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}
inline int32_t i32At(const std::string& s, size_t at) { return static_cast<int32_t>(u32At(s, at)); }

// Splits a whole plugin into records and their subrecords. Returns false when
// a record runs past the end of the file.
inline bool readPlugin(const std::string& bytes, std::vector<Record>& records) {
  records.clear();
  size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 16) return false;
    Record r;
    r.type = bytes.substr(at, 4);
    uint32_t size = u32At(bytes, at + 4);
    r.word1 = u32At(bytes, at + 8);
    r.word2 = u32At(bytes, at + 12);
    if (bytes.size() - at - 16 < size) return false;
    r.data = bytes.substr(at + 16, size);
    size_t s = 0;
    while (s < r.data.size()) {
      if (r.data.size() - s < 8) { r.wellFormed = false; break; }
      uint32_t subSize = u32At(r.data, s + 4);
      if (r.data.size() - s - 8 < subSize) { r.wellFormed = false; break; }
      r.subrecords.push_back({r.data.substr(s, 4), r.data.substr(s + 8, subSize)});
      s += 8 + subSize;
    }
    records.push_back(std::move(r));
    at += 16 + size;
  }
  return true;
}

}  // namespace testing_plugin
