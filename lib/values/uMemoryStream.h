// A growable contiguous block of bytes with a size and a read/write position, the in-memory
// stream that compressed containers and their decoded files travel in. Owner thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

class TMemoryStream {
 public:
  TMemoryStream() = default;
  TMemoryStream(const TMemoryStream&) = delete;
  TMemoryStream& operator=(const TMemoryStream&) = delete;

  int64_t Size() const { return FSize; }
  // Grows or shrinks the stream; bytes added by growing are not initialised. The position is
  // kept (it may lie past the new end). A negative size is refused (false, nothing changed).
  // Throws std::bad_alloc when the memory cannot be had.
  bool SetSize(int64_t size);
  int64_t Position() const { return FPosition; }
  // Positions below 0 become 0; positions past the end are allowed (reads then give 0 bytes).
  void SetPosition(int64_t position) { FPosition = position < 0 ? 0 : position; }

  // Copies up to count bytes from the position on and advances it; returns the bytes read.
  int32_t Read(void* buffer, int32_t count);
  // Writes count bytes at the position, growing the stream as needed, and advances it.
  void Write(const void* buffer, int32_t count);

  uint8_t* Memory() { return FMemory.get(); }
  const uint8_t* Memory() const { return FMemory.get(); }
  std::span<const uint8_t> Bytes() const { return {FMemory.get(), static_cast<size_t>(FSize)}; }
  void Clear();

 private:
  void Reserve(int64_t capacity);

  std::unique_ptr<uint8_t[]> FMemory;
  int64_t FSize = 0;
  int64_t FCapacity = 0;
  int64_t FPosition = 0;
};
