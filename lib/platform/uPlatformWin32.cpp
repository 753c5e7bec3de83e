// The Win32 backend.
#include "lib/platform/uPlatformWin32.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "lib/platform/uPlatformHost.h"

std::wstring TextToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

std::u16string TextFromWide(std::wstring_view text) {
  return std::u16string(text.begin(), text.end());
}

void* TWin32Memory::VirtualAlloc(void* address, size_t size, win::DWORD allocationType,
                                 win::DWORD protect) {
  return ::VirtualAlloc(address, size, allocationType, protect);
}

bool TWin32Memory::VirtualFree(void* address, size_t size, win::DWORD freeType) {
  return ::VirtualFree(address, size, freeType) != FALSE;
}

uint64_t TWin32Memory::HeapBytesInUse() {
  std::vector<HANDLE> heaps(16);
  for (;;) {
    const DWORD count = ::GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
    if (count <= heaps.size()) {
      heaps.resize(count);
      break;
    }
    heaps.resize(count);
  }
  uint64_t total = 0;
  for (HANDLE heap : heaps) {
    if (!::HeapLock(heap)) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (::HeapWalk(heap, &entry)) {
      if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0) total += entry.cbData;
    }
    ::HeapUnlock(heap);
  }
  return total;
}

uint64_t HostHeapBytesInUse() { return TWin32Memory().HeapBytesInUse(); }

std::filesystem::path HostExecutablePath() {
  const std::u16string path = TWin32Process().GetModuleFileNameW(nullptr);
  return std::filesystem::path(TextToWide(path));
}

std::u16string TWin32Process::GetModuleFileNameW(void* module) {
  // Grows the buffer until the whole path fits (long paths exceed MAX_PATH).
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(static_cast<HMODULE>(module), buffer.data(),
                                              static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return TextFromWide(std::wstring_view(buffer.data(), length));
    if (buffer.size() >= 32768) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::u16string HostCommandLine() { return TWin32Process().GetCommandLineW(); }

std::u16string TWin32Process::GetCommandLineW() {
  const wchar_t* commandLine = ::GetCommandLineW();
  return commandLine != nullptr ? TextFromWide(commandLine) : std::u16string();
}

bool TWin32Process::IsDebuggerPresent() { return ::IsDebuggerPresent() != FALSE; }

void TWin32Process::OutputDebugStringW(std::u16string_view text) {
  ::OutputDebugStringW(TextToWide(text).c_str());
}

void TWin32Process::DebugBreak() { ::DebugBreak(); }

win::DWORD TWin32Process::GetCurrentThreadId() { return ::GetCurrentThreadId(); }

win::HANDLE TWin32Process::GetCurrentProcess() { return ::GetCurrentProcess(); }

win::DWORD TWin32Process::GetCurrentProcessId() { return ::GetCurrentProcessId(); }

void (*Win32OptionalEntry(const wchar_t* module, const char* name))() {
  using TEntry = void (*)();
  static std::mutex lock;
  static std::map<std::pair<std::wstring, std::string>, TEntry> found;  // guarded by lock
  TEntry entry = nullptr;
  {
    std::lock_guard guard(lock);
    const auto key = std::make_pair(std::wstring(module), std::string(name));
    auto it = found.find(key);
    if (it == found.end()) {
      HMODULE handle = ::GetModuleHandleW(module);
      FARPROC address = handle != nullptr ? ::GetProcAddress(handle, name) : nullptr;
      it = found.emplace(key, reinterpret_cast<TEntry>(address)).first;
    }
    entry = it->second;
  }
  if (entry == nullptr) ::SetLastError(ERROR_PROC_NOT_FOUND);
  return entry;
}

bool TWin32Process::Wow64DisableWow64FsRedirection(void** oldValue) {
  using TDisable = BOOL(WINAPI*)(PVOID*);
  auto disable = Win32OptionalFunction<TDisable>(L"kernel32.dll", "Wow64DisableWow64FsRedirection");
  return disable != nullptr && disable(oldValue) != FALSE;
}

bool TWin32Process::Wow64RevertWow64FsRedirection(void* oldValue) {
  using TRevert = BOOL(WINAPI*)(PVOID);
  auto revert = Win32OptionalFunction<TRevert>(L"kernel32.dll", "Wow64RevertWow64FsRedirection");
  return revert != nullptr && revert(oldValue) != FALSE;
}

bool TWin32Process::SHGetSpecialFolderPathW(char16_t* path, int csidl, bool create) {
  wchar_t buffer[MAX_PATH + 1] = {};
  if (!::SHGetSpecialFolderPathW(nullptr, buffer, csidl, create ? TRUE : FALSE)) return false;
  const std::u16string text = TextFromWide(buffer);
  std::copy(text.begin(), text.end(), path);
  path[text.size()] = u'\0';
  return true;
}

bool TWin32Process::GetComputerNameW(char16_t* buffer, win::DWORD* size) {
  if (size == nullptr) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  std::wstring wide(*size, L'\0');
  DWORD length = *size;
  if (!::GetComputerNameW(wide.data(), &length)) {
    *size = length;
    return false;
  }
  std::copy(wide.begin(), wide.begin() + length + 1, buffer);
  *size = length;
  return true;
}

uint64_t TWin32Clock::GetTickCount64() { return ::GetTickCount64(); }

int64_t TWin32Clock::QueryPerformanceCounter() {
  LARGE_INTEGER value;
  ::QueryPerformanceCounter(&value);
  return value.QuadPart;
}

int64_t TWin32Clock::QueryPerformanceFrequency() {
  LARGE_INTEGER value;
  ::QueryPerformanceFrequency(&value);
  return value.QuadPart;
}

uint64_t TWin32Clock::GetSystemTimeAsFileTime() {
  FILETIME time;
  ::GetSystemTimeAsFileTime(&time);
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

void TWin32Clock::Sleep(win::DWORD milliseconds) { ::Sleep(milliseconds); }

win::DWORD TWin32Platform::GetLastError() { return ::GetLastError(); }

void TWin32Platform::SetLastError(win::DWORD error) { ::SetLastError(error); }

bool Win32UnderWine() {
  // Wine's ntdll exports its version; Windows' does not.
  const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
