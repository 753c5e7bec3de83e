// UTF conversions and the exception base.
#include "lib/values/uMiscLean.h"

#include <gtest/gtest.h>

#include <memory>

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

TEST(HexDigits, ValuesAndErrors) {
  const std::u16string_view digits = u"0123456789ABCDEFabcdef";
  for (size_t i = 0; i < digits.size(); ++i) {
    EXPECT_EQ(HexDigitValue(digits[i]), i < 16 ? int(i) : int(i) - 6);
  }
  // Neighbours of the digit ranges, and digits of other scripts.
  for (char16_t c : std::u16string_view(u"/:@G`g x\u0661\uff10")) {
    SCOPED_TRACE(int(c));
    try {
      HexDigitValue(c);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), u"");
    }
  }
  EXPECT_EQ(HexPairToByte(u'7', u'c'), 0x7C);
  EXPECT_EQ(HexPairToByte(u'F', u'f'), 0xFF);
  EXPECT_THROW(HexPairToByte(u'0', u'x'), EConvertError);
}

TEST(UrlEncoding, EncodesAndDecodesBack) {
  struct TCase {
    std::u16string Text, Encoded;
  };
  const TCase cases[] = {
      {u"a b|c", u"a+b%7Cc"},
      {u"x=1&y", u"x%3D1%26y"},
      {u"C:\\Temp", u"C%3A%5CTemp"},
      {u"\u00e4", u"%C3%A4"},
      {u"100%", u"100%25"},
      {u"1+1", u"1%2B1"},
      {u"\r\n", u"%0D%0A"},
      {u"@!$'()*-._AZaz09", u"@!$'()*-._AZaz09"},
      {u"~#/?\"", u"%7E%23%2F%3F%22"},
      {u"\u20ac\u0080\u07ff", u"%E2%82%AC%C2%80%DF%BF"},
      {u"\U0001F600", u"%F0%9F%98%80"},
      {std::u16string(u"a\0b", 3), u"a%00b"},
      {u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Encoded));
    EXPECT_EQ(UrlEncodeText(c.Text), c.Encoded);
    EXPECT_EQ(UrlDecodeText(c.Encoded), c.Text);
  }
}

TEST(UrlEncoding, LoneSurrogatesAndLooseInput) {
  const std::u16string loneHigh(1, char16_t(0xD800));
  const std::u16string loneLow(1, char16_t(0xDC00));
  EXPECT_EQ(UrlEncodeText(loneHigh), u"%EF%BF%BD");
  EXPECT_EQ(UrlEncodeText(u"x" + loneLow + loneHigh + u"y"), u"x%EF%BF%BD%EF%BF%BDy");
  struct TCase {
    std::u16string Text, Decoded;
  };
  const TCase cases[] = {
      {u"100%%", u"100%"},
      {u"%FF", u"\ufffd"},
      {u"%C3", u"\ufffd"},
      {u"%7c%7C", u"||"},
      {u"a+b", u"a b"},
      {u"\u00e4\U0001F600", u"\u00e4\U0001F600"},  // unescaped characters stay
      {loneHigh, u"\ufffd"},
      {u"%E2%82%AC", u"\u20ac"},
      // The text ends at a NUL code unit; only an escaped NUL stands for one.
      {std::u16string(u"ab\0cd", 5), u"ab"},
      {std::u16string(u"\0%zz", 4), u""},
      {std::u16string(u"a%00b\0c", 7), std::u16string(u"a\0b", 3)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    EXPECT_EQ(UrlDecodeText(c.Text), c.Decoded);
  }
  for (std::u16string_view broken :
       {std::u16string_view(u"a%2"), std::u16string_view(u"%zz"), std::u16string_view(u"%"),
        std::u16string_view(u"%%%"), std::u16string_view(u"%2%"), std::u16string_view(u"%g0"),
        std::u16string_view(u"%\u00e41"), std::u16string_view(u"ok%0"),
        std::u16string_view(u"%4\0" u"1", 4), std::u16string_view(u"%\0" u"41", 4)}) {
    SCOPED_TRACE(TextToUtf8(broken));
    try {
      UrlDecodeText(broken);
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), u"EConvertError");
    }
  }
}

TEST(VariantBytes, HexTextsBothWays) {
  EXPECT_EQ(VariantBytesToHex(TVariant::Bytes({0x0A, 0xFF})), u"0aff");
  EXPECT_EQ(VariantBytesToHex(TVariant::Bytes({0x00, 0x7F}, 7)), u"007f");
  EXPECT_EQ(VariantBytesToHex(TVariant::Bytes({})), u"");
  EXPECT_EQ(VariantBytesToHex(TVariant::Null()), u"");
  struct TCase {
    std::u16string Text;
    TVariant Value;
  };
  const TCase cases[] = {
      {u"0x0aFF", TVariant::Bytes({0x0A, 0xFF})},
      {u"0x", TVariant::Bytes({})},
      {u"", TVariant::Bytes({})},
      {u"ABC", TVariant::Bytes({0xAB})},
      {u"0x0x", TVariant()},
      {u"0xzz", TVariant()},
      {u"0X12", TVariant()},
      {u"12 ", TVariant()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    EXPECT_TRUE(HexToVariantBytes(c.Text).IsIdentical(c.Value));
  }
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

namespace {

TEST(TextTests, StartsContainsAndLists) {
  struct TCase {
    const char* Title;
    bool Result, Expected;
  };
  const TCase cases[] = {
      {"empty prefix", TextStartsWith(u"abc", u""), false},
      {"exact prefix", TextStartsWith(u"0x1F", u"0x"), true},
      {"case differs", TextStartsWith(u"0X1F", u"0x"), false},
      {"prefix longer than text", TextStartsWith(u"a", u"ab"), false},
      {"folded prefix", TextStartsWithIgnoreCase(u"VOLUME{x}", u"Volume{"), true},
      {"folded empty prefix", TextStartsWithIgnoreCase(u"abc", u""), false},
      {"non-ASCII not folded", TextStartsWithIgnoreCase(u"\u00c4x", u"\u00e4"), false},
      {"CR LF found", TextContains(u"\r\n", u"a\r\nb", true), true},
      {"folded needle", TextContains(u"AB", u"xaby", false), true},
      {"case-sensitive miss", TextContains(u"AB", u"xaby", true), false},
      {"umlaut not folded", TextContains(u"\u00e4", u"\u00c4", false), false},
      {"empty needle", TextContains(u"", u"abc", true), false},
      {"list exact", TextInList(u"b", {u"a", u"b"}, true), true},
      {"list case", TextInList(u"B", {u"a", u"b"}, true), false},
      {"list folded", TextInListIgnoreCase(u"B", {u"a", u"b"}), true},
      {"two empty texts", TextInListIgnoreCase(u"", {u"x", u""}), true},
      {"empty against text", TextInListIgnoreCase(u"", {u"x"}), false},
      {"empty list", TextInListIgnoreCase(u"x", {}), false},
      {"integer in list", IntegerInList(5, {1, 5}), true},
      {"integer not in list", IntegerInList(2, {1, 5}), false},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Result, c.Expected) << c.Title;
  EXPECT_EQ(TextFirstChar(u""), u'\0');
  EXPECT_EQ(TextLastChar(u"ab"), u'b');
  EXPECT_EQ(TextByteSize(u"abc"), 6);
}

TEST(NumberTexts, DollarHexPointersAndParsing) {
  EXPECT_EQ(IntToDollarHex(32, 255), u"$000000FF");
  EXPECT_EQ(IntToDollarHex(8, 4096), u"$1000");
  EXPECT_EQ(IntToDollarHex(64, -1), u"$FFFFFFFFFFFFFFFF");
  EXPECT_EQ(IntToDollarHex(0, 0), u"$0");
  EXPECT_EQ(PointerToText(nullptr).size(), 1 + 2 * sizeof(void*));

  struct TCase {
    std::u16string Text;
    int64_t Value;
  };
  const TCase good[] = {
      {u"", 0},       {u"0", 0},         {u"-12", -12},  {u"+7", 7},
      {u"$FF", 255},  {u"$ff", 255},     {u"0x10", 16},  {u"-$10", -16},
      {u"  42", 42},  {u"$FFFFFFFFFFFFFFFF", -1},
      {u"9223372036854775807", INT64_MAX}, {u"-9223372036854775808", INT64_MIN},
  };
  for (const auto& c : good) EXPECT_EQ(TextToInt64(c.Text), c.Value) << TextToUtf8(c.Text);
  const std::u16string bad[] = {u"abc", u"12a", u"$", u"-", u"1 ", u"9223372036854775808",
                                u"$1FFFFFFFFFFFFFFFF", u"\uFF11"};
  for (const auto& text : bad) {
    EXPECT_THROW(TextToInt64(text), EConvertError) << TextToUtf8(text);
  }
}

TEST(MethodTexts, RoundTripOnThisBuild) {
  const TMethod method{reinterpret_cast<const void*>(uintptr_t{0x00401000}), nullptr};
  if (sizeof(void*) == 4) {
    EXPECT_EQ(MethodToText(method), u"$00401000$00000000");
  } else {
    EXPECT_EQ(MethodToText(method), u"$0000000000401000$0000000000000000");
  }
  // Full-width addresses survive the round trip (8 digits would cut 64-bit ones).
  int object = 0;
  const TMethod real{reinterpret_cast<const void*>(&TextToMethod), &object};
  EXPECT_TRUE(MethodsEqual(TextToMethod(MethodToText(real)), real));
  EXPECT_TRUE(MethodsEqual(TextToMethod(MethodToText(method)), method));
  EXPECT_FALSE(MethodsEqual(method, real));
  EXPECT_TRUE(MethodIsEmpty({nullptr, &object}));
  EXPECT_FALSE(MethodIsEmpty(real));
  EXPECT_THROW(TextToMethod(u"$0040100G$00000000"), EConvertError);
}

TEST(Memory, InUseFollowsAllocations) {
  const uint32_t before = MemoryInUse();
  auto block = std::make_unique<char[]>(8 << 20);
  block[0] = 1;
  const uint32_t during = MemoryInUse();
  block.reset();
  const uint32_t after = MemoryInUse();
  EXPECT_GE(during, before + (7u << 20));
  EXPECT_LE(after, during - (7u << 20));
}

TEST(FreeAndNil, ClearsBeforeDestroying) {
  struct TProbe {
    TProbe** Variable;
    bool* SawCleared;
    ~TProbe() { *SawCleared = *Variable == nullptr; }
  };
  bool sawCleared = false;
  TProbe* probe = nullptr;
  probe = new TProbe{&probe, &sawCleared};
  FreeAndNil(probe);
  EXPECT_EQ(probe, nullptr);
  EXPECT_TRUE(sawCleared);
}

}  // namespace
