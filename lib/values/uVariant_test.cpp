// The variant: kinds, conversions by the OLE rules, text forms and equality.
#include "lib/values/uVariant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>

namespace {

TEST(Variant, KindsOfConstructedValues) {
  struct TCase {
    TVariant Value;
    TVarType Type;
    bool Numeric;
  };
  const TCase cases[] = {
      {TVariant(), TVarType::Empty, false},
      {TVariant::Null(), TVarType::Null, false},
      {TVariant(true), TVarType::Boolean, true},
      {TVariant(int8_t{-1}), TVarType::ShortInt, true},
      {TVariant(uint8_t{1}), TVarType::Byte, true},
      {TVariant(int16_t{1}), TVarType::SmallInt, true},
      {TVariant(uint16_t{1}), TVarType::Word, true},
      {TVariant(1), TVarType::Integer, true},
      {TVariant(1u), TVarType::LongWord, true},
      {TVariant(int64_t{1}), TVarType::Int64, true},
      {TVariant(uint64_t{1}), TVarType::UInt64, true},
      {TVariant(1.5), TVarType::Double, true},
      {TVariant::CurrencyFromScaled(15000), TVarType::Currency, true},
      {TVariant::DateTime(1.0), TVarType::Date, false},
      {TVariant(u"x"), TVarType::String, false},
      {TVariant::Bytes({1, 2}), TVarType::ByteArray, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(TVariant::TypeName(c.Type)));
    EXPECT_EQ(c.Value.Type(), c.Type);
    EXPECT_EQ(c.Value.IsNumeric(), c.Numeric);
  }
}

// Pointers and single characters make no value (a const char* would be the Boolean true);
// UTF-16 texts do, whatever form they come in.
static_assert(!std::is_constructible_v<TVariant, const char*>);
static_assert(!std::is_constructible_v<TVariant, char*>);
static_assert(!std::is_constructible_v<TVariant, const char (&)[4]>);
static_assert(!std::is_constructible_v<TVariant, const wchar_t*>);
static_assert(!std::is_constructible_v<TVariant, const char8_t*>);
static_assert(!std::is_constructible_v<TVariant, const char32_t*>);
static_assert(!std::is_constructible_v<TVariant, const int*>);
static_assert(!std::is_constructible_v<TVariant, void*>);
static_assert(!std::is_constructible_v<TVariant, TVariant*>);
static_assert(!std::is_constructible_v<TVariant, void (*)()>);
static_assert(!std::is_constructible_v<TVariant, std::nullptr_t>);
static_assert(!std::is_constructible_v<TVariant, char>);
static_assert(!std::is_constructible_v<TVariant, char8_t>);
static_assert(!std::is_constructible_v<TVariant, char16_t>);
static_assert(!std::is_constructible_v<TVariant, char32_t>);
static_assert(!std::is_constructible_v<TVariant, wchar_t>);
static_assert(std::is_convertible_v<const char16_t (&)[4], TVariant>);
static_assert(std::is_convertible_v<const char16_t*, TVariant>);
static_assert(std::is_convertible_v<char16_t*, TVariant>);
static_assert(std::is_convertible_v<std::u16string, TVariant>);
static_assert(std::is_convertible_v<std::u16string_view, TVariant>);
static_assert(std::is_convertible_v<bool, TVariant>);
static_assert(std::is_convertible_v<signed char, TVariant>);
static_assert(std::is_convertible_v<unsigned char, TVariant>);

TEST(Variant, TextsFromEveryUtf16Form) {
  std::u16string buffer = u"abc";
  const TVariant texts[] = {TVariant(u"abc"), TVariant(buffer.data()), TVariant(buffer),
                            TVariant(std::u16string_view(buffer))};
  for (const TVariant& text : texts) {
    EXPECT_EQ(text.Type(), TVarType::String);
    EXPECT_EQ(text.AsText(), u"abc");
  }
}

TEST(Variant, PlainTexts) {
  struct TCase {
    TVariant Value;
    std::u16string Text;
  };
  const TCase cases[] = {
      {TVariant(), u""},
      {TVariant::Null(), u""},
      {TVariant(true), u"True"},
      {TVariant(false), u"False"},
      {TVariant(-42), u"-42"},
      {TVariant(int64_t{INT64_MIN}), u"-9223372036854775808"},
      {TVariant(uint64_t{UINT64_MAX}), u"18446744073709551615"},
      {TVariant(uint8_t{255}), u"255"},
      {TVariant(1.5), u"1.5"},
      {TVariant(0.1), u"0.1"},
      {TVariant(100.0), u"100"},
      {TVariant(-2.5e-7), u"-2.5e-07"},
      {TVariant(1e20), u"1e+20"},
      {TVariant::CurrencyFromScaled(15000), u"1.5"},
      {TVariant::CurrencyFromScaled(-5), u"-0.0005"},
      {TVariant::CurrencyFromScaled(120000), u"12"},
      {TVariant::DateTime(0.0), u"1899-12-30 00:00:00.000"},
      {TVariant::DateTime(2026, 12, 10, 14, 34, 20, 5), u"2026-12-10 14:34:20.005"},
      {TVariant::DateTime(1900, 1, 1, 12), u"1900-01-01 12:00:00.000"},
      {TVariant::DateTime(1899, 12, 29, 6), u"1899-12-29 06:00:00.000"},
      {TVariant(u"text"), u"text"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    EXPECT_EQ(c.Value.AsText(), c.Text);
  }
  EXPECT_DOUBLE_EQ(TVariant::DateTime(1899, 12, 29, 6).AsDate(), -1.25);
  EXPECT_THROW(TVariant::Bytes({1}).AsText(), EVariantTypeCastError);
}

TEST(Variant, NumericConversions) {
  struct TCase {
    TVariant Value;
    int64_t Int;
    double Double;
    bool Boolean;
  };
  const TCase cases[] = {
      {TVariant(), 0, 0, false},
      {TVariant(true), -1, -1, true},
      {TVariant(false), 0, 0, false},
      {TVariant(2.5), 2, 2.5, true},   // ties to even
      {TVariant(3.5), 4, 3.5, true},
      {TVariant(-2.5), -2, -2.5, true},
      {TVariant::CurrencyFromScaled(25000), 2, 2.5, true},
      {TVariant::CurrencyFromScaled(35000), 4, 3.5, true},
      {TVariant(u"12"), 12, 12, true},
      {TVariant(u" -7 "), -7, -7, true},
      {TVariant(u"$1F"), 31, 31, true},
      {TVariant(u"0x10"), 16, 16, true},
      {TVariant(u"1.5"), 2, 1.5, true},
      {TVariant(u"0"), 0, 0, false},
      {TVariant(uint16_t{65535}), 65535, 65535, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Value.AsText()));
    EXPECT_EQ(c.Value.AsInt64(), c.Int);
    EXPECT_DOUBLE_EQ(c.Value.AsDouble(), c.Double);
    EXPECT_EQ(c.Value.AsBoolean(), c.Boolean);
  }
  EXPECT_TRUE(TVariant(u"TRUE").AsBoolean());
  EXPECT_FALSE(TVariant(u"false").AsBoolean());
  EXPECT_EQ(TVariant(u"18446744073709551615").AsUInt64(), UINT64_MAX);
  EXPECT_EQ(TVariant(7).AsCurrencyScaled(), 70000);
}

TEST(Variant, ImpossibleConversionsRaiseTheCastError) {
  const std::function<void()> calls[] = {
      [] { TVariant::Null().AsBoolean(); },
      [] { TVariant::Null().AsInt64(); },
      [] { TVariant::Null().AsDouble(); },
      [] { TVariant(u"abc").AsInt64(); },
      [] { TVariant(u"abc").AsBoolean(); },
      [] { TVariant(u"abc").AsDouble(); },
      [] { TVariant(u"").AsInt64(); },
      [] { TVariant(u"99999999999999999999").AsInt64(); },
      [] { TVariant(uint64_t{UINT64_MAX}).AsInt64(); },
      [] { TVariant(1e300).AsInt64(); },
      [] { TVariant(std::nan("")).AsInt64(); },
      [] { TVariant(int64_t{1} << 40).AsInteger(); },
      [] { TVariant(-1).AsUInt64(); },
      [] { TVariant::Bytes({1}).AsInt64(); },
      [] { TVariant(true).AsDate(); },
  };
  for (size_t i = 0; i < std::size(calls); ++i) {
    SCOPED_TRACE(i);
    EXPECT_THROW(calls[i](), EVariantTypeCastError);
  }
  try {
    TVariant::Null().AsBoolean();
  } catch (const EVariantTypeCastError& e) {
    EXPECT_EQ(e.Message(), u"Could not convert variant of type (Null) into type (Boolean)");
  }
}

TEST(Variant, EqualityConvertsToACommonKind) {
  struct TCase {
    TVariant A, B;
    bool Equal;
  };
  const TCase cases[] = {
      {TVariant(), TVariant(), true},
      {TVariant::Null(), TVariant::Null(), true},
      {TVariant::Null(), TVariant(), false},
      {TVariant::Null(), TVariant(0), false},
      {TVariant(), TVariant(0), true},
      {TVariant(), TVariant(u""), true},
      {TVariant(), TVariant(false), true},
      {TVariant(), TVariant(u"x"), false},
      {TVariant(1), TVariant(int64_t{1}), true},
      {TVariant(uint8_t{200}), TVariant(int16_t{200}), true},
      {TVariant(uint64_t{UINT64_MAX}), TVariant(int64_t{-1}), false},
      {TVariant(1), TVariant(1.0), true},
      {TVariant(1), TVariant(u"1"), true},
      {TVariant(1), TVariant(u" 1 "), true},
      {TVariant(u"1.0"), TVariant(1), true},
      {TVariant(u"abc"), TVariant(u"ABC"), false},
      {TVariant(true), TVariant(-1), true},
      {TVariant(true), TVariant(1), false},
      {TVariant(true), TVariant(u"True"), true},
      {TVariant(false), TVariant(u"0"), true},
      {TVariant::CurrencyFromScaled(15000), TVariant(1.5), true},
      {TVariant::Bytes({1, 2}), TVariant::Bytes({1, 2}), true},
      {TVariant::Bytes({1, 2}), TVariant::Bytes({1, 3}), false},
      {TVariant(int64_t{9007199254740993}), TVariant(int64_t{9007199254740992}), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(TVariant::TypeName(c.A.Type())) + " vs " + TextToUtf8(TVariant::TypeName(c.B.Type())));
    EXPECT_EQ(c.A == c.B, c.Equal);
    EXPECT_EQ(c.B == c.A, c.Equal);
  }
  EXPECT_THROW((void)(TVariant(u"abc") == TVariant(1)), EVariantTypeCastError);
  EXPECT_THROW((void)(TVariant(u"abc") == TVariant(true)), EVariantTypeCastError);
  EXPECT_THROW((void)(TVariant::Bytes({1}) == TVariant(1)), EVariantTypeCastError);
}

TEST(Variant, CopiesAreIndependent) {
  TVariant a(u"one");
  TVariant b = a;
  b = TVariant(u"two");
  EXPECT_EQ(a.AsText(), u"one");
  const TVariant bytes = TVariant::Bytes({1, 2, 3}, 5);
  TVariant copy = bytes;
  EXPECT_EQ(copy.LowBound(), 5);
  EXPECT_EQ(copy.HighBound(), 7);
  EXPECT_TRUE(copy.IsIdentical(bytes));
  EXPECT_FALSE(TVariant(1).IsIdentical(TVariant(int64_t{1})));
  EXPECT_EQ(TVariant::Bytes({}).HighBound(), -1);
}

TEST(OleDates, CalendarFormRoundsToTheMillisecond) {
  struct TCase {
    double OleDate;
    const char16_t* Text;  // the variant's text, built on the calendar form
  };
  constexpr double kHalfMillisecondLess = 0.0004 / 86'400;  // 0.4 ms, in days
  const TCase cases[] = {
      {0.0, u"1899-12-30 00:00:00.000"},
      {0.5, u"1899-12-30 12:00:00.000"},
      {1.75, u"1899-12-31 18:00:00.000"},
      // Before day 0 the whole part counts backwards, the fraction forwards from the day's start.
      {-0.5, u"1899-12-30 12:00:00.000"},
      {-1.25, u"1899-12-29 06:00:00.000"},
      {-2.5, u"1899-12-28 12:00:00.000"},
      // Rounding up to midnight gives the next calendar day's start, whatever the sign.
      {-1.9999999999, u"1899-12-30 00:00:00.000"},
      {-0.9999999999, u"1899-12-31 00:00:00.000"},
      {-3.9999999999, u"1899-12-28 00:00:00.000"},
      {1.9999999999, u"1900-01-01 00:00:00.000"},
      {TVariant::DateTime(2016, 3, 2).AsDate() - kHalfMillisecondLess, u"2016-03-02 00:00:00.000"},
      {TVariant::DateTime(2016, 2, 29, 23, 59, 59, 999).AsDate(), u"2016-02-29 23:59:59.999"},
      {TVariant::DateTime(1600, 2, 29, 1, 2, 3).AsDate(), u"1600-02-29 01:02:03.000"},
      {TVariant::DateTime(1, 1, 1).AsDate(), u"0001-01-01 00:00:00.000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.OleDate);
    EXPECT_EQ(TVariant::DateTime(c.OleDate).AsText(), c.Text);
  }
  TOleCalendarTime calendar;
  ASSERT_TRUE(OleDateToCalendar(-1.9999999999, calendar));
  EXPECT_EQ(calendar.Year, 1899);
  EXPECT_EQ(calendar.Month, 12);
  EXPECT_EQ(calendar.Day, 30);
  EXPECT_EQ(calendar.Milliseconds, 0);
  // Not a day: no calendar form.
  calendar = {};
  EXPECT_FALSE(OleDateToCalendar(std::nan(""), calendar));
  EXPECT_FALSE(OleDateToCalendar(1e10, calendar));
  EXPECT_EQ(calendar.Year, 0);
}

}  // namespace
