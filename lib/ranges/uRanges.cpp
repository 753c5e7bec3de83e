// Ranges of 64-bit positions and ordered sets of them.
#include "lib/ranges/uRanges.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "lib/system/uMisc.h"
#include "lib/values/uMiscLean.h"
#include "lib/values/uVariant.h"

namespace {

constexpr int64_t kMax = INT64_MAX;
constexpr int64_t kMin = INT64_MIN;

// Two's-complement arithmetic that wraps instead of overflowing.
int64_t WrapAdd(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) + static_cast<uint64_t>(b));
}
int64_t WrapSub(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b));
}
int64_t WrapMul(int64_t a, int64_t b) {
  return static_cast<int64_t>(static_cast<uint64_t>(a) * static_cast<uint64_t>(b));
}

// a + b, held at the 64-bit limits instead of wrapping.
int64_t SaturatedAdd(int64_t a, int64_t b) {
  int64_t sum;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? kMax : kMin;
  return sum;
}
int64_t SaturatedSub(int64_t a, int64_t b) {
  int64_t difference;
  if (__builtin_sub_overflow(a, b, &difference)) return b < 0 ? kMax : kMin;
  return difference;
}

// a <= b + c, without overflow.
bool AtMostSum(int64_t a, int64_t b, int64_t c) {
  if (c >= 0) return b > kMax - c || a <= b + c;
  return b >= kMin - c && a <= b + c;
}

// The positions aStart..aEnd and bStart..bEnd overlap or are adjacent. Written without wrapping
// so that ranges at the ends of the 64-bit line (INT64_MAX above all) touch as they should.
bool Touching(int64_t aStart, int64_t aEnd, int64_t bStart, int64_t bEnd) {
  return AtMostSum(bStart, aEnd, 1) && AtMostSum(aStart, bEnd, 1);
}

bool BlockSizeValid(int64_t blockSize) {
  if (blockSize >= 1) return true;
  Alert(u"Block size below 1");
  return false;
}

// The block that holds a position and the position's offset in it (blockSize >= 1); floor
// division, so that negative positions lie in negative blocks.
int64_t BlockOf(int64_t position, int64_t blockSize) {
  const int64_t quotient = position / blockSize;
  return position % blockSize < 0 ? quotient - 1 : quotient;
}
int64_t BlockOffset(int64_t position, int64_t blockSize) {
  const int64_t remainder = position % blockSize;
  return remainder < 0 ? remainder + blockSize : remainder;
}

// The last position of the block that holds a position; INT64_MAX for the block that reaches
// past it.
int64_t BlockLastPosition(int64_t position, int64_t blockSize) {
  return SaturatedAdd(position, blockSize - 1 - BlockOffset(position, blockSize));
}

// Appends the blocks first..last that are not in `present`, ascending. Block numbers that do
// not fit 32 bits are refused with an alert.
bool BlocksFit(int64_t first, int64_t last) {
  if (first >= INT32_MIN && last <= INT32_MAX) return true;
  Alert(u"Block numbers beyond 32 bits");
  return false;
}
void BlockListAppend(TIntegerList& list, std::unordered_set<int32_t>& present, int64_t first,
                     int64_t last) {
  for (int64_t block = first; block <= last; ++block) {
    if (present.insert(static_cast<int32_t>(block)).second) list.Add(static_cast<int32_t>(block));
  }
}

}  // namespace

// --- TRange ---------------------------------------------------------------------------------

TRange TRange::ByLength(int64_t iStart, int64_t iLength) {
  TRange range;
  range.SetByLength(iStart, iLength);
  return range;
}

TRange TRange::ByEnd(int64_t iStart, int64_t iEnd) {
  TRange range;
  range.SetByEnd(iStart, iEnd);
  return range;
}

int64_t TRange::End() const {
  return FLength == Unbounded ? kMax : WrapSub(WrapAdd(FStart, FLength), 1);
}

void TRange::SetByLength(int64_t iStart, int64_t iLength) {
  FStart = iStart;
  FLength = iLength;
}

void TRange::SetByEnd(int64_t iStart, int64_t iEnd) {
  FStart = iStart;
  FLength = iEnd == kMax ? Unbounded : WrapAdd(WrapSub(iEnd, iStart), 1);
}

void TRange::SetByEndAndLength(int64_t aEnd, int64_t aLength) {
  FLength = aLength;
  FStart = WrapAdd(WrapSub(aEnd, aLength), 1);
}

void TRange::SetByRange(const TRange& aRange) { SetByEnd(aRange.Start(), aRange.End()); }

void TRange::SetByBlock(int32_t iBlock, int32_t iBlockSize) {
  SetByBlocks(iBlock, iBlock, iBlockSize);
}

void TRange::SetByBlocks(int32_t iStartBlock, int32_t iEndBlock, int32_t iBlockSize) {
  if (!BlockSizeValid(iBlockSize)) {
    Invalidate();
    return;
  }
  // 32-bit factors: the 64-bit products cannot overflow.
  SetByEnd(int64_t{iStartBlock} * iBlockSize, (int64_t{iEndBlock} + 1) * iBlockSize - 1);
}

void TRange::SetByBlockList(const TIntegerList& aBlockList, int32_t iBlockSize) {
  if (aBlockList.IsEmpty()) {
    Invalidate();
    return;
  }
  SetByBlocks(aBlockList.Smallest(), aBlockList.Largest(), iBlockSize);
}

void TRange::MoveStartTo(int64_t aStart) { SetByEnd(aStart, End()); }

void TRange::MoveEndTo(int64_t aEnd) { SetByEnd(FStart, aEnd); }

void TRange::MoveStartBy(int64_t aOffset) { MoveStartTo(WrapAdd(FStart, aOffset)); }

void TRange::MoveEndBy(int64_t aOffset) { MoveEndTo(WrapAdd(End(), aOffset)); }

void TRange::Shift(int64_t iOffset) { FStart = WrapAdd(FStart, iOffset); }

TRange TRange::ShiftedBy(int64_t iOffset) const {
  TRange range = *this;
  range.Shift(iOffset);
  return range;
}

void TRange::ExtendBy(int64_t aLength) { FLength = WrapAdd(FLength, aLength); }

void TRange::ShrinkBy(int64_t aLength) { FLength = WrapSub(FLength, aLength); }

void TRange::ExtendByFromStartBackwards(int64_t aLength) {
  SetByEnd(WrapSub(FStart, aLength), End());
}

void TRange::ShrinkByFromStartForwards(int64_t aLength) {
  SetByEnd(WrapAdd(FStart, aLength), End());
}

bool TRange::Trim(int64_t iLength) {
  if (iLength >= FLength) return false;
  FLength = iLength < 0 ? 0 : iLength;
  return true;
}

bool TRange::TrimToBlocks(int64_t iBlocks, int64_t iBlockSize) {
  if (!BlockSizeValid(iBlockSize)) return false;
  if (iBlocks < 1) {
    Alert(u"TrimToBlocks: fewer than one block to keep");
    return false;
  }
  if (!IsValid()) return false;
  const int64_t firstBlock = BlockOf(FStart, iBlockSize);
  const int64_t lastBlock = BlockOf(End(), iBlockSize);
  // lastBlock - firstBlock + 1 blocks; the difference is exact in unsigned arithmetic.
  if (static_cast<uint64_t>(lastBlock) - static_cast<uint64_t>(firstBlock) <
      static_cast<uint64_t>(iBlocks)) {
    return false;
  }
  // Block firstBlock + iBlocks lies inside the range, so its first position is representable.
  MoveEndTo((firstBlock + iBlocks) * iBlockSize - 1);
  return true;
}

void TRange::CutOffRange(const TRange& aRangeToCutOff) {
  // An empty cut removes nothing, wherever it lies.
  if (aRangeToCutOff.IsNotValid() || !IsIntersecting(aRangeToCutOff)) return;
  if (FStart < aRangeToCutOff.Start() && End() > aRangeToCutOff.End()) {
    throw Exception(u"Splitting TRange into 2 Ranges, use TRanges class instead");
  }
  if (FStart < aRangeToCutOff.Start()) {
    MoveEndTo(aRangeToCutOff.Start() - 1);
  } else if (aRangeToCutOff.End() == kMax) {
    Invalidate();  // nothing is left after a cut that reaches the end of the line
  } else {
    MoveStartTo(aRangeToCutOff.End() + 1);
  }
}

void TRange::TranslateUsing(const TRange& aSource, const TRange& aTarget) {
  Shift(WrapSub(aTarget.Start(), aSource.Start()));
}

TRange TRange::TranslatedUsing(const TRange& aSource, const TRange& aTarget) const {
  TRange range = *this;
  range.TranslateUsing(aSource, aTarget);
  return range;
}

void TRange::Intersect(const TRange& aRangeA) { Intersect(aRangeA, *this); }

void TRange::Intersect(const TRange& aRangeA, const TRange& aRangeB) {
  // Copies: either argument may be this range.
  const TRange a = aRangeA;
  const TRange b = aRangeB;
  if (!a.IsIntersecting(b)) {
    Invalidate();
    return;
  }
  SetByEnd(std::max(a.Start(), b.Start()), std::min(a.End(), b.End()));
}

TRange TRange::Intersection(const TRange& aRange) const {
  TRange range = *this;
  range.Intersect(aRange);
  return range;
}

void TRange::Join(const TRange& aRange) {
  if (IsNotValid()) {
    *this = aRange;
    return;
  }
  SetByEnd(std::min(FStart, aRange.Start()), std::max(End(), aRange.End()));
}

TRange TRange::CopyBlock(int64_t iBlock, int64_t iBlockSize) const {
  const auto block32 = static_cast<int32_t>(static_cast<uint32_t>(iBlock));
  const auto blockSize32 = static_cast<int32_t>(static_cast<uint32_t>(iBlockSize));
  if (!BlockSizeValid(blockSize32)) return TRange();
  TRange block;
  block.SetByBlock(block32, blockSize32);
  block.Intersect(*this);
  return block;
}

bool TRange::IsSame(const TRange& aRange) const {
  return FStart == aRange.FStart && End() == aRange.End();
}

bool TRange::IsSameOrSubset(const TRange& aRange) const {
  return FStart >= aRange.Start() && End() <= aRange.End();
}

bool TRange::IsIntersecting(const TRange& aRange) const {
  return End() >= aRange.Start() && aRange.End() >= FStart;
}

bool TRange::IsRightBefore(const TRange& aRange) const {
  const int64_t end = End();
  return end != kMax && aRange.Start() == end + 1;
}

bool TRange::IsRightAfter(const TRange& aRange) const { return aRange.IsRightBefore(*this); }

bool TRange::IsAdjacent(const TRange& aRange) const {
  return IsRightBefore(aRange) || IsRightAfter(aRange);
}

bool TRange::IsBeginningOf(const TRange& aRange) const {
  return FStart == aRange.FStart && FLength < aRange.FLength;
}

bool TRange::IsAlignedStart(int64_t aBlockSize) const {
  return BlockSizeValid(aBlockSize) && BlockOffset(FStart, aBlockSize) == 0;
}

bool TRange::IsAlignedEnd(int64_t aBlockSize) const {
  // (End + 1) mod size = 0, without End + 1 wrapping for the unbounded End.
  return BlockSizeValid(aBlockSize) && BlockOffset(End(), aBlockSize) == aBlockSize - 1;
}

bool TRange::IsAligned(int64_t iBlockSize) const {
  return BlockSizeValid(iBlockSize) && IsAlignedStart(iBlockSize) && IsAlignedEnd(iBlockSize);
}

int64_t TRange::FirstBlock(int64_t iBlockSize) const {
  return BlockSizeValid(iBlockSize) ? BlockOf(FStart, iBlockSize) : -1;
}

void TRange::ToBlocks(int64_t aBlockSize) {
  if (!BlockSizeValid(aBlockSize) || IsNotValid()) return;
  SetByEnd(BlockOf(FStart, aBlockSize), BlockOf(End(), aBlockSize));
}

void TRange::GetBlockList(TIntegerList& aBlocks, int64_t aBlockSize) const {
  if (!BlockSizeValid(aBlockSize) || IsNotValid()) return;
  const int64_t first = BlockOf(FStart, aBlockSize);
  const int64_t last = BlockOf(End(), aBlockSize);
  if (!BlocksFit(first, last)) return;
  std::unordered_set<int32_t> present(aBlocks.Values().begin(), aBlocks.Values().end());
  BlockListAppend(aBlocks, present, first, last);
}

bool TRange::Align(int64_t iBlockSize, bool bExtend) {
  if (!BlockSizeValid(iBlockSize)) return false;
  bool changed = false;
  const int64_t end = End();
  const int64_t startOffset = BlockOffset(FStart, iBlockSize);
  if (startOffset != 0) {
    // Down to the boundary below the start; when trimming, on to the boundary above it.
    int64_t start = SaturatedAdd(FStart, -startOffset);
    if (!bExtend) start = SaturatedAdd(start, iBlockSize);
    SetByEnd(start, end);
    changed = true;
  }
  const int64_t endOffset = (BlockOffset(end, iBlockSize) + 1) % iBlockSize;  // (End + 1) mod size
  if (endOffset != 0) {
    // Down to the last position before a boundary; when extending, on by one block. An
    // extension past INT64_MAX stops there, which keeps the range unbounded.
    int64_t newEnd = SaturatedAdd(end, -endOffset);
    if (bExtend) newEnd = SaturatedAdd(newEnd, iBlockSize);
    SetByEnd(FStart, newEnd);
    changed = true;
  }
  return changed;
}

TRange TRange::AlignedByExtending(int64_t aBlockSize) const {
  TRange range = *this;
  range.Align(aBlockSize, true);
  return range;
}

TRange TRange::AlignedByTrimming(int64_t aBlockSize) const {
  TRange range = *this;
  range.Align(aBlockSize, false);
  return range;
}

TRanges TRange::NonAlignedRanges(int64_t iBlockSize) const {
  TRanges pieces;
  if (!BlockSizeValid(iBlockSize)) return pieces;
  const int64_t startOffset = BlockOffset(FStart, iBlockSize);
  if (startOffset != 0) pieces.AddByLength(FStart, std::min(iBlockSize - startOffset, FLength));
  const int64_t end = End();
  const int64_t endOffset = (BlockOffset(end, iBlockSize) + 1) % iBlockSize;
  if (endOffset != 0) pieces.AddByEnd(std::max(FStart, SaturatedAdd(end, 1 - endOffset)), end);
  return pieces;
}

std::u16string TRange::ToString() const {
  return VariantAsGroupedText(TVariant(FStart)) + u" - " + VariantAsGroupedText(TVariant(End())) +
         u" (" + VariantAsGroupedText(TVariant(FLength)) + u")";
}

// --- TRanges::TMembers ----------------------------------------------------------------------

namespace {

// A chunk splits when it grows past kChunkMax; neighbours join when one of them falls below
// kChunkMin and both fit into one.
constexpr size_t kChunkMax = 512;
constexpr size_t kChunkMin = kChunkMax / 4;

}  // namespace

size_t TRanges::TMembers::ChunkOf(size_t index) const {
  return static_cast<size_t>(std::upper_bound(FEnds.begin(), FEnds.end(), index) - FEnds.begin());
}

TRange& TRanges::TMembers::At(size_t index) {
  const size_t chunk = ChunkOf(index);
  return *FChunks[chunk][index - ChunkStart(chunk)];
}

const TRange& TRanges::TMembers::At(size_t index) const {
  const size_t chunk = ChunkOf(index);
  return *FChunks[chunk][index - ChunkStart(chunk)];
}

void TRanges::TMembers::CountFrom(size_t chunk) {
  for (size_t c = chunk; c < FChunks.size(); ++c) FEnds[c] = ChunkStart(c) + FChunks[c].size();
}

void TRanges::TMembers::Insert(size_t index, const TRange& member) {
  if (FChunks.empty()) {
    FChunks.emplace_back();
    FEnds.push_back(0);
  }
  // At the end: into the last chunk.
  const size_t chunk = index == FSize ? FChunks.size() - 1 : ChunkOf(index);
  TChunk& target = FChunks[chunk];
  target.insert(target.begin() + static_cast<ptrdiff_t>(index - ChunkStart(chunk)),
                std::make_unique<TRange>(member));
  ++FSize;
  if (target.size() > kChunkMax) {
    const auto middle = target.begin() + static_cast<ptrdiff_t>(target.size() / 2);
    TChunk upper(std::make_move_iterator(middle), std::make_move_iterator(target.end()));
    target.erase(middle, target.end());
    FChunks.insert(FChunks.begin() + static_cast<ptrdiff_t>(chunk) + 1, std::move(upper));
    FEnds.insert(FEnds.begin() + static_cast<ptrdiff_t>(chunk) + 1, 0);
  }
  CountFrom(chunk);
}

void TRanges::TMembers::JoinIfSmall(size_t chunk) {
  if (chunk + 1 >= FChunks.size()) return;
  TChunk& first = FChunks[chunk];
  TChunk& second = FChunks[chunk + 1];
  if (first.size() >= kChunkMin && second.size() >= kChunkMin) return;
  if (first.size() + second.size() > kChunkMax) return;
  first.insert(first.end(), std::make_move_iterator(second.begin()),
               std::make_move_iterator(second.end()));
  FChunks.erase(FChunks.begin() + static_cast<ptrdiff_t>(chunk) + 1);
  FEnds.erase(FEnds.begin() + static_cast<ptrdiff_t>(chunk) + 1);
}

void TRanges::TMembers::Erase(size_t from, size_t to) {
  if (from >= to) return;
  const size_t firstChunk = ChunkOf(from);
  size_t chunk = firstChunk;
  size_t offset = from - ChunkStart(chunk);
  size_t count = to - from;
  while (count > 0) {
    TChunk& target = FChunks[chunk];
    const size_t taken = std::min(count, target.size() - offset);
    const auto begin = target.begin() + static_cast<ptrdiff_t>(offset);
    target.erase(begin, begin + static_cast<ptrdiff_t>(taken));
    count -= taken;
    FSize -= taken;
    if (target.empty()) {
      FChunks.erase(FChunks.begin() + static_cast<ptrdiff_t>(chunk));
      FEnds.erase(FEnds.begin() + static_cast<ptrdiff_t>(chunk));
    } else {
      ++chunk;
    }
    offset = 0;
  }
  JoinIfSmall(firstChunk);
  if (firstChunk > 0) JoinIfSmall(firstChunk - 1);
  CountFrom(firstChunk > 0 ? firstChunk - 1 : 0);
}

void TRanges::TMembers::Clear() {
  FChunks.clear();
  FEnds.clear();
  FSize = 0;
}

template <typename THolds>
size_t TRanges::TMembers::PartitionPoint(THolds holds) const {
  // The first chunk whose last member fails, then the first failing member inside it.
  const auto chunk = std::partition_point(FChunks.begin(), FChunks.end(),
                                          [&holds](const TChunk& c) { return holds(*c.back()); });
  if (chunk == FChunks.end()) return FSize;
  const auto member = std::partition_point(chunk->begin(), chunk->end(),
                                           [&holds](const auto& m) { return holds(*m); });
  return ChunkStart(static_cast<size_t>(chunk - FChunks.begin())) +
         static_cast<size_t>(member - chunk->begin());
}

template <typename TVisit>
void TRanges::TMembers::ForEach(TVisit visit) {
  for (auto& chunk : FChunks) {
    for (auto& member : chunk) visit(*member);
  }
}

template <typename TVisit>
void TRanges::TMembers::ForEach(TVisit visit) const {
  for (const auto& chunk : FChunks) {
    for (const auto& member : chunk) visit(static_cast<const TRange&>(*member));
  }
}

TRanges::TMembers::TFlat TRanges::TMembers::TakeAll() {
  TFlat all;
  all.reserve(FSize);
  for (auto& chunk : FChunks) {
    for (auto& member : chunk) all.push_back(std::move(member));
  }
  Clear();
  return all;
}

void TRanges::TMembers::Assign(TFlat members) {
  Clear();
  const size_t perChunk = kChunkMax / 2;
  for (size_t from = 0; from < members.size(); from += perChunk) {
    const auto begin = members.begin() + static_cast<ptrdiff_t>(from);
    const auto end =
        members.begin() + static_cast<ptrdiff_t>(std::min(members.size(), from + perChunk));
    FChunks.emplace_back(std::make_move_iterator(begin), std::make_move_iterator(end));
    FSize += FChunks.back().size();
    FEnds.push_back(FSize);
  }
}

// --- TRanges --------------------------------------------------------------------------------

TRanges::TRanges(const TRange& aRange) { AddRange(aRange); }

TRanges::~TRanges() = default;

TRange& TRanges::Ranges(int iIdx) {
  if (!Verify(iIdx >= 0 && iIdx < Count())) {
    FScratch = TRange();
    return FScratch;
  }
  // The caller may move the member anywhere.
  FOrderKnown = false;
  return FRanges.At(static_cast<size_t>(iIdx));
}

const TRange& TRanges::Ranges(int iIdx) const {
  static const TRange none;
  if (!Verify(iIdx >= 0 && iIdx < Count())) return none;
  return FRanges.At(static_cast<size_t>(iIdx));
}

TRange TRanges::CopyRange(int iIdx) const { return Ranges(iIdx); }

TRanges TRanges::Copy() const {
  TRanges copy;
  FRanges.ForEach([&copy](const TRange& member) { copy.AddRange(member); });
  return copy;
}

bool TRanges::OrderHolds() {
  if (!FOrderKnown) FOrderKnown = OrderCheck();
  return FOrderKnown;
}

bool TRanges::OrderCheck() const {
  bool holds = true;
  const TRange* previous = nullptr;
  FRanges.ForEach([&](const TRange& member) {
    if (FMerged && member.End() < member.Start()) holds = false;
    if (previous != nullptr && (FMerged ? AtMostSum(member.Start(), previous->End(), 1)
                                        : member.Start() < previous->Start())) {
      holds = false;
    }
    previous = &member;
  });
  return holds;
}

void TRanges::AddByEnd(int64_t iStart, int64_t iEnd) {
  if (iEnd < iStart) return;
  if (OrderHolds()) {
    AddSorted(iStart, iEnd);
  } else {
    AddByScan(iStart, iEnd);
  }
}

// With the members in order, the members that the new range touches are one run, found by two
// binary searches; the result equals that of the scan.
void TRanges::AddSorted(int64_t iStart, int64_t iEnd) {
  if (!FMerged) {
    FRanges.Insert(
        FRanges.PartitionPoint([iStart](const TRange& m) { return m.Start() <= iStart; }),
        TRange::ByEnd(iStart, iEnd));
    return;
  }
  // Members ending more than one position before iStart come first (their Ends ascend), then
  // the members that touch, then those starting more than one position after iEnd.
  const size_t first =
      FRanges.PartitionPoint([iStart](const TRange& m) { return !AtMostSum(iStart, m.End(), 1); });
  const size_t last =
      FRanges.PartitionPoint([iEnd](const TRange& m) { return AtMostSum(m.Start(), iEnd, 1); });
  if (first == last) {
    FRanges.Insert(first, TRange::ByEnd(iStart, iEnd));
    return;
  }
  TRange& hull = FRanges.At(first);
  hull.SetByEnd(std::min(hull.Start(), iStart), std::max(FRanges.At(last - 1).End(), iEnd));
  FRanges.Erase(first + 1, last);
}

// The general insertion, for members in any order: join with the first touched member and add
// the hull again until nothing is touched, then insert before the first later start.
void TRanges::AddByScan(int64_t iStart, int64_t iEnd) {
  for (;;) {
    bool joined = false;
    if (FMerged) {
      for (size_t i = 0; i < FRanges.Size(); ++i) {
        TRange& member = FRanges.At(i);
        if (!Touching(iStart, iEnd, member.Start(), member.End())) continue;
        iStart = std::min(member.Start(), iStart);
        iEnd = std::max(member.End(), iEnd);
        if (i + 1 == FRanges.Size()) {
          member.SetByEnd(iStart, iEnd);
          return;
        }
        FRanges.Erase(i, i + 1);
        joined = true;
        break;
      }
    }
    if (joined) continue;
    size_t at = 0;
    while (at < FRanges.Size() && FRanges.At(at).Start() <= iStart) ++at;
    FRanges.Insert(at, TRange::ByEnd(iStart, iEnd));
    return;
  }
}

void TRanges::AddByLength(int64_t iStart, int64_t iLength) {
  if (iLength > 0) AddRange(TRange::ByLength(iStart, iLength));
}

void TRanges::AddRange(const TRange& aRange) { AddByEnd(aRange.Start(), aRange.End()); }

void TRanges::AddRanges(const TRanges& aRanges) {
  // Copied first: aRanges may be this set.
  std::vector<TRange> ranges;
  ranges.reserve(aRanges.FRanges.Size());
  aRanges.FRanges.ForEach([&ranges](const TRange& member) { ranges.push_back(member); });
  for (const TRange& range : ranges) AddRange(range);
}

void TRanges::AddBlock(int32_t aBlock, int64_t aBlockSize) {
  if (BlockSizeValid(aBlockSize)) AddByLength(WrapMul(aBlock, aBlockSize), aBlockSize);
}

void TRanges::BlocksAdd(const TIntegerList& aBlocks, int64_t aBlockSize) {
  if (!BlockSizeValid(aBlockSize)) return;
  for (int32_t block : aBlocks.Values()) AddBlock(block, aBlockSize);
}

void TRanges::RemoveByEnd(int64_t iStart, int64_t iEnd) {
  if (iEnd < iStart) return;
  if (FMerged && OrderHolds()) {
    RemoveSorted(iStart, iEnd);
  } else {
    RemoveByScan(iStart, iEnd);
  }
}

// Merged members in order: those meeting iStart..iEnd are one run; only its first may keep a
// head and only its last a tail.
void TRanges::RemoveSorted(int64_t iStart, int64_t iEnd) {
  const size_t first =
      FRanges.PartitionPoint([iStart](const TRange& m) { return m.End() < iStart; });
  const size_t last = FRanges.PartitionPoint([iEnd](const TRange& m) { return m.Start() <= iEnd; });
  if (first == last) return;
  TRange& head = FRanges.At(first);
  if (last - first == 1 && head.Start() < iStart && head.End() > iEnd) {
    const TRange tail = TRange::ByEnd(iEnd + 1, head.End());
    head.MoveEndTo(iStart - 1);
    FRanges.Insert(first + 1, tail);
    return;
  }
  size_t eraseFrom = first;
  size_t eraseTo = last;
  if (head.Start() < iStart) {
    head.SetByEnd(head.Start(), iStart - 1);
    ++eraseFrom;
  }
  TRange& tail = FRanges.At(last - 1);
  if (tail.End() > iEnd) {
    tail.SetByEnd(iEnd + 1, tail.End());
    --eraseTo;
  }
  FRanges.Erase(eraseFrom, eraseTo);
}

// The general removal: every member on its own. The tail of a split member is added at once
// while the set does not merge; a merging set adds the tails once every member is cut, since a
// tail added earlier could join members that still hold removed positions, and members out of
// order could take the split member itself into the hull.
void TRanges::RemoveByScan(int64_t iStart, int64_t iEnd) {
  std::vector<TRange> tails;
  for (size_t i = 0; i < FRanges.Size();) {
    TRange* member = &FRanges.At(i);  // stays valid while the list changes around it
    if (member->Start() >= iStart && member->End() <= iEnd) {
      FRanges.Erase(i, i + 1);
      continue;
    }
    if (member->Start() < iStart && member->End() > iEnd) {
      const TRange tail = TRange::ByEnd(iEnd + 1, member->End());
      member->MoveEndTo(iStart - 1);
      if (FMerged) {
        tails.push_back(tail);
      } else {
        AddRange(tail);
      }
    }
    if (member->Start() <= iEnd && member->End() > iEnd) {
      member->SetByEnd(iEnd + 1, member->End());
    }
    if (member->Start() < iStart && member->End() >= iStart) {
      member->SetByEnd(member->Start(), iStart - 1);
    }
    ++i;
  }
  for (const TRange& tail : tails) AddRange(tail);
}

void TRanges::RemoveByLength(int64_t iStart, int64_t iLength) {
  if (iLength > 0) RemoveRange(TRange::ByLength(iStart, iLength));
}

void TRanges::RemoveRange(const TRange& aRange) { RemoveByEnd(aRange.Start(), aRange.End()); }

void TRanges::RemoveRanges(const TRanges& aRanges) {
  // Copied first: aRanges may be this set.
  std::vector<TRange> ranges;
  ranges.reserve(aRanges.FRanges.Size());
  aRanges.FRanges.ForEach([&ranges](const TRange& member) { ranges.push_back(member); });
  for (const TRange& range : ranges) RemoveRange(range);
}

void TRanges::RemoveBlock(int32_t aBlock, int64_t aBlockSize) {
  if (BlockSizeValid(aBlockSize)) RemoveByLength(WrapMul(aBlock, aBlockSize), aBlockSize);
}

void TRanges::BlocksRemove(const TIntegerList& aBlocks, int64_t aBlockSize) {
  if (!BlockSizeValid(aBlockSize)) return;
  for (int32_t block : aBlocks.Values()) RemoveBlock(block, aBlockSize);
}

void TRanges::RemoveByStart(int64_t iStart) {
  TMembers::TFlat members = FRanges.TakeAll();
  std::erase_if(members, [iStart](const auto& m) { return m->Start() == iStart; });
  FRanges.Assign(std::move(members));
}

void TRanges::Remove(int iIdx) {
  if (!Verify(iIdx >= 0 && iIdx < Count())) return;
  FRanges.Erase(static_cast<size_t>(iIdx), static_cast<size_t>(iIdx) + 1);
}

void TRanges::Clear() {
  FRanges.Clear();
  FOrderKnown = true;
}

TRange TRanges::ExtractFirst() {
  if (!Verify(IsNotEmpty())) return TRange();
  const TRange first = FRanges.At(0);
  FRanges.Erase(0, 1);
  return first;
}

TRange TRanges::ExtractLast() {
  if (!Verify(IsNotEmpty())) return TRange();
  const size_t last = FRanges.Size() - 1;
  const TRange member = FRanges.At(last);
  FRanges.Erase(last, last + 1);
  return member;
}

TRange TRanges::Last() const {
  if (!Verify(IsNotEmpty())) return TRange();
  return FRanges.At(FRanges.Size() - 1);
}

std::optional<TRange> TRanges::Longest() const {
  std::optional<TRange> longest;
  FRanges.ForEach([&longest](const TRange& member) {
    if (!longest || member.Length() > longest->Length()) longest = member;
  });
  return longest;
}

int64_t TRanges::TotalLength() const {
  int64_t total = 0;
  FRanges.ForEach([&total](const TRange& m) { total = SaturatedAdd(total, m.Length()); });
  return total;
}

int64_t TRanges::TotalStart() const {
  if (FRanges.Empty()) return -1;
  int64_t start = kMax;
  FRanges.ForEach([&start](const TRange& m) { start = std::min(start, m.Start()); });
  return start;
}

int64_t TRanges::TotalEnd() const {
  return FRanges.Empty() ? -1 : FRanges.At(FRanges.Size() - 1).End();
}

int64_t TRanges::TrimToLength(int64_t aTotalLength) {
  if (aTotalLength < 0) {
    Alert(u"TrimToLength: negative length");
    return TotalLength();
  }
  int64_t before = 0;  // the lengths of the members before member k
  for (size_t k = 0; k < FRanges.Size(); ++k) {
    TRange& member = FRanges.At(k);
    const int64_t sum = SaturatedAdd(before, member.Length());
    if (sum < aTotalLength) {
      before = sum;
      continue;
    }
    // Member k keeps what the members before it leave of aTotalLength.
    member.SetByLength(member.Start(), SaturatedSub(aTotalLength, before));
    FRanges.Erase(member.Length() == 0 ? k : k + 1, FRanges.Size());
    return aTotalLength;
  }
  return before;
}

void TRanges::ShiftAll(int64_t aShift) {
  if (aShift == 0) return;
  FRanges.ForEach([aShift](TRange& member) { member.Shift(aShift); });
  FOrderKnown = false;  // members may wrap around the ends of the line
}

void TRanges::ShiftIfOverlapping() {
  const TRange* previous = nullptr;
  FRanges.ForEach([&](TRange& member) {
    if (previous != nullptr && member.IsIntersecting(*previous)) {
      member.ShiftTo(WrapAdd(previous->End(), 1));
      FOrderKnown = false;
    }
    previous = &member;
  });
}

void TRanges::MergeNearby(int64_t aMaximumDistance) {
  TMembers::TFlat members = FRanges.TakeAll();
  if (!members.empty()) {
    // Compacts in place: `kept` is the current member; each later one joins it or follows it.
    size_t kept = 0;
    for (size_t next = 1; next < members.size(); ++next) {
      TRange& current = *members[kept];
      if (AtMostSum(members[next]->Start(), current.End(), aMaximumDistance)) {
        current.Join(*members[next]);
      } else if (++kept != next) {
        members[kept] = std::move(members[next]);
      }
    }
    members.resize(kept + 1);
  }
  FRanges.Assign(std::move(members));
}

TRanges TRanges::Intersection(const TRange& aRange) const {
  TRanges result;
  FRanges.ForEach([&](const TRange& member) {
    const TRange piece = member.Intersection(aRange);
    if (piece.IsValid()) result.AddRange(piece);
  });
  return result;
}

TRanges TRanges::Intersection(const TRanges& aRanges) const {
  TRanges result;
  size_t i = 0;
  size_t j = 0;
  while (i < FRanges.Size() && j < aRanges.FRanges.Size()) {
    const TRange& mine = FRanges.At(i);
    const TRange& theirs = aRanges.FRanges.At(j);
    const TRange piece = mine.Intersection(theirs);
    if (piece.IsValid()) result.AddRange(piece);
    if (theirs.End() < mine.End()) {
      ++j;
    } else {
      ++i;
    }
  }
  return result;
}

TRange TRanges::IntersectionAsSingleRange(const TRange& aRange) const {
  const TRanges pieces = Intersection(aRange);
  if (pieces.IsNotEmpty()) return pieces.CopyRange(0);
  TRange none = aRange;
  none.Invalidate();
  return none;
}

bool TRanges::IsSame(const TRange& aRange) const {
  return FRanges.Size() == 1 && FRanges.At(0).IsSame(aRange);
}

bool TRanges::IsSame(const TRanges& aRanges) const {
  if (FRanges.Size() != aRanges.FRanges.Size()) return false;
  for (size_t i = 0; i < FRanges.Size(); ++i) {
    const TRange& mine = FRanges.At(i);
    const TRange& theirs = aRanges.FRanges.At(i);
    if (mine.Start() != theirs.Start() || mine.Length() != theirs.Length()) return false;
  }
  return true;
}

bool TRanges::IsAdjacent(const TRange& aRange) const {
  bool adjacent = false;
  FRanges.ForEach([&](const TRange& member) { adjacent = adjacent || member.IsAdjacent(aRange); });
  return adjacent;
}

bool TRanges::AlignByExtending(int64_t iBlockSize) {
  if (!BlockSizeValid(iBlockSize) || FRanges.Empty()) return false;
  bool changed = false;
  TMembers::TFlat members = FRanges.TakeAll();
  // Compacts in place: a member that touches the last kept one after its extension joins it.
  size_t kept = 0;
  for (size_t i = 0; i < members.size(); ++i) {
    TRange& member = *members[i];
    if (member.Align(iBlockSize, true)) changed = true;
    if (i > 0) {
      TRange& previous = *members[kept];
      if (Touching(previous.Start(), previous.End(), member.Start(), member.End())) {
        previous.SetByEnd(std::min(previous.Start(), member.Start()),
                          std::max(previous.End(), member.End()));
        changed = true;
        continue;
      }
      ++kept;
    }
    if (kept != i) members[kept] = std::move(members[i]);
  }
  members.resize(kept + 1);
  FRanges.Assign(std::move(members));
  if (changed) FOrderKnown = false;
  return changed;
}

bool TRanges::AlignByTrimming(int64_t iBlockSize) {
  if (!BlockSizeValid(iBlockSize)) return false;
  bool changed = false;
  TMembers::TFlat members = FRanges.TakeAll();
  for (auto& member : members) changed = member->Align(iBlockSize, false) || changed;
  if (std::erase_if(members, [](const auto& m) { return m->IsNotValid(); }) > 0) changed = true;
  FRanges.Assign(std::move(members));
  if (changed) FOrderKnown = false;
  return changed;
}

TRanges TRanges::NonAlignedRanges(int64_t iBlockSize) const {
  TRanges pieces;
  if (!BlockSizeValid(iBlockSize)) return pieces;
  FRanges.ForEach(
      [&](const TRange& member) { pieces.AddRanges(member.NonAlignedRanges(iBlockSize)); });
  return pieces;
}

void TRanges::GetBlockList(TIntegerList& aBlocks, int64_t aBlockSize) const {
  if (!BlockSizeValid(aBlockSize)) return;
  std::vector<std::pair<int64_t, int64_t>> spans;
  bool fit = true;
  FRanges.ForEach([&](const TRange& member) {
    if (member.IsNotValid() || !fit) return;
    const int64_t first = BlockOf(member.Start(), aBlockSize);
    const int64_t last = BlockOf(member.End(), aBlockSize);
    fit = BlocksFit(first, last);
    spans.emplace_back(first, last);
  });
  if (!fit) return;
  std::unordered_set<int32_t> present(aBlocks.Values().begin(), aBlocks.Values().end());
  for (const auto& [first, last] : spans) BlockListAppend(aBlocks, present, first, last);
}

int64_t TRanges::BlocksUsed(int64_t aBlockSize) const {
  if (!BlockSizeValid(aBlockSize)) return 0;
  std::vector<std::pair<int64_t, int64_t>> spans;
  FRanges.ForEach([&](const TRange& member) {
    if (member.IsValid()) {
      spans.emplace_back(BlockOf(member.Start(), aBlockSize), BlockOf(member.End(), aBlockSize));
    }
  });
  std::sort(spans.begin(), spans.end());
  uint64_t count = 0;
  bool counted = false;
  int64_t lastCounted = 0;
  for (auto [first, last] : spans) {
    if (counted && last <= lastCounted) continue;
    if (counted && first <= lastCounted) first = lastCounted + 1;
    count += static_cast<uint64_t>(last) - static_cast<uint64_t>(first) + 1;
    lastCounted = last;
    counted = true;
  }
  return count > static_cast<uint64_t>(kMax) ? kMax : static_cast<int64_t>(count);
}

void TRanges::ToBlocks(int64_t aBlockSize) {
  if (!BlockSizeValid(aBlockSize)) return;
  FRanges.ForEach([aBlockSize](TRange& member) { member.ToBlocks(aBlockSize); });
  FOrderKnown = false;
}

void TRanges::FilterByBlocks(const TIntegerList& aBlocks, int64_t aBlockSize) {
  if (!BlockSizeValid(aBlockSize)) return;
  TRanges blocks;
  blocks.BlocksAdd(aBlocks, aBlockSize);
  TRanges inside = Intersection(blocks);
  if (inside.TotalLength() < TotalLength()) {
    FRanges = std::move(inside.FRanges);
    FOrderKnown = inside.FOrderKnown;
  }
}

void TRanges::SplitIntoBlocks(int64_t aBlockSize) {
  if (!BlockSizeValid(aBlockSize)) return;
  FMerged = false;
  // The count grows as pieces are added; each piece is split in its turn.
  for (size_t i = 0; i < FRanges.Size(); ++i) {
    TRange* member = &FRanges.At(i);
    const int64_t blockEnd = BlockLastPosition(member->Start(), aBlockSize);
    if (member->End() > blockEnd) {
      AddByEnd(blockEnd + 1, member->End());
      member->MoveEndTo(blockEnd);
    }
  }
}

std::u16string TRanges::ToString() const {
  std::u16string text = u"[ Count = " + VariantAsText(TVariant(Count())) + u", Total Length: " +
                        VariantAsText(TVariant(TotalLength())) + u" ]\r\n";
  FRanges.ForEach([&text](const TRange& member) { text += member.ToString() + u"\r\n"; });
  return text;
}
