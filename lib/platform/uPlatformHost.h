// What the simulated machine reads from the real process it runs in. One implementation per
// host: uPlatformHostLinux.cpp, and the Win32 backend on Windows.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

// The bytes of the host allocator's blocks in use.
uint64_t HostHeapBytesInUse();
// The running host executable's file; empty when it cannot be found.
std::filesystem::path HostExecutablePath();
// The host process's command line as Windows would hold it, argument 0 included: on Windows
// GetCommandLineW; on Linux the process's arguments joined by blanks, each one that is empty or
// holds a character at or below the blank in double quotes, its own double quotes dropped (the
// program's splitting rules have no escape for them).
//   [/opt/app, -a, two words] => /opt/app -a "two words"
std::u16string HostCommandLine();
