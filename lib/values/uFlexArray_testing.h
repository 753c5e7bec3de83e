// Helpers of the flexible array's tests: printing, and checking entries kind by kind.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "lib/values/uFlexArray.h"

// How a value shows in failure messages: its kind and its flex text.
inline std::string FlexTestDescribe(const TVariant& value) {
  return TextToUtf8(TVariant::TypeName(value.Type())) + ":" +
         TextToUtf8(VariantToFlexString(value));
}

inline void PrintTo(const TFlexArray& array, std::ostream* os) {
  *os << "{";
  for (int i = 0; i < array.Count(); ++i) {
    *os << (i ? ", " : "") << '"' << TextToUtf8(array.GetKeyByIndex(i))
        << "\"=" << FlexTestDescribe(array.GetValueByIndex(i));
  }
  *os << "}";
}

inline void PrintTo(const TVariant& value, std::ostream* os) { *os << FlexTestDescribe(value); }

struct TFlexTestEntry {
  std::u16string Key;
  TVariant Value;
};

// The keys and values of the array, in order; values of the same kind and content
// (TVariant::IsIdentical).
inline testing::AssertionResult FlexEntriesAre(const TFlexArray& array,
                                               const std::vector<TFlexTestEntry>& expected) {
  bool same = array.Count() == static_cast<int>(expected.size());
  int i = 0;
  for (const TFlexTestEntry& entry : expected) {
    if (!same) break;
    same = array.GetKeyByIndex(i) == entry.Key && array.GetValueByIndex(i).IsIdentical(entry.Value);
    ++i;
  }
  if (same) return testing::AssertionSuccess();
  auto failure = testing::AssertionFailure()
                 << "got " << testing::PrintToString(array) << ", expected {";
  i = 0;
  for (const TFlexTestEntry& entry : expected) {
    failure << (i++ ? ", " : "") << '"' << TextToUtf8(entry.Key)
            << "\"=" << FlexTestDescribe(entry.Value);
  }
  return failure << "}";
}

// A values-only array.
inline TFlexArray FlexValuesOf(std::initializer_list<TVariant> values) {
  TFlexArray array;
  array.AddValues(values);
  return array;
}
