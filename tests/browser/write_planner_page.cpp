// Writes quendrel-map's planner page for a data file, with the program's own
// page writer, for the browser test to open; or the made-up plugins of
// planner_plugins.h into a folder, for the test to run quendrel-map on:
//   write_planner_page DATA.json PAGE.html
//   write_planner_page --plugins FOLDER
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include <nlohmann/json.hpp>

#include "map/outputs/page/planner_page.h"
#include "planner_plugins.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: write_planner_page DATA.json PAGE.html | --plugins FOLDER\n");
    return 1;
  }
  if (std::strcmp(argv[1], "--plugins") == 0) {
    for (const auto& [name, bytes] : testing_plugin::plannerTestFiles()) {
      std::ofstream out(std::string(argv[2]) + "/" + name, std::ios::binary);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      out.close();
      if (!out) {
        std::fprintf(stderr, "write_planner_page: %s/%s: cannot write it\n", argv[2], name.c_str());
        return 1;
      }
    }
    return 0;
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
