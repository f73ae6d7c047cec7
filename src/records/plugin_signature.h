// What a file given as a plugin begins with. Only a file that begins with
// "TES3" is a plugin either program reads; the rest is refused before any
// record is read, each program with its own words.
#pragma once

#include <string>

struct PluginSignature {
  enum Kind {
    kTes3,        // a plugin of the format Quendrel reads
    kEmpty,       // no byte at all
    kTes4,        // the next-generation format
    kOther,       // anything else: a text file, a picture
    kUnreadable,  // cannot be opened or read (a folder, say); errno says why
  } kind;
  // The first (up to four) bytes as they are where printable, as \xNN where
  // not: "TA, " for a rules file given by mistake.
  std::string shown;
};

PluginSignature readPluginSignature(const char* path);
