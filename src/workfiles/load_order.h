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
//     config=profiles/main     # then profiles/main/openmw.cfg is read
//   The content lines are the load order; a plugin is looked for in the data
//   folders from the last to the first (a later folder wins), data-local
//   last of all. Each config= folder's openmw.cfg is read after the file
//   that names it, depth first, as if its lines came after; replace=data
//   and replace=content there forget the folders and plugins read before.
//   groundcover= plugins are not checked. A folder value in double quotes
//   takes & as its escape character (&& for &, &" for "); an empty one is
//   the cfg's own folder; one that starts with ?userconfig?, ?userdata?,
//   ?global? or ?local? starts in the engine's folder of that name.
//   Lines whose first character is # are comments. UTF-8; a byte-order
//   mark at the start is passed over.
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
  std::vector<std::string> files;    // the configuration files read (a chain's every file)
};

// The plugins the configuration file lists (each name once). `where` is the
// file; or a folder, for the openmw.cfg or else the Morrowind.ini in it; or
// "auto", for the player's own: $OPENMW_CONFIG, the openmw.cfg in
// $OPENMW_CONFIG_DIR, the user's openmw.cfg where the engine keeps it, or a
// Morrowind.ini in the current folder or one above. The file found for a
// folder or "auto" is named on standard error, as is each folder left out
// and each config= line passed over (a file named twice is read once). A
// file that cannot be read, or that holds neither a [Game Files] section
// nor a content=, data= or config= line, ends the run with one line on
// standard error.
LoadOrder readLoadOrder(const std::string& where);
