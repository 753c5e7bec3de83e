// Portable spellings of the Win32 types, flags and error codes that the platform layer's
// interfaces use. Values are Windows' own. A Win32 backend file includes this header before
// <windows.h>, whose macros would otherwise replace these names.
#pragma once

#include <cstdint>

namespace win {

using DWORD = uint32_t;

// Error codes (GetLastError).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_ADDRESS = 487;

// VirtualAlloc / VirtualFree.
constexpr DWORD MEM_COMMIT = 0x00001000;
constexpr DWORD MEM_RESERVE = 0x00002000;
constexpr DWORD MEM_RELEASE = 0x00008000;
constexpr DWORD PAGE_READWRITE = 0x04;

constexpr DWORD MAX_PATH = 260;

}  // namespace win
