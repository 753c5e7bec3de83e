// The Linux host of the simulated machine.
#include "lib/platform/uPlatformHost.h"

#include <malloc.h>

#include <cstddef>

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
