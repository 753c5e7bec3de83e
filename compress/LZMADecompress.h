// The decompressor driver of payload containers: pulls compressed bytes through a read
// procedure in 64 KiB blocks, feeds them to liblzma's raw LZMA2 decoder and judges every
// outcome. One thread at a time per decompressor; a decompressor that has raised is not used
// again.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "lib/values/uMiscLean.h"

class TPlatformMemory;

class ECompressError : public Exception {
 public:
  using Exception::Exception;
};

// The compressed data is bad: "lzmadecomp: Compressed data is corrupted (<code>)".
//   1  the container's header is cut short (size field or properties byte missing)
//   2  the decoder cannot be set up for the properties byte
//   3  a decoding step found corrupt data
//   4  a decoding step made no progress before the end mark (data cut short, or stalled)
//   5  the properties byte is 40 or more, or encodes a dictionary above 256 MiB
//   6  the size field is 2 GiB or more, outside the container's range
//   7  the end mark came before the size field's count of bytes
class ECompressDataError : public ECompressError {
 public:
  explicit ECompressDataError(int code);
  int Code() const { return FCode; }

 private:
  int FCode;
};

// The decoder failed in another way: "lzmadecomp: <inner text>".
class ECompressInternalError : public ECompressError {
 public:
  explicit ECompressInternalError(std::u16string_view innerText);
};

// Supplies up to count compressed bytes at buffer; returns how many were placed, 0 at the end.
using TDecompressorReadProc = std::function<int32_t(void* buffer, int32_t count)>;

// The decoder's memory: page allocations, at most 256 MiB each. A request for 0 bytes or for
// more than kDecoderAllocationLimit is refused (null) without asking the system. Any thread.
constexpr size_t kDecoderAllocationLimit = 0x10000000;
void* DecoderMemoryAlloc(TPlatformMemory& memory, size_t count, size_t size);
void DecoderMemoryFree(TPlatformMemory& memory, void* block);

// The dictionary size that an LZMA2 properties byte encodes (p < 40):
// (2 + (p AND 1)) << (p DIV 2 + 11).  0 => 4 KiB, 26 => 32 MiB, 32 => 256 MiB, 33 => 384 MiB.
uint64_t LZMA2DictionarySize(uint8_t properties);

class TLZMACustomDecompressor {
 public:
  static constexpr int32_t kBufferSize = 65536;

  // Stores the read procedure; nothing is read yet.
  explicit TLZMACustomDecompressor(TDecompressorReadProc readProc);
  virtual ~TLZMACustomDecompressor() = default;
  TLZMACustomDecompressor(const TLZMACustomDecompressor&) = delete;
  TLZMACustomDecompressor& operator=(const TLZMACustomDecompressor&) = delete;

  // Writes exactly count bytes at buffer or raises ECompressError (std::bad_alloc when the
  // decoder's memory cannot be had). The first call of a stream reads and checks the
  // properties byte, even for count 0. Successive calls continue the same stream.
  void DecompressInto(void* buffer, int32_t count);
  // Lets a new stream follow on the same read procedure: the next DecompressInto discards the
  // buffered input and reads a new properties byte.
  void Reset();

 protected:
  // One decoder step: consumes up to srcLen bytes, writes up to destLen bytes and returns the
  // numbers actually consumed and written in them. Result 0 success, 1 corrupt data, anything
  // else another failure; endMark is set once the decoder has met the end mark.
  virtual int32_t DecodeToBuf(uint8_t* dest, size_t& destLen, const uint8_t* src, size_t& srcLen,
                              bool& endMark) = 0;
  virtual void ReleaseDecoder() = 0;
  // Reads the properties byte through FReadProc and sets the decoder up.
  virtual void ReadProperties() = 0;

  bool FReachedEnd = false;
  bool FHeaderProcessed = false;
  const uint8_t* FNextIn = nullptr;
  uint32_t FAvailIn = 0;
  uint8_t FBuffer[kBufferSize];
  TDecompressorReadProc FReadProc;
};

struct TLZMA2InternalDecoderState;

class TLZMA2Decompressor final : public TLZMACustomDecompressor {
 public:
  explicit TLZMA2Decompressor(TDecompressorReadProc readProc);
  ~TLZMA2Decompressor() override;

 protected:
  int32_t DecodeToBuf(uint8_t* dest, size_t& destLen, const uint8_t* src, size_t& srcLen,
                      bool& endMark) override;
  void ReleaseDecoder() override;
  void ReadProperties() override;

 private:
  std::unique_ptr<TLZMA2InternalDecoderState> FDecoderState;
};
