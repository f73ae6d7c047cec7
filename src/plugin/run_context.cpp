// The run's context.
#include "plugin/run_context.h"

#include <cstring>

void addScriptToList(std::vector<std::string>& list, const char* name) {
  if (list.size() >= kScriptListCapacity) return;
  list.emplace_back(name, strnlen(name, kScriptNameMax));
}
