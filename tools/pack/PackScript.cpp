// The install script as the packer reads it.
#include "tools/pack/PackScript.h"

#include "lib/paths/uRelativePath.h"
#include "lib/values/uMiscLean.h"
#include "lib/values/uTextList.h"

bool PackScriptParse(std::span<const uint8_t> script, std::vector<TPackEntry>& entries,
                     std::string& problem) {
  entries.clear();
  const std::vector<std::u16string> lines = TextListFromBytes(script);
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::u16string& line = lines[i];
    if (line.empty() || line.starts_with(u"//")) continue;
    const int number = static_cast<int>(i + 1);
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
