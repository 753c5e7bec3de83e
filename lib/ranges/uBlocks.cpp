// Lists of block numbers.
#include "lib/ranges/uBlocks.h"

#include <algorithm>
#include <unordered_set>

#include "lib/system/uMisc.h"
#include "lib/values/uMiscLean.h"

int32_t TIntegerList::Items(int iIndex) const {
  if (!Verify(iIndex >= 0 && iIndex < Count())) return 0;
  return FItems[static_cast<size_t>(iIndex)];
}

void TIntegerList::SetItems(int iIndex, int32_t aValue) {
  if (!Verify(iIndex >= 0 && iIndex < Count())) return;
  FItems[static_cast<size_t>(iIndex)] = aValue;
}

int TIntegerList::Add(int32_t iNumber) {
  FItems.push_back(iNumber);
  return Count() - 1;
}

void TIntegerList::AddList(const TIntegerList& aList) {
  // Counted first: aList may be this list, which grows while it is read.
  const size_t count = aList.FItems.size();
  FItems.reserve(FItems.size() + count);
  for (size_t i = 0; i < count; ++i) FItems.push_back(aList.FItems[i]);
}

void TIntegerList::Subtract(const TIntegerList& aIntegerList) {
  const std::unordered_set<int32_t> values(aIntegerList.FItems.begin(), aIntegerList.FItems.end());
  std::erase_if(FItems, [&values](int32_t item) { return values.count(item) != 0; });
}

int TIntegerList::IndexOf(int32_t aInteger) const {
  const auto found = std::find(FItems.begin(), FItems.end(), aInteger);
  return found == FItems.end() ? -1 : static_cast<int>(found - FItems.begin());
}

int32_t TIntegerList::Smallest() const {
  return FItems.empty() ? INT32_MAX : *std::min_element(FItems.begin(), FItems.end());
}

int32_t TIntegerList::Largest() const {
  return FItems.empty() ? INT32_MIN : *std::max_element(FItems.begin(), FItems.end());
}

std::u16string TIntegerList::ToString() const {
  std::u16string text;
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (i > 0) text += u", ";
    text += IntToText(FItems[i]);
  }
  return text;
}
