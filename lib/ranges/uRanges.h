// Interval arithmetic over 64-bit positions (byte offsets in practice) and over fixed-size
// blocks of them: TRange is one interval with an inclusive end, TRanges an ordered set of
// intervals that joins touching and overlapping members.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "lib/ranges/uBlocks.h"

class TRanges;

// One interval: a start and a length. End, the last position, is inclusive: Start + Length - 1.
// A range is valid when its length is above 0. A length of INT64_MAX is unbounded: its End is
// INT64_MAX whatever the start, and setting a range from a start and the end INT64_MAX gives
// that length. Arithmetic wraps around (two's complement) without overflow checks; comparisons
// that decide whether two ranges touch do not wrap.
//
// Block number b with block size s covers the positions b * s to (b + 1) * s - 1; a position
// lies in block floor(position / s), negative positions included. A block size below 1 is
// misuse: an alert and the operation's neutral result.
//
// A value type; any thread, one thread per instance.
//   {10, 1}  => End 10             SetByEnd(10, 9)         => length 0, invalid
//   {10, 0}  => End 9, invalid     SetByEnd(0, INT64_MAX)  => length INT64_MAX, End INT64_MAX
//   {1000, 1000}.ToString()  => "1,000 - 1,999 (1,000)"
class TRange {
 public:
  static constexpr int64_t Unbounded = INT64_MAX;

  constexpr TRange() = default;
  static TRange ByLength(int64_t iStart, int64_t iLength);
  static TRange ByEnd(int64_t iStart, int64_t iEnd);

  int64_t Start() const { return FStart; }
  int64_t Length() const { return FLength; }
  int64_t End() const;

  // Setting.
  void SetByLength(int64_t iStart, int64_t iLength);
  // Length iEnd - iStart + 1, or INT64_MAX when iEnd is INT64_MAX.
  void SetByEnd(int64_t iStart, int64_t iEnd);
  // Length aLength, ending at aEnd.
  void SetByEndAndLength(int64_t aEnd, int64_t aLength);
  void SetByRange(const TRange& aRange);
  void SetByBlock(int32_t iBlock, int32_t iBlockSize);
  // From the first position of iStartBlock to the last of iEndBlock (64-bit products).
  void SetByBlocks(int32_t iStartBlock, int32_t iEndBlock, int32_t iBlockSize);
  // The hull of the listed blocks, gaps included; an empty list invalidates the range.
  void SetByBlockList(const TIntegerList& aBlockList, int32_t iBlockSize);
  // Length 0; the start is kept.
  void Invalidate() { FLength = 0; }
  TRange Copy() const { return *this; }

  // Moving and resizing. The Move... and ...FromStart... operations keep the other end where it
  // is (an unbounded range stays unbounded); Shift keeps the length.
  void MoveStartTo(int64_t aStart);
  void MoveEndTo(int64_t aEnd);
  void MoveStartBy(int64_t aOffset);
  void MoveEndBy(int64_t aOffset);
  void ShiftTo(int64_t aStartNew) { FStart = aStartNew; }
  void Shift(int64_t iOffset);
  TRange ShiftedBy(int64_t iOffset) const;
  void ExtendBy(int64_t aLength);
  void ShrinkBy(int64_t aLength);
  void ExtendByFromStartBackwards(int64_t aLength);
  void ShrinkByFromStartForwards(int64_t aLength);
  // When iLength is less than the length: the length becomes iLength (0 when negative) and the
  // result is true. Otherwise nothing changes and the result is false.
  bool Trim(int64_t iLength);
  // Keeps the part of the range that lies in the first iBlocks blocks it touches; true when it
  // changed. iBlocks below 1: an alert and false.
  //   10-40, TrimToBlocks(2, 16) => 10-31, true
  bool TrimToBlocks(int64_t iBlocks, int64_t iBlockSize);
  // Removes aRangeToCutOff from the range when that leaves one piece; a cut that covers the
  // range leaves it invalid. A cut strictly inside raises Exception("Splitting TRange into 2
  // Ranges, use TRanges class instead") and leaves the range unchanged.
  //   0-9 cut by 5-20 => 0-4     5-20 cut by 0-9 => 10-20
  void CutOffRange(const TRange& aRangeToCutOff);
  // Moves the range by aTarget.Start - aSource.Start: a position inside aSource maps to the same
  // offset inside aTarget.
  void TranslateUsing(const TRange& aSource, const TRange& aTarget);
  TRange TranslatedUsing(const TRange& aSource, const TRange& aTarget) const;

  // Combining.
  // This range := aRangeA intersected with this range / with aRangeB: from the larger start to
  // the smaller End; when they do not intersect, this range is invalidated (start kept).
  void Intersect(const TRange& aRangeA);
  void Intersect(const TRange& aRangeA, const TRange& aRangeB);
  TRange Intersection(const TRange& aRange) const;
  // An invalid range becomes a copy of aRange; a valid one the hull of both (they need not
  // touch, and aRange is used whether valid or not).
  void Join(const TRange& aRange);
  // Block iBlock (the low 32 bits of both arguments) intersected with this range; invalid when
  // they do not meet.
  TRange CopyBlock(int64_t iBlock, int64_t iBlockSize) const;

  // Tests.
  bool IsValid() const { return FLength > 0; }
  bool IsNotValid() const { return FLength <= 0; }
  // Equal starts and equal Ends.
  bool IsSame(const TRange& aRange) const;
  friend bool operator==(const TRange& a, const TRange& b) { return a.IsSame(b); }
  bool IsSameOrSubset(const TRange& aRange) const;
  bool IsIntersecting(const TRange& aRange) const;
  bool IsNotIntersecting(const TRange& aRange) const { return !IsIntersecting(aRange); }
  // aRange starts right after this range's End / this range starts right after aRange's End.
  bool IsRightBefore(const TRange& aRange) const;
  bool IsRightAfter(const TRange& aRange) const;
  // Touching without overlap: 0-9 and 10-19.
  bool IsAdjacent(const TRange& aRange) const;
  // Equal starts and this range strictly shorter.
  bool IsBeginningOf(const TRange& aRange) const;
  bool IsAlignedStart(int64_t aBlockSize) const;
  bool IsAlignedEnd(int64_t aBlockSize) const;
  bool IsAligned(int64_t iBlockSize) const;

  // Blocks and alignment.
  // The block that holds the start; -1 (with an alert) for a block size below 1.
  int64_t FirstBlock(int64_t iBlockSize) const;
  // A valid range becomes the range of block numbers it touches; an invalid one is left alone.
  void ToBlocks(int64_t aBlockSize);
  // When valid: appends, ascending, every block the range touches that is not yet in aBlocks.
  // Block numbers beyond 32 bits: an alert and nothing is appended.
  void GetBlockList(TIntegerList& aBlocks, int64_t aBlockSize) const;
  // Moves both ends to block boundaries: outwards when bExtend (the smallest aligned range that
  // covers this one), inwards otherwise (the largest aligned range inside, invalid when there
  // is none). True when the range changed. Block size 16:
  //   5-40 => 0-47 (extending), 16-31 (trimming)     5-10 => invalid (trimming)
  bool Align(int64_t iBlockSize, bool bExtend);
  bool AlignByExtending(int64_t iBlockSize) { return Align(iBlockSize, true); }
  bool AlignByTrimming(int64_t iBlockSize) { return Align(iBlockSize, false); }
  TRange AlignedByExtending(int64_t aBlockSize) const;
  TRange AlignedByTrimming(int64_t aBlockSize) const;
  // The parts of the range outside whole blocks, as a new merged set. Block size 16:
  //   5-40 => 5-15, 32-40     5-10 => 5-10     16-31 => empty
  TRanges NonAlignedRanges(int64_t iBlockSize) const;

  // Grouped decimal start, End and length: "1,000 - 1,999 (1,000)".
  std::u16string ToString() const;

 private:
  int64_t FStart = 0;
  int64_t FLength = 0;
};

// An ordered set of ranges. Members are kept sorted by start. While Merged (from creation until
// SplitIntoBlocks), adding a range joins it with every member it touches or overlaps, so members
// are valid and separated by gaps of at least one position; after SplitIntoBlocks members may
// touch or overlap, and a new member goes after those with the same start. The set owns its
// members; operations that return a set return a new one.
//
// Finding the place of an added or removed range takes a binary search while the members are in
// the order described above; a set whose members were changed in place so that they are not
// falls back to a scan from the first member, with the same results.
//
// One thread at a time.
//   add 0-9, 20-29, 10-19             => 0-29
//   0-29, remove 10-19                => 0-9, 20-29
//   0-9 and 11-19, MergeNearby(2)     => 0-19
class TRanges {
 public:
  TRanges() = default;
  explicit TRanges(const TRange& aRange);
  TRanges(TRanges&&) noexcept = default;
  TRanges& operator=(TRanges&&) noexcept = default;
  TRanges(const TRanges&) = delete;
  TRanges& operator=(const TRanges&) = delete;
  ~TRanges();

  bool Merged() const { return FMerged; }
  int Count() const { return static_cast<int>(FRanges.Size()); }
  bool IsEmpty() const { return FRanges.Empty(); }
  bool IsNotEmpty() const { return !FRanges.Empty(); }
  // Member iIdx itself, for reading or changing in place. Out of range: an alert and a
  // scratch range {0, 0} that belongs to no member.
  TRange& Ranges(int iIdx);
  const TRange& Ranges(int iIdx) const;
  // A copy of member iIdx; out of range: an alert and {0, 0}.
  TRange CopyRange(int iIdx) const;

  // A new merged set to which every member is added in order (a non-merged set comes out
  // merged).
  TRanges Copy() const;

  // Adds the positions iStart to iEnd inclusive; nothing when iEnd < iStart.
  void AddByEnd(int64_t iStart, int64_t iEnd);
  void AddByLength(int64_t iStart, int64_t iLength);
  void AddRange(const TRange& aRange);
  void AddRanges(const TRanges& aRanges);
  // Block aBlock: aBlock * aBlockSize, aBlockSize positions.
  void AddBlock(int32_t aBlock, int64_t aBlockSize);
  void BlocksAdd(const TIntegerList& aBlocks, int64_t aBlockSize);

  // Removes the positions iStart to iEnd inclusive from every member, splitting a member that
  // holds them strictly inside; nothing when iEnd < iStart.
  //   0-15 and 18-29, remove 10-19  => 0-9, 20-29
  void RemoveByEnd(int64_t iStart, int64_t iEnd);
  void RemoveByLength(int64_t iStart, int64_t iLength);
  void RemoveRange(const TRange& aRange);
  void RemoveRanges(const TRanges& aRanges);
  void RemoveBlock(int32_t aBlock, int64_t aBlockSize);
  void BlocksRemove(const TIntegerList& aBlocks, int64_t aBlockSize);
  // Removes every member whose start is iStart.
  void RemoveByStart(int64_t iStart);
  // Removes member iIdx; out of range: an alert.
  void Remove(int iIdx);
  void Clear();
  // A copy of the first / last member, which is removed. Empty set: an alert (Verify), nothing
  // removed, {0, 0}.
  TRange ExtractFirst();
  TRange ExtractLast();
  // A copy of the last member; empty set: an alert (Verify) and {0, 0}.
  TRange Last() const;
  // The member with the greatest length, the earliest of equals; none for an empty set.
  std::optional<TRange> Longest() const;

  // The sum of the lengths, 0 when empty; a sum beyond 64 bits stays at INT64_MAX.
  int64_t TotalLength() const;
  // The smallest start / the End of the last member; -1 when empty.
  int64_t TotalStart() const;
  int64_t TotalEnd() const;
  // Cuts members from the end so that the total length is at most aTotalLength; returns the
  // resulting total length. A negative length: an alert and nothing changes.
  //   0-9 and 20-29: TrimToLength(15) => 0-9, 20-24, 15     TrimToLength(100) => unchanged, 20
  int64_t TrimToLength(int64_t aTotalLength);
  void ShiftAll(int64_t aShift);
  // From the second member on: a member that intersects the one before it is moved (length
  // kept) to start right after it.
  void ShiftIfOverlapping();
  // Joins neighbours whose gap is shorter than aMaximumDistance: a distance of 1 joins adjacent
  // members, 0 only overlapping ones, d bridges gaps of d - 1 positions.
  void MergeNearby(int64_t aMaximumDistance);
  // A new set of the members intersected with aRange.
  TRanges Intersection(const TRange& aRange) const;
  // A new set of the positions in both sets (both sorted and without overlaps).
  TRanges Intersection(const TRanges& aRanges) const;
  // The first piece of Intersection(aRange); aRange invalidated when there is none.
  TRange IntersectionAsSingleRange(const TRange& aRange) const;
  // Exactly one member, the same as aRange.
  bool IsSame(const TRange& aRange) const;
  // Equal counts and, in order, equal starts and lengths.
  bool IsSame(const TRanges& aRanges) const;
  // Some member is adjacent to aRange.
  bool IsAdjacent(const TRange& aRange) const;
  // Extends every member to whole blocks and joins members that then touch; true when anything
  // changed. 0-5 and 10-20, block size 16 => 0-31.
  bool AlignByExtending(int64_t iBlockSize);
  // Trims every member to whole blocks and removes those left without one; true when anything
  // changed. 5-10 and 16-40, block size 16 => 16-31.
  bool AlignByTrimming(int64_t iBlockSize);
  TRanges NonAlignedRanges(int64_t iBlockSize) const;
  // Appends the blocks of every valid member that are not yet in aBlocks.
  void GetBlockList(TIntegerList& aBlocks, int64_t aBlockSize) const;
  // The number of distinct blocks the valid members touch: 0-16, block size 16 => 2.
  int64_t BlocksUsed(int64_t aBlockSize) const;
  // TRange::ToBlocks on every member; members are not joined afterwards.
  void ToBlocks(int64_t aBlockSize);
  // Keeps only the positions inside the listed blocks.
  void FilterByBlocks(const TIntegerList& aBlocks, int64_t aBlockSize);
  // Clears Merged for good and splits members at block boundaries, so that every member lies
  // inside one block: 10-40, block size 16 => 10-15, 16-31, 32-40.
  void SplitIntoBlocks(int64_t aBlockSize);
  // "[ Count = n, Total Length: t ]" and one line per member, each line ended by CR LF.
  std::u16string ToString() const;

 private:
  // The members in order, each allocated on its own, held in chunks of a few hundred so that
  // an insertion or removal in the middle of a large set moves few of them. Index access finds
  // the chunk by a binary search over the running counts.
  class TMembers {
   public:
    using TFlat = std::vector<std::unique_ptr<TRange>>;

    size_t Size() const { return FSize; }
    bool Empty() const { return FSize == 0; }
    TRange& At(size_t index);
    const TRange& At(size_t index) const;
    void Insert(size_t index, const TRange& member);
    // Removes the members from..to - 1.
    void Erase(size_t from, size_t to);
    void Clear();
    // The index of the first member for which holds(member) is false; it must hold for a
    // prefix of the members.
    template <typename THolds>
    size_t PartitionPoint(THolds holds) const;
    template <typename TVisit>
    void ForEach(TVisit visit);
    template <typename TVisit>
    void ForEach(TVisit visit) const;
    // Every member in one list, leaving this empty / the members of such a list.
    TFlat TakeAll();
    void Assign(TFlat members);

   private:
    using TChunk = std::vector<std::unique_ptr<TRange>>;
    size_t ChunkOf(size_t index) const;
    size_t ChunkStart(size_t chunk) const { return chunk == 0 ? 0 : FEnds[chunk - 1]; }
    void CountFrom(size_t chunk);
    void JoinIfSmall(size_t chunk);

    std::vector<TChunk> FChunks;
    std::vector<size_t> FEnds;  // FEnds[c]: the members in chunks 0..c
    size_t FSize = 0;
  };

  // The members are sorted by start and, while merged, valid and apart. Checked once after
  // anything that may have broken it, remembered until then.
  bool OrderHolds();
  bool OrderCheck() const;
  void AddSorted(int64_t iStart, int64_t iEnd);
  void AddByScan(int64_t iStart, int64_t iEnd);
  void RemoveSorted(int64_t iStart, int64_t iEnd);
  void RemoveByScan(int64_t iStart, int64_t iEnd);

  TMembers FRanges;
  bool FMerged = true;
  bool FOrderKnown = true;
  TRange FScratch;
};
