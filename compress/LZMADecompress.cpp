// The decompressor driver on liblzma's raw LZMA2 decoder.
#include "compress/LZMADecompress.h"

#include <lzma.h>

#include <new>

#include "lib/platform/uPlatform.h"

namespace {

void* LzmaAlloc(void* opaque, size_t count, size_t size) {
  return DecoderMemoryAlloc(*static_cast<TPlatformMemory*>(opaque), count, size);
}

void LzmaFree(void* opaque, void* block) {
  DecoderMemoryFree(*static_cast<TPlatformMemory*>(opaque), block);
}

}  // namespace

struct TLZMA2InternalDecoderState {
  lzma_allocator Allocator{};
  lzma_stream Stream = LZMA_STREAM_INIT;
  bool Initialized = false;
  bool EndMark = false;
};

ECompressDataError::ECompressDataError(int code)
    : ECompressError(u"lzmadecomp: Compressed data is corrupted (" + IntToText(code) + u")"),
      FCode(code) {}

ECompressInternalError::ECompressInternalError(std::u16string_view innerText)
    : ECompressError(std::u16string(u"lzmadecomp: ").append(innerText)) {}

void* DecoderMemoryAlloc(TPlatformMemory& memory, size_t count, size_t size) {
  if (count == 0 || size == 0 || size > kDecoderAllocationLimit / count) return nullptr;
  return memory.VirtualAlloc(nullptr, count * size, win::MEM_COMMIT, win::PAGE_READWRITE);
}

void DecoderMemoryFree(TPlatformMemory& memory, void* block) {
  if (block != nullptr) memory.VirtualFree(block, 0, win::MEM_RELEASE);
}

uint64_t LZMA2DictionarySize(uint8_t properties) {
  return static_cast<uint64_t>(2 | (properties & 1)) << (properties / 2 + 11);
}

// --- The driver ---

TLZMACustomDecompressor::TLZMACustomDecompressor(TDecompressorReadProc readProc)
    : FReadProc(std::move(readProc)) {}

void TLZMACustomDecompressor::DecompressInto(void* buffer, int32_t count) {
  if (!FHeaderProcessed) {
    FNextIn = FBuffer;
    FAvailIn = 0;
    ReadProperties();
    FHeaderProcessed = true;
  }
  auto* out = static_cast<uint8_t*>(buffer);
  while (count > 0) {
    if (FAvailIn == 0 && !FReachedEnd) {
      FNextIn = FBuffer;
      const int32_t got = FReadProc(FBuffer, kBufferSize);
      // A read procedure that claims more than it was asked for is treated as exhausted.
      FAvailIn = got > 0 && got <= kBufferSize ? static_cast<uint32_t>(got) : 0;
      if (FAvailIn == 0) FReachedEnd = true;
    }
    size_t outSize = static_cast<size_t>(count);
    size_t inSize = FAvailIn;
    bool endMark = false;
    const int32_t result = DecodeToBuf(out, outSize, FNextIn, inSize, endMark);
    if (result == 1) throw ECompressDataError(3);
    if (result != 0) throw ECompressInternalError(u"DecodeToBuf failed (" + IntToText(result) + u")");
    count -= static_cast<int32_t>(outSize);
    out += outSize;
    FAvailIn -= static_cast<uint32_t>(inSize);
    FNextIn += inSize;
    // The stream has ended but the caller wants more: no later step can give it.
    if (endMark && count > 0) throw ECompressDataError(7);
    if (inSize == 0 && outSize == 0) throw ECompressDataError(4);
  }
}

void TLZMACustomDecompressor::Reset() {
  FHeaderProcessed = false;
  FReachedEnd = false;
}

// --- LZMA2 on liblzma ---

TLZMA2Decompressor::TLZMA2Decompressor(TDecompressorReadProc readProc)
    : TLZMACustomDecompressor(std::move(readProc)),
      FDecoderState(std::make_unique<TLZMA2InternalDecoderState>()) {
  FDecoderState->Allocator = {LzmaAlloc, LzmaFree, &Platform().Memory()};
  FDecoderState->Stream.allocator = &FDecoderState->Allocator;
}

TLZMA2Decompressor::~TLZMA2Decompressor() { ReleaseDecoder(); }

void TLZMA2Decompressor::ReadProperties() {
  uint8_t properties = 0;
  if (FReadProc(&properties, 1) != 1) throw ECompressDataError(1);
  if (properties >= 40 || LZMA2DictionarySize(properties) > kDecoderAllocationLimit) {
    throw ECompressDataError(5);
  }
  lzma_options_lzma options{};
  options.dict_size = static_cast<uint32_t>(LZMA2DictionarySize(properties));
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options},
                                 {LZMA_VLI_UNKNOWN, nullptr}};
  // Setting up again on the same stream reuses the dictionary when its size is unchanged.
  const lzma_ret ret = lzma_raw_decoder(&FDecoderState->Stream, filters);
  FDecoderState->Initialized = true;
  FDecoderState->EndMark = false;
  if (ret == LZMA_MEM_ERROR) throw std::bad_alloc();
  if (ret != LZMA_OK) throw ECompressDataError(2);
}

int32_t TLZMA2Decompressor::DecodeToBuf(uint8_t* dest, size_t& destLen, const uint8_t* src,
                                        size_t& srcLen, bool& endMark) {
  TLZMA2InternalDecoderState& state = *FDecoderState;
  if (state.EndMark) {
    // liblzma is not to be called again once it has reported the end of the stream.
    destLen = srcLen = 0;
    endMark = true;
    return 0;
  }
  lzma_stream& stream = state.Stream;
  stream.next_in = src;
  stream.avail_in = srcLen;
  stream.next_out = dest;
  stream.avail_out = destLen;
  const lzma_ret ret = lzma_code(&stream, LZMA_RUN);
  srcLen -= stream.avail_in;
  destLen -= stream.avail_out;
  switch (ret) {
    case LZMA_OK:
    case LZMA_BUF_ERROR:  // no progress possible: the driver judges that by the counts
      return 0;
    case LZMA_STREAM_END:
      state.EndMark = endMark = true;
      return 0;
    case LZMA_DATA_ERROR:
      return 1;
    default:
      return static_cast<int32_t>(ret);  // never 0 or 1 here
  }
}

void TLZMA2Decompressor::ReleaseDecoder() {
  if (FDecoderState && FDecoderState->Initialized) {
    lzma_end(&FDecoderState->Stream);
    FDecoderState->Initialized = false;
  }
}
