// The pointers into the world the finder reads from records made by the
// builder: each kind of the table, and what is no pointer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin_builder.h"
#include "world/pointers.h"
#include "world/world_position.h"

namespace {

using namespace testing_plugin;

struct Expected {
  const char* kind;
  int32_t x, y;
};

struct PointerCase {
  const char* label;
  std::string record;
  std::vector<Expected> pointers;
};

// Wants the pointers into one grid.
class OneGrid : public PointerGrids {
 public:
  explicit OneGrid(GridCell grid) : grid_(grid) {}
  bool wants(GridCell grid) const override { return grid == grid_; }

 private:
  GridCell grid_;
};

std::string npc(const std::string& rest) {
  return record("NPC_", sub("NAME", zstr("guide")) + rest);
}
std::string package(const char* type, float x, float y) {
  return sub(type, f32(x) + f32(y) + f32(0) + std::string(4, '\0'));
}

TEST(Pointers, TheFinderFindsEachKindWhereItsRowSays) {
  const PointerCase cases[] = {
      {"a marker names the grid of the one reference behind it",
       exteriorCell("Field", 1, 2, "",
                    sub("CNDT", i32(3) + i32(-2)) + reference(1, "rock", 100, 200) +
                        reference(2, "tree", 8292, 0)),
       {{"marker", 3, -2}, {"object", 3, -2}, {"object", 1, 2}}},
      {"a deleted reference and an interior cell's objects point nowhere",
       exteriorCell("Field", 1, 2, "", reference(1, "rock", 0, 0, 0, sub("DELE", i32(0)))) +
           interiorCell("Hut", reference(1, "chair", 5, 5)),
       {}},
      {"doors to the world, in any cell; a DNAM makes an interior destination",
       interiorCell("House", reference(1, "door", 0, 0, 0, doorDestination(8292, -100)) +
                                 reference(2, "door", 0, 0, 0,
                                           doorDestination(8292, 8292) + sub("DNAM", zstr("Hut")))),
       {{"door", 1, -1}}},
      {"travel services and packages; a cell name behind one makes it interior",
       npc(sub("DODT", f32(-1) + f32(8193) + f32(0) + f32(0) + f32(0) + f32(0)) +
           package("AI_T", 100, 100) + package("AI_E", 9000, 0) + sub("CNDT", zstr("Hut")) +
           package("AI_F", -9000, 0)),
       {{"travel", -1, 1}, {"package", 0, 0}, {"package", -2, 0}}},
      {"script commands; a word inside another word is none",
       script("Mover",
              "begin Mover\r\nposition 1000, 2000, 0, 0\r\nModDisposition 10\r\n"
              "player->PositionCell 9000 0 0 0 \"Outer\"\r\nend\r\n"),
       {{"script", 0, 0}, {"script", 1, 0}}},
      {"dialogue result text",
       record("INFO", sub("INAM", zstr("1")) + sub("BNAM", "AITravel 100 -100 0")),
       {{"dialogue", 0, -1}}},
  };
  for (const PointerCase& c : cases) {
    SCOPED_TRACE(c.label);
    std::vector<Record> records;
    ASSERT_TRUE(readPlugin(c.record, records));
    std::vector<FoundPointer> found;
    for (const Record& r : records) {
      const auto* data = reinterpret_cast<const uint8_t*>(r.data.data());
      std::vector<FoundPointer> of =
          findPointers(reinterpret_cast<const uint8_t*>(r.type.data()), data, r.data.size());
      for (const FoundPointer& p : of) {
        // The offset is where the pointer stands in the record's data.
        if (p.row->form == PointerForm::kWorldPosition) {
          const WorldPosition at = readWorldPosition(data + p.offset);
          EXPECT_EQ(at.x, p.x);
          EXPECT_EQ(at.y, p.y);
        } else if (p.row->form == PointerForm::kGrid) {
          EXPECT_EQ(readGrid(data + p.offset), p.grid);
        }
      }
      found.insert(found.end(), of.begin(), of.end());
      // Asked for one grid, the finder gives that grid's pointers of all.
      for (const FoundPointer& p : of) {
        std::vector<FoundPointer> into;
        findPointers(reinterpret_cast<const uint8_t*>(r.type.data()), data, r.data.size(),
                     OneGrid(p.grid), into);
        std::vector<FoundPointer> expected;
        for (const FoundPointer& q : of) {
          if (q.grid == p.grid) expected.push_back(q);
        }
        ASSERT_EQ(into.size(), expected.size());
        for (std::size_t i = 0; i < into.size(); ++i) {
          EXPECT_EQ(into[i].row, expected[i].row);
          EXPECT_EQ(into[i].offset, expected[i].offset);
          EXPECT_EQ(into[i].id, expected[i].id);
          EXPECT_EQ(into[i].namedCell, expected[i].namedCell);
          EXPECT_EQ(into[i].marked, expected[i].marked);
        }
      }
    }
    ASSERT_EQ(found.size(), c.pointers.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
      EXPECT_STREQ(found[i].row->name, c.pointers[i].kind) << i;
      EXPECT_EQ(found[i].grid, (GridCell{c.pointers[i].x, c.pointers[i].y})) << i;
    }
    if (c.pointers.size() == 2 && std::string(c.pointers[1].kind) == "script") {
      EXPECT_EQ(found[0].namedCell, "");
      EXPECT_EQ(found[1].namedCell, "outer");
    }
  }
}

// Texts are looked at sixteen bytes at a time: a command word is found
// wherever it begins about those edges and in the last bytes, in any case
// of its letters.
TEST(Pointers, FindsACommandWordWhereverItBeginsInTheText) {
  for (const std::string command : {"AITravel 1 1 0", "POSITION 1000, 2000, 0, 0",
                                    "pLaceItem \"rock\", 1000, 2000, 0, 0"}) {
    for (std::size_t blanks = 0; blanks < 40; ++blanks) {
      const std::string text = std::string(blanks, ' ') + command;
      const std::string data = sub("SCHD", std::string(52, '\0')) + sub("SCTX", text);
      const std::vector<FoundPointer> found =
          findPointers(reinterpret_cast<const uint8_t*>("SCPT"),
                       reinterpret_cast<const uint8_t*>(data.data()), data.size());
      ASSERT_EQ(found.size(), 1u) << command << " behind " << blanks << " blanks";
      EXPECT_EQ(found[0].grid, (GridCell{0, 0}));
    }
  }
}

}  // namespace
