// The platform layer: every call the library makes to Windows goes through the abstract area
// classes below. Two backends exist: Win32 (real calls, Windows builds only) and Sim (a
// simulated Windows machine, lib/platform/uPlatformSim.h). Windows builds start on Win32 and
// Linux builds on Sim; a test installs a Sim of its own with TPlatformScope.
//
// Each area keeps the Win32 function's name, arguments and results in portable types; a call
// that fails returns false (or an empty/null result) and sets the calling thread's last-error
// code, read with Platform().GetLastError().
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "lib/platform/uWinApi.h"

// Page memory (VirtualAlloc family). Any thread.
class TPlatformMemory {
 public:
  virtual ~TPlatformMemory() = default;
  // Reserves and/or commits pages; commited pages read as zero. Null on failure.
  virtual void* VirtualAlloc(void* address, size_t size, win::DWORD allocationType,
                             win::DWORD protect) = 0;
  // With MEM_RELEASE, size must be 0 and address the start of an allocation.
  virtual bool VirtualFree(void* address, size_t size, win::DWORD freeType) = 0;
  // The bytes of all allocated (busy) blocks of the process's heaps, as a walk of every heap
  // (GetProcessHeaps, HeapWalk) adds them up. A snapshot.
  virtual uint64_t HeapBytesInUse() = 0;
};

// The running process, its debugger and its threads. Any thread.
class TPlatformProcess {
 public:
  virtual ~TPlatformProcess() = default;
  // Full path of the executable (module null) as GetModuleFileNameW gives it; empty on failure.
  virtual std::u16string GetModuleFileNameW(void* module) = 0;
  virtual bool IsDebuggerPresent() = 0;
  virtual void OutputDebugStringW(std::u16string_view text) = 0;
  virtual void DebugBreak() = 0;
  virtual win::DWORD GetCurrentThreadId() = 0;
};

// Time. Any thread.
class TPlatformClock {
 public:
  virtual ~TPlatformClock() = default;
  // Milliseconds since the system started.
  virtual uint64_t GetTickCount64() = 0;
  virtual int64_t QueryPerformanceCounter() = 0;
  virtual int64_t QueryPerformanceFrequency() = 0;
  // Coordinated universal time in 100-ns intervals since 1601-01-01 (a FILETIME).
  virtual uint64_t GetSystemTimeAsFileTime() = 0;
  virtual void Sleep(win::DWORD milliseconds) = 0;
};

// Files, folders and their attributes. Paths are the texts Windows gets: drive paths such as
// C:\Data\x.txt or \\?\C:\Data\x.txt, UNC paths, relative paths. Any thread; a handle is used
// by one thread at a time.
class TPlatformFiles {
 public:
  virtual ~TPlatformFiles() = default;
  // No security attributes, no template. INVALID_HANDLE_VALUE on failure.
  virtual win::HANDLE CreateFileW(std::u16string_view fileName, win::DWORD desiredAccess,
                                  win::DWORD shareMode, win::DWORD creationDisposition,
                                  win::DWORD flagsAndAttributes) = 0;
  virtual bool CloseHandle(win::HANDLE handle) = 0;
  virtual bool ReadFile(win::HANDLE file, void* buffer, win::DWORD bytesToRead,
                        win::DWORD* bytesRead) = 0;
  virtual bool WriteFile(win::HANDLE file, const void* buffer, win::DWORD bytesToWrite,
                         win::DWORD* bytesWritten) = 0;
  virtual bool GetFileSizeEx(win::HANDLE file, int64_t* size) = 0;
  virtual bool SetFilePointerEx(win::HANDLE file, int64_t distance, int64_t* newPosition,
                                win::DWORD moveMethod) = 0;
  virtual bool SetEndOfFile(win::HANDLE file) = 0;
  virtual bool GetFileInformationByHandle(win::HANDLE file,
                                          win::BY_HANDLE_FILE_INFORMATION* information) = 0;
  // INVALID_FILE_ATTRIBUTES on failure.
  virtual win::DWORD GetFileAttributesW(std::u16string_view fileName) = 0;
  virtual bool SetFileAttributesW(std::u16string_view fileName, win::DWORD attributes) = 0;
  // No security attributes.
  virtual bool CreateDirectoryW(std::u16string_view pathName) = 0;
  virtual bool RemoveDirectoryW(std::u16string_view pathName) = 0;
  virtual bool DeleteFileW(std::u16string_view fileName) = 0;
  virtual bool CopyFileW(std::u16string_view existingFileName, std::u16string_view newFileName,
                         bool failIfExists) = 0;
  // An empty new name with MOVEFILE_DELAY_UNTIL_REBOOT deletes the file at the next start.
  virtual bool MoveFileExW(std::u16string_view existingFileName, std::u16string_view newFileName,
                           win::DWORD flags) = 0;
  virtual win::HANDLE FindFirstFileW(std::u16string_view fileName, win::WIN32_FIND_DATAW* data) = 0;
  virtual bool FindNextFileW(win::HANDLE find, win::WIN32_FIND_DATAW* data) = 0;
  virtual bool FindClose(win::HANDLE find) = 0;
};

// One backend: the set of areas plus the per-thread last-error code.
class TPlatform {
 public:
  virtual ~TPlatform() = default;
  virtual std::u16string_view Name() const = 0;
  virtual TPlatformMemory& Memory() = 0;
  virtual TPlatformProcess& Process() = 0;
  virtual TPlatformClock& Clock() = 0;
  virtual TPlatformFiles& Files() = 0;
  virtual win::DWORD GetLastError() = 0;
  virtual void SetLastError(win::DWORD error) = 0;
};

// The backend in use. Any thread; the backend must not be exchanged while other threads use it.
TPlatform& Platform();

// Makes `platform` the backend in use and returns the one before. The caller keeps ownership.
TPlatform* PlatformExchange(TPlatform* platform);

// The backend a build starts with: Win32 on Windows, a shared Sim elsewhere.
TPlatform& PlatformDefault();

// Installs a backend for the lifetime of the scope and restores the previous one after.
// Typical test use:  TPlatformScope<TSimPlatform> sim;  sim->Clock().SetDriven(true);
template <typename TBackend>
class TPlatformScope {
 public:
  template <typename... TArgs>
  explicit TPlatformScope(TArgs&&... args)
      : FBackend(std::make_unique<TBackend>(std::forward<TArgs>(args)...)),
        FPrevious(PlatformExchange(FBackend.get())) {}
  ~TPlatformScope() { PlatformExchange(FPrevious); }
  TPlatformScope(const TPlatformScope&) = delete;
  TPlatformScope& operator=(const TPlatformScope&) = delete;

  TBackend* operator->() { return FBackend.get(); }
  TBackend& operator*() { return *FBackend; }

 private:
  std::unique_ptr<TBackend> FBackend;
  TPlatform* FPrevious;
};
