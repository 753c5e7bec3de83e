// The memory buffer.
#include "lib/values/uBuffer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "lib/system/uMisc.h"
#include "lib/values/uFileStream.h"
#include "lib/values/uMiscLean.h"
#include "lib/values/uVariant.h"

namespace {

constexpr int64_t kMaxBufferSize = INT32_MAX;

std::atomic<TMemBufferReleaseWatch> gReleaseWatch{nullptr};

void* FillBytes(void* memory, int value, size_t size) { return std::memset(memory, value, size); }

// Called through a volatile pointer, the compiler cannot know that the wipe is a memset whose
// result nobody reads before the free, so it cannot drop it as a dead store.
void* (*const volatile gFillBytes)(void*, int, size_t) = FillBytes;

void Wipe(uint8_t* memory, size_t size) {
  gFillBytes(memory, 0, size);
#if defined(__GNUC__)
  // The block counts as read after this point.
  __asm__ __volatile__("" : : "r"(memory) : "memory");
#endif
  std::atomic_signal_fence(std::memory_order_seq_cst);
}

uintptr_t Address(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer); }

// The address lies in [block, block + size).
bool Inside(const uint8_t* block, int64_t size, const void* address) {
  if (block == nullptr || address == nullptr) return false;
  return Address(address) >= Address(block) &&
         Address(address) - Address(block) < static_cast<uint64_t>(size);
}

// Two address ranges share a byte; an empty range counts as its start address.
bool Overlap(const void* a, int64_t aSize, const void* b, int64_t bSize) {
  if (a == nullptr || b == nullptr) return false;
  const uintptr_t aEnd = Address(a) + static_cast<uintptr_t>(std::max<int64_t>(aSize, 1));
  const uintptr_t bEnd = Address(b) + static_cast<uintptr_t>(std::max<int64_t>(bSize, 1));
  return Address(a) < bEnd && Address(b) < aEnd;
}

// Grows the buffer for a write of count bytes at offset.
void GrowFor(TMemBuffer& buffer, int64_t offset, int64_t count) {
  StopIf(offset < 0 || count < 0, u"");
  StopIf(offset + count > kMaxBufferSize, u"buffer size beyond 2 GiB");
  buffer.EnsureSize(static_cast<int32_t>(offset + count));
}

bool BitAt(const uint8_t* memory, int64_t index) {
  return (memory[index >> 3] >> (7 - (index & 7))) & 1;
}

void BitPut(uint8_t* memory, int64_t index, bool value) {
  const auto mask = static_cast<uint8_t>(0x80 >> (index & 7));
  if (value) {
    memory[index >> 3] |= mask;
  } else {
    memory[index >> 3] &= static_cast<uint8_t>(~mask);
  }
}

}  // namespace

TMemBufferReleaseWatch MemBufferReleaseWatchSet(TMemBufferReleaseWatch aWatch) {
  return gReleaseWatch.exchange(aWatch);
}

TMemBuffer::~TMemBuffer() { Release(); }

void TMemBuffer::Release() {
  if (FMemoryAllocated && FMemory != nullptr) {
    Wipe(FMemory, static_cast<size_t>(FMaximumSize));
    if (TMemBufferReleaseWatch watch = gReleaseWatch.load()) watch(FMemory, FMaximumSize);
    delete[] FMemory;
  }
  FMemory = nullptr;
  FMaximumSize = 0;
  FMemoryAllocated = false;
}

// --- Creating, pointing and sizing ---

void TMemBuffer::SetSize(int32_t aSize) {
  StopIf(aSize < 0, u"negative buffer size");
  // The new block comes first: when it cannot be had, the buffer is unchanged.
  uint8_t* block = aSize > 0 ? new uint8_t[static_cast<size_t>(aSize)]() : nullptr;
  const int32_t keep = std::min(FMaximumSize, aSize);
  if (block != nullptr && keep > 0 && Verify(FMemory != nullptr)) {
    std::memcpy(block, FMemory, static_cast<size_t>(keep));
  }
  Release();
  FMemory = block;
  FMemoryAllocated = block != nullptr;
  FMaximumSize = aSize;
}

void TMemBuffer::Reset() { SetSize(0); }

void TMemBuffer::EnsureSize(int32_t aSize) {
  if (Size() < aSize) SetSize(aSize);
}

void TMemBuffer::ZeroFill() {
  if (FMemory != nullptr && FMaximumSize > 0)
    std::memset(FMemory, 0, static_cast<size_t>(FMaximumSize));
}

void TMemBuffer::ZeroFillForBlockSize(int32_t aBlockSize) {
  if (aBlockSize < 1) {
    Alert(u"ZeroFillForBlockSize: the block size must be positive");
    return;
  }
  const int32_t rest = FMaximumSize % aBlockSize;
  if (rest != 0) GrowFor(*this, FMaximumSize, aBlockSize - rest);
}

void TMemBuffer::PointToBufferWhichIsEmpty(void* aBuffer, int32_t aSize) {
  StopIf(aSize < 0 || (aBuffer == nullptr && aSize > 0), u"no memory to view");
  // Reset frees an owned block, which would leave a view of it dangling.
  StopIf(FMemoryAllocated && Overlap(aBuffer, aSize, FMemory, FMaximumSize),
         u"a buffer cannot view its own block");
  Reset();
  FMemory = static_cast<uint8_t*>(aBuffer);
  FMaximumSize = aSize;
  FMemoryAllocated = false;
}

void TMemBuffer::PointToBufferWithValidData(void* aBuffer, int32_t aSize) {
  PointToBufferWhichIsEmpty(aBuffer, aSize);
}

void TMemBuffer::PointToBufferWithValidData(std::u16string& aString) {
  AlertIfUsed();
  StopIf(2 * static_cast<int64_t>(aString.size()) > kMaxBufferSize, u"buffer size beyond 2 GiB");
  PointToBufferWithValidData(aString.data(), static_cast<int32_t>(2 * aString.size()));
}

bool TMemBuffer::PointsToTheSameMemoryAs(const TMemBuffer& aAnotherMemBuffer) const {
  return FMemory != nullptr && FMemory == aAnotherMemBuffer.FMemory;
}

bool TMemBuffer::IsSameAs(const TMemBuffer& aAnother) const {
  if (Size() != aAnother.Size()) return false;
  return FMaximumSize == 0 ||
         std::memcmp(FMemory, aAnother.FMemory, static_cast<size_t>(FMaximumSize)) == 0;
}

// --- Writing ---

void TMemBuffer::InsertMem(int32_t aInsertAtByte, const void* aBuffer, int32_t aBufferSize) {
  StopIf(aBufferSize < 0 || (aBuffer == nullptr && aBufferSize > 0), u"no memory to copy from");
  // A source inside this buffer is found again by its offset: growing may move the block.
  const bool fromInside = Inside(FMemory, FMaximumSize, aBuffer);
  const int64_t sourceOffset = fromInside ? Address(aBuffer) - Address(FMemory) : 0;
  StopIf(fromInside && sourceOffset + aBufferSize > FMaximumSize, u"");
  GrowFor(*this, aInsertAtByte, aBufferSize);
  if (aBufferSize == 0) return;
  const uint8_t* source =
      fromInside ? FMemory + sourceOffset : static_cast<const uint8_t*>(aBuffer);
  std::memmove(FMemory + aInsertAtByte, source, static_cast<size_t>(aBufferSize));
}

void TMemBuffer::Insert(int32_t aInsertAtByte, const TMemBuffer& aSourceBuffer,
                        int32_t aBytesToCopy, int32_t aSourceOffset) {
  const int32_t sourceSize = aSourceBuffer.Size();
  StopIf(aSourceOffset < 0 || aSourceOffset > sourceSize, u"");
  const int32_t count = aBytesToCopy == -1 ? sourceSize - aSourceOffset : aBytesToCopy;
  StopIf(count < 0 || static_cast<int64_t>(aSourceOffset) + count > sourceSize, u"");
  InsertMem(aInsertAtByte, aSourceBuffer.BytePtrAt(aSourceOffset), count);
}

namespace {

void InsertLittleEndian(TMemBuffer& buffer, uint64_t value, int byteCount, int32_t offset) {
  GrowFor(buffer, offset, byteCount);
  uint8_t* target = buffer.BytePtrAt(offset);
  for (int i = 0; i < byteCount; ++i) target[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void TMemBuffer::InsertByte(uint8_t aValue, int32_t iInsertAtByte) {
  InsertLittleEndian(*this, aValue, 1, iInsertAtByte);
}

void TMemBuffer::InsertShort(uint16_t aValue, int32_t iInsertAtByte) {
  InsertLittleEndian(*this, aValue, 2, iInsertAtByte);
}

void TMemBuffer::InsertInt(int32_t aValue, int32_t iInsertAtByte) {
  InsertLittleEndian(*this, static_cast<uint32_t>(aValue), 4, iInsertAtByte);
}

void TMemBuffer::InsertInt64(int64_t aValue, int32_t iInsertAtByte) {
  InsertLittleEndian(*this, static_cast<uint64_t>(aValue), 8, iInsertAtByte);
}

void TMemBuffer::InsertString(std::u16string_view aString, int32_t iInsertAtByte) {
  GrowFor(*this, iInsertAtByte, 2 * static_cast<int64_t>(aString.size()));
  uint8_t* target = BytePtrAt(iInsertAtByte);
  for (size_t i = 0; i < aString.size(); ++i) {
    target[2 * i] = static_cast<uint8_t>(aString[i] & 0xFF);
    target[2 * i + 1] = static_cast<uint8_t>(aString[i] >> 8);
  }
}

void TMemBuffer::InsertAnsiString(std::string_view aAnsiString, int32_t iInsertAtByte) {
  GrowFor(*this, iInsertAtByte, static_cast<int64_t>(aAnsiString.size()));
  if (!aAnsiString.empty())
    std::memcpy(BytePtrAt(iInsertAtByte), aAnsiString.data(), aAnsiString.size());
}

int32_t TMemBuffer::InsertHex(std::u16string_view aHex, int32_t iInsertAtByte,
                              int32_t iCharsToRead) {
  StopIf(
      iCharsToRead < -1 || (iCharsToRead >= 0 && static_cast<size_t>(iCharsToRead) > aHex.size()),
      u"");
  const int64_t charCount = iCharsToRead == -1 ? static_cast<int64_t>(aHex.size()) : iCharsToRead;
  const int64_t byteCount = charCount / 2;
  GrowFor(*this, iInsertAtByte, byteCount);
  for (int64_t i = 0; i < charCount; i += 2) {
    const int high = HexDigitValue(aHex[static_cast<size_t>(i)]);
    if (i + 1 == charCount) break;  // a trailing unpaired digit is checked, not written
    const int low = HexDigitValue(aHex[static_cast<size_t>(i + 1)]);
    FMemory[iInsertAtByte + i / 2] = static_cast<uint8_t>(high << 4 | low);
  }
  return static_cast<int32_t>(byteCount);
}

void TMemBuffer::CopyMemoryFrom(const void* aBuffer, int32_t aBufferSize) {
  InsertMem(0, aBuffer, aBufferSize);
}

void TMemBuffer::CopyFrom(const TMemBuffer& aBuffer) { Insert(0, aBuffer, -1, 0); }

void TMemBuffer::SetBuffer(const TMemBuffer& aBuffer) {
  // Reset frees this buffer's block; a source that is or views that block is copied first.
  if (FMemoryAllocated && aBuffer.FMaximumSize > 0 &&
      Overlap(aBuffer.FMemory, aBuffer.FMaximumSize, FMemory, FMaximumSize)) {
    TMemBuffer copy;
    copy.CopyFrom(aBuffer);
    Reset();
    CopyFrom(copy);
    return;
  }
  Reset();
  CopyFrom(aBuffer);
}

void TMemBuffer::SetString(std::u16string_view aString) {
  Reset();
  InsertString(aString, 0);
}

int32_t TMemBuffer::SetHex(std::u16string_view aHex) {
  Reset();
  return InsertHex(aHex, 0, -1);
}

void TMemBuffer::SetVarArrayOfBytes(const TVariant& aVariant) {
  if (!aVariant.IsArray()) throw Exception(u"Wrong variant type");
  const std::vector<uint8_t>& bytes = aVariant.ArrayBytes();
  CopyMemoryFrom(bytes.data(), static_cast<int32_t>(bytes.size()));
}

void TMemBuffer::LoadFromFile(std::u16string_view aFileName) {
  Reset();
  TFileStream stream(aFileName, TFileStream::TMode::OpenRead);
  const int64_t size = stream.Size();
  if (size > kMaxBufferSize) {
    throw EReadError(u"Cannot load file \"" + std::u16string(aFileName) + u"\": larger than 2 GiB");
  }
  // Straight into the buffer's own block, so no other copy of the bytes is left unwiped.
  try {
    SetSize(static_cast<int32_t>(size));
    int32_t done = 0;
    while (done < FMaximumSize) {
      const int32_t read = stream.Read(FMemory + done, FMaximumSize - done);
      if (read == 0) throw EReadError(u"Stream read error");
      done += read;
    }
  } catch (...) {
    Reset();
    throw;
  }
}

std::unique_ptr<TMemBuffer> TMemBuffer::Clone() const {
  auto clone = std::make_unique<TMemBuffer>();
  clone->CopyFrom(*this);
  return clone;
}

// --- Reading ---

uint8_t* TMemBuffer::BytePtrAt(int32_t aOffset) const {
  StopIf(aOffset < 0 || aOffset > FMaximumSize, u"");
  return FMemory != nullptr ? FMemory + aOffset : nullptr;
}

uint16_t TMemBuffer::ReadShort(int32_t aOffset) const {
  StopIf(aOffset < 0 || static_cast<int64_t>(aOffset) + 2 > FMaximumSize, u"");
  return static_cast<uint16_t>(FMemory[aOffset] | FMemory[aOffset + 1] << 8);
}

int32_t TMemBuffer::CopyMemoryTo(void* aBuffer, int32_t aBufferSize) const {
  const int32_t count = std::min(FMaximumSize, aBufferSize);
  if (count <= 0) return 0;
  StopIf(aBuffer == nullptr, u"no memory to copy to");
  std::memmove(aBuffer, FMemory, static_cast<size_t>(count));
  return count;
}

std::u16string TMemBuffer::AsString() const {
  std::u16string text;
  for (int32_t i = 0; i + 1 < FMaximumSize; i += 2) {
    const auto c = static_cast<char16_t>(FMemory[i] | FMemory[i + 1] << 8);
    if (c == u'\0') break;
    text.push_back(c);
  }
  return text;
}

std::string TMemBuffer::AsAnsiString() const {
  if (FMaximumSize == 0) return {};
  const void* nul = std::memchr(FMemory, 0, static_cast<size_t>(FMaximumSize));
  const size_t length = nul != nullptr ? static_cast<const uint8_t*>(nul) - FMemory
                                       : static_cast<size_t>(FMaximumSize);
  return std::string(reinterpret_cast<const char*>(FMemory), length);
}

std::u16string TMemBuffer::AsHex(int32_t aFromWhere, int32_t aTillWhere) const {
  const int64_t till = aTillWhere == -1 ? static_cast<int64_t>(FMaximumSize) - 1 : aTillWhere;
  const int64_t count = till - aFromWhere + 1;
  if (count <= 0) return {};
  StopIf(aFromWhere < 0 || till >= FMaximumSize, u"");
  return BytesToHex({FMemory + aFromWhere, static_cast<size_t>(count)});
}

std::u16string TMemBuffer::AsHexForDisplay(int32_t aBytesFromEachSide) const {
  if (aBytesFromEachSide < 0) {
    Alert(u"AsHexForDisplay: negative byte count");
    aBytesFromEachSide = 0;
  }
  return BytesToHexForDisplay({FMemory, static_cast<size_t>(FMaximumSize)}, aBytesFromEachSide);
}

TVariant TMemBuffer::AsVarArrayOfBytes() const {
  if (FMaximumSize == 0) return TVariant::Bytes({}, 0);
  return TVariant::Bytes(std::vector<uint8_t>(FMemory, FMemory + FMaximumSize), 0);
}

// --- Bits ---

bool TMemBuffer::BitGet(int64_t aIndex) const {
  StopIf(aIndex < 0 || aIndex >= 8 * static_cast<int64_t>(FMaximumSize), u"");
  return BitAt(FMemory, aIndex);
}

void TMemBuffer::BitSet(int64_t aIndex, int aBitValue) {
  StopIf(aIndex < 0 || aIndex >= 8 * static_cast<int64_t>(FMaximumSize), u"");
  BitPut(FMemory, aIndex, aBitValue == 1);
}

void TMemBuffer::BitSpread(int64_t aShift, int64_t aSpread, int64_t aUsefulLength) {
  BitPermute(aShift, aSpread, aUsefulLength, true);
}

void TMemBuffer::BitUnSpread(int64_t aShift, int64_t aSpread, int64_t aUsefulLength) {
  BitPermute(aShift, aSpread, aUsefulLength, false);
}

void TMemBuffer::BitPermute(int64_t aShift, int64_t aSpread, int64_t aUsefulLength,
                            bool aSpreading) {
  const int64_t bits = 8 * static_cast<int64_t>(FMaximumSize);
  const int64_t n = aUsefulLength == 0 ? bits : aUsefulLength;
  StopIf(aSpread < 1 || n < 0 || n > bits || n % aSpread != 0, u"");
  if (n == 0) return;
  // With n = rows x aSpread and d = q x rows + r: (d x aSpread) mod n = r x aSpread and
  // (d x aSpread) div n = q, computed without the product, which can exceed 64 bits.
  const int64_t rows = n / aSpread;
  const int64_t shift = (aShift % n + n) % n;
  TMemBuffer copy;  // a copy of possibly sensitive bytes: owned, so wiped when done
  copy.CopyFrom(*this);
  for (int64_t d = 0; d < n; ++d) {
    const int64_t p = ((d % rows) * aSpread + d / rows + shift) % n;
    if (aSpreading) {
      BitPut(copy.FMemory, p, BitAt(FMemory, d));
    } else {
      BitPut(copy.FMemory, d, BitAt(FMemory, p));
    }
  }
  std::memcpy(FMemory, copy.FMemory, static_cast<size_t>(FMaximumSize));
}

void TMemBuffer::Invert() {
  if (FMemory != nullptr) std::reverse(FMemory, FMemory + FMaximumSize);
}
