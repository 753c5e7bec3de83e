// The install script as the packer reads it: the installer's own entry rule
// (InstallScriptEntries, lib/values/uTextList.h: byte-order marks, ANSI text otherwise, CR LF /
// CR / LF, comments only at the very start of a line, empty lines skipped, nothing trimmed); a
// UTF-8 script without a byte-order mark is refused (the installer would read it as
// Windows-1252); and every entry must stay inside the installation folder and name a file
// Windows can create (RelativePathStaysInside), as the installer requires.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

struct TPackEntry {
  int Line;                             // 1-based line of the script
  std::string Text;                     // the entry as written, in UTF-8
  std::filesystem::path HostRelative;   // the same path with host separators
};

// Fills entries in script order. False with a "LINE: message" problem for the first entry
// that would leave the installation folder or names no Windows file ("LINE: entry "TEXT" is
// refused: REASON"), or for the first non-ASCII line of a UTF-8 script without a byte-order
// mark.
bool PackScriptParse(std::span<const uint8_t> script, std::vector<TPackEntry>& entries,
                     std::string& problem);
