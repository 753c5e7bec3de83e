// The memory buffer.
#include "lib/values/uBuffer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <vector>

#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"
#include "lib/values/uFileStream.h"
#include "lib/values/uVariant.h"

namespace {

using TBytes = std::vector<uint8_t>;

TBytes BytesOf(const TMemBuffer& buffer) {
  if (buffer.Size() == 0) return {};
  return TBytes(buffer.Memory(), buffer.Memory() + buffer.Size());
}

void Fill(TMemBuffer& buffer, const TBytes& bytes) {
  buffer.Reset();
  buffer.CopyMemoryFrom(bytes.data(), static_cast<int32_t>(bytes.size()));
}

std::string Hex(const TBytes& bytes) {
  TMemBuffer view;
  view.PointToBufferWithValidData(const_cast<uint8_t*>(bytes.data()),
                                  static_cast<int32_t>(bytes.size()));
  return TextToUtf8(view.AsHex(0, -1));
}

TEST(MemBuffer, SizingKeepsContentsAndOwnsTheResult) {
  TMemBuffer buffer;
  EXPECT_FALSE(buffer.IsSet());
  buffer.SetSize(4);
  EXPECT_EQ(BytesOf(buffer), TBytes({0, 0, 0, 0}));
  EXPECT_TRUE(buffer.MemoryAllocated());
  buffer.InsertInt(0x01020304, 0);
  EXPECT_EQ(BytesOf(buffer), TBytes({4, 3, 2, 1}));
  buffer.SetSize(2);
  EXPECT_EQ(BytesOf(buffer), TBytes({4, 3}));
  buffer.EnsureSize(1);
  EXPECT_EQ(buffer.Size(), 2);
  buffer.EnsureSize(3);
  EXPECT_EQ(BytesOf(buffer), TBytes({4, 3, 0}));
  buffer.SetSize(0);
  EXPECT_FALSE(buffer.IsSet());
  EXPECT_FALSE(buffer.MemoryAllocated());

  struct TCase {
    int32_t Size, BlockSize, Expected;
  };
  const TCase cases[] = {{5, 4, 8}, {8, 4, 8}, {0, 4, 0}, {1, 16, 16}, {7, 1, 7}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Size << " in blocks of " << c.BlockSize);
    Fill(buffer, TBytes(static_cast<size_t>(c.Size), 0xEE));
    buffer.ZeroFillForBlockSize(c.BlockSize);
    TBytes expected(static_cast<size_t>(c.Size), 0xEE);
    expected.resize(static_cast<size_t>(c.Expected), 0);
    EXPECT_EQ(BytesOf(buffer), expected);
  }

  TAlertCapture alerts;
  buffer.ZeroFillForBlockSize(0);
  EXPECT_EQ(alerts.Count(), 1u);
  EXPECT_EQ(buffer.Size(), 7);
  buffer.ZeroFill();
  EXPECT_EQ(BytesOf(buffer), TBytes(7, 0));
}

TEST(MemBuffer, WritesLandAtTheirOffsetsAndGrowTheBuffer) {
  TMemBuffer source;
  Fill(source, {0xA, 0xB, 0xC, 0xD});
  struct TCase {
    const char* Name;
    TBytes Initial;
    std::function<void(TMemBuffer&)> Write;
    TBytes Expected;
  };
  const TCase cases[] = {
      {"byte past the end",
       {1, 2, 3, 4},
       [](TMemBuffer& b) { b.InsertByte(255, 10); },
       {1, 2, 3, 4, 0, 0, 0, 0, 0, 0, 255}},
      {"short inside and beyond",
       {0x11, 0x22},
       [](TMemBuffer& b) { b.InsertShort(0xABCD, 1); },
       {0x11, 0xCD, 0xAB}},
      {"int64 little-endian",
       {},
       [](TMemBuffer& b) { b.InsertInt64(0x0102030405060708, 0); },
       {8, 7, 6, 5, 4, 3, 2, 1}},
      {"negative int", {}, [](TMemBuffer& b) { b.InsertInt(-2, 0); }, {0xFE, 0xFF, 0xFF, 0xFF}},
      {"UTF-16 text",
       {0xFF},
       [](TMemBuffer& b) { b.InsertString(u"A\u20AC", 1); },
       {0xFF, 0x41, 0, 0xAC, 0x20}},
      {"8-bit text overwrites",
       {1, 2, 3},
       [](TMemBuffer& b) { b.InsertAnsiString("hi", 0); },
       {'h', 'i', 3}},
      {"empty write still grows to the offset",
       {},
       [](TMemBuffer& b) { b.InsertString(u"", 3); },
       {0, 0, 0}},
      {"copy keeps the tail",
       {1, 2, 3, 4, 5},
       [&](TMemBuffer& b) { b.CopyMemoryFrom("xy", 2); },
       {'x', 'y', 3, 4, 5}},
      {"CopyFrom keeps the tail",
       {1, 2, 3, 4, 5, 6},
       [&](TMemBuffer& b) { b.CopyFrom(source); },
       {0xA, 0xB, 0xC, 0xD, 5, 6}},
      {"SetBuffer replaces",
       {1, 2, 3, 4, 5, 6},
       [&](TMemBuffer& b) { b.SetBuffer(source); },
       {0xA, 0xB, 0xC, 0xD}},
      {"SetString replaces",
       {1, 2, 3, 4},
       [](TMemBuffer& b) { b.SetString(u"\u00e9"); },
       {0xE9, 0}},
      {"part of a source",
       {1, 2, 3, 4},
       [&](TMemBuffer& b) { b.Insert(3, source, 2, 1); },
       {1, 2, 3, 0xB, 0xC}},
      {"rest of a source from an offset",
       {},
       [&](TMemBuffer& b) { b.Insert(0, source, -1, 2); },
       {0xC, 0xD}},
      {"variant bytes whatever the low bound",
       {1, 2, 3, 4},
       [](TMemBuffer& b) {
         b.SetVarArrayOfBytes(TVariant::Bytes({9, 8}, 5));
       },
       {9, 8, 3, 4}},
      // A source inside the buffer is read as it was, although growing moves the block.
      {"own bytes, growing",
       {1, 2, 3},
       [](TMemBuffer& b) { b.InsertMem(2, b.Memory(), 3); },
       {1, 2, 1, 2, 3}},
      {"own bytes, overlapping",
       {1, 2, 3, 4},
       [](TMemBuffer& b) { b.InsertMem(0, b.BytePtrAt(1), 3); },
       {2, 3, 4, 4}},
      {"itself appended",
       {1, 2, 3},
       [](TMemBuffer& b) { b.Insert(3, b, -1, 0); },
       {1, 2, 3, 1, 2, 3}},
      {"SetBuffer of itself", {1, 2, 3}, [](TMemBuffer& b) { b.SetBuffer(b); }, {1, 2, 3}},
      {"SetBuffer of a view of itself",
       {1, 2, 3},
       [](TMemBuffer& b) {
         TMemBuffer view;
         view.PointToBufferWithValidData(b.BytePtrAt(1), 2);
         b.SetBuffer(view);
       },
       {2, 3}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemBuffer buffer;
    Fill(buffer, c.Initial);
    c.Write(buffer);
    EXPECT_EQ(Hex(BytesOf(buffer)), Hex(c.Expected));
  }
}

TEST(MemBuffer, HexInput) {
  struct TCase {
    const char16_t* Hex;
    int32_t InsertAt, CharsToRead;
    bool Fails;
    TBytes Expected;  // after the write or the failure
    int32_t Written;
  };
  const TCase cases[] = {
      {u"0A0b0", 0, -1, false, {0x0A, 0x0B}, 2},
      {u"", 0, -1, false, {}, 0},
      {u"Ff00", 1, -1, false, {0, 0xFF, 0}, 2},
      {u"a1b2", 1, 3, false, {0, 0xA1}, 1},
      {u"zz", 0, -1, true, {0}, 0},
      {u"0x12", 0, -1, true, {0, 0}, 0},
      {u"0aFz", 0, -1, true, {0x0A, 0}, 0},
      {u"0A0bz", 0, -1, true, {0x0A, 0x0B}, 0},  // the trailing digit is checked too
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Hex));
    TMemBuffer buffer;
    if (c.Fails) {
      EXPECT_THROW(buffer.InsertHex(c.Hex, c.InsertAt, c.CharsToRead), EConvertError);
    } else {
      EXPECT_EQ(buffer.InsertHex(c.Hex, c.InsertAt, c.CharsToRead), c.Written);
    }
    EXPECT_EQ(Hex(BytesOf(buffer)), Hex(c.Expected));
  }
  TMemBuffer buffer;
  Fill(buffer, {1, 2, 3});
  EXPECT_EQ(buffer.SetHex(u"cafe"), 2);
  EXPECT_EQ(BytesOf(buffer), TBytes({0xCA, 0xFE}));
}

TEST(MemBuffer, TextAndHexOutput) {
  TMemBuffer buffer;
  Fill(buffer, {0x41, 0, 0x42, 0, 0, 0, 0x43, 0});
  EXPECT_EQ(buffer.AsString(), u"AB");
  Fill(buffer, {0x41, 0, 0x42});
  EXPECT_EQ(buffer.AsString(), u"A");
  Fill(buffer, {'a', 'b', 0, 'c'});
  EXPECT_EQ(buffer.AsAnsiString(), "ab");
  Fill(buffer, {'a', 'b'});
  EXPECT_EQ(buffer.AsAnsiString(), "ab");
  buffer.Reset();
  EXPECT_EQ(buffer.AsString(), u"");
  EXPECT_EQ(buffer.AsAnsiString(), "");

  Fill(buffer, {0x0A, 0x0B, 0x0C});
  struct THexCase {
    int32_t From, Till;
    const char16_t* Expected;
  };
  const THexCase hexCases[] = {
      {1, 2, u"0b0c"}, {0, -1, u"0a0b0c"}, {2, 1, u""}, {0, -5, u""}, {2, 2, u"0c"}};
  for (const auto& c : hexCases) {
    SCOPED_TRACE(testing::Message() << c.From << ".." << c.Till);
    EXPECT_EQ(buffer.AsHex(c.From, c.Till), c.Expected);
  }

  EXPECT_EQ(buffer.ReadShort(1), 0x0C0B);
  uint8_t out[5] = {9, 9, 9, 9, 9};
  EXPECT_EQ(buffer.CopyMemoryTo(out, 5), 3);
  EXPECT_EQ(TBytes(out, out + 5), TBytes({0x0A, 0x0B, 0x0C, 9, 9}));
  EXPECT_EQ(buffer.CopyMemoryTo(out, 1), 1);
  EXPECT_EQ(buffer.CopyMemoryTo(nullptr, -1), 0);
  EXPECT_EQ(buffer.BytePtrAt(3), buffer.Memory() + 3);

  const TVariant bytes = buffer.AsVarArrayOfBytes();
  EXPECT_EQ(bytes.LowBound(), 0);
  EXPECT_EQ(bytes.HighBound(), 2);
  EXPECT_EQ(bytes.ArrayBytes(), BytesOf(buffer));
}

TEST(MemBuffer, HexForDisplay) {
  auto counting = [](size_t size) {
    TBytes bytes(size);
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>(i);
    return bytes;
  };
  const std::u16string all40 = u"(40) " + std::u16string(TextFromAscii(Hex(counting(40))));
  struct TCase {
    TBytes Bytes;
    int32_t FromEachSide;
    std::u16string Expected;
  };
  const TCase cases[] = {
      {{1, 2, 3, 4, 5, 6}, 2, u"(6) 0102...040506"},
      {{1, 2, 3, 4, 5}, 2, u"(5) 0102...030405"},
      {{1, 2, 3, 4}, 2, u"(4) 01020304"},
      {counting(40), 20, all40},
      {counting(41), 20,
       u"(41) "
       u"000102030405060708090a0b0c0d0e0f10111213...1415161718191a1b1c1d1e1f202122232425262728"},
      {{}, 20, u"(0) "},
      {{1, 2, 3}, 0, u"(3) ...03"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Expected));
    TMemBuffer buffer;
    Fill(buffer, c.Bytes);
    EXPECT_EQ(buffer.AsHexForDisplay(c.FromEachSide), c.Expected);
    if (c.FromEachSide == 20) {
      EXPECT_EQ(VariantAsText(TVariant::Bytes(c.Bytes)), c.Expected);
    }
  }
  TAlertCapture alerts;
  TMemBuffer buffer;
  Fill(buffer, {1, 2, 3});
  EXPECT_EQ(buffer.AsHexForDisplay(-1), u"(3) ...03");
  EXPECT_EQ(alerts.Count(), 1u);
}

TEST(MemBuffer, BitsAndInvert) {
  TMemBuffer buffer;
  Fill(buffer, {0x80});
  EXPECT_TRUE(buffer.BitGet(0));
  EXPECT_FALSE(buffer.BitGet(7));
  Fill(buffer, {0, 0});
  buffer.BitSet(15, 1);
  EXPECT_EQ(BytesOf(buffer), TBytes({0, 1}));
  buffer.BitSet(9, 1);
  buffer.BitSet(15, 2);  // anything but 1 clears
  EXPECT_EQ(BytesOf(buffer), TBytes({0, 0x40}));

  struct TCase {
    uint8_t Byte;
    int64_t Shift, Spread, Length;
    uint8_t After;  // the byte after BitSpread
  };
  const TCase cases[] = {
      {0x0F, 0, 2, 0, 0x55}, {0x80, 1, 2, 0, 0x40}, {0x80, -1, 2, 0, 0x01},
      {0x80, 9, 2, 8, 0x40}, {0xA5, 0, 2, 4, 0xC5}, {0x0F, 0, 8, 0, 0x0F},
      {0x01, 0, 1, 0, 0x01}, {0x01, 3, 1, 0, 0x20}, {0x30, 0, 4, 8, 0x44},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << int{c.Byte} << std::dec << " shift " << c.Shift
                                    << " spread " << c.Spread << " length " << c.Length);
    Fill(buffer, {c.Byte});
    buffer.BitSpread(c.Shift, c.Spread, c.Length);
    EXPECT_EQ(Hex(BytesOf(buffer)), Hex({c.After}));
    buffer.BitUnSpread(c.Shift, c.Spread, c.Length);
    EXPECT_EQ(Hex(BytesOf(buffer)), Hex({c.Byte}));
  }

  struct TInvertCase {
    TBytes Bytes, Expected;
  };
  const TInvertCase inverts[] = {{{1, 2, 3}, {3, 2, 1}}, {{1, 2}, {2, 1}}, {{7}, {7}}, {{}, {}}};
  for (const auto& c : inverts) {
    Fill(buffer, c.Bytes);
    buffer.Invert();
    EXPECT_EQ(BytesOf(buffer), c.Expected);
  }
}

// Against the permutation written out with the plain product, on buffers where it cannot
// overflow; BitUnSpread must undo BitSpread.
TEST(MemBuffer, BitSpreadMatchesItsFormulaAndUnSpreadUndoesIt) {
  const uint64_t seed = 20240611;
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  TTestRandom random(seed);
  for (int round = 0; round < 300; ++round) {
    const auto size = static_cast<int32_t>(1 + random.Below(24));
    TBytes bytes(static_cast<size_t>(size));
    for (auto& b : bytes) b = static_cast<uint8_t>(random.Next() >> 56);
    const int64_t bits = 8 * int64_t{size};
    const int64_t n = random.Below(4) == 0
                          ? bits
                          : static_cast<int64_t>(1 + random.Below(static_cast<uint64_t>(bits)));
    std::vector<int64_t> divisors;
    for (int64_t s = 1; s <= n; ++s) {
      if (n % s == 0) divisors.push_back(s);
    }
    const int64_t spread = divisors[random.Below(divisors.size())];
    const int64_t shift = static_cast<int64_t>(random.Below(static_cast<uint64_t>(3 * n))) - n;
    SCOPED_TRACE(testing::Message() << "round " << round << ": " << Hex(bytes) << " n " << n
                                    << " spread " << spread << " shift " << shift);

    TMemBuffer original, buffer;
    Fill(original, bytes);
    Fill(buffer, bytes);
    buffer.BitSpread(shift, spread, n == bits ? 0 : n);
    for (int64_t d = 0; d < bits; ++d) {
      const int64_t p = d < n ? (((d * spread) % n + (d * spread) / n + shift) % n + n) % n : d;
      ASSERT_EQ(buffer.BitGet(p), original.BitGet(d)) << "bit " << d;
    }
    buffer.BitUnSpread(shift, spread, n == bits ? 0 : n);
    ASSERT_TRUE(buffer.IsSameAs(original));
  }
}

TEST(MemBuffer, OutOfRangeFailsTheStopCheckAndChangesNothing) {
  uint8_t foreign[4] = {};
  struct TCase {
    const char* Name;
    std::function<void(TMemBuffer&)> Call;
  };
  const TCase cases[] = {
      {"byte address past the end", [](TMemBuffer& b) { b.BytePtrAt(4); }},
      {"negative byte address", [](TMemBuffer& b) { b.BytePtrAt(-1); }},
      {"short across the end", [](TMemBuffer& b) { b.ReadShort(2); }},
      {"negative short", [](TMemBuffer& b) { b.ReadShort(-1); }},
      {"bit past the end", [](TMemBuffer& b) { b.BitGet(24); }},
      {"negative bit", [](TMemBuffer& b) { b.BitGet(-1); }},
      {"bit set past the end", [](TMemBuffer& b) { b.BitSet(24, 1); }},
      {"length not a multiple of the spread", [](TMemBuffer& b) { b.BitSpread(0, 3, 8); }},
      {"unspread likewise", [](TMemBuffer& b) { b.BitUnSpread(0, 5, 0); }},
      {"zero spread", [](TMemBuffer& b) { b.BitSpread(0, 0, 0); }},
      {"length beyond the buffer", [](TMemBuffer& b) { b.BitSpread(0, 1, 32); }},
      {"negative length", [](TMemBuffer& b) { b.BitSpread(0, 1, -8); }},
      {"hex past the end", [](TMemBuffer& b) { b.AsHex(2, 3); }},
      {"hex before the start", [](TMemBuffer& b) { b.AsHex(-1, 1); }},
      {"negative write offset", [](TMemBuffer& b) { b.InsertByte(1, -1); }},
      {"write beyond 2 GiB", [](TMemBuffer& b) { b.InsertInt(1, INT32_MAX - 2); }},
      {"negative size", [](TMemBuffer& b) { b.SetSize(-1); }},
      {"source offset past its end", [](TMemBuffer& b) { b.Insert(0, b, -1, 4); }},
      {"source byte past its end", [](TMemBuffer& b) { b.Insert(0, b, 1, 3); }},
      {"source count past its end", [](TMemBuffer& b) { b.Insert(0, b, 3, 1); }},
      {"own bytes past the end", [](TMemBuffer& b) { b.InsertMem(0, b.BytePtrAt(1), 3); }},
      {"negative copy count", [](TMemBuffer& b) { b.CopyMemoryFrom("x", -1); }},
      {"copy from nothing", [](TMemBuffer& b) { b.CopyMemoryFrom(nullptr, 2); }},
      {"hex digits beyond the text", [](TMemBuffer& b) { b.InsertHex(u"ab", 0, 4); }},
      {"view of nothing", [](TMemBuffer& b) { b.PointToBufferWhichIsEmpty(nullptr, 4); }},
      {"negative view", [&](TMemBuffer& b) { b.PointToBufferWhichIsEmpty(foreign, -1); }},
      {"view of its own block",
       [](TMemBuffer& b) { b.PointToBufferWithValidData(b.BytePtrAt(1), 1); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemBuffer buffer;
    Fill(buffer, {1, 2, 3});
    uint8_t* const memory = buffer.Memory();
    try {
      c.Call(buffer);
      ADD_FAILURE() << "no stop";
    } catch (const EDebugStop& e) {
      EXPECT_TRUE(TextStartsWith(e.Message(), u"Error: ")) << e.what();
    }
    EXPECT_EQ(buffer.Memory(), memory);
    EXPECT_EQ(BytesOf(buffer), TBytes({1, 2, 3}));
  }
}

TEST(MemBuffer, ViewsOfForeignMemory) {
  uint8_t foreign[3] = {1, 2, 3};
  TMemBuffer buffer;
  buffer.PointToBufferWhichIsEmpty(foreign, 3);
  EXPECT_FALSE(buffer.MemoryAllocated());
  EXPECT_EQ(buffer.Memory(), foreign);
  TMemBuffer second;
  second.PointToBufferWithValidData(foreign, 2);
  EXPECT_TRUE(buffer.PointsToTheSameMemoryAs(second));
  EXPECT_FALSE(TMemBuffer().PointsToTheSameMemoryAs(TMemBuffer()));
  EXPECT_TRUE(TMemBuffer().IsSameAs(TMemBuffer()));

  // Writes inside the view reach the foreign memory; a resize makes a private copy.
  buffer.InsertByte(9, 0);
  EXPECT_EQ(foreign[0], 9);
  buffer.SetSize(5);
  EXPECT_TRUE(buffer.MemoryAllocated());
  EXPECT_NE(buffer.Memory(), foreign);
  EXPECT_EQ(BytesOf(buffer), TBytes({9, 2, 3, 0, 0}));
  buffer.InsertByte(7, 1);
  buffer.Reset();
  second.Reset();
  EXPECT_EQ(TBytes(foreign, foreign + 3), TBytes({9, 2, 3}));

  TAlertCapture alerts;
  std::u16string text = u"AB";
  buffer.PointToBufferWithValidData(text);
  EXPECT_EQ(alerts.Messages(), std::vector<std::u16string>({u"Should not be used"}));
  EXPECT_EQ(buffer.Size(), 4);
  EXPECT_EQ(buffer.AsString(), u"AB");
  EXPECT_FALSE(buffer.MemoryAllocated());

  std::unique_ptr<TMemBuffer> clone = buffer.Clone();
  EXPECT_TRUE(clone->MemoryAllocated());
  EXPECT_TRUE(clone->IsSameAs(buffer));
  EXPECT_FALSE(clone->PointsToTheSameMemoryAs(buffer));
  clone->InsertByte(0, 0);
  EXPECT_FALSE(clone->IsSameAs(buffer));
  EXPECT_FALSE(TMemBuffer().Clone()->IsSet());
}

TEST(MemBuffer, VariantBytes) {
  TMemBuffer buffer;
  Fill(buffer, {1, 2});
  try {
    buffer.SetVarArrayOfBytes(TVariant(42));
    ADD_FAILURE() << "took an integer";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), u"Wrong variant type");
  }
  EXPECT_EQ(BytesOf(buffer), TBytes({1, 2}));
  TMemBuffer other;
  other.SetVarArrayOfBytes(buffer.AsVarArrayOfBytes());
  EXPECT_TRUE(other.IsSameAs(buffer));
  buffer.Reset();
  EXPECT_EQ(buffer.AsVarArrayOfBytes().HighBound(), -1);
}

// What the release watch saw: each block, and whether it was all zeros then.
struct TReleased {
  const uint8_t* Memory;
  int32_t Size;
  bool Wiped;
};
std::vector<TReleased> gReleased;

void RecordRelease(const uint8_t* memory, int32_t size) {
  TMemBuffer view;  // a view of the block, read before it is freed
  view.PointToBufferWithValidData(const_cast<uint8_t*>(memory), size);
  bool wiped = true;
  for (int64_t bit = 0; bit < 8 * int64_t{size}; ++bit) wiped = wiped && !view.BitGet(bit);
  gReleased.push_back({memory, size, wiped});
}

TEST(MemBuffer, OwnedMemoryIsWipedBeforeItIsFreed) {
  uint8_t foreign[2] = {5, 6};
  struct TCase {
    const char* Name;
    std::function<void(TMemBuffer&)> Release;
  };
  const TCase cases[] = {
      {"reset", [](TMemBuffer& b) { b.Reset(); }},
      {"shrink", [](TMemBuffer& b) { b.SetSize(1); }},
      {"grow", [](TMemBuffer& b) { b.SetSize(100); }},
      {"set text", [](TMemBuffer& b) { b.SetString(u"x"); }},
      {"view elsewhere", [&](TMemBuffer& b) { b.PointToBufferWhichIsEmpty(foreign, 2); }},
  };
  const TBytes secret = {0xDE, 0xAD, 0xBE, 0xEF, 0x42};
  const TMemBufferReleaseWatch previous = MemBufferReleaseWatchSet(RecordRelease);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TMemBuffer buffer;
    Fill(buffer, secret);
    const uint8_t* block = buffer.Memory();
    gReleased.clear();
    c.Release(buffer);
    ASSERT_EQ(gReleased.size(), 1u);
    EXPECT_EQ(gReleased[0].Memory, block);
    EXPECT_EQ(gReleased[0].Size, 5);
    EXPECT_TRUE(gReleased[0].Wiped);
  }
  gReleased.clear();
  {
    auto buffer = std::make_unique<TMemBuffer>();
    Fill(*buffer, secret);
    buffer.reset();
  }
  ASSERT_EQ(gReleased.size(), 1u);
  EXPECT_TRUE(gReleased[0].Wiped);

  // Viewed memory is the owner's: neither wiped nor freed.
  gReleased.clear();
  {
    TMemBuffer view;
    view.PointToBufferWhichIsEmpty(foreign, 2);
    view.Reset();
  }
  EXPECT_TRUE(gReleased.empty());
  EXPECT_EQ(TBytes(foreign, foreign + 2), TBytes({5, 6}));
  MemBufferReleaseWatchSet(previous);
}

TEST(MemBuffer, LoadFromFile) {
  TPlatformScope<TSimPlatform> sim;
  auto write = [](const char16_t* name, const TBytes& bytes) {
    TFileStream out(name, TFileStream::TMode::Create);
    out.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
  };
  TBytes big(100000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<uint8_t>(i * 7);
  write(u"C:\\big.bin", big);
  write(u"C:\\small.bin", {1, 2, 3});
  write(u"C:\\empty.bin", {});

  struct TCase {
    const char16_t* Name;
    TBytes Expected;
  };
  const TCase cases[] = {
      {u"C:\\big.bin", big}, {u"c:\\SMALL.bin", {1, 2, 3}}, {u"C:\\empty.bin", {}}};
  TMemBuffer buffer;
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name));
    Fill(buffer, TBytes(7, 0xEE));  // longer than some files: nothing of it may remain
    buffer.LoadFromFile(c.Name);
    EXPECT_EQ(BytesOf(buffer), c.Expected);
  }

  TFileStream writer(u"C:\\locked.bin", TFileStream::TMode::Create);  // not shared
  for (const char16_t* name : {u"C:\\missing.bin", u"C:\\locked.bin"}) {
    SCOPED_TRACE(TextToUtf8(name));
    Fill(buffer, {1, 2, 3});
    EXPECT_THROW(buffer.LoadFromFile(name), EFOpenError);
    EXPECT_FALSE(buffer.IsSet());
  }
}

}  // namespace
