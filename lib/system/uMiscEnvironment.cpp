// The Windows environment, elevation state and privileges.
#include "lib/system/uMiscEnvironment.h"

#include <atomic>
#include <vector>

#include "lib/paths/uPaths.h"
#include "lib/platform/uPlatform.h"
#include "lib/platform/uPlatformText.h"
#include "lib/system/GetExeVersionInfo.h"

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
    if (TextEqualsIgnoreCase(name, developer)) return true;
  }
  return IsExtraDeveloperMachine();
}

bool IsExtraDeveloperMachine() {
  return TextEqualsIgnoreCase(ComputerName(), kExtraDeveloperMachine);
}
