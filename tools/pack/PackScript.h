// The install script as the packer reads it: the same text-list rules as the installer (byte-
// order marks, ANSI text otherwise, CR LF / CR / LF), comments only at the very start of a
// line, empty lines skipped, nothing trimmed; and every entry must stay inside the
// installation folder and name a file Windows can create (RelativePathStaysInside), as the
// installer requires.
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

// Fills entries in script order. False with a "LINE: entry "TEXT" is refused: REASON" problem
// for the first entry that would leave the installation folder or names no Windows file.
bool PackScriptParse(std::span<const uint8_t> script, std::vector<TPackEntry>& entries,
                     std::string& problem);
