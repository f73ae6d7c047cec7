// Writes examples/sample.esp: a small plugin with two exterior cells (one
// with a placed object and land), an interior cell with a door leading out,
// a path grid, a travelling character and a script that places an object.
// Usage: make_sample OUTPUT.esp
#include <cstdio>
#include <fstream>

#include "plugin_builder.h"

using namespace testing_plugin;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: %s OUTPUT.esp\n", argv[0]);
    return 1;
  }
  std::string plugin = header(0, 8);
  plugin += exteriorCell("Sample Shore", 3, -2, "Sample Region",
                         reference(1, "flora_tree_01", 25000.0f, -15000.0f, 120.0f));
  plugin += exteriorCell("", 4, -2, "Sample Region",
                         reference(2, "rock_01", 33000.0f, -14000.0f, 80.0f));
  plugin += interiorCell("Sample House",
                         reference(3, "door_01", 10.0f, 20.0f, 0.0f, doorDestination(25000.0f, -15000.0f)));
  plugin += land(3, -2);
  plugin += pathGrid("Sample Region", 3, -2);
  plugin += record("NPC_", sub("NAME", zstr("sample_guide")) +
                               sub("AI_T", f32(25100.0f) + f32(-15100.0f) + f32(0) + i32(1)));
  plugin += script("SamplePlacer",
                   "begin SamplePlacer\r\nplaceitem \"misc_com_bottle_01\", 25000, -15000, 100, 0\r\nend\r\n");
  std::ofstream out(argv[1], std::ios::binary);
  out << plugin;
  return out ? 0 : 1;
}
