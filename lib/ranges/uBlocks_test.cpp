// Lists of block numbers.
#include "lib/ranges/uBlocks.h"

#include <gtest/gtest.h>
#include <vector>

#include "lib/testing/uTestSupport.h"

namespace {

TIntegerList ListOf(const std::vector<int32_t>& values) {
  TIntegerList list;
  for (int32_t value : values) list.Add(value);
  return list;
}

TEST(IntegerList, SubtractRemovesEveryOccurrence) {
  struct TCase {
    std::vector<int32_t> Items;
    std::vector<int32_t> Removed;
    std::vector<int32_t> Expected;
  };
  const TCase cases[] = {
      {{1, 2, 3, 2}, {2}, {1, 3}},
      {{1, 2, 3}, {}, {1, 2, 3}},
      {{5, 5, 5}, {5, 7}, {}},
      {{}, {1}, {}},
      {{-1, INT32_MIN, INT32_MAX, 0}, {INT32_MIN, 0}, {-1, INT32_MAX}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Items));
    TIntegerList list = ListOf(c.Items);
    list.Subtract(ListOf(c.Removed));
    EXPECT_EQ(list.Values(), c.Expected);
  }
  TIntegerList self = ListOf({1, 2, 3});
  self.Subtract(self);
  EXPECT_TRUE(self.IsEmpty());
}

TEST(IntegerList, QueriesAndText) {
  struct TCase {
    std::vector<int32_t> Items;
    int32_t Smallest;
    int32_t Largest;
    std::u16string Text;
  };
  const TCase cases[] = {
      {{}, INT32_MAX, INT32_MIN, u""},
      {{7}, 7, 7, u"7"},
      {{3, -2, 9, 3}, -2, 9, u"3, -2, 9, 3"},
      {{INT32_MIN, INT32_MAX}, INT32_MIN, INT32_MAX, u"-2147483648, 2147483647"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.Items));
    const TIntegerList list = ListOf(c.Items);
    EXPECT_EQ(list.Smallest(), c.Smallest);
    EXPECT_EQ(list.Largest(), c.Largest);
    EXPECT_EQ(list.ToString(), c.Text);
  }
  const TIntegerList list = ListOf({4, 8, 4});
  EXPECT_EQ(list.IndexOf(4), 0);
  EXPECT_EQ(list.IndexOf(8), 1);
  EXPECT_EQ(list.IndexOf(5), -1);
}

TEST(IntegerList, AddAndItems) {
  TIntegerList list;
  EXPECT_EQ(list.Add(10), 0);
  EXPECT_EQ(list.Add(20), 1);
  list.AddList(list);  // a list appended to itself doubles once
  EXPECT_EQ(list.Values(), (std::vector<int32_t>{10, 20, 10, 20}));
  list.SetItems(2, 30);
  EXPECT_EQ(list.Items(2), 30);

  TAlertCapture alerts;
  EXPECT_EQ(list.Items(4), 0);
  EXPECT_EQ(list.Items(-1), 0);
  list.SetItems(4, 1);
  EXPECT_EQ(alerts.Count(), 3u);
  EXPECT_EQ(list.Values(), (std::vector<int32_t>{10, 20, 30, 20}));
}

}  // namespace
