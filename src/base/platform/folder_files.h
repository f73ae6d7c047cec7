// Finding files by name in a folder as the game's engines do: the letters
// of a name compared without regard to case, on every system. Paths are
// UTF-8 throughout.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The folder a path names its file in: "Moved" for "Moved/Mod.esm", "." for
// "Mod.esm".
std::string folderOf(const std::string& path);

// The file name without its folders, either separator taken:
// "Data Files\\mod.esp" and "game/mod.esp" give "mod.esp".
inline std::string fileNameOf(const std::string& path) {
  return path.substr(path.find_last_of("/\\") + 1);
}

// The path of the entry of `folder` whose name is `name`, ASCII letters
// compared without regard to case; nothing when there is none.
std::optional<std::string> findFileIgnoringCase(const std::string& folder,
                                                const std::string& name);

// The size in bytes of the file at `path`; nothing when it cannot be read.
std::optional<uint64_t> sizeOfFile(const std::string& path);
