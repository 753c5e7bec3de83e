// Text lists from bytes.
#include "lib/values/uTextList.h"

#include "lib/values/uMiscLean.h"

namespace {

// Windows-1252 at 0x80 to 0x9F; the unassigned codes map to themselves, as Windows does.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::u16string TextFromBytesWithBom(std::span<const uint8_t> bytes) {
  std::u16string text;
  if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
    return TextFromUtf8(std::string_view(reinterpret_cast<const char*>(bytes.data()) + 3, bytes.size() - 3));
  }
  if (bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
    const bool little = bytes[0] == 0xFF;
    // An odd last byte is not a code unit and is dropped.
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
      text.push_back(little ? static_cast<char16_t>(bytes[i] | bytes[i + 1] << 8)
                            : static_cast<char16_t>(bytes[i] << 8 | bytes[i + 1]));
    }
    return text;
  }
  text.reserve(bytes.size());
  for (uint8_t b : bytes) text.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
  return text;
}

std::vector<std::u16string> TextListFromBytes(std::span<const uint8_t> bytes) {
  const std::u16string text = TextFromBytesWithBom(bytes);
  std::vector<std::u16string> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    lines.emplace_back(text, start, i - start);
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text, start, text.size() - start);
  return lines;
}

int TextUtf8WithoutBomLine(std::span<const uint8_t> bytes) {
  const bool utf8Bom = bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF;
  const bool utf16Bom = bytes.size() >= 2 && ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF));
  if (utf8Bom || utf16Bom) return 0;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  // Valid UTF-8, and only that, survives the round trip unchanged.
  if (TextToUtf8(TextFromUtf8(text)) != text) return 0;
  // Without a byte-order mark each byte is one code unit of the list, so lines match.
  const std::vector<std::u16string> lines = TextListFromBytes(bytes);
  for (size_t i = 0; i < lines.size(); ++i) {
    for (char16_t c : lines[i]) {
      if (c >= 0x80) return static_cast<int>(i + 1);
    }
  }
  return 0;
}

std::vector<TInstallScriptEntry> InstallScriptEntries(std::span<const uint8_t> bytes) {
  const std::vector<std::u16string> lines = TextListFromBytes(bytes);
  std::vector<TInstallScriptEntry> entries;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].empty() || lines[i].starts_with(u"//")) continue;
    entries.push_back({static_cast<int>(i + 1), lines[i]});
  }
  return entries;
}
