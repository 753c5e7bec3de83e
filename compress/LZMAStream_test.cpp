// Payload containers: round trips, and corrupt, truncated and hostile containers.
#include "compress/LZMAStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "compress/LZMADecompress.h"
#include "compress/LZMATestContainers.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"

namespace {

using TBytes = std::vector<uint8_t>;

// Decodes a container the way the installer does: load, Decompress, take Decompressed.
TBytes Decode(const TBytes& container, int64_t* compressedPosition = nullptr) {
  TLZMAStream stream;
  stream.PrepareStreams();
  stream.Compressed->Write(container.data(), static_cast<int32_t>(container.size()));
  stream.Compressed->SetPosition(0);
  stream.Decompress();
  if (compressedPosition != nullptr) *compressedPosition = stream.Compressed->Position();
  EXPECT_EQ(stream.Decompressed->Position(), 0);
  const auto bytes = stream.Decompressed->Bytes();
  return TBytes(bytes.begin(), bytes.end());
}

// The data error code a container raises, or 0 when it decodes.
int DecodeError(const TBytes& container) {
  try {
    Decode(container);
    return 0;
  } catch (const ECompressDataError& e) {
    EXPECT_EQ(e.Message(), u"lzmadecomp: Compressed data is corrupted (" + IntToText(e.Code()) + u")");
    return e.Code();
  }
}

TEST(LZMAStream, DecodesContainersToExactlyTheirBytes) {
  const size_t sizes[] = {0, 1, 1150, 65535, 65536, 65537, 200000, 3 * 1024 * 1024 + 17};
  for (size_t size : sizes) {
    SCOPED_TRACE(size);
    const TBytes original = TestMixedBytes(size, size + 1);
    const TBytes container = TestContainer(original);
    ASSERT_EQ(container[8], 26);
    ASSERT_EQ(container.back(), 0) << "the stream ends with the end byte";
    EXPECT_EQ(Decode(container), original);
  }
}

TEST(LZMAStream, BadContainersRaiseTheirDataError) {
  const TBytes good = TestContainer(TestMixedBytes(300000, 7));
  const uint64_t size = TestContainerSize(good);
  struct TCase {
    const char* Title;
    std::function<TBytes()> Make;
    int Code;
  };
  const TCase cases[] = {
      {"empty container", [] { return TBytes{}; }, 1},
      {"header cut short", [&] { return TBytes(good.begin(), good.begin() + 7); }, 1},
      {"only the size field", [&] { return TBytes(good.begin(), good.begin() + 8); }, 1},
      {"properties byte 32 (256 MiB) accepted",
       [&] { TBytes c = good; c[8] = 32; return c; }, 0},
      {"properties byte 33 (384 MiB)", [&] { TBytes c = good; c[8] = 33; return c; }, 5},
      {"properties byte 39", [&] { TBytes c = good; c[8] = 39; return c; }, 5},
      {"properties byte 40", [&] { TBytes c = good; c[8] = 40; return c; }, 5},
      {"properties byte 255", [&] { TBytes c = good; c[8] = 255; return c; }, 5},
      {"size 2 GiB", [&] { TBytes c = good; TestContainerSetSize(c, 0x80000000u); return c; }, 6},
      {"size 4 GiB - 1", [&] { TBytes c = good; TestContainerSetSize(c, 0xFFFFFFFFu); return c; }, 6},
      {"size 4 GiB + the real size", [&] { TBytes c = good; TestContainerSetSize(c, (1ull << 32) + size); return c; }, 6},
      {"size -1", [&] { TBytes c = good; TestContainerSetSize(c, UINT64_MAX); return c; }, 6},
      {"data cut in half", [&] { return TBytes(good.begin(), good.begin() + good.size() / 2); }, 4},
      {"data cut after the properties byte", [&] { return TBytes(good.begin(), good.begin() + 9); }, 4},
      {"end byte missing, size exact", [&] { return TBytes(good.begin(), good.end() - 1); }, 0},
      {"size one more than the content", [&] { TBytes c = good; TestContainerSetSize(c, size + 1); return c; }, 7},
      {"size one more than the content, end byte missing",
       [&] { TBytes c(good.begin(), good.end() - 1); TestContainerSetSize(c, size + 1); return c; }, 4},
      {"first chunk does not reset the dictionary", [&] { TBytes c = good; c[9] = 0x02; return c; }, 3},
      {"invalid chunk control byte", [&] { TBytes c = good; c[9] = 0x03; return c; }, 3},
      {"end byte first", [&] { TBytes c = good; c[9] = 0x00; return c; }, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    EXPECT_EQ(DecodeError(c.Make()), c.Code);
  }
}

TEST(LZMAStream, ZeroSizeStillChecksThePropertiesByteAndReadsNothingElse) {
  TBytes container = TestContainer({});
  container.insert(container.end(), {1, 2, 3});  // trailing bytes are never looked at
  int64_t position = 0;
  EXPECT_TRUE(Decode(container, &position).empty());
  EXPECT_EQ(position, 9);

  container[8] = 40;
  EXPECT_EQ(DecodeError(container), 5);
}

TEST(LZMAStream, SmallerSizeFieldGivesExactlyThatManyBytes) {
  const TBytes original = TestMixedBytes(150000, 3);
  TBytes container = TestContainer(original);
  for (uint64_t size : {1ull, 1000ull, 149999ull}) {
    SCOPED_TRACE(size);
    TestContainerSetSize(container, size);
    EXPECT_EQ(Decode(container), TBytes(original.begin(), original.begin() + static_cast<ptrdiff_t>(size)));
  }
}

TEST(LZMAStream, StreamsOwnershipFollowsTheFlags) {
  TMemoryStream compressed;
  {
    TLZMAStream stream;
    EXPECT_EQ(stream.CompressedSize, 0);
    EXPECT_FALSE(stream.WasCompressedCreated || stream.WasDecompressedCreated);
    stream.Compressed = &compressed;
    stream.PrepareStreams();
    EXPECT_FALSE(stream.WasCompressedCreated);
    EXPECT_TRUE(stream.WasDecompressedCreated);
    EXPECT_EQ(stream.Compressed, &compressed);
    ASSERT_NE(stream.Decompressed, nullptr);
    stream.PrepareStreams();  // streams already present stay as they are
    EXPECT_EQ(stream.Compressed, &compressed);
  }
  // The caller's stream outlived the container object (ASan reports a double free otherwise).
  compressed.Write("x", 1);
  EXPECT_EQ(compressed.Size(), 1);
}

TEST(LZMAStream, DecoderMemoryComesFromPagesAndIsReturned) {
  TPlatformScope<TSimPlatform> sim;
  const TBytes original = TestMixedBytes(100000, 11);
  const TBytes container = TestContainer(original);
  EXPECT_EQ(Decode(container), original);
  EXPECT_GT(sim->Memory().AllocCalls(), 0u);
  EXPECT_EQ(sim->Memory().BytesCommitted(), 0u);
  EXPECT_EQ(sim->Memory().AllocationCount(), 0u);

  // A 32 MiB dictionary does not fit in 16 MiB of memory: the standard out-of-memory failure.
  sim->Memory().SetCommitLimit(16 << 20);
  EXPECT_THROW(Decode(container), std::bad_alloc);
  EXPECT_EQ(sim->Memory().BytesCommitted(), 0u);
}

// Random damage to a container: every outcome is bytes of the stated size or a data error;
// nothing crashes, hangs or commits more than the largest dictionary allows.
TEST(LZMAStream, RandomlyDamagedContainersNeverMisbehave) {
  TPlatformScope<TSimPlatform> sim;
  sim->Memory().SetCommitLimit(300u << 20);
  const TBytes good = TestContainer(TestMixedBytes(20000, 5), 16);
  const uint64_t seed = 20261210;
  std::printf("[seed] %llu\n", static_cast<unsigned long long>(seed));
  TTestRandom random(seed);
  int errors = 0;
  for (int round = 0; round < 400; ++round) {
    TBytes damaged = good;
    const int changes = 1 + static_cast<int>(random.Below(4));
    for (int k = 0; k < changes; ++k) {
      const size_t at = 8 + random.Below(damaged.size() - 8);
      damaged[at] = static_cast<uint8_t>(random.Next() >> 56);
    }
    if (random.Below(4) == 0) damaged.resize(9 + random.Below(damaged.size() - 9));
    try {
      EXPECT_EQ(Decode(damaged).size(), TestContainerSize(damaged));
    } catch (const ECompressDataError&) {
      ++errors;
    } catch (const std::bad_alloc&) {
      ADD_FAILURE() << "round " << round << ": properties byte " << int(damaged[8]) << " exhausted memory";
    }
  }
  EXPECT_GT(errors, 0);
  EXPECT_EQ(sim->Memory().BytesCommitted(), 0u);
}

}  // namespace
