// What the simulated machine reads from the real process it runs in. One implementation per
// host: uPlatformHostLinux.cpp, and the Win32 backend on Windows.
#pragma once

#include <cstdint>

// The bytes of the host allocator's blocks in use.
uint64_t HostHeapBytesInUse();
