// A read-only stream over an RCDATA resource of the running executable, reached through the
// platform layer. The bytes are the loaded resource's own (nothing is copied). Owner thread only.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "lib/values/uMiscLean.h"

// The resource is not there or cannot be loaded: "Resource <name> not found".
class EResNotFound : public Exception {
 public:
  using Exception::Exception;
};

class TResourceStream {
 public:
  // Finds and loads the resource; raises EResNotFound.
  explicit TResourceStream(std::u16string_view name);
  TResourceStream(const TResourceStream&) = delete;
  TResourceStream& operator=(const TResourceStream&) = delete;

  int64_t Size() const { return static_cast<int64_t>(FBytes.size()); }
  int64_t Position() const { return FPosition; }
  // Positions below 0 become 0; past the end, reads give 0 bytes.
  void SetPosition(int64_t position) { FPosition = position < 0 ? 0 : position; }
  // Copies up to count bytes from the position on and advances it; returns the bytes read.
  int32_t Read(void* buffer, int32_t count);
  std::span<const uint8_t> Bytes() const { return FBytes; }

 private:
  std::span<const uint8_t> FBytes;
  int64_t FPosition = 0;
};
