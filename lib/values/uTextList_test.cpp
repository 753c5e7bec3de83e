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

TEST(InstallScript, EntriesAreTheLinesThatAreNeitherEmptyNorComments) {
  const std::vector<TInstallScriptEntry> entries =
      InstallScriptEntries(Bytes("// head\r\na.exe\r\n\r\n//b\n //c\rlast"));
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Line, 2);
  EXPECT_EQ(entries[0].Text, u"a.exe");
  EXPECT_EQ(entries[1].Line, 5);
  EXPECT_EQ(entries[1].Text, u" //c") << "a comment starts the line";
  EXPECT_EQ(entries[2].Line, 6);
  EXPECT_EQ(entries[2].Text, u"last");
  EXPECT_TRUE(InstallScriptEntries(Bytes("")).empty());
}

TEST(InstallScript, Utf8WithoutAByteOrderMarkIsFoundByLine) {
  struct TCase {
    const char* Title;
    std::vector<uint8_t> Input;
    int Line;
  };
  const TCase cases[] = {
      {"plain ASCII", Bytes("a.exe\r\nb.txt"), 0},
      {"UTF-8 on line 3", Bytes("a\r\n\r\nUI\\\xC3\xA4.ico\r\n\xE2\x82\xAC"), 3},
      {"CR and LF count as the list counts", Bytes("a\rb\nc\r\n\xC3\xA4"), 4},
      {"UTF-8 with its mark", Bytes("\xEF\xBB\xBF\xC3\xA4"), 0},
      {"UTF-16 with its mark", {0xFF, 0xFE, 0xE4, 0}, 0},
      {"Windows-1252, not UTF-8", Bytes("\xE4.txt\r\n\x80"), 0},
      {"mostly UTF-8 but one stray byte", Bytes("\xC3\xA4\r\n\xE4"), 0},
      {"empty", Bytes(""), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    EXPECT_EQ(TextUtf8WithoutBomLine(c.Input), c.Line);
  }
}

}  // namespace
