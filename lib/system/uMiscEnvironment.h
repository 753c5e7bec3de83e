// What the program runs on and with which rights: the Windows version and bitness, the system
// and driver folders, Wow64 redirection, the integrity level, UAC virtualization, privileges and
// the developers' machines. Above paths and version resources; every call asks the platform.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "lib/platform/uWinApi.h"

// Each call asks the platform afresh; none throws. Any thread, except where a function says
// otherwise.

class TPath;

// The Windows version: the file version of shell32.dll in the native system folder (major =
// high word, minor = low word of its most significant double word); 0 and 0 when it cannot
// be read. Reads the file on every call.
void WindowsVersion(int32_t& major, int32_t& minor);
// Windows 7 (6.1) or later.   6.0 => false   6.1 => true   10.0 => true   0.0 => false
bool IsWindowsVersionSupported();
// Major version 6 or more.
bool IsWindowsVistaOrLater();
// Pointer size of the running process in bits (32 for the shipping build).
int ProcessBitness();
// "x64" for a 64-bit process, else "x86".
std::u16string ProcessBitnessName();
// Windows is 64-bit: at once for a 64-bit process, else as IsWow64Process says of the current
// process (false when the call or its entry point fails).
bool IsWow64();
// "x64" when IsWow64, else "x86".
std::u16string WindowsBitnessName();

// The system folder as GetSystemDirectoryW gives it (empty on failure). For a 32-bit process
// on 64-bit Windows, Wow64 redirects it to the 32-bit system files unless redirection is off.
void SystemFolderPath(TPath& path);
// The system driver folder: SystemFolderPath, with its last part replaced by "sysnative" for a
// 32-bit process on 64-bit Windows (the way to the native system folder), plus "Drivers".
//   C:\Windows\System32 => C:\Windows\sysnative\Drivers (32-bit process, 64-bit Windows)
//   C:\Windows\System32 => C:\Windows\System32\Drivers (otherwise)
void DriversFolderPath(TPath& path);

// Switches Wow64 file-system redirection off for the calling thread and keeps the state to
// restore in one process-wide value; nothing happens where the system has no redirection.
// Disable and revert are used as a pair on one thread, not nested, not on two threads at once.
void Wow64FsRedirectionDisable();
// Restores the state kept by the last Wow64FsRedirectionDisable.
void Wow64FsRedirectionRevert();

// The mandatory integrity level (the label's relative id: 0x2000 medium, 0x3000 high) of a
// process. Every failure to read it leaves `level` high (0x3000) and returns true, as does
// Windows before Vista; only a label without sub-authority returns false.
bool ProcessIntegrityLevelOf(win::DWORD processId, win::DWORD& level);
// ProcessIntegrityLevelOf the current process; 0 when it reports failure.
win::DWORD ProcessIntegrityLevel();
// UAC file and registry virtualization is on for a process (0: the current one). False before
// Vista and on every failure.
bool IsUacVirtualizationActive(win::DWORD processId = 0);

// Enables (or disables) a privilege of the current process's token. True only when the token
// holds it (a privilege it lacks gives false).
bool PrivilegeEnable(bool enable, std::u16string_view privilegeName);
// Sets a privilege's attributes (SE_PRIVILEGE_ENABLED, SE_PRIVILEGE_REMOVED, 0) in a token;
// true when the adjustment call succeeded.
bool TokenPrivilegeSet(win::HANDLE token, std::u16string_view privilegeName, win::DWORD attributes);
// Removes from a token the privileges a program started for the user should not have
// (backup, debug, driver loading, ...). The result is that of the first removal; all are
// attempted.
bool TokenPrivilegesRemove(win::HANDLE token);

// The computer's NetBIOS name, or empty text when it cannot be read.
std::u16string ComputerName();
// The computer is one of the developers' machines (names compared without ASCII case),
// including the extra one.
bool IsDeveloperMachine();
// The computer is the extra developer machine (the one that still wipes its old logs).
bool IsExtraDeveloperMachine();
