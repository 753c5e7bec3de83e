// The decompressor driver: block reads, continuation, Reset, the result judgement, and the
// decoder's page memory.
#include "compress/LZMADecompress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "compress/LZMATestContainers.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"

namespace {

using TBytes = std::vector<uint8_t>;

// Serves bytes from memory, recording how much each read asked for.
class TReader {
 public:
  explicit TReader(TBytes bytes) : FBytes(std::move(bytes)) {}
  TDecompressorReadProc Proc() {
    return [this](void* buffer, int32_t count) {
      Requests.push_back(count);
      const auto n = static_cast<int32_t>(std::min<size_t>(count, FBytes.size() - FPosition));
      std::memcpy(buffer, FBytes.data() + FPosition, static_cast<size_t>(n));
      FPosition += static_cast<size_t>(n);
      return n;
    };
  }
  size_t Position() const { return FPosition; }
  std::vector<int32_t> Requests;

 private:
  TBytes FBytes;
  size_t FPosition = 0;
};

// The LZMA2 stream of a container: everything after the size field.
TBytes StreamOf(const TBytes& container) { return TBytes(container.begin() + 8, container.end()); }

TEST(LZMA2Decompressor, ReadsInBlocksAndContinuesAcrossCalls) {
  const TBytes original = TestMixedBytes(400000, 21);
  const TBytes stream = StreamOf(TestContainer(original));

  TReader whole(stream);
  TBytes once(original.size());
  TLZMA2Decompressor(whole.Proc()).DecompressInto(once.data(), static_cast<int32_t>(once.size()));
  EXPECT_EQ(once, original);
  EXPECT_EQ(whole.Requests.front(), 1) << "the properties byte is read alone";
  for (size_t i = 1; i < whole.Requests.size(); ++i) EXPECT_EQ(whole.Requests[i], 65536);

  TReader pieces(stream);
  TBytes twice(original.size());
  TLZMA2Decompressor decompressor(pieces.Proc());
  decompressor.DecompressInto(twice.data(), 100);
  decompressor.DecompressInto(twice.data() + 100, static_cast<int32_t>(twice.size() - 100));
  EXPECT_EQ(twice, original);
}

TEST(LZMA2Decompressor, ResetDecodesASecondStreamOnTheSameReader) {
  const TBytes first = TestMixedBytes(5000, 1);
  const TBytes second = TestMixedBytes(7000, 2);
  TBytes both = StreamOf(TestContainer(first));
  const size_t firstLength = both.size();
  const TBytes secondStream = StreamOf(TestContainer(second, 16));
  both.insert(both.end(), secondStream.begin(), secondStream.end());

  // The reader hands out the first stream alone, then the second, as a file of two
  // containers read block by block would be positioned after a reset.
  TReader reader(both);
  size_t limit = firstLength;
  TDecompressorReadProc bounded = [&](void* buffer, int32_t count) {
    const auto left = static_cast<int32_t>(limit - reader.Position());
    return left <= 0 ? 0 : reader.Proc()(buffer, std::min(count, left));
  };
  TLZMA2Decompressor decompressor(bounded);
  TBytes out(first.size());
  decompressor.DecompressInto(out.data(), static_cast<int32_t>(out.size()));
  EXPECT_EQ(out, first);

  limit = both.size();
  decompressor.Reset();
  out.assign(second.size(), 0);
  decompressor.DecompressInto(out.data(), static_cast<int32_t>(out.size()));
  EXPECT_EQ(out, second);
}

// A decoder whose steps follow a script, to check how the driver judges each outcome.
struct TStep {
  int32_t Result;
  size_t Consume;
  size_t Produce;
  bool EndMark;
};

class TScriptedDecompressor final : public TLZMACustomDecompressor {
 public:
  TScriptedDecompressor(TDecompressorReadProc readProc, std::deque<TStep> steps)
      : TLZMACustomDecompressor(std::move(readProc)), FSteps(std::move(steps)) {}
  int PropertiesReads = 0;
  std::vector<size_t> InputOffered;

 protected:
  int32_t DecodeToBuf(uint8_t* dest, size_t& destLen, const uint8_t*, size_t& srcLen,
                      bool& endMark) override {
    InputOffered.push_back(srcLen);
    const TStep step = FSteps.front();
    FSteps.pop_front();
    srcLen = std::min(srcLen, step.Consume);
    destLen = std::min(destLen, step.Produce);
    std::memset(dest, 0xAB, destLen);
    endMark = step.EndMark;
    return step.Result;
  }
  void ReleaseDecoder() override {}
  void ReadProperties() override {
    ++PropertiesReads;
    uint8_t properties;
    if (FReadProc(&properties, 1) != 1) throw ECompressDataError(1);
  }

 private:
  std::deque<TStep> FSteps;
};

TEST(LZMACustomDecompressor, JudgesEveryDecoderOutcome) {
  struct TCase {
    const char* Title;
    size_t InputBytes;
    std::deque<TStep> Steps;
    int32_t Count;
    int DataError;             // 0: none expected
    const char16_t* Internal;  // internal error message expected, or null
  };
  const TCase cases[] = {
      {"progress until done", 100, {{0, 50, 10, false}, {0, 50, 10, false}}, 20, 0, nullptr},
      {"output from state after the input ran out", 10, {{0, 10, 5, false}, {0, 0, 5, false}}, 10, 0, nullptr},
      {"corrupt data", 100, {{1, 0, 0, false}}, 10, 3, nullptr},
      {"no progress, input exhausted", 10, {{0, 10, 5, false}, {0, 0, 0, false}}, 10, 4, nullptr},
      {"end mark before the count", 100, {{0, 100, 5, true}}, 10, 7, nullptr},
      {"end mark with the last byte", 100, {{0, 100, 10, true}}, 10, 0, nullptr},
      {"another failure", 100, {{2, 0, 0, false}}, 10, 0, u"lzmadecomp: DecodeToBuf failed (2)"},
      {"negative result", 100, {{-3, 0, 0, false}}, 10, 0, u"lzmadecomp: DecodeToBuf failed (-3)"},
      {"count 0 reads only the properties byte", 100, {}, 0, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    TReader reader(TBytes(1 + c.InputBytes, 0x5D));
    TScriptedDecompressor decompressor(reader.Proc(), c.Steps);
    TBytes out(static_cast<size_t>(c.Count) + 1, 0);
    try {
      decompressor.DecompressInto(out.data(), c.Count);
      EXPECT_EQ(c.DataError, 0);
      EXPECT_EQ(c.Internal, nullptr);
      EXPECT_EQ(std::count(out.begin(), out.end(), 0xAB), c.Count) << "exactly Count bytes written";
    } catch (const ECompressDataError& e) {
      EXPECT_EQ(e.Code(), c.DataError);
    } catch (const ECompressInternalError& e) {
      ASSERT_NE(c.Internal, nullptr) << TextToUtf8(e.Message());
      EXPECT_EQ(e.Message(), c.Internal);
    }
    EXPECT_EQ(decompressor.PropertiesReads, 1);
    if (c.Count == 0) {
      EXPECT_EQ(reader.Position(), 1u);
    }
  }
}

TEST(LZMACustomDecompressor, UnconsumedInputCarriesOverAndResetDiscardsIt) {
  TReader reader(TBytes(1 + 100000, 1));
  TScriptedDecompressor decompressor(
      reader.Proc(), {{0, 1000, 10, false}, {0, 1000, 10, false}, {0, 1000, 10, false}});
  TBytes out(30);
  decompressor.DecompressInto(out.data(), 10);
  decompressor.DecompressInto(out.data() + 10, 10);
  EXPECT_EQ(decompressor.InputOffered, (std::vector<size_t>{65536, 64536}));
  EXPECT_EQ(reader.Requests, (std::vector<int32_t>{1, 65536}));

  decompressor.Reset();
  decompressor.DecompressInto(out.data() + 20, 10);
  EXPECT_EQ(decompressor.PropertiesReads, 2);
  EXPECT_EQ(decompressor.InputOffered.back(), 100001u - 1u - 65536u - 1u)
      << "the rest of the old block is discarded and a new block read";
}

TEST(DecoderMemory, RefusesZeroAndOversizedRequestsWithoutAskingTheSystem) {
  TSimMemory memory;
  memory.SetCommitLimit(0);  // any request that does reach the system fails there
  struct TCase {
    size_t Count, Size;
    bool ReachesSystem;
  };
  const TCase cases[] = {
      {0, 100, false},          {100, 0, false},
      {1, 0x10000001, false},   {0x10000001, 1, false},
      {2, 0x08000001, false},   {SIZE_MAX, 2, false},
      {1, 0x10000000, true},    {4096, 0x10000, true},
      {1, 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Count << " x " << c.Size);
    const uint64_t before = memory.AllocCalls();
    EXPECT_EQ(DecoderMemoryAlloc(memory, c.Count, c.Size), nullptr);
    EXPECT_EQ(memory.AllocCalls() - before, c.ReachesSystem ? 1u : 0u);
  }

  memory.SetCommitLimit(UINT64_MAX);
  auto* block = static_cast<uint8_t*>(DecoderMemoryAlloc(memory, 3, 5000));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(memory.BytesCommitted(), 16384u) << "whole pages";
  EXPECT_TRUE(std::all_of(block, block + 15000, [](uint8_t b) { return b == 0; }));
  DecoderMemoryFree(memory, block);
  DecoderMemoryFree(memory, nullptr);
  EXPECT_EQ(memory.BytesCommitted(), 0u);
}

TEST(DecoderMemory, DictionarySizesOfThePropertiesByte) {
  EXPECT_EQ(LZMA2DictionarySize(0), 4096u);
  EXPECT_EQ(LZMA2DictionarySize(1), 6144u);
  EXPECT_EQ(LZMA2DictionarySize(26), 32u << 20);
  EXPECT_EQ(LZMA2DictionarySize(32), 256u << 20);
  EXPECT_EQ(LZMA2DictionarySize(33), 384u << 20);
}

}  // namespace
