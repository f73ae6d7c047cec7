// Writes quendrel-map's planner page for a data file, with the program's own
// page writer, for the browser test to open:
//   write_planner_page DATA.json PAGE.html
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <nlohmann/json.hpp>

#include "map/planner_page.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: write_planner_page DATA.json PAGE.html\n");
    return 1;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const nlohmann::json data = nlohmann::json::parse(text, nullptr, false);
  if (!in || data.is_discarded()) {
    std::fprintf(stderr, "write_planner_page: %s: cannot read it as JSON\n", argv[1]);
    return 1;
  }
  const std::string page = plannerPage(data);
  std::ofstream out(argv[2], std::ios::binary);
  out.write(page.data(), static_cast<std::streamsize>(page.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "write_planner_page: %s: cannot write it\n", argv[2]);
    return 1;
  }
  return 0;
}
