// Text lists from bytes: byte-order marks, ANSI text, line ends.
#include "lib/values/uTextList.h"

#include <gtest/gtest.h>

#include "lib/values/uMiscLean.h"

namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(TextList, LineEndsAndEncodings) {
  using TLines = std::vector<std::u16string>;
  struct TCase {
    const char* Title;
    std::vector<uint8_t> Input;
    TLines Lines;
  };
  const TCase cases[] = {
      {"CR LF", Bytes("a\r\nb\r\n"), {u"a", u"b"}},
      {"LF and CR", Bytes("a\nb\rc"), {u"a", u"b", u"c"}},
      {"no final line end", Bytes("a\r\nlast"), {u"a", u"last"}},
      {"empty lines kept", Bytes("a\r\n\r\n\nb"), {u"a", u"", u"", u"b"}},
      {"nothing trimmed", Bytes("  // x \t\r\n"), {u"  // x \t"}},
      {"empty input", Bytes(""), {}},
      {"UTF-8 mark", Bytes("\xEF\xBB\xBF\xC3\xA4\r\nb"), {u"\u00e4", u"b"}},
      {"UTF-16 LE mark", {0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 0xE4, 0}, {u"a", u"\u00e4"}},
      {"UTF-16 BE mark", {0xFE, 0xFF, 0, 'a', 0, '\n', 0x20, 0xAC}, {u"a", u"\u20ac"}},
      {"ANSI", Bytes("\xE4\x80"), {u"\u00e4\u20ac"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    EXPECT_EQ(TextListFromBytes(c.Input), c.Lines);
  }
}

}  // namespace
