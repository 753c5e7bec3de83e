// UTF conversions and the exception base.
#include "lib/values/uMiscLean.h"

#include <gtest/gtest.h>

namespace {

TEST(TextConversions, Utf16ToUtf8AndBack) {
  struct TCase {
    std::u16string Text;
    std::string Utf8;
  };
  const TCase cases[] = {
      {u"", ""},
      {u"plain", "plain"},
      {u"\u00e9\u20ac", "\xC3\xA9\xE2\x82\xAC"},
      {u"\U0001F600", "\xF0\x9F\x98\x80"},
      {u"C:\\Program Files\\Vardeno", "C:\\Program Files\\Vardeno"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Utf8);
    EXPECT_EQ(TextToUtf8(c.Text), c.Utf8);
    EXPECT_EQ(TextFromUtf8(c.Utf8), c.Text);
  }
}

TEST(TextConversions, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(TextToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  const char16_t loneLow[] = {u'a', 0xDC00, u'b'};
  EXPECT_EQ(TextToUtf8(std::u16string_view(loneLow, 3)), "a\xEF\xBF\xBD" "b");
  struct TCase {
    std::string Utf8;
    std::u16string Text;
  };
  const TCase cases[] = {
      {"\xFF", u"\uFFFD"},
      {"a\xC3", u"a\uFFFD"},                  // cut short
      {"\xC0\xAF", u"\uFFFD\uFFFD"},          // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
      {"\xE2\x82x", u"\uFFFD\uFFFDx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Utf8));
    EXPECT_EQ(TextFromUtf8(c.Utf8), c.Text);
  }
}

TEST(TextConversions, NumbersAndExceptions) {
  EXPECT_EQ(IntToText(0), u"0");
  EXPECT_EQ(IntToText(-42), u"-42");
  EXPECT_EQ(IntToText(INT64_MIN), u"-9223372036854775808");
  const EDebugStop stop(u"Error: \u00e9");
  EXPECT_EQ(stop.Message(), u"Error: \u00e9");
  EXPECT_STREQ(stop.what(), "Error: \xC3\xA9");
}

}  // namespace
