// Range sets against naive models over thousands of random operation sequences: a bitmap of
// positions for merged sets, a plain list of intervals for sets that no longer merge. The seed is
// printed; VARDENO_TEST_SEED repeats a run.
#include <algorithm>
#include <bitset>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "lib/ranges/uRanges.h"
#include "lib/testing/uTestSupport.h"

namespace {

// The model's positions. Operations pick ranges in -100..140; alignment and shifts may reach
// further, and the sets are cut back to -150..150 after them.
constexpr int64_t kLow = -200;
constexpr int64_t kHigh = 200;
constexpr int64_t kClip = 150;

using TSpan = std::pair<int64_t, int64_t>;
using TSpans = std::vector<TSpan>;

TSpans Members(const TRanges& set) {
  TSpans spans;
  for (int i = 0; i < set.Count(); ++i) {
    const TRange& member = set.Ranges(i);
    spans.emplace_back(member.Start(), member.End());
  }
  return spans;
}

int64_t FloorDiv(int64_t position, int64_t size) {
  return position / size - (position % size < 0 ? 1 : 0);
}

// Which positions are in the set.
class TBitmap {
 public:
  bool Has(int64_t p) const { return p >= kLow && p <= kHigh && FBits[Index(p)]; }
  void Set(int64_t start, int64_t end, bool value) {
    for (int64_t p = std::max(start, kLow); p <= std::min(end, kHigh); ++p) FBits[Index(p)] = value;
  }
  void SetSpans(const TSpans& spans) {
    for (const auto& [start, end] : spans) Set(start, end, true);
  }
  int64_t Count() const { return static_cast<int64_t>(FBits.count()); }
  bool operator==(const TBitmap& other) const { return FBits == other.FBits; }
  TBitmap operator&(const TBitmap& other) const {
    TBitmap both;
    both.FBits = FBits & other.FBits;
    return both;
  }
  // The maximal runs of set positions: what a merged set's members must be.
  TSpans Runs() const {
    TSpans runs;
    for (int64_t p = kLow; p <= kHigh; ++p) {
      if (!Has(p)) continue;
      if (!runs.empty() && runs.back().second == p - 1) {
        runs.back().second = p;
      } else {
        runs.emplace_back(p, p);
      }
    }
    return runs;
  }
  // Keeps the positions for which keep(p) holds.
  template <typename TKeep>
  void Filter(TKeep keep) {
    for (int64_t p = kLow; p <= kHigh; ++p) {
      if (Has(p) && !keep(p)) FBits[Index(p)] = false;
    }
  }
  // The blocks that hold a position, ascending, and whether a block is wholly set.
  std::vector<int32_t> Blocks(int64_t size) const {
    std::vector<int32_t> blocks;
    for (int64_t p = kLow; p <= kHigh; ++p) {
      const auto block = static_cast<int32_t>(FloorDiv(p, size));
      if (Has(p) && (blocks.empty() || blocks.back() != block)) blocks.push_back(block);
    }
    return blocks;
  }
  bool BlockFull(int64_t block, int64_t size) const {
    for (int64_t p = block * size; p < (block + 1) * size; ++p) {
      if (!Has(p)) return false;
    }
    return true;
  }

 private:
  static size_t Index(int64_t p) { return static_cast<size_t>(p - kLow); }
  std::bitset<kHigh - kLow + 1> FBits;
};

class TRandomOps {
 public:
  explicit TRandomOps(uint64_t seed) : FRandom(seed) {}
  int64_t Between(int64_t low, int64_t high) {
    return low + static_cast<int64_t>(FRandom.Below(static_cast<uint64_t>(high - low + 1)));
  }
  bool OneIn(int n) { return FRandom.Below(static_cast<uint64_t>(n)) == 0; }
  // Mostly short ranges; now and then an empty or reversed one.
  TSpan Span() {
    const int64_t start = Between(-100, 100);
    const int64_t length = OneIn(10) ? Between(-3, 0) : Between(1, OneIn(4) ? 40 : 8);
    return {start, start + length - 1};
  }
  TSpans Spans(int count) {
    TSpans spans;
    for (int i = 0; i < count; ++i) spans.push_back(Span());
    return spans;
  }

 private:
  TTestRandom FRandom;
};

std::string Text(const TSpans& spans) {
  std::ostringstream text;
  for (const auto& [start, end] : spans) text << ' ' << start << ".." << end;
  return text.str();
}

TRanges SetOf(const TSpans& spans) {
  TRanges set;
  for (const auto& [start, end] : spans) set.AddByEnd(start, end);
  return set;
}

// Cuts set and model back to -kClip..kClip.
void Clip(TRanges& set, TBitmap& model) {
  set.RemoveByEnd(INT64_MIN, -kClip - 1);
  set.RemoveByEnd(kClip + 1, INT64_MAX);
  model.Set(kLow, -kClip - 1, false);
  model.Set(kClip + 1, kHigh, false);
}

// One sequence on a merged set. Returns false (after reporting) at the first difference.
bool MergedSequence(TRandomOps& random, std::string& log) {
  TRanges set;
  TBitmap model;
  for (int step = 0; step < 40; ++step) {
    const int64_t blockSize = random.Between(1, 20);
    std::ostringstream op;
    switch (random.Between(0, 15)) {
      case 0:
      case 1:
      case 2:
      case 3: {
        const auto [start, end] = random.Span();
        op << "AddByEnd " << start << ".." << end;
        set.AddByEnd(start, end);
        model.Set(start, end, true);
        break;
      }
      case 4:
      case 5: {
        const auto [start, end] = random.Span();
        op << "RemoveByEnd " << start << ".." << end;
        set.RemoveByEnd(start, end);
        model.Set(start, end, false);
        break;
      }
      case 6: {
        const int64_t distance = random.Between(-1, 4);
        op << "MergeNearby " << distance;
        set.MergeNearby(distance);
        // A gap of g positions is bridged when g < distance.
        const TSpans runs = model.Runs();
        for (size_t i = 1; i < runs.size(); ++i) {
          if (runs[i].first - runs[i - 1].second - 1 < distance) {
            model.Set(runs[i - 1].second, runs[i].first, true);
          }
        }
        break;
      }
      case 7: {
        const int64_t length = random.Between(0, 250);
        op << "TrimToLength " << length;
        const int64_t expected = std::min(length, model.Count());
        int64_t kept = 0;
        model.Filter([&kept, length](int64_t) { return kept++ < length; });
        if (set.TrimToLength(length) != expected) {
          ADD_FAILURE() << log << op.str() << ": wrong result";
          return false;
        }
        break;
      }
      case 8:
      case 9: {
        const bool extend = random.Between(8, 9) == 8;
        op << (extend ? "AlignByExtending " : "AlignByTrimming ") << blockSize;
        const TBitmap before = model;
        if (extend) {
          for (int32_t block : before.Blocks(blockSize)) {
            model.Set(block * blockSize, (block + 1) * blockSize - 1, true);
          }
        } else {
          model.Filter(
              [&](int64_t p) { return before.BlockFull(FloorDiv(p, blockSize), blockSize); });
        }
        const bool changed =
            extend ? set.AlignByExtending(blockSize) : set.AlignByTrimming(blockSize);
        if (changed != !(model == before)) {
          ADD_FAILURE() << log << op.str() << ": wrong result";
          return false;
        }
        Clip(set, model);
        break;
      }
      case 10: {
        TIntegerList blocks;
        const int64_t reach = kClip / blockSize + 1;
        for (int64_t i = random.Between(0, 6); i > 0; --i) {
          blocks.Add(static_cast<int32_t>(random.Between(-reach, reach)));
        }
        op << "FilterByBlocks [" << TextToUtf8(blocks.ToString()) << "] / " << blockSize;
        set.FilterByBlocks(blocks, blockSize);
        model.Filter([&](int64_t p) {
          return blocks.IndexOf(static_cast<int32_t>(FloorDiv(p, blockSize))) >= 0;
        });
        break;
      }
      case 11: {
        const TSpans others = random.Spans(static_cast<int>(random.Between(1, 5)));
        const bool add = random.OneIn(2);
        op << (add ? "AddRanges" : "RemoveRanges") << Text(others);
        const TRanges other = SetOf(others);
        if (add) {
          set.AddRanges(other);
        } else {
          set.RemoveRanges(other);
        }
        for (const auto& [start, end] : Members(other)) model.Set(start, end, add);
        break;
      }
      case 12: {
        // Changed in place but kept inside its own place: the set must find its order again.
        if (set.IsEmpty()) break;
        const int index = static_cast<int>(random.Between(0, set.Count() - 1));
        const TRange member = set.CopyRange(index);
        const int64_t cutHead = random.Between(0, (member.Length() - 1) / 2);
        const int64_t cutTail = random.Between(0, (member.Length() - 1) / 2);
        op << "Ranges(" << index << ") cut by " << cutHead << " and " << cutTail;
        set.Ranges(index).SetByEnd(member.Start() + cutHead, member.End() - cutTail);
        model.Set(member.Start(), member.Start() + cutHead - 1, false);
        model.Set(member.End() - cutTail + 1, member.End(), false);
        break;
      }
      case 13: {
        const int64_t shift = random.Between(-20, 20);
        op << "ShiftAll " << shift;
        set.ShiftAll(shift);
        const TSpans runs = model.Runs();
        model = TBitmap();
        for (const auto& [start, end] : runs) model.Set(start + shift, end + shift, true);
        Clip(set, model);
        break;
      }
      default: {
        // Queries that leave the set alone.
        const auto [start, end] = random.Span();
        op << "queries " << start << ".." << end << " / " << blockSize;
        TBitmap range;
        range.Set(start, end, true);
        const TSpans inRange = (model & range).Runs();
        const TRange single = set.IntersectionAsSingleRange(TRange::ByEnd(start, end));
        const TSpans others = random.Spans(3);
        TBitmap other;
        other.SetSpans(others);
        TBitmap partial = model;
        partial.Filter(
            [&](int64_t p) { return !model.BlockFull(FloorDiv(p, blockSize), blockSize); });
        TIntegerList blocks;
        set.GetBlockList(blocks, blockSize);
        const std::vector<int32_t> modelBlocks = model.Blocks(blockSize);
        const bool same =
            Members(set.Intersection(TRange::ByEnd(start, end))) == inRange &&
            (inRange.empty() ? single.IsNotValid()
                             : single.IsValid() && single.Start() == inRange[0].first &&
                                   single.End() == inRange[0].second) &&
            Members(set.Intersection(SetOf(others))) == (model & other).Runs() &&
            Members(set.NonAlignedRanges(blockSize)) == partial.Runs() &&
            blocks.Values() == modelBlocks &&
            set.BlocksUsed(blockSize) == static_cast<int64_t>(modelBlocks.size()) &&
            set.Copy().IsSame(set);
        if (!same) {
          ADD_FAILURE() << log << op.str() << ": a query differs from the model";
          return false;
        }
        break;
      }
    }
    log += op.str() + "\n";
    const TSpans runs = model.Runs();
    const int64_t end = runs.empty() ? -1 : runs.back().second;
    const int64_t start = runs.empty() ? -1 : runs.front().first;
    if (Members(set) != runs || set.TotalLength() != model.Count() || set.TotalStart() != start ||
        set.TotalEnd() != end || !set.Merged()) {
      ADD_FAILURE() << log << "members:" << Text(Members(set)) << "\nmodel:  " << Text(runs);
      return false;
    }
  }
  return true;
}

// The model of a set that no longer merges: its members as a plain list.
TSpans SplitSpans(const TSpans& spans, int64_t size) {
  TSpans pieces;
  for (auto [start, end] : spans) {
    while (start <= end) {
      const int64_t blockEnd = (FloorDiv(start, size) + 1) * size - 1;
      pieces.emplace_back(start, std::min(end, blockEnd));
      start = blockEnd + 1;
    }
  }
  return pieces;
}

bool NonMergedSequence(TRandomOps& random, std::string& log) {
  const TSpans initial = random.Spans(static_cast<int>(random.Between(0, 6)));
  const int64_t firstBlockSize = random.Between(1, 20);
  TRanges set = SetOf(initial);
  TSpans model = SplitSpans(Members(set), firstBlockSize);
  set.SplitIntoBlocks(firstBlockSize);
  log += "merged" + Text(initial) + ", SplitIntoBlocks " + std::to_string(firstBlockSize) + "\n";
  for (int step = 0; step < 30; ++step) {
    const int64_t blockSize = random.Between(1, 20);
    std::ostringstream op;
    switch (random.Between(0, 9)) {
      case 0:
      case 1:
      case 2:
      case 3: {
        const auto [start, end] = random.Span();
        op << "AddByEnd " << start << ".." << end;
        set.AddByEnd(start, end);
        if (start <= end) model.emplace_back(start, end);
        break;
      }
      case 4:
      case 5: {
        const auto [start, end] = random.Span();
        op << "RemoveByEnd " << start << ".." << end;
        set.RemoveByEnd(start, end);
        if (start > end) break;
        TSpans left;
        for (const auto& [a, b] : model) {
          if (b < start || a > end) {
            left.emplace_back(a, b);
            continue;
          }
          if (a < start) left.emplace_back(a, start - 1);
          if (b > end) left.emplace_back(end + 1, b);
        }
        model = left;
        break;
      }
      case 6: {
        op << "SplitIntoBlocks " << blockSize;
        set.SplitIntoBlocks(blockSize);
        model = SplitSpans(model, blockSize);
        break;
      }
      case 7: {
        const int64_t distance = random.Between(0, 3);
        op << "MergeNearby " << distance;
        set.MergeNearby(distance);
        std::sort(model.begin(), model.end());
        TSpans joined;
        for (const auto& span : model) {
          if (!joined.empty() && span.first <= joined.back().second + distance) {
            joined.back().second = std::max(joined.back().second, span.second);
          } else {
            joined.push_back(span);
          }
        }
        model = joined;
        break;
      }
      case 8: {
        if (model.empty()) break;
        const int64_t start =
            model[static_cast<size_t>(random.Between(0, static_cast<int64_t>(model.size()) - 1))]
                .first;
        op << "RemoveByStart " << start;
        set.RemoveByStart(start);
        std::erase_if(model, [start](const TSpan& s) { return s.first == start; });
        break;
      }
      default: {
        op << "queries / " << blockSize;
        TBitmap covered;
        covered.SetSpans(model);
        int64_t total = 0;
        for (const auto& [start, end] : model) total += end - start + 1;
        if (Members(set.Copy()) != covered.Runs() || set.TotalLength() != total ||
            set.BlocksUsed(blockSize) != static_cast<int64_t>(covered.Blocks(blockSize).size())) {
          ADD_FAILURE() << log << op.str() << ": a query differs from the model";
          return false;
        }
        break;
      }
    }
    log += op.str() + "\n";
    const TSpans members = Members(set);
    TSpans sorted = members;
    std::sort(sorted.begin(), sorted.end());
    std::sort(model.begin(), model.end());
    const bool inOrder =
        std::is_sorted(members.begin(), members.end(),
                       [](const TSpan& a, const TSpan& b) { return a.first < b.first; });
    if (sorted != model || !inOrder || set.Merged()) {
      ADD_FAILURE() << log << "members:" << Text(members) << "\nmodel:  " << Text(model);
      return false;
    }
  }
  return true;
}

// A merged set whose members were moved anywhere in place: adding and removing must still cover
// exactly the right positions, with valid members.
bool DisorderedSequence(TRandomOps& random, std::string& log) {
  TRanges set = SetOf(random.Spans(static_cast<int>(random.Between(2, 8))));
  log += "merged" + Text(Members(set)) + "\n";
  for (int step = 0; step < 20; ++step) {
    std::ostringstream op;
    const auto [start, end] = random.Span();
    TBitmap expected;
    expected.SetSpans(Members(set));
    switch (random.Between(0, 3)) {
      case 0: {
        if (set.IsEmpty() || end < start) continue;
        const int index = static_cast<int>(random.Between(0, set.Count() - 1));
        op << "Ranges(" << index << ") := " << start << ".." << end;
        set.Ranges(index).SetByEnd(start, end);
        expected = TBitmap();
        expected.SetSpans(Members(set));
        break;
      }
      case 1:
      case 2:
        op << "AddByEnd " << start << ".." << end;
        set.AddByEnd(start, end);
        expected.Set(start, end, true);
        break;
      default:
        op << "RemoveByEnd " << start << ".." << end;
        set.RemoveByEnd(start, end);
        expected.Set(start, end, false);
        break;
    }
    log += op.str() + "\n";
    const TSpans members = Members(set);
    TBitmap covered;
    covered.SetSpans(members);
    const bool valid = std::all_of(members.begin(), members.end(),
                                   [](const TSpan& m) { return m.first <= m.second; });
    if (!(covered == expected) || !valid) {
      ADD_FAILURE() << log << "members:" << Text(members) << "\nexpected:" << Text(expected.Runs());
      return false;
    }
  }
  return true;
}

// Runs count random operation sequences of one kind from the test seed (printed, so that a
// failure can be repeated with VARDENO_TEST_SEED), stopping at the first that fails.
template <typename TSequence>
void RunSequences(int count, TSequence sequenceOf) {
  const uint64_t seed = TestSeed();
  TRandomOps random(seed);
  for (int sequence = 0; sequence < count; ++sequence) {
    std::string log =
        "sequence " + std::to_string(sequence) + ", seed " + std::to_string(seed) + ":\n";
    if (!sequenceOf(random, log)) break;
  }
}

TEST(RangesModel, MergedSetsMatchABitmap) { RunSequences(3000, MergedSequence); }

TEST(RangesModel, NonMergedSetsMatchAList) { RunSequences(2000, NonMergedSequence); }

TEST(RangesModel, SetsChangedInPlaceCoverTheRightPositions) {
  RunSequences(2000, DisorderedSequence);
}

}  // namespace

// Thousands of members: insertions, splits and removals that reach across many of the chunks
// the members are held in, checked against a bitmap member by member.
TEST(RangesModel, LargeSetsMatchABitmap) {
  const uint64_t seed = TestSeed();
  TRandomOps random(seed);
  constexpr int64_t kSpace = 400'000;
  std::vector<bool> model(kSpace);
  auto set = [&model](int64_t start, int64_t end, bool value) {
    for (int64_t p = std::max<int64_t>(start, 0); p <= std::min(end, kSpace - 1); ++p) {
      model[static_cast<size_t>(p)] = value;
    }
  };
  auto runs = [&model] {
    TSpans spans;
    for (int64_t p = 0; p < kSpace; ++p) {
      if (!model[static_cast<size_t>(p)]) continue;
      if (!spans.empty() && spans.back().second == p - 1) {
        spans.back().second = p;
      } else {
        spans.emplace_back(p, p);
      }
    }
    return spans;
  };
  TRanges ranges;
  size_t largest = 0;
  for (int step = 1; step <= 20'000; ++step) {
    const int64_t start = random.Between(0, kSpace - 1);
    const int kind = static_cast<int>(random.Between(0, 99));
    const int64_t length =
        std::min(kSpace - start, kind < 97 ? random.Between(1, 4) : random.Between(100, 3000));
    const bool add = kind < 75 || kind == 99;
    if (add) {
      ranges.AddByLength(start, length);
    } else {
      ranges.RemoveByLength(start, length);
    }
    set(start, start + length - 1, add);
    largest = std::max(largest, static_cast<size_t>(ranges.Count()));
    if (step % 1000 == 0 && Members(ranges) != runs()) {
      ADD_FAILURE() << "seed " << seed << ", step " << step << ": members differ from the model";
      return;
    }
  }
  EXPECT_GT(largest, 3000u) << "too few members to fill several chunks";
  // Whole-set operations that rebuild the member list.
  ranges.MergeNearby(3);
  const TSpans before = runs();
  for (size_t i = 1; i < before.size(); ++i) {
    if (before[i].first - before[i - 1].second - 1 < 3)
      set(before[i - 1].second, before[i].first, true);
  }
  EXPECT_EQ(Members(ranges), runs());
  const int64_t half = ranges.TotalLength() / 2;
  EXPECT_EQ(ranges.TrimToLength(half), half);
  int64_t kept = 0;
  for (size_t p = 0; p < model.size(); ++p) {
    if (model[p] && kept++ >= half) model[p] = false;
  }
  EXPECT_EQ(Members(ranges), runs());
  const TSpans left = runs();
  ASSERT_FALSE(left.empty());
  EXPECT_EQ(ranges.ExtractLast().End(), left.back().second);
  EXPECT_EQ(ranges.ExtractFirst().Start(), left.front().first);
  EXPECT_EQ(Members(ranges), TSpans(left.begin() + 1, left.end() - 1));
}
