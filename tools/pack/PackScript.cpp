// The install script as the packer reads it.
#include "tools/pack/PackScript.h"

#include "lib/paths/uRelativePath.h"
#include "lib/values/uMiscLean.h"
#include "lib/values/uTextList.h"

bool PackScriptParse(std::span<const uint8_t> script, std::vector<TPackEntry>& entries,
                     std::string& problem) {
  entries.clear();
  if (const int line = TextUtf8WithoutBomLine(script); line != 0) {
    problem = std::to_string(line) +
              ": the script is UTF-8 without a byte-order mark, which the installer reads as "
              "Windows-1252 (its file names would come out garbled); save it as UTF-8 with a "
              "byte-order mark";
    return false;
  }
  for (const TInstallScriptEntry& entry : InstallScriptEntries(script)) {
    const std::u16string& line = entry.Text;
    const int number = entry.Line;
    std::u16string reason;
    if (!RelativePathStaysInside(line, &reason)) {
      problem = std::to_string(number) + ": entry \"" + TextToUtf8(line) +
                "\" is refused: " + TextToUtf8(reason);
      return false;
    }
    std::u16string host = line;
    for (char16_t& c : host) {
      if (c == u'\\') c = u'/';
    }
    entries.push_back({number, TextToUtf8(line), std::filesystem::path(host)});
  }
  return true;
}
