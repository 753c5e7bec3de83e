// What the simulated machine reads from the real process it runs in. One implementation per
// host: uPlatformHostLinux.cpp, and the Win32 backend on Windows.
#pragma once

#include <cstdint>
#include <filesystem>

// The bytes of the host allocator's blocks in use.
uint64_t HostHeapBytesInUse();
// The running host executable's file; empty when it cannot be found.
std::filesystem::path HostExecutablePath();
