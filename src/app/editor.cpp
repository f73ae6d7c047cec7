// Showing the message file in a text editor. The command is "notepad <file>";
// where no program of that name exists, the small fallback installed with
// Quendrel answers to it, found through a folder appended to the end of PATH
// for this one command, so that a user's own notepad always wins.
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/closing.h"
#include "base/report.h"

namespace {

bool isExecutable(const std::string& path) { return access(path.c_str(), X_OK) == 0; }

// The fallback's folder: beside the installed program, or in the source tree
// for a program run from its build directory.
std::string fallbackFolder() {
  char self[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string exe(self, static_cast<std::size_t>(length));
    std::string bin = exe.substr(0, exe.rfind('/'));
    std::string installed = bin + "/../libexec/quendrel";
    if (isExecutable(installed + "/notepad")) return installed;
  }
  return QUENDREL_BUILD_LIBEXEC_DIR;
}

}  // namespace

void openInTextEditor(const char* file) {
  std::string command = formatMessage("notepad %s", file);
  const char* oldPath = std::getenv("PATH");
  std::string savedPath = oldPath ? oldPath : "";
  std::string path = savedPath.empty() ? fallbackFolder() : savedPath + ":" + fallbackFolder();
  setenv("PATH", path.c_str(), 1);
  int ignored = std::system(command.c_str());
  (void)ignored;
  if (oldPath) {
    setenv("PATH", savedPath.c_str(), 1);
  } else {
    unsetenv("PATH");
  }
}
