// Text lists read from bytes the way Windows' text-list loaders read a stream: a byte-order
// mark selects UTF-8 or UTF-16 (little or big endian), otherwise the bytes are ANSI text
// (Windows-1252); CR LF, CR and LF each end a line, and a final line end adds no empty line.
// Nothing is trimmed. Any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

std::u16string TextFromBytesWithBom(std::span<const uint8_t> bytes);
std::vector<std::u16string> TextListFromBytes(std::span<const uint8_t> bytes);

// Bytes without a byte-order mark that are not plain ASCII yet valid UTF-8: a text meant as
// UTF-8 that TextFromBytesWithBom reads as Windows-1252. The 1-based line (as TextListFromBytes
// counts lines) of the first byte above 0x7F; 0 for every other text.
//   "a\nb\xC3\xA4" => 2    "a\xE4" (Windows-1252) => 0    BOM + "\xC3\xA4" => 0    "abc" => 0
int TextUtf8WithoutBomLine(std::span<const uint8_t> bytes);

// One entry of an install script: its 1-based line and its text.
struct TInstallScriptEntry {
  int Line = 0;
  std::u16string Text;
};
// The install script's entries in script order, the one rule that the packer and the installer
// share (entry i is the payload resource "F<i>"): every line of TextListFromBytes that is not
// empty and does not start with "//". Nothing is trimmed.
//   "a.exe" => entry    "" => skipped    "//x" => skipped    " //x" => entry
std::vector<TInstallScriptEntry> InstallScriptEntries(std::span<const uint8_t> bytes);
