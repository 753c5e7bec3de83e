// The flexible array: key rules, writes by key and index, lookups, removal, moves, comparison,
// storage growth, copy-on-write (also across threads) and the value conversions it relies on.
#include "lib/values/uFlexArray.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>
#include <vector>

#include "lib/testing/uTestSupport.h"
#include "lib/values/uFlexArray_testing.h"

namespace {

const TVariant kEmpty;
const TVariant kNull = TVariant::Null();
const TVariant kBytes0AFF = TVariant::Bytes({0x0A, 0xFF});

TEST(FlexArray, DefaultArrayIsEmpty) {
  const TFlexArray array;
  EXPECT_EQ(array.Count(), 0);
  EXPECT_TRUE(array.IsEmpty());
  EXPECT_FALSE(array.IsNotEmpty());
  EXPECT_FALSE(array.IsValuesOnly());
  EXPECT_FALSE(array.Has(u"x"));
  EXPECT_FALSE(array.Has(u""));
  EXPECT_TRUE(array.Missing(1));
  EXPECT_TRUE(array.GetValueByKey(u"x").IsEmpty());
  EXPECT_EQ(array.IndexOfKey(u""), -1);
  EXPECT_EQ(array.StorageLength(), 0);
}

TEST(FlexArray, KeysMatchFoldingAsciiLettersOnly) {
  struct TCase {
    std::u16string Stored, LookedUp;
    bool Match;
  };
  const TCase cases[] = {
      {u"Name", u"NAME", true}, {u"a_b", u"A_B", true},   {u"\u00e4", u"\u00c4", false},
      {u"[", u"{", false},      {u"@", u"`", false},      {u"x", u"", false},
      {u"Name", u"Nam", false}, {u"\u0131", u"I", false}, {u"k1", u"K1", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Stored + u" / " + c.LookedUp));
    TFlexArray array;
    array.SetKeyAndValue(c.Stored, 1);
    EXPECT_EQ(array.IndexOfKey(c.LookedUp), c.Match ? 0 : -1);
    array.SetKeyAndValue(c.LookedUp, 2);
    EXPECT_EQ(array.Count(), c.Match ? 1 : 2);
    EXPECT_EQ(array.GetKeyByIndex(0), c.Stored);
  }
}

TEST(FlexArray, DuplicateKeysAppendAndLookupsFindTheFirst) {
  TFlexArray array;
  array.AllowDuplicateKeys = true;
  array.SetKeyAndValue(u"Name", 1);
  array.SetKeyAndValue(u"NAME", 2);
  EXPECT_TRUE(FlexEntriesAre(array, {{u"Name", 1}, {u"NAME", 2}}));
  EXPECT_TRUE(array.GetValueByKey(u"name").IsIdentical(1));
  // A copy takes the option along.
  TFlexArray copy = array;
  copy.SetKeyAndValue(u"name", 3);
  EXPECT_EQ(copy.Count(), 3);
}

TEST(FlexArray, NumbersAreIndexes) {
  struct TCase {
    const char* Name;
    TVariant KeyOrIndex;
    std::initializer_list<TFlexTestEntry> Expected;
  };
  // Each case starts from {a: 1, b: 2}.
  const TCase cases[] = {
      {"index 1 keeps the key", 1, {{u"a", 1}, {u"b", u"x"}}},
      {"index past the end appends", 5, {{u"a", 1}, {u"b", 2}, {u"", u"x"}}},
      {"index at the end appends", int64_t{2}, {{u"a", 1}, {u"b", 2}, {u"", u"x"}}},
      {"-1 appends", -1, {{u"a", 1}, {u"b", 2}, {u"", u"x"}}},
      {"true is -1", true, {{u"a", 1}, {u"b", 2}, {u"", u"x"}}},
      {"false is 0", false, {{u"a", u"x"}, {u"b", 2}}},
      {"0.5 rounds to 0", 0.5, {{u"a", u"x"}, {u"b", 2}}},
      {"1.5 rounds to 2", 1.5, {{u"a", 1}, {u"b", 2}, {u"", u"x"}}},
      {"currency 1", TVariant::CurrencyFromScaled(10000), {{u"a", 1}, {u"b", u"x"}}},
      {"byte 0", uint8_t{0}, {{u"a", u"x"}, {u"b", 2}}},
      {"the text 1 is a key", u"1", {{u"a", 1}, {u"b", 2}, {u"1", u"x"}}},
      {"a date is a key",
       TVariant::DateTime(0.0),
       {{u"a", 1}, {u"b", 2}, {u"1899-12-30 00:00:00.000", u"x"}}},
      {"bytes are a hexadecimal key", kBytes0AFF, {{u"a", 1}, {u"b", 2}, {u"0aff", u"x"}}},
      {"empty is the keyless entry", kEmpty, {{u"a", 1}, {u"b", 2}, {u"", u"x"}}},
      {"null is the keyless entry", kNull, {{u"a", 1}, {u"b", 2}, {u"", u"x"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFlexArray array = FlexArrayOf({u"a", 1, u"b", 2});
    array.SetKeyAndValue(c.KeyOrIndex, u"x");
    EXPECT_TRUE(FlexEntriesAre(array, c.Expected));
  }
  const TFlexArray array = FlexArrayOf({u"a", 1, u"b", 2});
  EXPECT_TRUE(array.GetValueByKey(1).IsIdentical(2));
  EXPECT_TRUE(array.GetValueByKey(-1).IsEmpty());
  EXPECT_TRUE(array.GetValueByKey(true).IsEmpty());
  EXPECT_TRUE(array.GetValueByKey(u"B").IsIdentical(2));
}

TEST(FlexArray, OutOfRangeIndexesAlertAndChangeNothing) {
  TAlertCapture alerts;
  TFlexArray array = FlexArrayOf({u"a", 1});
  const std::function<void(TFlexArray&)> misuses[] = {
      [](TFlexArray& a) { EXPECT_EQ(a.GetKeyByIndex(1), u""); },
      [](TFlexArray& a) { EXPECT_TRUE(a.GetValueByIndex(-2).IsEmpty()); },
      [](TFlexArray& a) { EXPECT_EQ(a.GetStringByIndex(7), u""); },
      [](TFlexArray& a) { EXPECT_TRUE(a.GetValueByKey(1).IsEmpty()); },
      [](TFlexArray& a) { EXPECT_TRUE(a.GetValueByKey(-5).IsEmpty()); },
      [](TFlexArray& a) { a.SetKeyByIndex(1, u"k"); },
      [](TFlexArray& a) { a.SetValueByIndex(-1, 5); },
      [](TFlexArray& a) { a.SetStringByIndex(3, u"v"); },
      [](TFlexArray& a) { a.SetKeyAndValue(-2, 5); },
      [](TFlexArray& a) { a.Insert(u"k", 5, -1); },
  };
  for (size_t i = 0; i < std::size(misuses); ++i) {
    SCOPED_TRACE(i);
    const size_t before = alerts.Count();
    misuses[i](array);
    EXPECT_EQ(alerts.Count(), before + 1);
    EXPECT_TRUE(FlexEntriesAre(array, {{u"a", 1}}));
  }
  // Documented as quiet: -1 reads nothing, deleting outside the range does nothing.
  const size_t before = alerts.Count();
  EXPECT_TRUE(array.GetValueByKey(-1).IsEmpty());
  array.DeleteByIndex(1);
  array.DeleteByIndex(-1);
  array.Delete(7);
  EXPECT_TRUE(array.Extract(u"absent").IsEmpty());
  EXPECT_EQ(alerts.Count(), before);
  EXPECT_TRUE(FlexEntriesAre(array, {{u"a", 1}}));
}

TEST(FlexArray, OpenListsTakePairs) {
  EXPECT_TRUE(FlexEntriesAre(FlexArrayOf({u"a", 1, u"b"}), {{u"a", 1}}));
  TFlexArray array;
  array.AddArrayOfKeysAndValues(TArrayOfStrings{u"k", u"True", u"n", u"5", u"odd"});
  // Texts stay texts here: only the text form types them.
  EXPECT_TRUE(FlexEntriesAre(array, {{u"k", u"True"}, {u"n", u"5"}}));
  array.AddValues({1, kNull});
  array.AddValues(TArrayOfStrings{u"line"});
  array.Add(u"text");
  EXPECT_TRUE(FlexEntriesAre(
      array,
      {{u"k", u"True"}, {u"n", u"5"}, {u"", 1}, {u"", kNull}, {u"", u"line"}, {u"", u"text"}}));
  EXPECT_TRUE(FlexEntriesAre(TFlexArray(TArrayOfVariants{u"x", 2.5, -1, u"y"}),
                             {{u"x", 2.5}, {u"", u"y"}}));
  EXPECT_TRUE(FlexEntriesAre(
      array.AddToCopy(u"n", 6),
      {{u"k", u"True"}, {u"n", 6}, {u"", 1}, {u"", kNull}, {u"", u"line"}, {u"", u"text"}}));
  EXPECT_TRUE(array.GetValueByKey(u"n").IsIdentical(u"5"));
}

TEST(FlexArray, EmptyKeyStandsForTheFirstKeylessEntry) {
  TFlexArray array = FlexArrayOf({u"a", 1});
  array.SetKeyAndValue(u"", u"v1");
  array.SetKeyAndValue(u"", u"v2");
  EXPECT_TRUE(FlexEntriesAre(array, {{u"a", 1}, {u"", u"v2"}}));
  array.AddValueWithNoKeyIfNotYetExists(u"v2");
  array.AddValueWithNoKeyIfNotYetExists(1);  // the value text "1" is there already
  array.AddValueWithNoKeyIfNotYetExists(u"v3");
  EXPECT_TRUE(FlexEntriesAre(array, {{u"a", 1}, {u"", u"v2"}, {u"", u"v3"}}));
}

TEST(FlexArray, AddingAnotherArrayWritesEachEntryByItsKey) {
  struct TCase {
    const char* Name;
    TFlexArray Target, Source;
    bool OnlyNew;
    std::initializer_list<TFlexTestEntry> Expected;
  };
  const TCase cases[] = {
      {"keyless entries land on the first keyless entry",
       {},
       FlexValuesOf({u"a", u"b", u"c"}),
       false,
       {{u"", u"c"}}},
      {"keys replace and append",
       FlexArrayOf({u"a", 1, u"b", 2}),
       FlexArrayOf({u"B", 3, u"c", 4}),
       false,
       {{u"a", 1}, {u"b", 3}, {u"c", 4}}},
      {"new keys only",
       FlexArrayOf({u"a", 1}),
       FlexArrayOf({u"A", 2, u"b", 3}),
       true,
       {{u"a", 1}, {u"b", 3}}},
      {"a values-only target tests values: the empty key is no value there",
       FlexValuesOf({u"x"}),
       FlexValuesOf({u"x", u"y"}),
       true,
       {{u"", u"y"}}},
      {"a values-only target tests values: the key k is found as a value",
       FlexValuesOf({u"k"}),
       FlexArrayOf({u"k", 1}),
       true,
       {{u"", u"k"}}},
      {"a keyless entry is new only while the target has none",
       FlexArrayOf({u"a", 1}),
       FlexValuesOf({u"x", u"y"}),
       true,
       {{u"a", 1}, {u"", u"x"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFlexArray target = c.Target;
    c.OnlyNew ? target.AddNew(c.Source) : target.Add(c.Source);
    EXPECT_TRUE(FlexEntriesAre(target, c.Expected));
  }
  TFlexArray self = FlexArrayOf({u"k", 1});
  self.AddValueWithNoKey(u"v");
  self.Add(self);
  EXPECT_TRUE(FlexEntriesAre(self, {{u"k", 1}, {u"", u"v"}}));
}

TEST(FlexArray, HasTestsValuesOfValuesOnlyArraysAndKeysOfOthers) {
  struct TCase {
    const char* Name;
    TFlexArray Array;
    TVariant Probe;
    bool Has;
  };
  TFlexArray mixed = FlexValuesOf({u"v"});
  mixed.SetKeyAndValue(u"k", 1);
  const TCase cases[] = {
      {"value", FlexValuesOf({u"x", u"y"}), u"x", true},
      {"values match exactly", FlexValuesOf({u"x", u"y"}), u"X", false},
      {"a number as a value", FlexValuesOf({5}), u"5", true},
      {"key", FlexArrayOf({u"x", 1}), u"X", true},
      {"a number is a key, not an index", FlexArrayOf({u"x", 1}), 0, false},
      {"the key 1", FlexArrayOf({u"1", u"x"}), 1, true},
      {"entry 0 decides: keys are not looked at", mixed, u"k", false},
      {"entry 0 decides: values are", mixed, u"v", true},
      {"a key used as a flag", FlexArrayOf({u"Flag", false}), u"Flag", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.Array.Has(c.Probe), c.Has);
    EXPECT_EQ(c.Array.Missing(c.Probe), !c.Has);
  }
  const TFlexArray array = FlexArrayOf({u"a", 1, u"b", 2});
  EXPECT_TRUE(array.HasAny({u"x", u"B"}));
  EXPECT_FALSE(array.HasAny({u"x", u"y"}));
  EXPECT_FALSE(array.HasAny({}));
}

TEST(FlexArray, ValueLookups) {
  const TFlexArray array =
      FlexArrayOf({u"a", u"Text", u"b", 5, u"c", true, u"d", kBytes0AFF, u"e", kNull});
  struct TCase {
    TVariant Value;
    int Index;
  };
  const TCase byValue[] = {
      {u"Text", 0},        {u"text", -1},  {u"5", 1}, {5.0, 1},    {u"True", 2},
      {TVariant(true), 2}, {u"0x0AFF", 3}, {u"", 4},  {kEmpty, 4}, {u"missing", -1},
  };
  for (const auto& c : byValue) {
    SCOPED_TRACE(FlexTestDescribe(c.Value));
    EXPECT_EQ(array.IndexOfValue(c.Value), c.Index);
    EXPECT_EQ(array.HasValue(c.Value), c.Index >= 0);
  }
  EXPECT_EQ(array.GetKeyByValue(5), u"b");
  EXPECT_EQ(array.GetKeyByValue(6), u"");
  EXPECT_EQ(array.IndexOfStringIgnoreCase(u"TEXT"), 0);
  EXPECT_EQ(array.IndexOfStringIgnoreCase(u"0x0aff"), 3);
  EXPECT_EQ(array.IndexOfStringIgnoreCase(u""), 4);
  EXPECT_FALSE(array.HasStringIgnoreCase(u"tex"));
}

TEST(FlexArray, HasValueForNeedsAValueThatIsNotBlank) {
  struct TCase {
    TVariant Value;
    bool Has;
  };
  const TCase cases[] = {{kEmpty, false},
                         {kNull, false},
                         {u"", false},
                         {0, true},
                         {false, true},
                         {u" ", true},
                         {TVariant::Bytes({}), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(FlexTestDescribe(c.Value));
    EXPECT_EQ(FlexArrayOf({u"k", c.Value}).HasValueFor(u"K"), c.Has);
    EXPECT_EQ(VariantIsBlank(c.Value), !c.Has);
  }
  EXPECT_FALSE(FlexArrayOf({u"k", 1}).HasValueFor(u"other"));
}

TEST(FlexArray, InsertAddsAnEntryWithoutLookup) {
  struct TCase {
    const char* Name;
    std::u16string Key;
    int Index;
    std::initializer_list<TFlexTestEntry> Expected;
  };
  const TCase cases[] = {
      {"past the end appends", u"k", 10, {{u"a", 1}, {u"b", 2}, {u"c", 3}, {u"k", 0}}},
      {"at the front", u"k", 0, {{u"k", 0}, {u"a", 1}, {u"b", 2}, {u"c", 3}}},
      {"in the middle", u"", 2, {{u"a", 1}, {u"b", 2}, {u"", 0}, {u"c", 3}}},
      {"an existing key twice", u"B", 1, {{u"a", 1}, {u"B", 0}, {u"b", 2}, {u"c", 3}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TFlexArray array = FlexArrayOf({u"a", 1, u"b", 2, u"c", 3});
    array.Insert(c.Key, 0, c.Index);
    EXPECT_TRUE(FlexEntriesAre(array, c.Expected));
  }
}

TEST(FlexArray, MovesKeepEntriesAndChangeOrder) {
  struct TCase {
    std::u16string Move, Target;
    bool After;
    std::u16string Order;
  };
  const TCase cases[] = {
      {u"c", u"a", false, u"cab"}, {u"a", u"c", true, u"bca"},  {u"a", u"b", true, u"bac"},
      {u"c", u"b", false, u"acb"}, {u"C", u"A", false, u"cab"}, {u"x", u"a", false, u"abc"},
      {u"a", u"x", true, u"abc"},  {u"b", u"b", false, u"abc"}, {u"b", u"B", true, u"abc"},
      {u"c", u"c", true, u"abc"},  {u"a", u"c", false, u"bac"}, {u"c", u"a", true, u"acb"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Move + (c.After ? u" after " : u" before ") + c.Target));
    TFlexArray array = FlexArrayOf({u"a", 1, u"b", 2, u"c", 3});
    array.MoveBeforeOrAfter(c.Move, c.Target, c.After);
    std::u16string order;
    for (int i = 0; i < array.Count(); ++i) {
      order += array.GetKeyByIndex(i);
      // Values travel with their keys.
      EXPECT_TRUE(array.GetValueByIndex(i).IsIdentical(array.GetKeyByIndex(i)[0] - u'a' + 1));
    }
    EXPECT_EQ(order, c.Order);
  }
  TFlexArray array = FlexArrayOf({u"a", 1, u"b", 2, u"c", 3});
  array.MoveBefore(u"c", u"a");
  array.MoveAfter(u"c", u"b");
  EXPECT_TRUE(FlexEntriesAre(array, {{u"a", 1}, {u"b", 2}, {u"c", 3}}));
}

TEST(FlexArray, ExtractAndExtractMultipleItems) {
  TFlexArray array = FlexArrayOf({u"k", u"v", u"x", 1});
  EXPECT_TRUE(array.Extract(u"K").IsIdentical(u"v"));
  EXPECT_TRUE(array.Extract(u"k").IsEmpty());
  EXPECT_TRUE(array.Extract(0).IsIdentical(1));
  EXPECT_TRUE(array.IsEmpty());

  const TFlexArray files = FlexArrayOf({u"FileCount", 2, u"File0", u"a", u"File1", u"b"});
  EXPECT_TRUE(FlexEntriesAre(files.ExtractMultipleItems(u"File"), {{u"", u"a"}, {u"", u"b"}}));
  EXPECT_EQ(files.Count(), 3);
  EXPECT_TRUE(files.ExtractMultipleItems(u"Other").IsEmpty());
  // A count read back from a text form is a text; a missing item is the empty value.
  EXPECT_TRUE(FlexEntriesAre(
      FlexArrayOf({u"FileCount", u"2", u"File0", u"a"}).ExtractMultipleItems(u"File"),
      {{u"", u"a"}, {u"", kEmpty}}));
  EXPECT_THROW(FlexArrayOf({u"FileCount", u"two"}).ExtractMultipleItems(u"File"),
               EVariantTypeCastError);
}

TEST(FlexArray, DeleteIdenticalKeyValuePairsUsesConvertingEquality) {
  TFlexArray array = FlexArrayOf({u"a", 1, u"b", 2, u"c", 3});
  array.DeleteIdenticalKeyValuePairs(FlexArrayOf({u"a", u"1", u"b", 3, u"x", 3}));
  EXPECT_TRUE(FlexEntriesAre(array, {{u"b", 2}, {u"c", 3}}));
  array.Delete(u"B");
  array.Delete(0);
  EXPECT_TRUE(array.IsEmpty());

  // Kinds without a common kind raise; deletions before stay done.
  TFlexArray mixed = FlexArrayOf({u"a", 1, u"b", u"text"});
  EXPECT_THROW(mixed.DeleteIdenticalKeyValuePairs(FlexArrayOf({u"a", 1, u"b", 2})),
               EVariantTypeCastError);
  EXPECT_TRUE(FlexEntriesAre(mixed, {{u"b", u"text"}}));
}

TEST(FlexArray, Comparison) {
  struct TCase {
    const char* Name;
    TFlexArray A, B;
    bool Same, Subset;
  };
  const TCase cases[] = {
      {"order of keys and kinds do not matter", FlexArrayOf({u"a", 1, u"b", u"x"}),
       FlexArrayOf({u"b", u"x", u"a", u"1"}), true, true},
      {"texts compare with case", FlexArrayOf({u"a", u"x"}), FlexArrayOf({u"a", u"X"}), false,
       false},
      {"keys compare without case", FlexArrayOf({u"a", u"x"}), FlexArrayOf({u"A", u"x"}), true,
       true},
      {"more entries", FlexArrayOf({u"a", 1}), FlexArrayOf({u"a", 1, u"b", 2}), false, true},
      {"fewer entries", FlexArrayOf({u"a", 1, u"b", 2}), FlexArrayOf({u"a", 1}), false, false},
      {"every value of a list counts", FlexValuesOf({u"a", u"b"}), FlexValuesOf({u"a", u"c"}),
       false, false},
      {"lists in order", FlexValuesOf({u"a", u"b"}), FlexValuesOf({u"a", u"b", u"c"}), false, true},
      {"lists out of order", FlexValuesOf({u"b", u"a"}), FlexValuesOf({u"a", u"b"}), false, false},
      {"an empty value is not a missing key's value", FlexArrayOf({u"a", kEmpty}),
       FlexArrayOf({u"c", 5}), false, true},
      {"null differs from empty", FlexArrayOf({u"a", kNull}), FlexArrayOf({u"a", kEmpty}), false,
       false},
      {"byte arrays by their bytes", FlexArrayOf({u"a", kBytes0AFF}),
       FlexArrayOf({u"a", TVariant::Bytes({0x0A, 0xFF}, 1)}), true, true},
      {"byte arrays that differ", FlexArrayOf({u"a", kBytes0AFF}),
       FlexArrayOf({u"a", TVariant::Bytes({0x0A})}), false, false},
      {"booleans and their texts", FlexArrayOf({u"a", true}), FlexArrayOf({u"a", u"True"}), true,
       true},
      {"two empty arrays", {}, {}, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.A.IsSameAs(c.B), c.Same);
    EXPECT_EQ(c.B.IsSameAs(c.A), c.Same);
    EXPECT_EQ(c.A == c.B, c.Same);
    EXPECT_EQ(c.A != c.B, !c.Same);
    EXPECT_EQ(c.A.IsSubsetOf(c.B), c.Subset);
  }
  const TFlexArray job = FlexArrayOf({u"Name", u"x", u"IdMin", 1, u"IdMax", 5});
  const TFlexArray other = FlexArrayOf({u"IdMin", 6, u"Name", u"x", u"IdMax", 9});
  EXPECT_TRUE(job.IsSameAsExcept(other, {u"IdMin", u"IdMax"}));
  EXPECT_FALSE(job.IsSameAsExcept(other, {u"idmin", u"idmax"}));  // ignored keys match exactly
  EXPECT_FALSE(job.IsSameAsExcept(FlexArrayOf({u"Name", u"x"}), {u"IdMin", u"IdMax"}));
  EXPECT_TRUE(job.IsSameAs({u"IdMax", u"5", u"IdMin", 1, u"Name", u"x"}));
}

TEST(FlexArray, ComparisonExceptIgnoredKeys) {
  // Both keys are ignored, as {u"IdMin", u"IdMax"} in every case.
  struct TCase {
    const char* Name;
    TFlexArray A, B;
    bool Same;
  };
  const TCase cases[] = {
      {"the other's key in other letters goes with the ignored one",
       FlexArrayOf({u"IdMin", 1, u"Name", u"x"}), FlexArrayOf({u"IDMIN", 2, u"Name", u"x"}), true},
      {"ignored keys are this array's exact texts", FlexArrayOf({u"IDMIN", 2, u"Name", u"x"}),
       FlexArrayOf({u"IdMin", 1, u"Name", u"x"}), false},
      {"a value that is not ignored differs", FlexArrayOf({u"IdMin", 1, u"Name", u"x"}),
       FlexArrayOf({u"IDMIN", 1, u"Name", u"y"}), false},
      {"ignored keys on either side only", FlexArrayOf({u"Name", u"x", u"IdMin", 1}),
       FlexArrayOf({u"IdMax", 2, u"Name", u"x"}), true},
      {"a key only the other has", FlexArrayOf({u"Name", u"x", u"IdMin", 1}),
       FlexArrayOf({u"Name", u"x", u"c", 5}), false},
      {"an empty value against a missing key", FlexArrayOf({u"Name", u"x", u"b", kEmpty}),
       FlexArrayOf({u"Name", u"x", u"IdMin", 5}), true},
      {"lists pair their values in order", FlexValuesOf({u"a", u"b"}), FlexValuesOf({u"a", u"c"}),
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.A.IsSameAsExcept(c.B, {u"IdMin", u"IdMax"}), c.Same);
  }
}

TEST(FlexArray, CopySubset) {
  const TFlexArray array = FlexArrayOf({u"a", 1, u"b", 2, u"c", 3});
  TFlexArray destination = FlexArrayOf({u"old", 0});
  array.CopySubset({u"C", u"x", u"a"}, destination);
  EXPECT_TRUE(FlexEntriesAre(destination, {{u"C", 3}, {u"x", kEmpty}, {u"a", 1}}));
  TFlexArray self = array;
  self.CopySubset({u"b"}, self);
  EXPECT_TRUE(FlexEntriesAre(self, {{u"b", 2}}));
}

TEST(FlexArray, StorageGrowsExactlyThenByDoubling) {
  TFlexArray array;
  struct TStep {
    int Count, Storage;
  };
  // Counts reached by appending, then by deleting, with the storage expected at each.
  const TStep growing[] = {{1, 1},   {2, 2},   {31, 31},  {32, 64},
                           {33, 64}, {64, 64}, {65, 130}, {70, 130}};
  const TStep shrinking[] = {{69, 130}, {32, 130}, {31, 31}, {5, 5}, {0, 0}};
  for (const auto& step : growing) {
    while (array.Count() < step.Count)
      array.SetKeyAndValue(u"k" + IntToText(array.Count()), array.Count());
    EXPECT_EQ(array.StorageLength(), step.Storage) << "count " << step.Count;
  }
  for (const auto& step : shrinking) {
    while (array.Count() > step.Count) array.DeleteByIndex(0);
    EXPECT_EQ(array.StorageLength(), step.Storage) << "count " << step.Count;
    if (step.Count > 0) {
      EXPECT_EQ(array.GetKeyByIndex(0), u"k" + IntToText(70 - step.Count));
    }
  }
  for (int i = 0; i < 40; ++i) array.SetKeyAndValue(u"k" + IntToText(i), i);
  array.Clear();
  EXPECT_EQ(array.StorageLength(), 0);
}

TEST(FlexArray, EntriesThatComeIntoUseAreEmpty) {
  for (int size : {5, 40, 64}) {
    SCOPED_TRACE(size);
    TFlexArray array;
    for (int i = 0; i < size; ++i) array.SetKeyAndValue(u"k" + IntToText(i), i);
    array.DeleteByIndex(size - 1);
    array.DeleteByIndex(0);
    array.AddValueWithNoKey(u"new");
    EXPECT_EQ(array.GetKeyByIndex(size - 2), u"");
    EXPECT_EQ(array.GetKeyByIndex(size - 3), u"k" + IntToText(size - 2));
    array.SetKeyAndValue(-1, kEmpty);
    EXPECT_EQ(array.GetKeyByIndex(size - 1), u"");
    EXPECT_TRUE(array.GetValueByIndex(size - 1).IsEmpty());
  }
}

TEST(FlexArray, CopiesNeverSeeEachOthersChanges) {
  const std::function<void(TFlexArray&)> changes[] = {
      [](TFlexArray& a) { a.DeleteByIndex(0); },
      [](TFlexArray& a) { a.SetValueByIndex(0, u"changed"); },
      [](TFlexArray& a) { a.SetKeyByIndex(1, u"renamed"); },
      [](TFlexArray& a) { a.SetStringByIndex(2, u"0x01"); },
      [](TFlexArray& a) { a.Clear(); },
      [](TFlexArray& a) { a.SetKeyAndValue(u"k1", 99); },
      [](TFlexArray& a) { a.AddValueWithNoKey(1); },
      [](TFlexArray& a) { a.Insert(u"i", 1, 1); },
      [](TFlexArray& a) { a.MoveAfter(u"k0", u"k2"); },
      [](TFlexArray& a) { a.KeysAddPrefix(u"p"); },
      [](TFlexArray& a) { a.KeysReplace(u"k", u"j", TReplaceFlags::ReplaceAll); },
      [](TFlexArray& a) { a.TrimValues(); },
      [](TFlexArray& a) { a.SetFromString(u"x|1|"); },
      [](TFlexArray& a) { a.Extract(u"k2"); },
  };
  for (int size : {3, 40}) {
    TFlexArray original;
    for (int i = 0; i < size; ++i)
      original.SetKeyAndValue(u"k" + IntToText(i), u" v" + IntToText(i));
    const std::u16string before = original.ToString();
    for (size_t i = 0; i < std::size(changes); ++i) {
      SCOPED_TRACE(testing::Message() << "size " << size << ", change " << i);
      TFlexArray copy = original;
      changes[i](copy);
      EXPECT_NE(copy.ToString(), before);
      EXPECT_EQ(original.ToString(), before);
      // And the other way round.
      TFlexArray source = original;
      const TFlexArray copyOfSource = source;
      changes[i](source);
      EXPECT_EQ(copyOfSource.ToString(), before);
    }
  }
  TFlexArray moved = FlexArrayOf({u"a", 1});
  TFlexArray target = std::move(moved);
  EXPECT_TRUE(FlexEntriesAre(target, {{u"a", 1}}));
  EXPECT_TRUE(moved.IsEmpty());  // NOLINT(bugprone-use-after-move): a moved-from array is empty
  moved.AddValueWithNoKey(2);
  EXPECT_TRUE(FlexEntriesAre(moved, {{u"", 2}}));
}

TEST(FlexArray, CopiesOnOtherThreadsStayIndependent) {
  TFlexArray original;
  for (int i = 0; i < 48; ++i) original.SetKeyAndValue(u"k" + IntToText(i), i);
  const std::u16string before = original.ToString();
  constexpr int kThreads = 4;
  constexpr int kRounds = 200;
  std::vector<std::u16string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    // The first copy is made here and handed over; the later ones on the thread itself, while the
    // other threads do the same.
    threads.emplace_back([&original, &failures, t, handed = original]() mutable {
      for (int round = 0; round < kRounds; ++round) {
        TFlexArray mine = round == 0 ? std::move(handed) : original;
        const TFlexArray untouched = mine;
        mine.SetValueByIndex(round % 48, t);
        mine.DeleteByIndex(0);
        mine.SetKeyAndValue(u"thread", t);
        mine.AddValueWithNoKey(round);
        const bool mineRight = mine.Count() == 49 && mine.GetValueByKey(u"thread").IsIdentical(t) &&
                               mine.GetValueByIndex(48).IsIdentical(round);
        const bool untouchedRight = untouched.Count() == 48 && !untouched.HasKey(u"thread") &&
                                    untouched.GetValueByIndex(round % 48).IsIdentical(round % 48);
        if (!mineRight || !untouchedRight) {
          failures[t] = u"round " + IntToText(round);
          return;
        }
      }
    });
  }
  for (int round = 0; round < kRounds; ++round) {
    if (original.ToString() != before) {
      ADD_FAILURE() << "the original changed";
      break;
    }
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], u"") << "thread " << t;
  EXPECT_EQ(original.ToString(), before);
}

TEST(FlexArray, ConversionsFromAndToVariants) {
  struct TCase {
    const char* Name;
    TVariant Value;
    std::initializer_list<TFlexTestEntry> Expected;
  };
  const TCase cases[] = {
      {"a text is a text form", u"a|1|b|True|", {{u"a", u"1"}, {u"b", true}}},
      {"a simple text", u"plain", {{u"", u"plain"}}},
      {"a number is one value", 5, {{u"", 5}}},
      {"bytes are one value", kBytes0AFF, {{u"", kBytes0AFF}}},
      {"empty", kEmpty, {}},
      {"null", kNull, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_TRUE(FlexEntriesAre(TFlexArray(c.Value), c.Expected));
  }
  const TFlexArray array = FlexArrayOf({u"a", 1, u"", kNull});
  const TArrayOfVariants items = array;
  ASSERT_EQ(items.size(), 4u);
  EXPECT_TRUE(items[0].IsIdentical(u"a"));
  EXPECT_TRUE(items[1].IsIdentical(1));
  EXPECT_TRUE(items[2].IsIdentical(u""));
  EXPECT_TRUE(items[3].IsNull());
  EXPECT_TRUE(FlexEntriesAre(TFlexArray(items), {{u"a", 1}, {u"", kNull}}));
  EXPECT_EQ(array.ToArrayOfStrings(), (TArrayOfStrings{u"a", u"1", u"", u""}));
}

TEST(FlexArray, ValueTexts) {
  struct TCase {
    TVariant Value;
    std::u16string Text;
  };
  const TCase toText[] = {
      {kEmpty, u""},
      {kNull, u""},
      {true, u"True"},
      {false, u"False"},
      {-12, u"-12"},
      {1.5, u"1.5"},
      {u"x y", u"x y"},
      {kBytes0AFF, u"0x0AFF"},
      {TVariant::Bytes({}), u"0x"},
      {TVariant::Bytes({1, 0xab}, 3), u"0x01AB"},
  };
  for (const auto& c : toText) {
    SCOPED_TRACE(FlexTestDescribe(c.Value));
    EXPECT_EQ(VariantToFlexString(c.Value), c.Text);
  }
  const TCase fromText[] = {
      {kEmpty, u""},           {true, u"True"},
      {false, u"False"},       {u"true", u"true"},
      {u"FALSE", u"FALSE"},    {u"12", u"12"},
      {kBytes0AFF, u"0x0aff"}, {TVariant::Bytes({}), u"0x"},
      {u"0xzz", u"0xzz"},      {u"0x123", u"0x123"},
      {u"0X12", u"0X12"},      {u"0x-ray", u"0x-ray"},
  };
  for (const auto& c : fromText) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    EXPECT_TRUE(FlexStringToVariant(c.Text).IsIdentical(c.Value));
    TFlexArray array = FlexArrayOf({u"k", 0});
    array.SetStringByIndex(0, c.Text);
    EXPECT_TRUE(array.GetValueByIndex(0).IsIdentical(c.Value));
  }
  TFlexArray keyed;
  keyed.SetKeyAndValue(kBytes0AFF, kBytes0AFF);
  EXPECT_EQ(keyed.GetKeyByIndex(0), u"0aff");
  EXPECT_EQ(keyed.GetStringByIndex(0), u"0x0AFF");
  EXPECT_EQ(TFlexArray::KeyAsVariantToKeyAsString(kNull), u"");
}

TEST(FlexArray, FlexValuesEqual) {
  struct TCase {
    TVariant A, B;
    bool Equal;
  };
  const TCase cases[] = {
      {5, u"5", true},
      {u"abc", u"ABC", false},
      {kNull, kNull, true},
      {kNull, u"", false},
      {kNull, kEmpty, false},
      {kEmpty, kEmpty, true},
      {kEmpty, u"", true},
      {1, 1.0, true},
      {true, u"True", true},
      {true, -1, false},
      {1.5, 1.5, true},
      {u"5", u" 5", false},
      {int64_t{5}, uint8_t{5}, true},
      {kBytes0AFF, kBytes0AFF, true},
      {kBytes0AFF, u"0x0AFF", true},
      {kBytes0AFF, TVariant::Bytes({0x0A}), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(FlexTestDescribe(c.A) + " vs " + FlexTestDescribe(c.B));
    EXPECT_EQ(FlexValuesEqual(c.A, c.B), c.Equal);
    EXPECT_EQ(FlexValuesEqual(c.B, c.A), c.Equal);
  }
}

TEST(FlexArray, KeyRenaming) {
  TFlexArray values = FlexValuesOf({u"a", u"b"});
  values.KeysAddPrefix(u"x");
  EXPECT_TRUE(FlexEntriesAre(values, {{u"x", u"a"}, {u"x", u"b"}}));
  EXPECT_FALSE(values.IsValuesOnly());

  struct TCase {
    std::u16string Old, New;
    TReplaceFlags Flags;
    std::u16string Key;
  };
  // Each case renames the key "aXbxAx" and checks the new key.
  const TCase cases[] = {
      {u"x", u"_", TReplaceFlags::None, u"aXb_Ax"},
      {u"x", u"_", TReplaceFlags::ReplaceAll, u"aXb_A_"},
      {u"x", u"_", TReplaceFlags::IgnoreCase, u"a_bxAx"},
      {u"x", u"_", TReplaceFlags::ReplaceAll | TReplaceFlags::IgnoreCase, u"a_b_A_"},
      {u"ax", u"", TReplaceFlags::ReplaceAll | TReplaceFlags::IgnoreCase, u"bx"},
      {u"aXbxAx", u"", TReplaceFlags::None, u""},
      {u"", u"y", TReplaceFlags::ReplaceAll, u"aXbxAx"},
      {u"q", u"y", TReplaceFlags::ReplaceAll, u"aXbxAx"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Old + u" -> " + c.New));
    TFlexArray array = FlexArrayOf({u"aXbxAx", 1});
    array.KeysReplace(c.Old, c.New, c.Flags);
    EXPECT_TRUE(FlexEntriesAre(array, {{c.Key, 1}}));
  }
}

}  // namespace
