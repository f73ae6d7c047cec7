// Names as quendrel-map reads and shows them. Cell and region names, and the
// plugin names of the original engine's ini file, are Windows-1252 bytes, as
// the game's own tools write them; file names on disk, openmw.cfg and the
// JSON report are UTF-8. File names are matched without regard to letter
// case, as both engines match them.
#pragma once

#include <string>
#include <string_view>

// Windows-1252 text in UTF-8. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the control characters of the same
// number, as Windows itself maps them.
std::string utf8FromWindows1252(std::string_view bytes);

// A text that may be either (a file name, or a line that holds names of
// both kinds): as it stands when it is well-formed UTF-8, else read as
// Windows-1252.
std::string utf8Text(std::string_view text);

// True when the bytes are well-formed UTF-8 (no overlong forms, no
// surrogates, nothing above U+10FFFF).
bool isWellFormedUtf8(std::string_view text);

// A UTF-8 file name with its letters in lower case, for matching names: the
// ASCII letters and the letters of Windows-1252 (A to Z, À to Þ but ×, Š, Œ,
// Ž and Ÿ). Bytes that are not well-formed UTF-8 are kept as they are.
std::string foldedName(std::string_view name);
