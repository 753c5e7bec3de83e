// The Linux host of the simulated machine.
#include <malloc.h>
#include <unistd.h>

#include <cstddef>
#include <string>

#include "lib/platform/uPlatformHost.h"

#if defined(__SANITIZE_ADDRESS__)
// Part of the sanitizer runtime's allocator interface (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

uint64_t HostHeapBytesInUse() {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer replaces the allocator; glibc's figures would not move.
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = ::mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

std::filesystem::path HostExecutablePath() {
  std::string buffer(4096, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<size_t>(length));
      return buffer;
    }
    // Possibly cut short: try again with more room.
    if (buffer.size() >= (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
}
