// The memory stream.
#include "lib/values/uMemoryStream.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(MemoryStream, WritesGrowReadsStopAtTheEnd) {
  TMemoryStream stream;
  EXPECT_EQ(stream.Read(nullptr, 10), 0);
  stream.Write("hello", 5);
  stream.Write(" world", 6);
  EXPECT_EQ(stream.Size(), 11);
  EXPECT_EQ(stream.Position(), 11);

  stream.SetPosition(6);
  char buffer[16] = {};
  EXPECT_EQ(stream.Read(buffer, 16), 5);
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(stream.Read(buffer, 16), 0);

  // Writing past the end fills the gap with zeros.
  stream.SetPosition(13);
  stream.Write("!", 1);
  EXPECT_EQ(stream.Size(), 14);
  EXPECT_EQ(std::memcmp(stream.Memory() + 11, "\0\0!", 3), 0);
}

TEST(MemoryStream, SetSizeKeepsContentAndPosition) {
  TMemoryStream stream;
  stream.Write("abcdef", 6);
  EXPECT_TRUE(stream.SetSize(3));
  EXPECT_EQ(stream.Position(), 6);
  EXPECT_TRUE(stream.SetSize(1 << 20));
  EXPECT_EQ(std::memcmp(stream.Memory(), "abc", 3), 0);
  EXPECT_FALSE(stream.SetSize(-1));
  EXPECT_EQ(stream.Size(), 1 << 20);
  stream.SetPosition(-5);
  EXPECT_EQ(stream.Position(), 0);
  stream.Clear();
  EXPECT_EQ(stream.Size(), 0);
}

}  // namespace
