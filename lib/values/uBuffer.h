// A byte buffer that owns a zero-initialised heap block or views memory that belongs to someone
// else: sizing that keeps contents, writes at byte offsets, hexadecimal and text readers, bit
// access and bit permutations. Owned memory is overwritten with zeros before it is freed, so a
// buffer may hold sensitive bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

class TVariant;

// Conventions of every operation:
// - Multi-byte values are little-endian; texts are written as UTF-16 code units (two bytes per
//   character, no terminator), 8-bit texts as their bytes.
// - "Insert" writes at an offset: the bytes there are overwritten, nothing is shifted, and the
//   buffer first grows (EnsureSize) to offset + count, zero-filling any gap.
// - Bit i is bit (7 - i mod 8) of byte i div 8: bit 0 is the most significant bit of byte 0.
// - Offsets, counts and bit indexes outside the buffer fail the stop check (EDebugStop,
//   "Error: ..."); nothing is read or written outside the buffer or outside the memory given.
// - A size beyond 2^31 - 1 bytes fails the stop check; memory that cannot be had raises
//   std::bad_alloc and leaves the buffer unchanged.
//
// One thread at a time per buffer; no operation locks.
class TMemBuffer {
 public:
  // An unset buffer: no memory, size 0.
  TMemBuffer() = default;
  // Reset: owned memory is wiped and freed.
  virtual ~TMemBuffer();
  TMemBuffer(const TMemBuffer&) = delete;
  TMemBuffer& operator=(const TMemBuffer&) = delete;

  // --- Creating, pointing and sizing ---

  // Resizes keeping min(old, new) bytes; added bytes are 0. Always moves the contents into a
  // new owned block (size 0: no block); owned old memory is wiped and freed, viewed memory is
  // left as it is. A negative size fails the stop check.
  virtual void SetSize(int32_t aSize);
  // SetSize(0).
  void Reset();
  // SetSize(aSize) when Size() < aSize; never shrinks.
  void EnsureSize(int32_t aSize);
  // Writes 0 to every byte (of the viewed memory too).
  void ZeroFill();
  // Grows with zero bytes to the next multiple of aBlockSize.   (5 bytes, 4) => 8 bytes
  // A block size below 1 raises an alert and changes nothing.
  void ZeroFillForBlockSize(int32_t aBlockSize);
  // Reset, then view aSize bytes at aBuffer without owning them: the memory must outlive the
  // view and is neither wiped nor freed by it. Stop check: aSize < 0, a null aBuffer with
  // aSize > 0, or aBuffer inside this buffer's own block (which Reset would free).
  void PointToBufferWhichIsEmpty(void* aBuffer, int32_t aSize);
  virtual void PointToBufferWithValidData(void* aBuffer, int32_t aSize);
  // Discouraged (raises the "Should not be used" alert): views the text's characters,
  // 2 x length bytes. The string must outlive the view and keep its length.
  void PointToBufferWithValidData(std::u16string& aString);

  virtual int32_t Size() const { return FMaximumSize; }
  uint8_t* Memory() const { return FMemory; }
  // The memory is a block this buffer allocated (false when unset or viewing).
  bool MemoryAllocated() const { return FMemoryAllocated; }
  bool IsSet() const { return FMemory != nullptr; }
  // Both have the same memory and it is not null.
  bool PointsToTheSameMemoryAs(const TMemBuffer& aAnotherMemBuffer) const;
  // Equal sizes and equal bytes; two empty buffers are the same.
  bool IsSameAs(const TMemBuffer& aAnother) const;

  // --- Writing ---

  // Copies aBufferSize bytes from aBuffer to offset aInsertAtByte. The source may lie inside
  // this buffer (it is read as it was before the write).
  void InsertMem(int32_t aInsertAtByte, const void* aBuffer, int32_t aBufferSize);
  // InsertMem of aBytesToCopy bytes of aSourceBuffer from aSourceOffset on; aBytesToCopy -1
  // stands for the rest of the source from aSourceOffset. The source may be this buffer.
  void Insert(int32_t aInsertAtByte, const TMemBuffer& aSourceBuffer, int32_t aBytesToCopy,
              int32_t aSourceOffset);
  void InsertByte(uint8_t aValue, int32_t iInsertAtByte);
  void InsertShort(uint16_t aValue, int32_t iInsertAtByte);
  void InsertInt(int32_t aValue, int32_t iInsertAtByte);
  void InsertInt64(int64_t aValue, int32_t iInsertAtByte);
  // 2 x length bytes of UTF-16 code units.
  void InsertString(std::u16string_view aString, int32_t iInsertAtByte);
  void InsertAnsiString(std::string_view aAnsiString, int32_t iInsertAtByte);
  // Writes iCharsToRead div 2 bytes from pairs of hexadecimal digits (either case; -1 reads all
  // of aHex) and returns that count. A trailing unpaired digit is checked but not written. A
  // character that is not a hexadecimal digit raises EConvertError after the bytes before it
  // were written. iCharsToRead beyond aHex fails the stop check.
  //   ("0A0b0", 0, -1) => 0a 0b, returns 2    ("0x12", ...) => EConvertError
  int32_t InsertHex(std::u16string_view aHex, int32_t iInsertAtByte, int32_t iCharsToRead);
  // InsertMem(0, aBuffer, aBufferSize): a longer buffer keeps its tail.
  virtual void CopyMemoryFrom(const void* aBuffer, int32_t aBufferSize);
  // Insert(0, aBuffer, -1, 0): a longer buffer keeps its tail.
  void CopyFrom(const TMemBuffer& aBuffer);
  // Reset, then CopyFrom(aBuffer): afterwards this buffer holds exactly aBuffer's bytes (also
  // when aBuffer is this buffer or views its memory).
  void SetBuffer(const TMemBuffer& aBuffer);
  // Reset, then InsertString(aString, 0).
  virtual void SetString(std::u16string_view aString);
  // Reset, then InsertHex(aHex, 0, -1).
  virtual int32_t SetHex(std::u16string_view aHex);
  // Writes the bytes of a byte-array variant at offset 0 (CopyMemoryFrom). Any other variant
  // raises Exception("Wrong variant type") and leaves the buffer unchanged.
  void SetVarArrayOfBytes(const TVariant& aVariant);
  // Reset, then the whole file's bytes, read through the platform layer. Failures are the file
  // stream's exceptions (EFOpenError, EReadError), raised with the buffer reset.
  void LoadFromFile(std::u16string_view aFileName);
  // A new buffer that owns a copy of the bytes (unset when this one is empty).
  std::unique_ptr<TMemBuffer> Clone() const;

  // --- Reading ---

  // The address of byte aOffset; aOffset == Size() (the end address) is allowed. Stop check
  // outside 0 ... Size().
  uint8_t* BytePtrAt(int32_t aOffset) const;
  // The unsigned 16-bit value at aOffset. Stop check when aOffset + 2 exceeds Size().
  uint16_t ReadShort(int32_t aOffset) const;
  // Copies min(Size(), aBufferSize) bytes to aBuffer and returns that count (0 for a
  // negative size).
  int32_t CopyMemoryTo(void* aBuffer, int32_t aBufferSize) const;
  // The bytes as UTF-16 code units (Size() div 2 characters), cut at the first NUL.
  //   41 00 42 00 00 00 43 00 => "AB"
  std::u16string AsString() const;
  // The bytes as an 8-bit text, cut at the first NUL byte.
  std::string AsAnsiString() const;
  // Bytes aFromWhere to aTillWhere inclusive, two lowercase digits each; aTillWhere -1 stands
  // for Size() - 1; a negative count gives "". Stop check for bytes outside the buffer.
  //   0a 0b 0c: (1, 2) => "0b0c"   (0, -1) => "0a0b0c"   (2, 1) => ""
  std::u16string AsHex(int32_t aFromWhere, int32_t aTillWhere) const;
  // "(" Size ") " and the bytes in hexadecimal; when Size() > 2 x n only the first n bytes,
  // "..." and the last n + 1 bytes. A negative n raises an alert and counts as 0.
  //   01 02 03 04 05 06, n = 2 => "(6) 0102...040506"    empty => "(0) "
  std::u16string AsHexForDisplay(int32_t aBytesFromEachSide) const;
  // A byte-array variant with bounds 0 ... Size() - 1 holding a copy of the bytes.
  TVariant AsVarArrayOfBytes() const;

  // --- Bits ---

  // Bit aIndex is 1. Stop check outside 0 ... 8 x Size() - 1.
  bool BitGet(int64_t aIndex) const;
  // Sets bit aIndex when aBitValue is 1, clears it for any other value. Stop check as BitGet.
  void BitSet(int64_t aIndex, int aBitValue);
  // Permutations of the first n bits (n = aUsefulLength, or 8 x Size() when it is 0): bit d
  // moves to p(d) = ((d x aSpread) mod n + (d x aSpread) div n + aShift) mod n; BitUnSpread
  // moves bit p(d) back to d. Bits from n on are kept. Stop check when aSpread < 1, n is not a
  // multiple of aSpread, or n is negative or beyond the buffer. A negative aShift rotates the
  // other way.   byte 0f, (0, 2, 0): BitSpread => 55, BitUnSpread of 55 => 0f
  void BitSpread(int64_t aShift, int64_t aSpread, int64_t aUsefulLength);
  void BitUnSpread(int64_t aShift, int64_t aSpread, int64_t aUsefulLength);
  // Reverses the byte order: 01 02 03 => 03 02 01.
  void Invert();

 private:
  void Release();
  void BitPermute(int64_t aShift, int64_t aSpread, int64_t aUsefulLength, bool aSpreading);

  uint8_t* FMemory = nullptr;
  int32_t FMaximumSize = 0;
  bool FMemoryAllocated = false;
};

// Called with every owned block after it was wiped and before it is freed, on the thread that
// frees it; for tests that check the wipe. Returns the watch before. Any thread.
using TMemBufferReleaseWatch = void (*)(const uint8_t* aMemory, int32_t aSize);
TMemBufferReleaseWatch MemBufferReleaseWatchSet(TMemBufferReleaseWatch aWatch);
