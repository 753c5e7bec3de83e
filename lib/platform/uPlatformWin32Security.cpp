// The Win32 backend of processes, tokens and privileges, and of version resources.
#include <vector>

#include "lib/platform/uPlatformWin32.h"

// After the portable spellings (uWinApi.h), whose names its macros would replace.
#include <windows.h>

// --- Processes and tokens ---

win::HANDLE TWin32Security::OpenProcess(win::DWORD desiredAccess, bool inheritHandle,
                                        win::DWORD processId) {
  return ::OpenProcess(desiredAccess, inheritHandle ? TRUE : FALSE, processId);
}

bool TWin32Security::IsWow64Process(win::HANDLE process, bool* wow64Process) {
  // Looked up at run time: systems before XP SP2 lack the entry point.
  using TIsWow64Process = BOOL(WINAPI*)(HANDLE, PBOOL);
  auto isWow64 = Win32OptionalFunction<TIsWow64Process>(L"kernel32.dll", "IsWow64Process");
  BOOL wow64 = FALSE;
  if (isWow64 == nullptr || isWow64(process, &wow64) == FALSE) return false;
  if (wow64Process != nullptr) *wow64Process = wow64 != FALSE;
  return true;
}

bool TWin32Security::OpenProcessToken(win::HANDLE process, win::DWORD desiredAccess,
                                      win::HANDLE* token) {
  return ::OpenProcessToken(process, desiredAccess, token) != FALSE;
}

bool TWin32Security::GetTokenInformation(win::HANDLE token, win::DWORD informationClass,
                                         void* information, win::DWORD informationLength,
                                         win::DWORD* returnLength) {
  DWORD length = 0;
  const bool ok =
      ::GetTokenInformation(token, static_cast<TOKEN_INFORMATION_CLASS>(informationClass),
                            information, informationLength, &length) != FALSE;
  if (returnLength != nullptr) *returnLength = length;
  return ok;
}

uint8_t* TWin32Security::GetSidSubAuthorityCount(void* sid) {
  return ::GetSidSubAuthorityCount(sid);
}

win::DWORD* TWin32Security::GetSidSubAuthority(void* sid, win::DWORD subAuthority) {
  return reinterpret_cast<win::DWORD*>(::GetSidSubAuthority(sid, subAuthority));
}

bool TWin32Security::LookupPrivilegeValueW(std::u16string_view systemName, std::u16string_view name,
                                           win::LUID* luid) {
  const std::wstring system = TextToWide(systemName);
  ::LUID value{};
  if (!::LookupPrivilegeValueW(systemName.empty() ? nullptr : system.c_str(),
                               TextToWide(name).c_str(), &value)) {
    return false;
  }
  luid->LowPart = value.LowPart;
  luid->HighPart = value.HighPart;
  return true;
}

bool TWin32Security::AdjustTokenPrivileges(win::HANDLE token, bool disableAllPrivileges,
                                           const win::LUID_AND_ATTRIBUTES* newState,
                                           win::DWORD count) {
  // TOKEN_PRIVILEGES with room for `count` entries.
  const size_t bytes =
      sizeof(TOKEN_PRIVILEGES) + sizeof(::LUID_AND_ATTRIBUTES) * (count > 0 ? count - 1 : 0);
  std::vector<DWORD> storage((bytes + sizeof(DWORD) - 1) / sizeof(DWORD), 0);
  auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(storage.data());
  privileges->PrivilegeCount = count;
  for (DWORD i = 0; i < count; ++i) {
    privileges->Privileges[i].Luid.LowPart = newState[i].Luid.LowPart;
    privileges->Privileges[i].Luid.HighPart = newState[i].Luid.HighPart;
    privileges->Privileges[i].Attributes = newState[i].Attributes;
  }
  return ::AdjustTokenPrivileges(token, disableAllPrivileges ? TRUE : FALSE,
                                 disableAllPrivileges ? nullptr : privileges, 0, nullptr,
                                 nullptr) != FALSE;
}

bool TWin32Security::CloseHandle(win::HANDLE handle) { return ::CloseHandle(handle) != FALSE; }

// --- Version resources ---

win::HRSRC TWin32Resources::FindResourceW(win::HMODULE module, std::u16string_view name,
                                          uint16_t type) {
  return ::FindResourceW(static_cast<HMODULE>(module), TextToWide(name).c_str(),
                         MAKEINTRESOURCEW(type));
}

win::HGLOBAL TWin32Resources::LoadResource(win::HMODULE module, win::HRSRC resource) {
  return ::LoadResource(static_cast<HMODULE>(module), static_cast<HRSRC>(resource));
}

const void* TWin32Resources::LockResource(win::HGLOBAL loaded) { return ::LockResource(loaded); }

win::DWORD TWin32Resources::SizeofResource(win::HMODULE module, win::HRSRC resource) {
  return ::SizeofResource(static_cast<HMODULE>(module), static_cast<HRSRC>(resource));
}

win::DWORD TWin32Resources::GetFileVersionInfoSizeW(std::u16string_view fileName) {
  DWORD ignored = 0;
  return ::GetFileVersionInfoSizeW(TextToWide(fileName).c_str(), &ignored);
}

bool TWin32Resources::GetFileVersionInfoW(std::u16string_view fileName, win::DWORD length,
                                          void* data) {
  return ::GetFileVersionInfoW(TextToWide(fileName).c_str(), 0, length, data) != FALSE;
}

bool TWin32Resources::VerQueryValueW(const void* block, std::u16string_view subBlock, void** buffer,
                                     win::DWORD* length) {
  UINT size = 0;
  if (!::VerQueryValueW(block, TextToWide(subBlock).c_str(), buffer, &size)) return false;
  *length = size;
  return true;
}
