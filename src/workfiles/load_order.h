// A player's load order, read from the configuration file of either engine,
// told apart by what the file holds:
//
//   the original engine's ini file (Morrowind.ini beside "Data Files"):
//     [Game Files]
//     GameFile0=Morrowind.esm
//     GameFile1=Sel Island.esp
//   The plugins are in the "Data Files" folder beside the ini. The engine
//   loads the masters first (files whose TES3 header says master, and .esm
//   files), then the rest, each group by modification time, oldest first,
//   ties by name; the number after GameFile does not count. Windows-1252.
//
//   the open-source engine's openmw.cfg:
//     data="/home/me/Morrowind/Data Files"
//     data=mods/Sel Island       # relative to the cfg's folder
//     content=Morrowind.esm
//     content=Sel Island.esp
//   The content lines are the load order; a plugin is looked for in the data
//   folders from the last to the first (a later folder wins), data-local
//   last of all. A data value in double quotes takes & as its escape
//   character (&& for &, &" for "); a folder named with a ?token? is passed
//   over. Lines whose first character is # are comments. UTF-8.
//
// File names are matched without regard to letter case on every system, as
// both engines match them.
#pragma once

#include <string>
#include <vector>

struct LoadOrder {
  struct Plugin {
    std::string name;  // as the file lists it, in UTF-8
    std::string path;  // the file found for it, in UTF-8
  };
  std::vector<Plugin> found;        // in load order
  std::vector<std::string> missing;  // listed but in no data folder, in the file's order
};

// The plugins the file lists (each name once). A file that cannot be read,
// or that holds neither a [Game Files] section nor a content= or data= line,
// ends the run with one line on standard error.
LoadOrder readLoadOrder(const std::string& file);
