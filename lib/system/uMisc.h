// The library's checks of its own assumptions. Alerts report a problem and let the caller go
// on with a harmless result; stop checks report and raise EDebugStop. They work from program
// start: until a problem reporter is installed (the diagnostics module installs one when it
// starts) an alert reaches only the debugger.
// Also here: flag words, and what the program runs on and with which rights (Windows version
// and bitness, system folders, Wow64 redirection, integrity level, privileges, developer
// machines), with a few small text functions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "lib/platform/uWinApi.h"
#include "lib/values/uMiscLean.h"

// Receives every alert: the problem type ("Alert") and the message. Called on the thread that
// found the problem.
using TProblemReporter = std::function<void(std::u16string_view type, std::u16string_view message)>;

// Installs the reporter that alerts go to and returns the one before (empty at program start).
// Any thread.
TProblemReporter ProblemReporterSet(TProblemReporter reporter);

// When condition holds: reports an "Alert" problem with the message; under a debugger also
// writes "Warning: " + message to the debugger output and breaks. Never throws. Any thread.
void AlertIf(bool condition, std::u16string_view message);
// AlertIf(true, message).
void Alert(std::u16string_view message);
// Marks code that is not to be reached: AlertIf(true, "Should not be used").
void AlertIfUsed();
// Returns condition; an alert with an empty message when it is false.
bool Verify(bool condition);

// When condition holds: sends "Error: " + message to the debugger output, breaks under a
// debugger and raises EDebugStop with that text. Any thread.
void StopIf(bool condition, std::u16string_view message);
// StopIf(!condition, message); returns condition.
bool StopIfNot(bool condition, std::u16string_view message);

// The process runs under a debugger.
bool IsRunningUnderDebugger();
// A break-point trap when IsRunningUnderDebugger.
void DebugBreakIfDebugging();

// --- 64-bit flag words ---
// Words of single-bit flags (file attributes, access masks). Any thread.

// The number of set bits.   0b1011 => 3
int FlagsCount(uint64_t flags);
// flags and flag share a bit. Verifies that flag has at most one bit (an alert otherwise, and
// the answer is still given).
bool FlagsHas(uint64_t flags, uint64_t flag);
// flags and mask share a bit. Verifies that mask has at least one bit (an alert otherwise).
bool FlagsHasAny(uint64_t flags, uint64_t mask);
// Sets the bits of mask in flags.
void FlagsAdd(uint64_t& flags, uint64_t mask);
// flags with the bits of mask set.
uint64_t FlagsAdded(uint64_t flags, uint64_t mask);
// Clears flag in flags when FlagsHas finds it. A flag of several bits (after its alert) clears
// all of them and never sets one.
void FlagsRemove(uint64_t& flags, uint64_t flag);
// FlagsRemove for a 32-bit word; bits of flag above bit 31 are not in it.
void FlagsRemove32(uint32_t& flags, uint64_t flag);
// flags with flag cleared, as FlagsRemove.
uint64_t FlagsRemoved(uint64_t flags, uint64_t flag);

// --- The Windows environment, elevation state and privileges ---
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

// --- Small text functions ---

// The character occurs in the text.
bool TextHasChar(std::u16string_view text, char16_t c);
// Skips the character when the text begins with it, then splits at its next occurrence:
//   ("a|b|c", '|') => "a", "b|c"   ("|a|b", '|') => "a", "b"   ("abc", '|') => "abc", ""
void TextSplitAtChar(std::u16string_view text, char16_t c, std::u16string& first,
                     std::u16string& rest);
// The text n times; empty for n <= 0.
std::u16string TextRepeat(std::u16string_view text, int n);
// Spaces up to the width: alignment 0 after the text (left-aligned), 1 before it (right-
// aligned). Any other alignment raises an alert and gives the text unpadded.
//   ("ab", 0, 4) => "ab  "   ("ab", 1, 4) => "  ab"   ("abcde", 0, 4) => "abcde"
std::u16string TextPad(std::u16string_view text, int alignment, int width);
// Rows of cells laid out in columns as wide as their longest cell, each cell padded with its
// column's alignment; cells joined by " | ", rows by CR LF. A row with more cells than there
// are alignments raises an alert; its extra cells are left-aligned.
//   {{"a", "1"}, {"bcd", "22"}}, {0, 1} => "a   |  1\r\nbcd | 22"
std::u16string TextTable(const std::vector<std::vector<std::u16string>>& rows,
                         const std::vector<uint8_t>& alignments);

// The target of an NT symbolic link of the object namespace ("\??\C:" =>
// "\Device\HarddiskVolume2"); empty text when there is no such link. A failing query of an
// opened link (a target over 128 characters) raises an alert.
std::u16string NtSymbolicLinkTarget(std::u16string_view name);

// --- Exceptions that the debug module leaves to others ---

// A COM call failed with an HRESULT.
class EOleSysError : public Exception {
 public:
  EOleSysError(std::u16string message, int32_t errorCode)
      : Exception(std::move(message)), FErrorCode(errorCode) {}
  int32_t ErrorCode() const { return FErrorCode; }

 private:
  int32_t FErrorCode;
};

// A COM object raised an exception (an HRESULT with the object's description).
class EOleException : public EOleSysError {
 public:
  using EOleSysError::EOleSysError;
};

// An interface query for an interface the object does not implement.
class EIntfCastError : public Exception {
 public:
  using Exception::Exception;
};

// The thread's stack ran out.
class EStackOverflow : public Exception {
 public:
  using Exception::Exception;
};

// False for COM system errors, COM exceptions, interface cast failures and stack overflows
// (and their subclasses); true for every other exception.
bool IsExceptionReportable(const std::exception& exception);
