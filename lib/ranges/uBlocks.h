// Lists of block numbers. A block number b with block size s covers the positions b * s to
// (b + 1) * s - 1; TRange and TRanges turn ranges into such lists and back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A list of 32-bit signed integers in insertion order, duplicates allowed. A value type; one
// thread at a time.
class TIntegerList {
 public:
  int Count() const { return static_cast<int>(FItems.size()); }
  bool IsEmpty() const { return FItems.empty(); }

  // Item iIndex; out of range: an alert and 0.
  int32_t Items(int iIndex) const;
  // Replaces item iIndex; out of range: an alert and nothing changes.
  void SetItems(int iIndex, int32_t aValue);

  // Appends iNumber; returns its index.
  int Add(int32_t iNumber);
  // Appends every item of aList in order (aList may be this list).
  void AddList(const TIntegerList& aList);
  // Removes every occurrence of every value in aIntegerList.
  //   [1, 2, 3, 2] - [2] => [1, 3]
  void Subtract(const TIntegerList& aIntegerList);
  // First index of aInteger, or -1.
  int IndexOf(int32_t aInteger) const;
  // The minimum / maximum; INT32_MAX / INT32_MIN for an empty list.
  int32_t Smallest() const;
  int32_t Largest() const;
  // The items in decimal separated by ", ":  [1, -2, 3] => "1, -2, 3".
  std::u16string ToString() const;
  void Clear() { FItems.clear(); }

  const std::vector<int32_t>& Values() const { return FItems; }

 private:
  std::vector<int32_t> FItems;
};
