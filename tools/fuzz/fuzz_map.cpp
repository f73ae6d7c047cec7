// libFuzzer target: runs quendrel-map in-process on a made-up game built
// from one fuzzed input (laid out as fuzz_map_input.h says): the load order
// in either engine's format, the reserve file, the rules, the plugin and
// the plugins of the load order, inside a private folder under /dev/shm.
// Every run must end with status 0, 1 or 2 and leave every input as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_folder.h"
#include "fuzz_map_input.h"
#include "map/entry/map_run.h"

namespace {

std::string workFolder;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  workFolder = makeFuzzFolder("quendrel-map-fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  static const std::string startFolder = std::filesystem::current_path().string();
  if (chdir(workFolder.c_str()) != 0) std::abort();
  clearFolder(workFolder);
  const MapFuzzInput input =
      decodeMapFuzzInput(std::string_view(reinterpret_cast<const char*>(data), size));
  const uint8_t bits = input.options;
  std::filesystem::create_directories("game/Data Files");
  const std::string loadOrder = bits & 4 ? "game/openmw.cfg" : "game/Morrowind.ini";
  const std::string cPlugin = bits & 0x40 ? "C.esp" : "game/Data Files/C.esp";
  const std::vector<std::pair<std::string, const std::string*>> files = {
      {loadOrder, &input.parts[0]},
      {"reserve.txt", &input.parts[1]},
      {"quendrel.cfg", &input.parts[2]},
      {"mod.esp", &input.parts[3]},
      {"game/Data Files/A.esm", &input.parts[4]},
      {"game/Data Files/B.esp", &input.parts[5]},
      {cPlugin, &input.parts[6]},
  };
  for (const auto& [name, bytes] : files) writeBytes(name, *bytes);

  std::vector<std::string> words{"quendrel-map", "--load-order", loadOrder};
  if (bits & 1) words.push_back("--suggest");
  if (bits & 2) words.push_back("--json");
  if (bits & 8) words.insert(words.end(), {"--write-interiors", "interiors.dat"});
  if ((bits & 1) && (bits & 0x30)) words.insert(words.end(), {"--margin", std::to_string(bits >> 4 & 3)});
  if ((bits & 1) && !input.parts[1].empty()) words.insert(words.end(), {"--reserve", "reserve.txt"});
  if (bits & 0x40) words.insert(words.end(), {"--against", "C.esp"});
  words.push_back("mod.esp");
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const int status = runQuendrelMap(static_cast<int>(argv.size()) - 1, argv.data());
  std::fflush(stdout);

  if (status < 0 || status > 2) {
    std::fprintf(stderr, "quendrel-map returned status %d\n", status);
    std::abort();
  }
  for (const auto& [name, bytes] : files) {
    if (readBytes(name) != *bytes) {
      std::fprintf(stderr, "quendrel-map changed its input %s\n", name.c_str());
      std::abort();
    }
  }
  if (chdir(startFolder.c_str()) != 0) std::abort();
  return 0;
}
