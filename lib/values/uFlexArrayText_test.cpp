// The flexible array's text forms: writing and reading the simple and pair forms, two-level
// records, the display form, separated values, and a randomized round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "lib/testing/uTestSupport.h"
#include "lib/values/uFlexArray.h"
#include "lib/values/uFlexArray_testing.h"

namespace {

const TVariant kEmpty;
const TVariant kNull = TVariant::Null();
const TVariant kBytes0AFF = TVariant::Bytes({0x0A, 0xFF});
const std::u16string kReplacement(1, char16_t(0xFFFD));

TEST(FlexArrayText, WritesAndReadsBack) {
  struct TCase {
    const char* Name;
    TFlexArray Array;
    std::u16string Text;
    std::vector<TFlexTestEntry> ReadBack;
  };
  const TCase cases[] = {
      {"keyed",
       FlexArrayOf({u"Name", u"A B", u"Size", 10}),
       u"Name|A+B|Size|10|",
       {{u"Name", u"A B"}, {u"Size", u"10"}}},
      {"typed values",
       FlexArrayOf({u"Flag", true, u"Data", kBytes0AFF}),
       u"Flag|True|Data|0x0AFF|",
       {{u"Flag", true}, {u"Data", kBytes0AFF}}},
      {"values only", FlexValuesOf({u"x", u"y"}), u"|x||y|", {{u"", u"x"}, {u"", u"y"}}},
      {"one keyless value",
       FlexValuesOf({u"hello world"}),
       u"hello world",
       {{u"", u"hello world"}}},
      {"separator in a key", FlexArrayOf({u"a|b", u"c"}), u"a%7Cb|c|", {{u"a|b", u"c"}}},
      {"empty", {}, u"", {}},
      {"one keyless true", FlexValuesOf({true}), u"True", {{u"", u"True"}}},
      {"keyed true", FlexArrayOf({u"k", true}), u"k|True|", {{u"k", true}}},
      {"keyed false", FlexArrayOf({u"k", false}), u"k|False|", {{u"k", false}}},
      {"one keyless byte array", FlexValuesOf({kBytes0AFF}), u"0x0AFF", {{u"", u"0x0AFF"}}},
      {"keyless values with kinds",
       FlexValuesOf({kBytes0AFF, 1, kNull}),
       u"|0x0AFF||1|||",
       {{u"", u"0x0AFF"}, {u"", u"1"}, {u"", u""}}},
      {"keyed empty and null",
       FlexArrayOf({u"e", kEmpty, u"n", kNull}),
       u"e||n||",
       {{u"e", kEmpty}, {u"n", kEmpty}}},
      {"numbers come back as texts",
       FlexArrayOf({u"d", 1.5, u"i", int64_t{-7}}),
       u"d|1.5|i|-7|",
       {{u"d", u"1.5"}, {u"i", u"-7"}}},
      {"escapes",
       FlexArrayOf({u"100%", u"a+b=c&d", u"line", u"1\r\n2"}),
       u"100%25|a%2Bb%3Dc%26d|line|1%0D%0A2|",
       {{u"100%", u"a+b=c&d"}, {u"line", u"1\r\n2"}}},
      {"non-ASCII",
       FlexArrayOf({u"\u00e4", u"\u20ac"}),
       u"%C3%A4|%E2%82%AC|",
       {{u"\u00e4", u"\u20ac"}}},
      {"a character outside the BMP",
       FlexArrayOf({u"k", u"\U0001F600"}),
       u"k|%F0%9F%98%80|",
       {{u"k", u"\U0001F600"}}},
      {"a lone surrogate",
       FlexArrayOf({std::u16string(1, char16_t(0xD800)), u"v"}),
       u"%EF%BF%BD|v|",
       {{kReplacement, u"v"}}},
      {"NUL inside a value",
       FlexArrayOf({u"k", std::u16string(u"a\0b", 3)}),
       u"k|a%00b|",
       {{u"k", std::u16string(u"a\0b", 3)}}},
      // Texts that the simple form could not carry take the pair form.
      {"one keyless empty text", FlexValuesOf({u""}), u"||", {{u"", u""}}},
      {"one keyless null", FlexValuesOf({kNull}), u"||", {{u"", u""}}},
      {"one keyless text ending with the separator",
       FlexValuesOf({u"a|"}),
       u"|a%7C|",
       {{u"", u"a|"}}},
      // A text that only starts like a byte array keeps its content.
      {"not hexadecimal",
       FlexArrayOf({u"k", u"0xzz", u"odd", u"0x123"}),
       u"k|0xzz|odd|0x123|",
       {{u"k", u"0xzz"}, {u"odd", u"0x123"}}},
      {"keyed hexadecimal text",
       FlexArrayOf({u"k", u"0x0aff"}),
       u"k|0x0aff|",
       {{u"k", kBytes0AFF}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.Array.ToString(), c.Text);
    const std::u16string converted = c.Array;
    EXPECT_EQ(converted, c.Text);
    TFlexArray readBack;
    readBack.SetFromString(c.Text);
    EXPECT_TRUE(FlexEntriesAre(readBack, c.ReadBack));
    EXPECT_TRUE(FlexEntriesAre(TFlexArray(c.Text), c.ReadBack));
  }
  EXPECT_TRUE(FlexValuesOf({u"x"}).IsSimpleString());
  EXPECT_TRUE(FlexValuesOf({u""}).IsSimpleString());
  EXPECT_FALSE(FlexArrayOf({u"k", u"x"}).IsSimpleString());
  EXPECT_FALSE(FlexValuesOf({u"x", u"y"}).IsSimpleString());
}

TEST(FlexArrayText, ReadingToleratesBrokenGroups) {
  struct TCase {
    std::u16string Text;
    std::vector<TFlexTestEntry> Entries;
  };
  const TCase cases[] = {
      {u"", {}},
      {u"|", {}},
      {u"k|", {}},
      {u"||", {{u"", u""}}},
      {u"k|v", {{u"", u"k|v"}}},
      {u"a|1|b", {{u"", u"a|1|b"}}},
      {u"x|1|y|", {{u"x", u"1"}}},
      {u"k|%zz|x|1|", {{u"x", u"1"}}},
      {u"%zz|1|x|2|", {{u"x", u"2"}}},
      {u"k|a%2|x|1|", {{u"x", u"1"}}},
      {u"a%|1|x|1|", {{u"x", u"1"}}},
      {u"a|1|A|2|", {{u"a", u"2"}}},
      {u"%61|%31|", {{u"a", u"1"}}},
      {u"5|x|", {{u"5", u"x"}}},
      {u"+|a+b|", {{u" ", u"a b"}}},
      {u"k|100%%|", {{u"k", u"100%"}}},
      {u"k|%FF|", {{u"k", kReplacement}}},
      {u"k|%7c|", {{u"k", u"|"}}},
      {u"k|false|", {{u"k", u"false"}}},
      {u"k|0x|", {{u"k", TVariant::Bytes({})}}},
      {u"|0x0aff|", {{u"", u"0x0aff"}}},
      {u"k|\u00e4|", {{u"k", u"\u00e4"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    TFlexArray array = FlexArrayOf({u"old", 1});
    array.SetFromString(c.Text);
    EXPECT_TRUE(FlexEntriesAre(array, c.Entries));
  }
  TFlexArray appended = FlexArrayOf({u"a", 0, u"b", 0});
  appended.AddFromString(u"a|1||v|");
  EXPECT_TRUE(FlexEntriesAre(appended, {{u"a", u"1"}, {u"b", 0}, {u"", u"v"}}));
  TFlexArray duplicates;
  duplicates.AllowDuplicateKeys = true;
  duplicates.AddFromString(u"a|1|A|2|");
  EXPECT_TRUE(FlexEntriesAre(duplicates, {{u"a", u"1"}, {u"A", u"2"}}));
}

TEST(FlexArrayText, TwoLevels) {
  TFlexArray array;
  array.D2Add(u"Job", {u"Id", 5, u"Name", u"x"});
  EXPECT_TRUE(array.GetValueByKey(u"Job").IsIdentical(u"Id|5|Name|x|"));
  EXPECT_EQ(array.ToString(), u"Job|Id%7C5%7CName%7Cx%7C|");
  EXPECT_TRUE(FlexEntriesAre(array.D2(u"Job"), {{u"Id", u"5"}, {u"Name", u"x"}}));
  EXPECT_TRUE(
      FlexEntriesAre(TFlexArray(array.ToString()).D2(u"job"), {{u"Id", u"5"}, {u"Name", u"x"}}));
  EXPECT_TRUE(array.D2(u"Other").IsEmpty());

  array.D2Set(u"Job", u"State", true);
  array.D2Set(u"Job", u"Id", 6);
  EXPECT_TRUE(FlexEntriesAre(array.D2(0), {{u"Id", u"6"}, {u"Name", u"x"}, {u"State", true}}));
  array.D2Set(u"New", u"k", u"v");
  EXPECT_TRUE(FlexEntriesAre(array.D2(u"New"), {{u"k", u"v"}}));

  TFlexArray records;
  records.D2AddValue({u"Id", 4, u"Name", u"a"});
  records.D2AddValue({u"Id", 5, u"Name", u"b"});
  records.D2AddValue({u"Id", 5, u"Name", u"c"});
  records.AddValueWithNoKey(kBytes0AFF);  // not a record; searching goes past it
  struct TCase {
    TArrayOfVariants Probe;
    int Index;
  };
  const TCase cases[] = {
      {{u"Id", u"5"}, 1},
      {{u"Id", 5}, 1},
      {{u"Id", 5, u"Name", u"c"}, 2},
      {{u"name", u"A"}, -1},
      {{u"Id", 6}, -1},
      {{u"Name", u"a"}, 0},
      {{}, 0},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(records.D2Find(cases[i].Probe), cases[i].Index);
  }
  EXPECT_TRUE(FlexEntriesAre(records.D2(3), {{u"", u"0x0AFF"}}));
}

TEST(FlexArrayText, DisplayForm) {
  TFlexArray job;
  job.D2Add(u"Job", {u"Id", 5, u"Name", u"x"});
  TFlexArray jobAndMore = job;
  jobAndMore.SetKeyAndValue(u"After", u"y");
  const TFlexArray twoLevels = FlexArrayOf({u"Outer", job.ToString()});
  struct TCase {
    const char* Name;
    TFlexArray Array;
    std::u16string Text;
  };
  const TCase cases[] = {
      {"fields", FlexArrayOf({u"Type", u"Hang", u"Message", u"x"}),
       u"Type: \"Hang\", \r\nMessage: \"x\"\r\n"},
      {"nested", job, u"Job (2):\r\n  Id: \"5\", \r\n  Name: \"x\"\r\n"},
      {"nested, then more", jobAndMore,
       u"Job (2):\r\n  Id: \"5\", \r\n  Name: \"x\"\r\nAfter: \"y\"\r\n"},
      {"two levels", twoLevels,
       u"Outer (1):\r\n  Job (2):\r\n    Id: \"5\", \r\n    Name: \"x\"\r\n"},
      {"lines in a value", FlexArrayOf({u"Text", u"a\r\nb", u"k", 1}),
       u"Text:\r\na\r\nb, \r\nk: \"1\"\r\n"},
      {"no complete group", FlexArrayOf({u"k", u"a|"}), u"k (0):\r\n"},
      {"keyless values", FlexValuesOf({u"x", true, kBytes0AFF}),
       u": \"x\", \r\n: \"True\", \r\n: \"0x0AFF\"\r\n"},
      {"empty", {}, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.Array.AsStringForDisplay(), c.Text);
  }
  TArrayOfStrings lines{u"first"};
  FlexArrayOf({u"a", 1, u"b", kNull}).IntoStringsListForDisplay(lines);
  EXPECT_EQ(lines, (TArrayOfStrings{u"first", u"a: \"1\", ", u"b: \"\""}));
}

TEST(FlexArrayText, SeparatedValues) {
  EXPECT_EQ(FlexValuesOf({u"a", 1, true}).ToStringSeparated(u","), u"a,1,True");
  EXPECT_EQ(FlexArrayOf({u"k", u"v", u"n", kNull, u"e", kEmpty}).ToStringSeparated(u" | "),
            u"v |  | ");
  EXPECT_EQ(TFlexArray().ToStringSeparated(u","), u"");
  EXPECT_THROW(FlexValuesOf({u"a", kBytes0AFF}).ToStringSeparated(u","), EVariantTypeCastError);

  struct TCase {
    std::u16string Text, Separator;
    TArrayOfStrings Values;
  };
  const TCase cases[] = {
      {u"a, b, c", u", ", {u"a", u"b", u"c"}},
      {u"a;;b", u";", {u"a", u"", u"b"}},
      {u"", u";", {u""}},
      {u"abc", u"", {u"abc"}},
      {u";a;", u";", {u"", u"a", u""}},
      {u"aaa", u"aa", {u"", u"a"}},
      {u"a\r\nb", u"\r\n", {u"a", u"b"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text + u" / " + c.Separator));
    TFlexArray array = FlexArrayOf({u"old", 1});
    array.SetValuesFromStringSeparated(c.Text, c.Separator);
    std::vector<TFlexTestEntry> expected;
    for (const auto& value : c.Values) expected.push_back({u"", value});
    EXPECT_TRUE(FlexEntriesAre(array, expected));
  }
}

TEST(FlexArrayText, TrimValuesMakesTexts) {
  TFlexArray array = FlexArrayOf({u"k", u" v ", u"b", true, u"n", kNull});
  array.AddValues({std::u16string(u"\t\r\nx\x01\0", 6), 5, kEmpty, u"\u00a0y\u00a0"});
  array.TrimValues();
  EXPECT_TRUE(FlexEntriesAre(array, {{u"k", u"v"},
                                     {u"b", u"True"},
                                     {u"n", u""},
                                     {u"", u"x"},
                                     {u"", u"5"},
                                     {u"", u""},
                                     {u"", u"\u00a0y\u00a0"}}));
  TFlexArray withBytes = FlexValuesOf({u" a ", kBytes0AFF});
  EXPECT_THROW(withBytes.TrimValues(), EVariantTypeCastError);
  EXPECT_TRUE(FlexEntriesAre(withBytes, {{u"", u" a "}, {u"", kBytes0AFF}}));
}

// --- Randomized round trip ---

// Lone surrogate halves become U+FFFD on the way through UTF-8; everything else survives.
std::u16string WithoutLoneSurrogates(std::u16string text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
    const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
    } else if (high || low) {
      text[i] = 0xFFFD;
    }
  }
  return text;
}

std::u16string AsciiUpper(std::u16string text) {
  for (auto& c : text) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return text;
}

std::u16string RandomText(TTestRandom& random, size_t maxLength) {
  static const std::u16string pieces[] = {
      u"a",
      u"b",
      u"Z",
      u"0",
      u"x",
      u"|",
      u"%",
      u"+",
      u" ",
      u"\r\n",
      u"\r",
      u"=",
      u"&",
      u"~",
      u"\u00e4",
      u"\u20ac",
      u"\U0001F600",
      std::u16string(1, char16_t(0xD800)),
      std::u16string(1, char16_t(0xDC00)),
      std::u16string(1, u'\0'),
      u"%2",
      u"%%",
  };
  std::u16string text;
  const size_t length = random.Below(maxLength + 1);
  for (size_t i = 0; i < length; ++i) text += pieces[random.Below(std::size(pieces))];
  return text;
}

TVariant RandomValue(TTestRandom& random) {
  switch (random.Below(12)) {
    case 0:
      return TVariant();
    case 1:
      return TVariant::Null();
    case 2:
      return TVariant(static_cast<int32_t>(random.Next()));
    case 3:
      return TVariant(static_cast<int64_t>(random.Next()));
    case 4:
      return TVariant(static_cast<uint8_t>(random.Next()));
    case 5:
      return TVariant(static_cast<double>(static_cast<int32_t>(random.Next())) / 64.0);
    case 6:
      return TVariant(random.Below(2) == 0);
    case 7: {
      std::vector<uint8_t> bytes(random.Below(6));
      for (auto& byte : bytes) byte = static_cast<uint8_t>(random.Next());
      return TVariant::Bytes(std::move(bytes), static_cast<int32_t>(random.Below(3)));
    }
    case 8: {
      // Texts that look typed.
      static const char16_t* const typed[] = {u"True",  u"False", u"true",  u"0x", u"0x0aFF",
                                              u"0x123", u"0xzz",  u"0x7C|", u"12", u""};
      return TVariant(typed[random.Below(std::size(typed))]);
    }
    default:
      return TVariant(RandomText(random, 8));
  }
}

// What reading back gives for a value written under a key or without one.
TVariant ExpectedReadBack(const TVariant& written, bool keyed) {
  std::u16string text;
  switch (written.Type()) {
    case TVarType::Empty:
    case TVarType::Null:
      text = u"";
      break;
    case TVarType::ByteArray:
      if (keyed) return TVariant::Bytes(written.ArrayBytes());
      text = u"0x";
      for (uint8_t byte : written.ArrayBytes()) {
        text.push_back(u"0123456789ABCDEF"[byte >> 4]);
        text.push_back(u"0123456789ABCDEF"[byte & 15]);
      }
      break;
    case TVarType::Boolean:
      if (keyed) return written;
      text = written.AsBoolean() ? u"True" : u"False";
      break;
    case TVarType::String:
      text = WithoutLoneSurrogates(written.AsText());
      break;
    default:
      text = written.AsText();
      break;  // numbers come back as their texts
  }
  if (!keyed) return TVariant(text);
  if (text.empty()) return TVariant();
  if (text == u"True" || text == u"False") return TVariant(text == u"True");
  if (text.substr(0, 2) == u"0x" && text.size() % 2 == 0 &&
      text.find_first_not_of(u"0123456789abcdefABCDEF", 2) == std::u16string::npos) {
    std::vector<uint8_t> bytes;
    for (size_t i = 2; i < text.size(); i += 2)
      bytes.push_back(HexPairToByte(text[i], text[i + 1]));
    return TVariant::Bytes(bytes);
  }
  return TVariant(text);
}

TEST(FlexArrayText, RandomArraysComeBackAsTheTextFormReadsThem) {
  const uint64_t seed = TestSeed();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  TTestRandom random(seed);
  for (int round = 0; round < 500; ++round) {
    TFlexArray written;
    std::vector<TFlexTestEntry> expected;
    std::vector<std::u16string> usedKeys;  // as they read back, case-folded: keys stay distinct
    const size_t entries = random.Below(7);
    for (size_t i = 0; i < entries; ++i) {
      const std::u16string key = random.Below(4) == 0 ? u"" : RandomText(random, 5);
      const TVariant value = RandomValue(random);
      if (key.empty()) {
        written.AddValueWithNoKey(value);
      } else {
        const std::u16string folded = AsciiUpper(WithoutLoneSurrogates(key));
        if (std::find(usedKeys.begin(), usedKeys.end(), folded) != usedKeys.end()) continue;
        usedKeys.push_back(folded);
        written.SetKeyAndValue(key, value);
      }
      expected.push_back({WithoutLoneSurrogates(key), ExpectedReadBack(value, !key.empty())});
    }
    // The simple form carries one keyless text as it is, without escaping.
    const std::u16string text = written.ToString();
    if (!text.empty() && text.back() != u'|') {
      expected[0].Value = TVariant(text);
    }
    TFlexArray readBack;
    readBack.SetFromString(text);
    ASSERT_TRUE(FlexEntriesAre(readBack, expected))
        << "round " << round << ", text " << TextToUtf8(text);
    // What came back writes the same text again, apart from what reading normalised.
    TFlexArray again(readBack.ToString());
    ASSERT_TRUE(FlexEntriesAre(again, expected)) << "round " << round;
  }
}

}  // namespace
