// The Win32 backend: each area calls the Windows function of the same name. Windows builds only.
#pragma once

#include "lib/platform/uPlatform.h"

class TWin32Memory final : public TPlatformMemory {
 public:
  void* VirtualAlloc(void* address, size_t size, win::DWORD allocationType,
                     win::DWORD protect) override;
  bool VirtualFree(void* address, size_t size, win::DWORD freeType) override;
  uint64_t HeapBytesInUse() override;
};

class TWin32Process final : public TPlatformProcess {
 public:
  std::u16string GetModuleFileNameW(void* module) override;
  bool IsDebuggerPresent() override;
  void OutputDebugStringW(std::u16string_view text) override;
  void DebugBreak() override;
  win::DWORD GetCurrentThreadId() override;
};

class TWin32Clock final : public TPlatformClock {
 public:
  uint64_t GetTickCount64() override;
  int64_t QueryPerformanceCounter() override;
  int64_t QueryPerformanceFrequency() override;
  uint64_t GetSystemTimeAsFileTime() override;
  void Sleep(win::DWORD milliseconds) override;
};

class TWin32Platform final : public TPlatform {
 public:
  std::u16string_view Name() const override { return u"Win32"; }
  TWin32Memory& Memory() override { return FMemory; }
  TWin32Process& Process() override { return FProcess; }
  TWin32Clock& Clock() override { return FClock; }
  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;

 private:
  TWin32Memory FMemory;
  TWin32Process FProcess;
  TWin32Clock FClock;
};

// Text conversions at the Win32 boundary (wchar_t is UTF-16 there).
std::wstring TextToWide(std::u16string_view text);
std::u16string TextFromWide(std::wstring_view text);
