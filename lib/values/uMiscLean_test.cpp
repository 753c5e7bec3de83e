// UTF conversions and the exception base.
#include "lib/values/uMiscLean.h"

#include <gtest/gtest.h>

#include "lib/values/uVariant.h"

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

namespace {

TEST(ValueTexts, GroupDigitsAndDisplayTexts) {
  struct TCase {
    std::u16string Text, Grouped;
  };
  const TCase cases[] = {
      {u"1234567", u"1,234,567"}, {u"1234", u"1,234"}, {u"-1234", u"-1,234"}, {u"-123", u"-123"},
      {u"123", u"123"},           {u"12", u"12"},      {u"", u""},           {u"1000000", u"1,000,000"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextGroupDigits(c.Text, u','), c.Grouped) << TextToUtf8(c.Text);

  std::vector<uint8_t> bytes(41);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(VariantAsText(TVariant::Bytes(bytes)),
            u"(41) 000102030405060708090a0b0c0d0e0f10111213...1415161718191a1b1c1d1e1f202122232425262728");
  bytes.pop_back();
  EXPECT_EQ(VariantAsText(TVariant::Bytes(bytes)).size(), 5u + 80u);
  EXPECT_EQ(VariantAsText(TVariant::Bytes({1, 2, 0xFF})), u"(3) 0102ff");
  EXPECT_EQ(VariantAsText(TVariant::Bytes({})), u"(0) ");
  EXPECT_EQ(VariantAsText(TVariant(42)), u"42");
  EXPECT_EQ(VariantAsText(TVariant(true)), u"True");
  EXPECT_EQ(VariantAsText(TVariant::Null()), u"");
  EXPECT_EQ(VariantAsGroupedText(TVariant(int64_t{-1234567})), u"-1,234,567");
}

}  // namespace
