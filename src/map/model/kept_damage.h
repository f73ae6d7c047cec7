// What is wrong with a plugin the model reads, kept as the text of the line
// the run prints for it: the walk over a file and the land read after it
// read several files at once, and the caller prints their lines in order.
#pragma once

#include <string>

#include "records/record_reader.h"

// Keeps the damage the reader meets (it stops at the first) as one line's
// text, e.g. "Mod.esp ends inside the record at byte 1234".
class KeepDamage : public DamageReporter {
 public:
  explicit KeepDamage(const std::string& path) : path_(path) {}
  void damaged(const RecordDamage& damage) override {
    if (damage.readFailed) {
      text = "cannot read " + path_ + ": " + damage.reason;
    } else {
      text = path_ + " ends inside the record at byte " + std::to_string(damage.offset);
    }
  }
  std::string text;  // empty while nothing is wrong

 private:
  const std::string& path_;
};
