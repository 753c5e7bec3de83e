// Ranges and range sets: the worked cases of every operation, the ends of the 64-bit line and
// misuse.
#include "lib/ranges/uRanges.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

#include "lib/testing/uTestSupport.h"

namespace {

constexpr int64_t kMax = INT64_MAX;
constexpr int64_t kMin = INT64_MIN;

// A range as its first and last position.
using TSpan = std::pair<int64_t, int64_t>;
using TSpans = std::vector<TSpan>;

TSpan SpanOf(const TRange& range) { return {range.Start(), range.End()}; }

TSpans Members(const TRanges& set) {
  TSpans spans;
  for (int i = 0; i < set.Count(); ++i) spans.push_back(SpanOf(set.Ranges(i)));
  return spans;
}

TRanges SetOf(const TSpans& spans) {
  TRanges set;
  for (const auto& [start, end] : spans) set.AddByEnd(start, end);
  return set;
}

// A set that no longer merges, holding the spans as given.
TRanges NonMergedSetOf(const TSpans& spans) {
  TRanges set;
  set.SplitIntoBlocks(1);
  for (const auto& [start, end] : spans) set.AddByEnd(start, end);
  return set;
}

TIntegerList ListOf(const std::vector<int32_t>& values) {
  TIntegerList list;
  for (int32_t value : values) list.Add(value);
  return list;
}

// --- TRange -----------------------------------------------------------------------------------

TEST(Range, EndLengthAndValidity) {
  struct TCase {
    int64_t Start, Length, End;
    bool Valid;
  };
  const TCase cases[] = {
      {10, 1, 10, true},     {10, 0, 9, false},        {10, -5, 4, false},
      {-5, 3, -3, true},     {0, kMax, kMax, true},    {1000, kMax, kMax, true},
      {kMin, 1, kMin, true}, {kMin, kMax, kMax, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Start << " + " << c.Length);
    const TRange range = TRange::ByLength(c.Start, c.Length);
    EXPECT_EQ(range.End(), c.End);
    EXPECT_EQ(range.IsValid(), c.Valid);
    EXPECT_EQ(range.IsNotValid(), !c.Valid);
  }
}

TEST(Range, SettingFromEndsAndBlocks) {
  struct TCase {
    const char* Name;
    std::function<void(TRange&)> Set;
    int64_t Start, Length;
  };
  const TCase cases[] = {
      {"SetByEnd(10, 9)", [](TRange& r) { r.SetByEnd(10, 9); }, 10, 0},
      {"SetByEnd(0, max)", [](TRange& r) { r.SetByEnd(0, kMax); }, 0, kMax},
      {"SetByEnd(-1, max)", [](TRange& r) { r.SetByEnd(-1, kMax); }, -1, kMax},
      {"SetByEnd(-3, 3)", [](TRange& r) { r.SetByEnd(-3, 3); }, -3, 7},
      {"SetByEndAndLength(20, 5)", [](TRange& r) { r.SetByEndAndLength(20, 5); }, 16, 5},
      {"SetByRange(unbounded)", [](TRange& r) { r.SetByRange(TRange::ByLength(7, kMax)); }, 7,
       kMax},
      {"SetByBlock(2, 16)", [](TRange& r) { r.SetByBlock(2, 16); }, 32, 16},
      {"SetByBlocks(1, 3, 16)", [](TRange& r) { r.SetByBlocks(1, 3, 16); }, 16, 48},
      {"SetByBlocks(max, max, max)",
       [](TRange& r) { r.SetByBlocks(INT32_MAX, INT32_MAX, INT32_MAX); },
       int64_t{INT32_MAX} * INT32_MAX, INT32_MAX},
      {"SetByBlocks(-2, -1, 8)", [](TRange& r) { r.SetByBlocks(-2, -1, 8); }, -16, 16},
      {"SetByBlockList([5, 2, 9], 4)",
       [](TRange& r) {
         r.SetByBlockList(ListOf({5, 2, 9}), 4);
       },
       8, 32},
      {"SetByBlockList([], 4)", [](TRange& r) { r.SetByBlockList(TIntegerList(), 4); }, 100, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRange range = TRange::ByLength(100, 5);
    c.Set(range);
    EXPECT_EQ(range.Start(), c.Start);
    EXPECT_EQ(range.Length(), c.Length);
  }
}

TEST(Range, MovingAndResizing) {
  struct TCase {
    const char* Name;
    TRange Before;
    std::function<bool(TRange&)> Change;  // the operation's result, true when it has none
    TSpan After;
    bool Result;
  };
  const TRange r10 = TRange::ByEnd(10, 19);
  const TRange unbounded = TRange::ByLength(0, kMax);
  const TCase cases[] = {
      {"MoveStartTo",
       r10,
       [](TRange& r) {
         r.MoveStartTo(5);
         return true;
       },
       {5, 19},
       true},
      {"MoveEndTo",
       r10,
       [](TRange& r) {
         r.MoveEndTo(30);
         return true;
       },
       {10, 30},
       true},
      {"MoveStartBy",
       r10,
       [](TRange& r) {
         r.MoveStartBy(-3);
         return true;
       },
       {7, 19},
       true},
      {"MoveEndBy",
       r10,
       [](TRange& r) {
         r.MoveEndBy(5);
         return true;
       },
       {10, 24},
       true},
      {"ShiftTo",
       r10,
       [](TRange& r) {
         r.ShiftTo(100);
         return true;
       },
       {100, 109},
       true},
      {"Shift",
       r10,
       [](TRange& r) {
         r.Shift(-10);
         return true;
       },
       {0, 9},
       true},
      {"ExtendBy",
       r10,
       [](TRange& r) {
         r.ExtendBy(5);
         return true;
       },
       {10, 24},
       true},
      {"ShrinkBy",
       r10,
       [](TRange& r) {
         r.ShrinkBy(3);
         return true;
       },
       {10, 16},
       true},
      {"ExtendByFromStartBackwards",
       r10,
       [](TRange& r) {
         r.ExtendByFromStartBackwards(4);
         return true;
       },
       {6, 19},
       true},
      {"ShrinkByFromStartForwards",
       r10,
       [](TRange& r) {
         r.ShrinkByFromStartForwards(4);
         return true;
       },
       {14, 19},
       true},
      {"TranslateUsing",
       r10,
       [](TRange& r) {
         r.TranslateUsing(TRange::ByEnd(5, 50), TRange::ByEnd(1005, 1050));
         return true;
       },
       {1010, 1019},
       true},
      {"Trim shorter", r10, [](TRange& r) { return r.Trim(4); }, {10, 13}, true},
      {"Trim longer", r10, [](TRange& r) { return r.Trim(10); }, {10, 19}, false},
      {"Trim negative", r10, [](TRange& r) { return r.Trim(-1); }, {10, 9}, true},
      {"TrimToBlocks(2, 16)",
       TRange::ByEnd(10, 40),
       [](TRange& r) { return r.TrimToBlocks(2, 16); },
       {10, 31},
       true},
      {"TrimToBlocks(1, 16)",
       TRange::ByEnd(10, 40),
       [](TRange& r) { return r.TrimToBlocks(1, 16); },
       {10, 15},
       true},
      {"TrimToBlocks(3, 16)",
       TRange::ByEnd(10, 40),
       [](TRange& r) { return r.TrimToBlocks(3, 16); },
       {10, 40},
       false},
      {"TrimToBlocks of negative positions",
       TRange::ByEnd(-20, 40),
       [](TRange& r) { return r.TrimToBlocks(2, 16); },
       {-20, -1},
       true},
      {"TrimToBlocks of unbounded",
       unbounded,
       [](TRange& r) { return r.TrimToBlocks(1, 4096); },
       {0, 4095},
       true},
      // A range to the end of the line stays unbounded while its start moves.
      {"MoveStartTo unbounded",
       unbounded,
       [](TRange& r) {
         r.MoveStartTo(100);
         return true;
       },
       {100, kMax},
       true},
      {"ShrinkByFromStartForwards unbounded",
       unbounded,
       [](TRange& r) {
         r.ShrinkByFromStartForwards(8);
         return true;
       },
       {8, kMax},
       true},
      {"MoveEndTo max",
       TRange::ByEnd(0, 5),
       [](TRange& r) {
         r.MoveEndTo(kMax);
         return true;
       },
       {0, kMax},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TRange range = c.Before;
    EXPECT_EQ(c.Change(range), c.Result);
    EXPECT_EQ(SpanOf(range), c.After);
    if (c.After.second == kMax) {
      EXPECT_EQ(range.Length(), kMax);
    }
  }
  EXPECT_EQ(SpanOf(r10.ShiftedBy(5)), TSpan(15, 24));
  EXPECT_EQ(SpanOf(r10.TranslatedUsing(TRange::ByEnd(0, 0), TRange::ByEnd(-10, 0))), TSpan(0, 9));
}

TEST(Range, Relations) {
  struct TCase {
    TRange A, B;
    bool Intersecting, Adjacent, SameOrSubset, BeginningOf;
  };
  const TCase cases[] = {
      {TRange::ByEnd(0, 9), TRange::ByEnd(10, 19), false, true, false, false},
      {TRange::ByEnd(10, 19), TRange::ByEnd(0, 9), false, true, false, false},
      {TRange::ByEnd(0, 10), TRange::ByEnd(10, 19), true, false, false, false},
      {TRange::ByEnd(0, 9), TRange::ByEnd(12, 19), false, false, false, false},
      {TRange::ByEnd(0, 4), TRange::ByEnd(0, 9), true, false, true, true},
      {TRange::ByEnd(0, 9), TRange::ByEnd(0, 9), true, false, true, false},
      {TRange::ByEnd(3, 9), TRange::ByEnd(0, 9), true, false, true, false},
      // An empty range still has a place: {5, 0} ends at 4.
      {TRange::ByLength(5, 0), TRange::ByEnd(0, 9), true, false, true, false},
      {TRange::ByLength(5, 0), TRange::ByEnd(5, 9), false, true, true, true},
      // Nothing lies after the unbounded End: it is not right before the lowest position.
      {TRange::ByLength(0, kMax), TRange::ByEnd(kMin, kMin + 5), false, false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::make_pair(SpanOf(c.A), SpanOf(c.B))));
    EXPECT_EQ(c.A.IsIntersecting(c.B), c.Intersecting);
    EXPECT_EQ(c.A.IsNotIntersecting(c.B), !c.Intersecting);
    EXPECT_EQ(c.A.IsAdjacent(c.B), c.Adjacent);
    EXPECT_EQ(c.A.IsSameOrSubset(c.B), c.SameOrSubset);
    EXPECT_EQ(c.A.IsBeginningOf(c.B), c.BeginningOf);
    EXPECT_EQ(c.A.IsSame(c.B), c.A == c.B);
  }
  EXPECT_TRUE(TRange::ByEnd(0, 9).IsRightBefore(TRange::ByEnd(10, 12)));
  EXPECT_FALSE(TRange::ByEnd(0, 9).IsRightAfter(TRange::ByEnd(10, 12)));
  EXPECT_TRUE(TRange::ByEnd(10, 12).IsRightAfter(TRange::ByEnd(0, 9)));
  // Equality compares the positions covered: both reach the end of the line.
  EXPECT_EQ(TRange::ByLength(2, kMax), TRange::ByLength(2, kMax - 1));
  EXPECT_NE(TRange::ByEnd(0, 9), TRange::ByEnd(0, 8));
}

TEST(Range, IntersectJoinAndCopyBlock) {
  struct TCase {
    const char* Name;
    TRange Result;
    TSpan Expected;
    bool Valid;
  };
  const TRange a = TRange::ByEnd(0, 9);
  const TRange b = TRange::ByEnd(5, 20);
  const TRange c = TRange::ByEnd(30, 40);
  auto intersected = [](TRange r, const TRange& x, const TRange& y) {
    r.Intersect(x, y);
    return r;
  };
  auto joined = [](TRange r, const TRange& x) {
    r.Join(x);
    return r;
  };
  const TRange wide = TRange::ByEnd(10, 40);
  const TCase cases[] = {
      {"a n b", a.Intersection(b), {5, 9}, true},
      {"a n c keeps a's start", a.Intersection(c), {0, -1}, false},
      {"two others", intersected(TRange::ByEnd(100, 200), b, c), {100, 99}, false},
      {"b n wide", intersected(TRange(), b, wide), {10, 20}, true},
      {"join apart", joined(a, c), {0, 40}, true},
      {"join into invalid", joined(TRange::ByLength(50, 0), c), {30, 40}, true},
      {"join with invalid", joined(c, TRange::ByLength(50, 0)), {30, 49}, true},
      {"block 1", wide.CopyBlock(1, 16), {16, 31}, true},
      {"block 0", wide.CopyBlock(0, 16), {10, 15}, true},
      {"block 2", wide.CopyBlock(2, 16), {32, 40}, true},
      {"block 5", wide.CopyBlock(5, 16), {80, 79}, false},
      {"low 32 bits",
       wide.CopyBlock((int64_t{1} << 32) + 1, (int64_t{1} << 32) + 16),
       {16, 31},
       true},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.Name);
    EXPECT_EQ(SpanOf(t.Result), t.Expected);
    EXPECT_EQ(t.Result.IsValid(), t.Valid);
  }
  TRange self = b;
  self.Intersect(self);
  EXPECT_EQ(SpanOf(self), TSpan(5, 20));
}

TEST(Range, CutOffRange) {
  struct TCase {
    TSpan Range, Cut;
    TSpan Expected;
    bool Valid;
  };
  const TCase cases[] = {
      {{0, 9}, {5, 20}, {0, 4}, true},
      {{5, 20}, {0, 9}, {10, 20}, true},
      {{0, 9}, {20, 29}, {0, 9}, true},
      {{0, 9}, {0, 9}, {10, 9}, false},
      {{5, 9}, {0, 20}, {21, 9}, false},
      {{-20, -5}, {-30, kMax}, {-20, -21}, false},
      {{10, kMax}, {0, 19}, {20, kMax}, true},
      // An empty cut removes nothing, even from inside.
      {{0, 29}, {15, 14}, {0, 29}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::make_pair(c.Range, c.Cut)));
    TRange range = TRange::ByEnd(c.Range.first, c.Range.second);
    range.CutOffRange(TRange::ByEnd(c.Cut.first, c.Cut.second));
    if (c.Valid) {
      EXPECT_EQ(SpanOf(range), c.Expected);
    }
    if (!c.Valid) {
      EXPECT_EQ(range.Start(), c.Expected.first);
    }
    EXPECT_EQ(range.IsValid(), c.Valid);
  }
  TRange range = TRange::ByEnd(0, 29);
  try {
    range.CutOffRange(TRange::ByEnd(10, 19));
    ADD_FAILURE() << "a cut inside the range did not raise";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Splitting TRange into 2 Ranges, use TRanges class instead");
  }
  EXPECT_EQ(SpanOf(range), TSpan(0, 29));
}

TEST(Range, Align) {
  struct TCase {
    TSpan Range;
    int64_t BlockSize;
    TSpan Extended;
    TSpan Trimmed;  // ignored when TrimmedValid is false
    bool TrimmedValid;
    bool Aligned;
  };
  const TCase cases[] = {
      {{16, 31}, 16, {16, 31}, {16, 31}, true, true},
      {{5, 40}, 16, {0, 47}, {16, 31}, true, false},
      {{5, 10}, 16, {0, 15}, {}, false, false},
      {{0, 20}, 16, {0, 31}, {0, 15}, true, false},
      {{20, 47}, 16, {16, 47}, {32, 47}, true, false},
      {{-5, 5}, 16, {-16, 15}, {}, false, false},
      {{-40, -1}, 16, {-48, -1}, {-32, -1}, true, false},
      {{3, 7}, 1, {3, 7}, {3, 7}, true, true},
      // Extending past the top of the line keeps the range unbounded.
      {{5, kMax}, 10, {0, kMax}, {10, kMax - 8}, true, false},
      {{0, kMax}, 16, {0, kMax}, {0, kMax}, true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Range) + " / " + std::to_string(c.BlockSize));
    const TRange range = TRange::ByEnd(c.Range.first, c.Range.second);
    EXPECT_EQ(range.IsAligned(c.BlockSize), c.Aligned);
    TRange extended = range;
    EXPECT_EQ(extended.AlignByExtending(c.BlockSize), !c.Aligned);
    EXPECT_EQ(SpanOf(extended), c.Extended);
    EXPECT_TRUE(extended.IsAlignedStart(c.BlockSize));
    TRange trimmed = range;
    EXPECT_EQ(trimmed.AlignByTrimming(c.BlockSize), !c.Aligned);
    EXPECT_EQ(trimmed.IsValid(), c.TrimmedValid);
    if (c.TrimmedValid) {
      EXPECT_EQ(SpanOf(trimmed), c.Trimmed);
    }
    EXPECT_EQ(SpanOf(range.AlignedByExtending(c.BlockSize)), SpanOf(extended));
    EXPECT_EQ(SpanOf(range.AlignedByTrimming(c.BlockSize)), SpanOf(trimmed));
  }
  EXPECT_TRUE(TRange::ByEnd(16, 40).IsAlignedStart(16));
  EXPECT_FALSE(TRange::ByEnd(16, 40).IsAlignedEnd(16));
  EXPECT_TRUE(TRange::ByEnd(5, 31).IsAlignedEnd(16));
}

TEST(Range, NonAlignedRanges) {
  struct TCase {
    TSpan Range;
    TSpans Pieces;
  };
  const TCase cases[] = {
      {{5, 40}, {{5, 15}, {32, 40}}},
      {{5, 10}, {{5, 10}}},
      {{16, 31}, {}},
      {{0, 40}, {{32, 40}}},
      {{5, 31}, {{5, 15}}},
      {{15, 16}, {{15, 16}}},
      {{-5, 20}, {{-5, -1}, {16, 20}}},
      {{10, 9}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Range));
    EXPECT_EQ(Members(TRange::ByEnd(c.Range.first, c.Range.second).NonAlignedRanges(16)), c.Pieces);
  }
}

TEST(Range, Blocks) {
  struct TCase {
    TSpan Range;
    int64_t BlockSize;
    std::vector<int32_t> Blocks;
    TSpan AsBlocks;
  };
  const TCase cases[] = {
      {{10, 40}, 16, {0, 1, 2}, {0, 2}},   {{16, 31}, 16, {1}, {1, 1}},
      {{-1, 16}, 16, {-1, 0, 1}, {-1, 1}}, {{100, 100}, 1, {100}, {100, 100}},
      {{10, 9}, 16, {}, {10, 9}},  // an invalid range has no blocks and stays as it is
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Range));
    TRange range = TRange::ByEnd(c.Range.first, c.Range.second);
    TIntegerList blocks;
    range.GetBlockList(blocks, c.BlockSize);
    EXPECT_EQ(blocks.Values(), c.Blocks);
    if (range.IsValid()) {
      EXPECT_EQ(range.FirstBlock(c.BlockSize), c.Blocks.front());
    }
    range.ToBlocks(c.BlockSize);
    EXPECT_EQ(SpanOf(range), c.AsBlocks);
  }
  // Blocks already listed are not repeated; the new ones follow in ascending order.
  TIntegerList blocks = ListOf({1, 7});
  TRange::ByEnd(10, 40).GetBlockList(blocks, 16);
  EXPECT_EQ(blocks.Values(), (std::vector<int32_t>{1, 7, 0, 2}));
  // Block numbers that do not fit 32 bits are refused.
  TAlertCapture alerts;
  TIntegerList none;
  TRange::ByLength(int64_t{1} << 40, 2).GetBlockList(none, 1);
  EXPECT_TRUE(none.IsEmpty());
  EXPECT_EQ(alerts.Count(), 1u);
}

TEST(Range, ToString) {
  struct TCase {
    TRange Range;
    std::u16string Text;
  };
  const TCase cases[] = {
      {TRange::ByLength(1000, 1000), u"1,000 - 1,999 (1,000)"},
      {TRange::ByLength(0, 1), u"0 - 0 (1)"},
      {TRange::ByLength(10, 0), u"10 - 9 (0)"},
      {TRange::ByLength(-5000, 3), u"-5,000 - -4,998 (3)"},
      {TRange::ByLength(0, kMax), u"0 - 9,223,372,036,854,775,807 (9,223,372,036,854,775,807)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    EXPECT_EQ(c.Range.ToString(), c.Text);
  }
}

TEST(Range, BlockSizeBelowOneIsRefused) {
  struct TCase {
    const char* Name;
    std::function<bool()> RunAndCheck;  // true when the result is the neutral one
  };
  const TRange range = TRange::ByEnd(10, 40);
  const TCase cases[] = {
      {"FirstBlock", [&] { return range.FirstBlock(0) == -1; }},
      {"IsAligned", [&] { return !range.IsAligned(0) && !range.IsAlignedStart(-16); }},
      {"Align",
       [&] {
         TRange r = range;
         return !r.Align(0, true) && r == range;
       }},
      {"ToBlocks",
       [&] {
         TRange r = range;
         r.ToBlocks(-1);
         return r == range;
       }},
      {"GetBlockList",
       [&] {
         TIntegerList list;
         range.GetBlockList(list, 0);
         return list.IsEmpty();
       }},
      {"TrimToBlocks",
       [&] {
         TRange r = range;
         return !r.TrimToBlocks(1, 0) && !r.TrimToBlocks(0, 16) && r == range;
       }},
      {"SetByBlock",
       [&] {
         TRange r = range;
         r.SetByBlock(2, 0);
         return r.IsNotValid();
       }},
      {"CopyBlock", [&] { return range.CopyBlock(1, 0).IsNotValid(); }},
      {"NonAlignedRanges", [&] { return range.NonAlignedRanges(0).IsEmpty(); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TAlertCapture alerts;
    EXPECT_TRUE(c.RunAndCheck());
    EXPECT_GE(alerts.Count(), 1u);
  }
}

// --- TRanges ----------------------------------------------------------------------------------

TEST(Ranges, AddByEndJoinsTouchingMembers) {
  struct TCase {
    TSpans Added;
    TSpans Members;
  };
  const TCase cases[] = {
      {{{0, 9}, {20, 29}, {10, 19}}, {{0, 29}}},
      {{{0, 9}, {20, 29}, {10, 19}, {31, 40}}, {{0, 29}, {31, 40}}},
      {{{0, 9}, {20, 29}, {10, 19}, {31, 40}, {30, 30}}, {{0, 40}}},
      {{{5, 7}, {0, 9}}, {{0, 9}}},
      {{{12, 15}, {3, 4}}, {{3, 4}, {12, 15}}},
      {{{0, 9}, {10, 9}, {20, 11}}, {{0, 9}}},
      {{{0, 9}, {20, 29}, {40, 49}, {5, 44}}, {{0, 49}}},
      {{{0, 9}, {20, 29}, {40, 49}, {60, 69}, {25, 45}}, {{0, 9}, {20, 49}, {60, 69}}},
      {{{50, 59}, {30, 39}, {10, 19}, {41, 48}}, {{10, 19}, {30, 39}, {41, 48}, {50, 59}}},
      {{{10, 20}, {0, kMax}}, {{0, kMax}}},
      {{{0, kMax}, {10, 20}}, {{0, kMax}}},
      {{{kMin, -1}, {0, 5}}, {{kMin, 5}}},
      {{{kMin, kMin}, {kMax, kMax}}, {{kMin, kMin}, {kMax, kMax}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Added));
    const TRanges set = SetOf(c.Added);
    EXPECT_TRUE(set.Merged());
    EXPECT_EQ(Members(set), c.Members);
  }
  EXPECT_EQ(TRanges(TRange::ByLength(0, kMax)).Ranges(0).Length(), kMax);
}

TEST(Ranges, NonMergedSetKeepsMembersApart) {
  TRanges set = NonMergedSetOf({{0, 9}, {0, 9}});
  EXPECT_FALSE(set.Merged());
  EXPECT_EQ(Members(set), (TSpans{{0, 9}, {0, 9}}));
  set.AddByEnd(5, 5);
  set.AddByEnd(0, 3);  // after the members that start at the same position
  set.AddByEnd(-5, 20);
  EXPECT_EQ(Members(set), (TSpans{{-5, 20}, {0, 9}, {0, 9}, {0, 3}, {5, 5}}));
  // Copy merges again.
  const TRanges copy = set.Copy();
  EXPECT_TRUE(copy.Merged());
  EXPECT_EQ(Members(copy), (TSpans{{-5, 20}}));
}

TEST(Ranges, RemoveByEndSplitsAndCuts) {
  struct TCase {
    TSpans Members;
    TSpan Removed;
    TSpans Left;
  };
  const TCase cases[] = {
      {{{0, 29}}, {10, 19}, {{0, 9}, {20, 29}}},
      {{{0, 15}, {18, 29}}, {10, 19}, {{0, 9}, {20, 29}}},
      {{{12, 15}}, {10, 19}, {}},
      {{{0, 29}}, {10, 9}, {{0, 29}}},
      {{{0, 9}, {20, 29}, {40, 49}}, {5, 44}, {{0, 4}, {45, 49}}},
      {{{0, 9}, {20, 29}, {40, 49}}, {10, 19}, {{0, 9}, {20, 29}, {40, 49}}},
      {{{0, 9}, {20, 29}}, {0, 29}, {}},
      {{{0, 9}, {20, 29}}, {9, 20}, {{0, 8}, {21, 29}}},
      {{{0, kMax}}, {10, 19}, {{0, 9}, {20, kMax}}},
      {{{0, kMax}}, {100, kMax}, {{0, 99}}},
      {{{kMin, kMax}}, {kMin, -1}, {{0, kMax}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Members) + " - " + testing::PrintToString(c.Removed));
    TRanges set = SetOf(c.Members);
    set.RemoveByEnd(c.Removed.first, c.Removed.second);
    EXPECT_EQ(Members(set), c.Left);
    for (int i = 0; i < set.Count(); ++i) {
      if (set.Ranges(i).End() == kMax) {
        EXPECT_EQ(set.Ranges(i).Length(), kMax);
      }
    }
  }
}

TEST(Ranges, RemoveFromNonMergedSetTreatsEveryMember) {
  TRanges set = NonMergedSetOf({{0, 9}, {0, 9}, {5, 14}});
  set.RemoveByEnd(3, 6);
  // Each 0-9 leaves a head in place and a tail added after the members starting at or before it.
  EXPECT_EQ(Members(set), (TSpans{{0, 2}, {0, 2}, {7, 14}, {7, 9}, {7, 9}}));
}

TEST(Ranges, MembersChangedInPlaceStillAddAndRemoveExactly) {
  // 5-45 is out of order and overlaps 20-29: the set scans from its first member again.
  TRanges set = SetOf({{0, 9}, {20, 29}, {50, 59}});
  set.Ranges(2).SetByEnd(5, 45);
  set.AddByEnd(30, 30);
  EXPECT_EQ(Members(set), (TSpans{{0, 9}, {5, 45}}));

  TRanges apart = SetOf({{0, 9}, {20, 29}, {40, 49}});
  apart.Ranges(0).SetByEnd(60, 69);  // now first, but starting last
  apart.AddByEnd(52, 55);            // before the first member that starts later
  EXPECT_EQ(Members(apart), (TSpans{{52, 55}, {60, 69}, {20, 29}, {40, 49}}));
  apart.RemoveByEnd(25, 65);
  EXPECT_EQ(Members(apart), (TSpans{{66, 69}, {20, 24}}));

  // Changed in place but still in order and apart.
  TRanges ordered = SetOf({{0, 9}, {20, 29}, {40, 49}});
  ordered.Ranges(1).SetByEnd(15, 35);
  ordered.AddByEnd(36, 38);
  EXPECT_EQ(Members(ordered), (TSpans{{0, 9}, {15, 38}, {40, 49}}));
  ordered.AddByEnd(39, 39);
  EXPECT_EQ(Members(ordered), (TSpans{{0, 9}, {15, 49}}));
}

TEST(Ranges, MergeNearby) {
  struct TCase {
    TSpans Members;
    bool NonMerged;
    int64_t Distance;
    TSpans After;
  };
  const TCase cases[] = {
      {{{0, 9}, {11, 19}}, false, 2, {{0, 19}}},
      {{{0, 9}, {11, 19}}, false, 1, {{0, 9}, {11, 19}}},
      {{{0, 9}, {14, 19}}, false, 5, {{0, 19}}},
      {{{0, 9}, {15, 19}}, false, 5, {{0, 9}, {15, 19}}},
      {{{0, 9}, {11, 19}, {21, 29}, {40, 49}}, false, 2, {{0, 29}, {40, 49}}},
      {{{0, 9}, {10, 19}}, true, 1, {{0, 19}}},
      {{{0, 9}, {10, 19}}, true, 0, {{0, 9}, {10, 19}}},
      {{{0, 9}, {5, 7}, {8, 12}}, true, 0, {{0, 12}}},
      {{{0, kMax}, {10, 20}}, true, 1, {{0, kMax}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Members) + " / " + std::to_string(c.Distance));
    TRanges set = c.NonMerged ? NonMergedSetOf(c.Members) : SetOf(c.Members);
    set.MergeNearby(c.Distance);
    EXPECT_EQ(Members(set), c.After);
  }
}

TEST(Ranges, TrimToLength) {
  struct TCase {
    TSpans Members;
    int64_t Length;
    TSpans After;
    int64_t Result;
  };
  const TCase cases[] = {
      {{{0, 9}, {20, 29}}, 15, {{0, 9}, {20, 24}}, 15},
      {{{0, 9}, {20, 29}}, 10, {{0, 9}}, 10},
      {{{0, 9}, {20, 29}}, 100, {{0, 9}, {20, 29}}, 20},
      {{{0, 9}, {20, 29}}, 20, {{0, 9}, {20, 29}}, 20},
      {{{0, 9}, {20, 29}}, 0, {}, 0},
      {{{0, 9}, {20, 29}}, 1, {{0, 0}}, 1},
      {{}, 5, {}, 0},
      {{{0, 9}, {20, kMax}}, 100, {{0, 9}, {20, 109}}, 100},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Members) + " / " + std::to_string(c.Length));
    TRanges set = SetOf(c.Members);
    EXPECT_EQ(set.TrimToLength(c.Length), c.Result);
    EXPECT_EQ(Members(set), c.After);
  }
}

TEST(Ranges, AlignMembers) {
  struct TCase {
    TSpans Members;
    bool Extend;
    TSpans After;
    bool Changed;
  };
  const TCase cases[] = {
      {{{0, 5}, {10, 20}}, true, {{0, 31}}, true},
      {{{0, 5}, {40, 50}}, true, {{0, 15}, {32, 63}}, true},
      {{{0, 5}, {17, 20}}, true, {{0, 31}}, true},
      {{{0, 5}, {20, 40}, {50, 52}}, true, {{0, 63}}, true},
      {{{0, 15}, {32, 47}}, true, {{0, 15}, {32, 47}}, false},
      {{{5, 10}, {16, 40}}, false, {{16, 31}}, true},
      {{{5, 10}, {20, 25}}, false, {}, true},
      {{{0, 15}, {32, 47}}, false, {{0, 15}, {32, 47}}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Members) + (c.Extend ? " extended" : " trimmed"));
    TRanges set = SetOf(c.Members);
    EXPECT_EQ(c.Extend ? set.AlignByExtending(16) : set.AlignByTrimming(16), c.Changed);
    EXPECT_EQ(Members(set), c.After);
  }
}

TEST(Ranges, SplitIntoBlocks) {
  struct TCase {
    TSpans Members;
    TSpans After;
  };
  const TCase cases[] = {
      {{{10, 40}}, {{10, 15}, {16, 31}, {32, 40}}},
      {{{10, 40}, {50, 52}, {60, 70}},
       {{10, 15}, {16, 31}, {32, 40}, {50, 52}, {60, 63}, {64, 70}}},
      {{{-20, 3}}, {{-20, -17}, {-16, -1}, {0, 3}}},
      {{{kMax - 20, kMax}}, {{kMax - 20, kMax - 16}, {kMax - 15, kMax}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Members));
    TRanges set = SetOf(c.Members);
    set.SplitIntoBlocks(16);
    EXPECT_FALSE(set.Merged());
    EXPECT_EQ(Members(set), c.After);
  }
  // With merging off for good, touching members stay apart.
  TRanges set = SetOf({{10, 40}});
  set.SplitIntoBlocks(16);
  set.AddByEnd(0, 9);
  EXPECT_EQ(Members(set), (TSpans{{0, 9}, {10, 15}, {16, 31}, {32, 40}}));
}

TEST(Ranges, IntersectionsAndBlockFilters) {
  const TRanges set = SetOf({{0, 9}, {20, 29}, {40, 49}});
  EXPECT_EQ(Members(set.Intersection(TRange::ByEnd(5, 44))), (TSpans{{5, 9}, {20, 29}, {40, 44}}));
  EXPECT_EQ(Members(set.Intersection(TRange::ByEnd(10, 19))), TSpans{});
  EXPECT_EQ(Members(set.Intersection(SetOf({{5, 24}, {45, 100}}))),
            (TSpans{{5, 9}, {20, 24}, {45, 49}}));
  EXPECT_EQ(Members(set.Intersection(SetOf({{-10, 100}}))), Members(set));
  EXPECT_EQ(SpanOf(set.IntersectionAsSingleRange(TRange::ByEnd(25, 100))), TSpan(25, 29));
  const TRange none = set.IntersectionAsSingleRange(TRange::ByEnd(10, 19));
  EXPECT_TRUE(none.IsNotValid());
  EXPECT_EQ(none.Start(), 10);
  // Pieces that touch come out as one.
  const TRanges split = NonMergedSetOf({{0, 9}, {10, 19}});
  EXPECT_EQ(SpanOf(split.IntersectionAsSingleRange(TRange::ByEnd(5, 15))), TSpan(5, 15));

  struct TCase {
    TSpans Members;
    std::vector<int32_t> Blocks;
    TSpans After;
  };
  const TCase cases[] = {
      {{{0, 40}}, {0, 2}, {{0, 15}, {32, 40}}},
      {{{0, 40}}, {2, 0, 1, 3}, {{0, 40}}},
      {{{0, 40}}, {}, {}},
      {{{0, 9}, {20, 29}}, {1}, {{20, 29}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Members) + " " + testing::PrintToString(c.Blocks));
    TRanges filtered = SetOf(c.Members);
    filtered.FilterByBlocks(ListOf(c.Blocks), 16);
    EXPECT_EQ(Members(filtered), c.After);
  }
}

TEST(Ranges, BlockListsAndCounts) {
  struct TCase {
    TSpans Members;
    std::vector<int32_t> Blocks;
  };
  const TCase cases[] = {
      {{{0, 16}}, {0, 1}},
      {{{0, 9}, {20, 29}}, {0, 1}},
      {{{0, 9}, {40, 70}}, {0, 2, 3, 4}},
      {{{-3, 3}}, {-1, 0}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Members));
    const TRanges set = SetOf(c.Members);
    TIntegerList blocks;
    set.GetBlockList(blocks, 16);
    EXPECT_EQ(blocks.Values(), c.Blocks);
    EXPECT_EQ(set.BlocksUsed(16), static_cast<int64_t>(c.Blocks.size()));
  }
  // Overlapping members of a non-merged set count their blocks once.
  EXPECT_EQ(NonMergedSetOf({{0, 40}, {5, 10}, {20, 80}}).BlocksUsed(16), 6);
  TRanges blocks;
  blocks.BlocksAdd(ListOf({3, 1, 2, 7}), 16);
  EXPECT_EQ(Members(blocks), (TSpans{{16, 63}, {112, 127}}));
  blocks.BlocksRemove(ListOf({2}), 16);
  blocks.RemoveBlock(7, 16);
  EXPECT_EQ(Members(blocks), (TSpans{{16, 31}, {48, 63}}));
  blocks.ToBlocks(16);
  EXPECT_EQ(Members(blocks), (TSpans{{1, 1}, {3, 3}}));
  const TRanges pieces = SetOf({{5, 40}, {48, 50}}).NonAlignedRanges(16);
  EXPECT_EQ(Members(pieces), (TSpans{{5, 15}, {32, 40}, {48, 50}}));
}

TEST(Ranges, MembersAndTotals) {
  TRanges set = SetOf({{10, 19}, {30, 59}, {70, 79}, {90, 119}});
  EXPECT_EQ(set.Count(), 4);
  EXPECT_EQ(set.TotalLength(), 80);
  EXPECT_EQ(set.TotalStart(), 10);
  EXPECT_EQ(set.TotalEnd(), 119);
  EXPECT_EQ(SpanOf(*set.Longest()), TSpan(30, 59));  // the earliest of the longest
  EXPECT_EQ(SpanOf(set.Last()), TSpan(90, 119));
  EXPECT_TRUE(set.IsAdjacent(TRange::ByEnd(60, 65)));
  EXPECT_FALSE(set.IsAdjacent(TRange::ByEnd(61, 65)));
  EXPECT_EQ(SpanOf(set.ExtractFirst()), TSpan(10, 19));
  EXPECT_EQ(SpanOf(set.ExtractLast()), TSpan(90, 119));
  EXPECT_EQ(Members(set), (TSpans{{30, 59}, {70, 79}}));
  set.RemoveByStart(70);
  set.Remove(0);
  EXPECT_TRUE(set.IsEmpty());
  EXPECT_FALSE(set.Longest().has_value());
  EXPECT_EQ(set.TotalStart(), -1);
  EXPECT_EQ(set.TotalEnd(), -1);
  EXPECT_EQ(set.TotalLength(), 0);

  const TRanges unbounded = SetOf({{0, 9}, {20, kMax}});
  EXPECT_EQ(unbounded.TotalLength(), kMax);

  EXPECT_TRUE(SetOf({{0, 9}}).IsSame(TRange::ByEnd(0, 9)));
  EXPECT_FALSE(SetOf({{0, 9}, {20, 29}}).IsSame(TRange::ByEnd(0, 9)));
  EXPECT_TRUE(SetOf({{0, 9}, {20, 29}}).IsSame(SetOf({{20, 29}, {0, 9}})));
  EXPECT_FALSE(SetOf({{0, 9}, {20, 29}}).IsSame(SetOf({{0, 9}, {20, 28}})));
}

TEST(Ranges, ShiftMembers) {
  TRanges set = SetOf({{0, 9}, {20, 29}});
  set.ShiftAll(-5);
  EXPECT_EQ(Members(set), (TSpans{{-5, 4}, {15, 24}}));
  set.AddByEnd(25, 30);  // the shifted members are still found by their new places
  EXPECT_EQ(Members(set), (TSpans{{-5, 4}, {15, 30}}));

  TRanges overlapping = NonMergedSetOf({{0, 9}, {5, 14}, {12, 12}, {40, 49}});
  overlapping.ShiftIfOverlapping();
  EXPECT_EQ(Members(overlapping), (TSpans{{0, 9}, {10, 19}, {20, 20}, {40, 49}}));
}

TEST(Ranges, AddAndRemoveSets) {
  TRanges set = SetOf({{0, 9}});
  set.AddRanges(SetOf({{20, 29}, {10, 15}}));
  EXPECT_EQ(Members(set), (TSpans{{0, 15}, {20, 29}}));
  set.RemoveRanges(SetOf({{5, 7}, {25, 100}}));
  EXPECT_EQ(Members(set), (TSpans{{0, 4}, {8, 15}, {20, 24}}));
  set.AddByLength(30, 5);
  set.AddByLength(50, 0);
  set.RemoveByLength(0, 2);
  EXPECT_EQ(Members(set), (TSpans{{2, 4}, {8, 15}, {20, 24}, {30, 34}}));
  // A set added to or removed from itself.
  TRanges split = NonMergedSetOf({{0, 9}, {5, 5}});
  split.AddRanges(split);
  EXPECT_EQ(Members(split), (TSpans{{0, 9}, {0, 9}, {5, 5}, {5, 5}}));
  set.RemoveRanges(set);
  EXPECT_TRUE(set.IsEmpty());
}

TEST(Ranges, ToString) {
  EXPECT_EQ(TRanges().ToString(), u"[ Count = 0, Total Length: 0 ]\r\n");
  EXPECT_EQ(SetOf({{0, 999}, {2000, 2999}}).ToString(),
            u"[ Count = 2, Total Length: 2000 ]\r\n"
            u"0 - 999 (1,000)\r\n"
            u"2,000 - 2,999 (1,000)\r\n");
}

TEST(Ranges, MisuseGivesNeutralResults) {
  struct TCase {
    const char* Name;
    std::function<bool()> RunAndCheck;  // true when the result is the neutral one
  };
  const TCase cases[] = {
      {"ExtractFirst",
       [] {
         TRanges set;
         return set.ExtractFirst() == TRange() && set.IsEmpty();
       }},
      {"ExtractLast",
       [] {
         TRanges set;
         return set.ExtractLast() == TRange();
       }},
      {"Last", [] { return TRanges().Last() == TRange(); }},
      {"Ranges",
       [] {
         TRanges set = SetOf({{0, 9}});
         set.Ranges(1).SetByEnd(50, 60);  // lands in no member
         return Members(set) == TSpans{{0, 9}} && set.CopyRange(-1) == TRange();
       }},
      {"Remove",
       [] {
         TRanges set = SetOf({{0, 9}});
         set.Remove(1);
         return set.Count() == 1;
       }},
      {"TrimToLength",
       [] {
         TRanges set = SetOf({{0, 9}});
         return set.TrimToLength(-1) == 10 && set.Count() == 1;
       }},
      {"SplitIntoBlocks",
       [] {
         TRanges set = SetOf({{0, 40}});
         set.SplitIntoBlocks(0);
         return set.Merged() && set.Count() == 1;
       }},
      {"AlignByExtending",
       [] {
         TRanges set = SetOf({{5, 40}});
         return !set.AlignByExtending(0) && Members(set) == TSpans{{5, 40}};
       }},
      {"BlocksUsed",
       [] {
         return SetOf({{5, 40}}).BlocksUsed(-4) == 0;
       }},
      {"FilterByBlocks",
       [] {
         TRanges set = SetOf({{5, 40}});
         set.FilterByBlocks(ListOf({0}), 0);
         return Members(set) == TSpans{{5, 40}};
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TAlertCapture alerts;
    EXPECT_TRUE(c.RunAndCheck());
    EXPECT_GE(alerts.Count(), 1u);
  }
}

}  // namespace
