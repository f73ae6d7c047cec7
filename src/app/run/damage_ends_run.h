// What damage to a plugin quendrel reads means: the end of the run. A plugin
// that ends inside a record, or holds a record larger than what is left of
// the file, cannot be moved whole.
#pragma once

#include "base/report.h"
#include "records/record_reader.h"

class EndRunOnDamage : public DamageReporter {
 public:
  explicit EndRunOnDamage(const char* path) : path_(path) {}
  void damaged(const RecordDamage& damage) override {
    failRun("Unable to read entire marker record (%llu bytes) from %s into memory: %s\n",
            static_cast<unsigned long long>(damage.recordSize), path_, damage.reason.c_str());
  }

 private:
  const char* path_;
};
