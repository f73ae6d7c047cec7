// quendrel-map's command line: its options, read once into a value that
// the order of the work (map_run.cpp) reads and never changes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MapOptions {
  std::string rules = "quendrel.cfg";
  bool rulesNamed = false;
  std::string loadOrder;  // empty: none
  std::vector<std::string> against;
  std::string output = "cell_map.svg";
  std::string png;  // none when empty
  std::string html;  // none when empty
  bool suggest = false;
  int32_t margin = 0;
  std::string reserve;  // empty: none
  bool json = false;
  std::string interiors;  // empty: not written
  std::string resolvedRules;  // --write-rules; empty: not written
  std::string plugin;
};

// The options of the command line; --help and --version print their text
// and end the run (status 0), a wrong command line ends it with one line on
// standard error (status 1).
MapOptions parseOptions(int argc, char** argv);
