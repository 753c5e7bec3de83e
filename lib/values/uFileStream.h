// A stream over a file, read or written through the platform layer. Owner thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/platform/uWinApi.h"
#include "lib/values/uMiscLean.h"

// The file cannot be opened: "Cannot open file "<name>". <reason>".
class EFOpenError : public Exception {
 public:
  using Exception::Exception;
};
// The file cannot be created: "Cannot create file "<name>". <reason>".
class EFCreateError : public Exception {
 public:
  using Exception::Exception;
};
class EReadError : public Exception {
 public:
  using Exception::Exception;
};
class EWriteError : public Exception {
 public:
  using Exception::Exception;
};

class TFileStream {
 public:
  enum class TMode {
    OpenRead,   // an existing file, shared for reading
    Create,     // created or truncated, not shared
  };

  // Raises EFOpenError (OpenRead) or EFCreateError (Create) when the platform refuses.
  TFileStream(std::u16string_view fileName, TMode mode);
  ~TFileStream();
  TFileStream(const TFileStream&) = delete;
  TFileStream& operator=(const TFileStream&) = delete;

  int64_t Size();
  int64_t Position();
  void SetPosition(int64_t position);
  // Reads up to count bytes; returns how many were read (0 at the end). Raises EReadError.
  int32_t Read(void* buffer, int32_t count);
  // Writes all count bytes or raises EWriteError.
  void Write(const void* buffer, int32_t count);

 private:
  win::HANDLE FHandle;
  std::u16string FFileName;
};
