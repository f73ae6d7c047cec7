// libFuzzer target: runs the whole two-pass tool in-process on a fuzzed plugin
// and a fuzzed rules file (laid out as fuzz_input.h says), inside a private
// folder under /dev/shm.
//
// Built from every source under src/ except the program entry. The closing
// shows its message file to an editor that does nothing: the system's would
// start a shell for every input.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/startup.h"
#include "app/text_editor.h"
#include "fuzz_folder.h"
#include "fuzz_input.h"

namespace {

std::string workFolder;

class NoEditor : public TextEditor {
 public:
  void show(const char*) override {}
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The tool prints progress for every record; keep the fuzzer's own output readable.
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  workFolder = makeFuzzFolder("quendrel-fuzz");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // The run happens in the work folder; the fuzzer's own paths (inputs named
  // on the command line, logs of -jobs workers) stay relative to where it started.
  static const std::string startFolder = std::filesystem::current_path().string();
  if (chdir(workFolder.c_str()) != 0) std::abort();
  clearFolder(workFolder);
  const FuzzInput input =
      decodeFuzzInput(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string& plugin = input.plugin;
  std::vector<std::string> argumentWords{"quendrel"};
  argumentWords.insert(argumentWords.end(), input.arguments.begin(), input.arguments.end());
  writeBytes("quendrel.cfg", input.rules);
  writeBytes("in.esp", plugin);

  std::vector<char*> argv;
  for (std::string& w : argumentWords) argv.push_back(w.data());
  argv.push_back(nullptr);
  NoEditor editor;
  int status = runQuendrel(static_cast<int>(argv.size()) - 1, argv.data(), editor);
  std::fflush(stdout);

  // The run ends with 0 or 1 and never touches its input plugin.
  if (status != 0 && status != 1) {
    std::fprintf(stderr, "quendrel returned status %d\n", status);
    std::abort();
  }
  if (readBytes("in.esp") != plugin) {
    std::fprintf(stderr, "the input plugin was changed\n");
    std::abort();
  }
  if (chdir(startFolder.c_str()) != 0) std::abort();
  return 0;
}
