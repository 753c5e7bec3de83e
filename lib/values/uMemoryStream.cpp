// The memory stream.
#include "lib/values/uMemoryStream.h"

#include <algorithm>
#include <cstring>
#include <new>

bool TMemoryStream::SetSize(int64_t size) {
  if (size < 0) return false;
  if (size > FCapacity) Reserve(size);
  FSize = size;
  return true;
}

void TMemoryStream::Reserve(int64_t capacity) {
  if (static_cast<uint64_t>(capacity) > SIZE_MAX / 2) throw std::bad_alloc();
  auto memory = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(capacity));
  if (FSize > 0) std::memcpy(memory.get(), FMemory.get(), static_cast<size_t>(FSize));
  FMemory = std::move(memory);
  FCapacity = capacity;
}

int32_t TMemoryStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || FPosition >= FSize) return 0;
  const auto n = static_cast<int32_t>(std::min<int64_t>(count, FSize - FPosition));
  std::memcpy(buffer, FMemory.get() + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

void TMemoryStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return;
  const int64_t end = FPosition + count;
  if (end > FCapacity) Reserve(std::max(end, FCapacity + FCapacity / 2));
  if (FPosition > FSize) std::memset(FMemory.get() + FSize, 0, static_cast<size_t>(FPosition - FSize));
  std::memcpy(FMemory.get() + FPosition, buffer, static_cast<size_t>(count));
  FPosition = end;
  FSize = std::max(FSize, end);
}

void TMemoryStream::Clear() {
  FMemory.reset();
  FSize = FCapacity = FPosition = 0;
}
