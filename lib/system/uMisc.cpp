// Alerts and stop checks; 64-bit flag words; the Windows environment, elevation state and
// privileges; small text functions.
#include "lib/system/uMisc.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <mutex>

#include "lib/paths/uPaths.h"
#include "lib/platform/uPlatform.h"
#include "lib/system/GetExeVersionInfo.h"

namespace {

std::mutex& ReporterLock() {
  static std::mutex lock;
  return lock;
}

// Guarded by ReporterLock(). A function-local static so that alerts raised during static
// initialisation find it constructed.
TProblemReporter& Reporter() {
  static TProblemReporter reporter;
  return reporter;
}

}  // namespace

TProblemReporter ProblemReporterSet(TProblemReporter reporter) {
  std::lock_guard guard(ReporterLock());
  std::swap(Reporter(), reporter);
  return reporter;
}

void AlertIf(bool condition, std::u16string_view message) {
  if (!condition) return;
  TProblemReporter reporter;
  {
    std::lock_guard guard(ReporterLock());
    reporter = Reporter();
  }
  // The reporter runs outside the lock: it may log, queue jobs or raise alerts itself.
  if (reporter) {
    try {
      reporter(u"Alert", message);
    } catch (...) {
      // An alert never throws, whatever its receiver does.
    }
  }
  if (IsRunningUnderDebugger()) {
    Platform().Process().OutputDebugStringW(std::u16string(u"Warning: ").append(message));
    DebugBreakIfDebugging();
  }
}

void Alert(std::u16string_view message) { AlertIf(true, message); }

void AlertIfUsed() { AlertIf(true, u"Should not be used"); }

bool Verify(bool condition) {
  AlertIf(!condition, u"");
  return condition;
}

void StopIf(bool condition, std::u16string_view message) {
  if (!condition) return;
  std::u16string text = std::u16string(u"Error: ").append(message);
  Platform().Process().OutputDebugStringW(text);
  DebugBreakIfDebugging();
  throw EDebugStop(std::move(text));
}

bool StopIfNot(bool condition, std::u16string_view message) {
  StopIf(!condition, message);
  return condition;
}

bool IsRunningUnderDebugger() { return Platform().Process().IsDebuggerPresent(); }

void DebugBreakIfDebugging() {
  if (IsRunningUnderDebugger()) Platform().Process().DebugBreak();
}

// --- 64-bit flag words ---

int FlagsCount(uint64_t flags) { return std::popcount(flags); }

bool FlagsHas(uint64_t flags, uint64_t flag) {
  Verify(FlagsCount(flag) <= 1);
  return (flags & flag) != 0;
}

bool FlagsHasAny(uint64_t flags, uint64_t mask) {
  Verify(mask != 0);
  return (flags & mask) != 0;
}

void FlagsAdd(uint64_t& flags, uint64_t mask) { flags |= mask; }

uint64_t FlagsAdded(uint64_t flags, uint64_t mask) { return flags | mask; }

void FlagsRemove(uint64_t& flags, uint64_t flag) { flags = FlagsRemoved(flags, flag); }

void FlagsRemove32(uint32_t& flags, uint64_t flag) {
  // Clearing rather than toggling: a flag of several bits of which only some are set must not
  // set the others.
  if (FlagsHas(flags, flag)) flags &= ~static_cast<uint32_t>(flag);
}

uint64_t FlagsRemoved(uint64_t flags, uint64_t flag) {
  // Clearing rather than toggling, as in FlagsRemove32.
  return FlagsHas(flags, flag) ? flags & ~flag : flags;
}

// --- The Windows environment, elevation state and privileges ---

namespace {

// The developers' machines and the extra one, compared without ASCII case.
constexpr std::u16string_view kDeveloperMachines[] = {u"FALKENSTEIN", u"KESTREL-WS", u"NORDLICHT",
                                                      u"BUILDBOX-07", u"MERIDIAN"};
constexpr std::u16string_view kExtraDeveloperMachine = u"VARDENO-QA";

// Removed from tokens handed to programs started for the user, in this order.
constexpr std::u16string_view kRemovedPrivileges[] = {
    u"SeCreateGlobalPrivilege",
    u"SeBackupPrivilege",
    u"SeCreatePagefilePrivilege",
    u"SeCreateSymbolicLinkPrivilege",
    u"SeDebugPrivilege",
    u"SeImpersonatePrivilege",
    u"SeIncreaseBasePriorityPrivilege",
    u"SeIncreaseQuotaPrivilege",
    u"SeLoadDriverPrivilege",
    u"SeManageVolumePrivilege",
    u"SeProfileSingleProcessPrivilege",
    u"SeRemoteShutdownPrivilege",
    u"SeRestorePrivilege",
    u"SeSecurityPrivilege",
    u"SeSystemEnvironmentPrivilege",
    u"SeSystemProfilePrivilege",
    u"SeSystemtimePrivilege",
    u"SeTakeOwnershipPrivilege",
};

// Written by Wow64FsRedirectionDisable, given back by Wow64FsRedirectionRevert.
std::atomic<void*> GRedirectionState{nullptr};

bool SameAsciiName(std::u16string_view a, std::u16string_view b) {
  return TextInListIgnoreCase(a, {b});
}

}  // namespace

void WindowsVersion(int32_t& major, int32_t& minor) {
  major = 0;
  minor = 0;
  TPath drivers;
  DriversFolderPath(drivers);
  if (drivers.IsEmpty()) return;
  const std::u16string shell = drivers.PathToParent() + u"shell32.dll";
  uint16_t fileMajor = 0, fileMinor = 0, release = 0, build = 0;
  if (ExeVersionInfo(fileMajor, fileMinor, release, build, shell)) {
    major = fileMajor;
    minor = fileMinor;
  }
}

bool IsWindowsVersionSupported() {
  int32_t major = 0, minor = 0;
  WindowsVersion(major, minor);
  return (major == 6 && minor >= 1) || major > 6;
}

bool IsWindowsVistaOrLater() {
  int32_t major = 0, minor = 0;
  WindowsVersion(major, minor);
  return major >= 6;
}

int ProcessBitness() { return Platform().Process().ProcessBitness(); }

std::u16string ProcessBitnessName() { return ProcessBitness() == 64 ? u"x64" : u"x86"; }

bool IsWow64() {
  if (ProcessBitness() == 64) return true;
  TPlatform& platform = Platform();
  bool wow64 = false;
  return platform.Security().IsWow64Process(platform.Process().GetCurrentProcess(), &wow64) &&
         wow64;
}

std::u16string WindowsBitnessName() { return IsWow64() ? u"x64" : u"x86"; }

void SystemFolderPath(TPath& path) {
  char16_t buffer[win::MAX_PATH + 1] = {};
  const win::DWORD length = Platform().Files().GetSystemDirectoryW(buffer, win::MAX_PATH);
  // A result of the buffer's size or more is the size a longer path needs: nothing was stored.
  path =
      length > 0 && length < win::MAX_PATH ? TPath(std::u16string_view(buffer, length)) : TPath();
}

void DriversFolderPath(TPath& path) {
  SystemFolderPath(path);
  if (path.IsEmpty()) return;
  if (IsWow64() && ProcessBitnessName() == u"x86") path.LastSet(u"sysnative");
  path = path + u"Drivers";
}

void Wow64FsRedirectionDisable() {
  void* state = nullptr;
  if (Platform().Process().Wow64DisableWow64FsRedirection(&state)) GRedirectionState = state;
}

void Wow64FsRedirectionRevert() {
  Platform().Process().Wow64RevertWow64FsRedirection(GRedirectionState);
}

bool ProcessIntegrityLevelOf(win::DWORD processId, win::DWORD& level) {
  level = win::SECURITY_MANDATORY_HIGH_RID;
  if (!IsWindowsVistaOrLater()) return true;
  TPlatformSecurity& security = Platform().Security();
  win::HANDLE process = security.OpenProcess(win::PROCESS_ALL_ACCESS, false, processId);
  if (process == nullptr) return true;
  win::HANDLE token = nullptr;
  if (!security.OpenProcessToken(process, win::TOKEN_ALL_ACCESS, &token)) {
    security.CloseHandle(process);
    return true;
  }
  bool result = true;
  win::DWORD needed = 0;
  if (!security.GetTokenInformation(token, win::TokenIntegrityLevel, nullptr, 0, &needed) &&
      Platform().GetLastError() == win::ERROR_INSUFFICIENT_BUFFER &&
      needed >= sizeof(win::TOKEN_MANDATORY_LABEL)) {
    // Pointer-aligned storage for the label and the SID after it.
    std::vector<void*> buffer((needed + sizeof(void*) - 1) / sizeof(void*));
    if (security.GetTokenInformation(token, win::TokenIntegrityLevel, buffer.data(), needed,
                                     &needed)) {
      void* sid =
          static_cast<win::TOKEN_MANDATORY_LABEL*>(static_cast<void*>(buffer.data()))->Label.Sid;
      // The SID lies in the buffer after the label; its sub-authorities must too.
      const auto start = reinterpret_cast<uintptr_t>(buffer.data());
      const auto at = reinterpret_cast<uintptr_t>(sid);
      const bool inside =
          at >= start + sizeof(win::TOKEN_MANDATORY_LABEL) && at + 8 <= start + needed;
      const uint8_t count = inside ? *security.GetSidSubAuthorityCount(sid) : 0;
      if (!inside || at + 8 + 4 * uintptr_t{count} > start + needed) {
        // Unreadable: the level stays high.
      } else if (count == 0) {
        result = false;
      } else {
        level = *security.GetSidSubAuthority(sid, count - 1u);
      }
    }
  }
  security.CloseHandle(token);
  security.CloseHandle(process);
  return result;
}

win::DWORD ProcessIntegrityLevel() {
  win::DWORD level = 0;
  return ProcessIntegrityLevelOf(Platform().Process().GetCurrentProcessId(), level) ? level : 0;
}

bool IsUacVirtualizationActive(win::DWORD processId) {
  if (!IsWindowsVistaOrLater()) return false;
  TPlatform& platform = Platform();
  TPlatformSecurity& security = platform.Security();
  const bool current = processId == 0;
  win::HANDLE process =
      current ? platform.Process().GetCurrentProcess()
              : security.OpenProcess(win::PROCESS_QUERY_INFORMATION, false, processId);
  if (process == nullptr) return false;
  bool active = false;
  win::HANDLE token = nullptr;
  if (security.OpenProcessToken(process, win::TOKEN_QUERY, &token)) {
    win::DWORD enabled = 0, length = 0;
    active = security.GetTokenInformation(token, win::TokenVirtualizationEnabled, &enabled,
                                          sizeof(enabled), &length) &&
             enabled != 0;
    security.CloseHandle(token);
  }
  if (!current) security.CloseHandle(process);
  return active;
}

bool PrivilegeEnable(bool enable, std::u16string_view privilegeName) {
  TPlatform& platform = Platform();
  TPlatformSecurity& security = platform.Security();
  win::HANDLE token = nullptr;
  if (!security.OpenProcessToken(platform.Process().GetCurrentProcess(),
                                 win::TOKEN_ADJUST_PRIVILEGES, &token)) {
    return false;
  }
  bool enabled = false;
  win::LUID_AND_ATTRIBUTES privilege;
  // An unknown name enables nothing (the adjustment would otherwise run with a zero value).
  if (security.LookupPrivilegeValueW(u"", privilegeName, &privilege.Luid)) {
    privilege.Attributes = enable ? win::SE_PRIVILEGE_ENABLED : 0;
    security.AdjustTokenPrivileges(token, false, &privilege, 1);
    enabled = platform.GetLastError() == win::ERROR_SUCCESS;
  }
  security.CloseHandle(token);
  return enabled;
}

bool TokenPrivilegeSet(win::HANDLE token, std::u16string_view privilegeName,
                       win::DWORD attributes) {
  TPlatformSecurity& security = Platform().Security();
  win::LUID_AND_ATTRIBUTES privilege;
  if (!security.LookupPrivilegeValueW(u"", privilegeName, &privilege.Luid)) return false;
  privilege.Attributes = attributes;
  return security.AdjustTokenPrivileges(token, false, &privilege, 1);
}

bool TokenPrivilegesRemove(win::HANDLE token) {
  bool first = true;
  bool result = false;
  for (std::u16string_view name : kRemovedPrivileges) {
    const bool removed = TokenPrivilegeSet(token, name, win::SE_PRIVILEGE_REMOVED);
    if (first) result = removed;
    first = false;
  }
  return result;
}

std::u16string ComputerName() {
  char16_t buffer[win::MAX_PATH] = {};
  win::DWORD size = win::MAX_PATH;
  if (!Platform().Process().GetComputerNameW(buffer, &size) || size >= win::MAX_PATH) return {};
  return std::u16string(buffer, size);
}

bool IsDeveloperMachine() {
  const std::u16string name = ComputerName();
  for (std::u16string_view developer : kDeveloperMachines) {
    if (SameAsciiName(name, developer)) return true;
  }
  return IsExtraDeveloperMachine();
}

bool IsExtraDeveloperMachine() { return SameAsciiName(ComputerName(), kExtraDeveloperMachine); }

// --- Small text functions ---

bool TextHasChar(std::u16string_view text, char16_t c) {
  return text.find(c) != std::u16string_view::npos;
}

void TextSplitAtChar(std::u16string_view text, char16_t c, std::u16string& first,
                     std::u16string& rest) {
  const std::u16string_view from = text.substr(!text.empty() && text[0] == c ? 1 : 0);
  const size_t at = from.find(c);
  if (at == std::u16string_view::npos) {
    first = from;
    rest.clear();
  } else {
    first = from.substr(0, at);
    rest = from.substr(at + 1);
  }
}

std::u16string TextRepeat(std::u16string_view text, int n) {
  std::u16string result;
  if (n <= 0) return result;
  result.reserve(text.size() * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) result.append(text);
  return result;
}

std::u16string TextPad(std::u16string_view text, int alignment, int width) {
  const size_t missing = width > 0 && static_cast<size_t>(width) > text.size()
                             ? static_cast<size_t>(width) - text.size()
                             : 0;
  switch (alignment) {
    case 0:
      return std::u16string(text) + std::u16string(missing, u' ');
    case 1:
      return std::u16string(missing, u' ') + std::u16string(text);
    default:
      Alert(u"TextPad: alignment " + IntToText(alignment));
      return std::u16string(text);
  }
}

std::u16string TextTable(const std::vector<std::vector<std::u16string>>& rows,
                         const std::vector<uint8_t>& alignments) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    Verify(row.size() <= alignments.size());
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::u16string table;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (r > 0) table += u"\r\n";
    for (size_t i = 0; i < rows[r].size(); ++i) {
      if (i > 0) table += u" | ";
      const int alignment = i < alignments.size() ? alignments[i] : 0;
      table += TextPad(rows[r][i], alignment, static_cast<int>(widths[i]));
    }
  }
  return table;
}

std::u16string NtSymbolicLinkTarget(std::u16string_view name) {
  // A counted string holds at most 32767 characters.
  if (name.size() > 0x7FFF) return {};
  std::u16string objectNameText(name);
  win::UNICODE_STRING objectName{static_cast<uint16_t>(name.size() * 2),
                                 static_cast<uint16_t>(name.size() * 2), objectNameText.data()};
  const win::OBJECT_ATTRIBUTES attributes{
      sizeof(win::OBJECT_ATTRIBUTES), nullptr, &objectName, 0, nullptr, nullptr};
  TPlatformFiles& files = Platform().Files();
  win::HANDLE link = nullptr;
  if (files.NtOpenSymbolicLinkObject(&link, win::GENERIC_READ, &attributes) !=
      win::STATUS_SUCCESS) {
    return {};
  }
  char16_t buffer[128] = {};
  win::UNICODE_STRING target{0, sizeof(buffer), buffer};
  win::DWORD returned = 0;
  std::u16string result;
  if (Verify(files.NtQuerySymbolicLinkObject(link, &target, &returned) == win::STATUS_SUCCESS)) {
    // The counted length, which never includes a terminating NUL (the returned length may).
    result.assign(buffer, std::min<size_t>(target.Length, sizeof(buffer)) / 2);
  }
  files.NtClose(link);
  return result;
}

bool IsExceptionReportable(const std::exception& exception) {
  return dynamic_cast<const EOleSysError*>(&exception) == nullptr &&
         dynamic_cast<const EIntfCastError*>(&exception) == nullptr &&
         dynamic_cast<const EStackOverflow*>(&exception) == nullptr;
}
