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

class TWin32Files final : public TPlatformFiles {
 public:
  win::HANDLE CreateFileW(std::u16string_view fileName, win::DWORD desiredAccess,
                          win::DWORD shareMode, win::DWORD creationDisposition,
                          win::DWORD flagsAndAttributes) override;
  bool CloseHandle(win::HANDLE handle) override;
  bool ReadFile(win::HANDLE file, void* buffer, win::DWORD bytesToRead,
                win::DWORD* bytesRead) override;
  bool WriteFile(win::HANDLE file, const void* buffer, win::DWORD bytesToWrite,
                 win::DWORD* bytesWritten) override;
  bool GetFileSizeEx(win::HANDLE file, int64_t* size) override;
  bool SetFilePointerEx(win::HANDLE file, int64_t distance, int64_t* newPosition,
                        win::DWORD moveMethod) override;
  bool SetEndOfFile(win::HANDLE file) override;
  bool GetFileInformationByHandle(win::HANDLE file,
                                  win::BY_HANDLE_FILE_INFORMATION* information) override;
  win::DWORD GetFileAttributesW(std::u16string_view fileName) override;
  bool SetFileAttributesW(std::u16string_view fileName, win::DWORD attributes) override;
  bool CreateDirectoryW(std::u16string_view pathName) override;
  bool RemoveDirectoryW(std::u16string_view pathName) override;
  bool DeleteFileW(std::u16string_view fileName) override;
  bool CopyFileW(std::u16string_view existingFileName, std::u16string_view newFileName,
                 bool failIfExists) override;
  bool MoveFileExW(std::u16string_view existingFileName, std::u16string_view newFileName,
                   win::DWORD flags) override;
  win::HANDLE FindFirstFileW(std::u16string_view fileName, win::WIN32_FIND_DATAW* data) override;
  bool FindNextFileW(win::HANDLE find, win::WIN32_FIND_DATAW* data) override;
  bool FindClose(win::HANDLE find) override;
};

class TWin32Platform final : public TPlatform {
 public:
  std::u16string_view Name() const override { return u"Win32"; }
  TWin32Memory& Memory() override { return FMemory; }
  TWin32Process& Process() override { return FProcess; }
  TWin32Clock& Clock() override { return FClock; }
  TWin32Files& Files() override { return FFiles; }
  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;

 private:
  TWin32Memory FMemory;
  TWin32Process FProcess;
  TWin32Clock FClock;
  TWin32Files FFiles;
};

// Text conversions at the Win32 boundary (wchar_t is UTF-16 there).
std::wstring TextToWide(std::u16string_view text);
std::u16string TextFromWide(std::wstring_view text);
