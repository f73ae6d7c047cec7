// --sync-header: the output's header record brought up to date. A plugin's
// header (TES3) holds the number of records behind it and, for each master
// it was made against, the master's size; the original engine warns at
// start-up about every plugin whose header gives a master's size other than
// the master's own. After a master is replaced by its moved version, its
// patches, processed with --sync-header, carry the new size.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "base/run_log.h"
#include "plugin/run_context.h"

class HeaderSync {
 public:
  HeaderSync(const RunOptions& options, const char* pluginPath);

  // The header record, before it is written: each master's size becomes
  // the present size of that master, looked up first in the output's folder
  // and then in the plugin's, letter case ignored; a master found in neither
  // keeps its size, and the run log and standard error say so. `at` is
  // where the record goes in the output: only a header that begins the
  // output is brought up to date.
  void prepareHeader(uint8_t* record, std::size_t size, uint64_t at, RunLog& log);
  // Counts the records written after the header.
  void written(int records) {
    if (headerAt_) records_ += records;
  }
  // Writes the count into the header in the output, once every record is
  // written. False when the file cannot be written.
  bool finish(std::FILE* output) const;

 private:
  std::vector<std::string> folders_;
  std::optional<uint64_t> headerAt_;  // the count's place in the output
  uint32_t records_ = 0;
};
