// The simulated Windows machine: a model of the platform areas in portable C++, whose state
// tests set and inspect. Each Sim area is thread-safe like the real one.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "lib/platform/uPlatform.h"

// Page memory with a commit limit. Commited pages come zeroed, as on Windows.
class TSimMemory final : public TPlatformMemory {
 public:
  static constexpr size_t kPageSize = 4096;

  void* VirtualAlloc(void* address, size_t size, win::DWORD allocationType,
                     win::DWORD protect) override;
  bool VirtualFree(void* address, size_t size, win::DWORD freeType) override;
  // The host process's allocator figure: the Sim runs inside a real process whose heap it is.
  uint64_t HeapBytesInUse() override;

  // The most bytes that may be committed at once; allocations beyond fail with
  // ERROR_NOT_ENOUGH_MEMORY. Unlimited by default.
  void SetCommitLimit(uint64_t bytes);
  uint64_t BytesCommitted() const;
  size_t AllocationCount() const;
  // Number of VirtualAlloc calls made, successful or not.
  uint64_t AllocCalls() const { return FAllocCalls.load(); }

 private:
  mutable std::mutex FLock;
  std::map<void*, size_t> FAllocations;  // guarded by FLock
  uint64_t FCommitted = 0;               // guarded by FLock
  uint64_t FCommitLimit = UINT64_MAX;    // guarded by FLock
  std::atomic<uint64_t> FAllocCalls{0};
};

// The running process: its executable path, a debugger that can be attached, the debugger
// output, and stable small thread ids.
class TSimProcess final : public TPlatformProcess {
 public:
  std::u16string GetModuleFileNameW(void* module) override;
  bool IsDebuggerPresent() override { return FDebuggerPresent.load(); }
  void OutputDebugStringW(std::u16string_view text) override;
  void DebugBreak() override { FDebugBreaks.fetch_add(1); }
  win::DWORD GetCurrentThreadId() override;

  void SetModuleFileName(std::u16string path);
  void SetDebuggerPresent(bool present) { FDebuggerPresent = present; }
  std::vector<std::u16string> DebugOutput() const;
  uint64_t DebugBreaks() const { return FDebugBreaks.load(); }

 private:
  mutable std::mutex FLock;
  std::u16string FModuleFileName = u"C:\\Users\\User\\Downloads\\VardenoSetup.exe";  // FLock
  std::vector<std::u16string> FDebugOutput;                                          // FLock
  std::atomic<bool> FDebuggerPresent{false};
  std::atomic<uint64_t> FDebugBreaks{0};
};

// Real time by default; once driven, time moves only through Advance and Sleep.
class TSimClock final : public TPlatformClock {
 public:
  uint64_t GetTickCount64() override;
  int64_t QueryPerformanceCounter() override;
  int64_t QueryPerformanceFrequency() override { return 10'000'000; }
  uint64_t GetSystemTimeAsFileTime() override;
  void Sleep(win::DWORD milliseconds) override;

  // Freezes the clock at its current reading; from then on only Advance and Sleep move it.
  void SetDriven(bool driven);
  void Advance(uint64_t milliseconds);
  // Sets the wall-clock time (a FILETIME value); the clock becomes driven.
  void SetSystemTime(uint64_t fileTime);

 private:
  uint64_t RealTicks100ns() const;
  uint64_t RealFileTime() const;

  std::atomic<bool> FDriven{false};
  std::atomic<uint64_t> FTicks100ns{0};  // while driven
  std::atomic<uint64_t> FFileTime{0};    // while driven
};

// A Windows file system on host folders: each drive letter maps to a host folder (C: to
// "C" under the Sim's root, a fresh temporary folder unless one is given). Names match without
// case as on Windows; the read-only, hidden, system and archive attributes, open handles with
// their access and share modes (a file held open elsewhere is in use exactly as on Windows) and
// the renames scheduled for the next start live in the model. Paths with the long-path prefix,
// relative paths (to the current folder C:\) and "." / ".." parts are understood; UNC paths
// are not reachable (ERROR_BAD_NETPATH). Thread-safe.
class TSimFiles final : public TPlatformFiles {
 public:
  // A rename scheduled for the next start, as Windows keeps it: NT path texts ("\??\C:\x"),
  // an empty target for a deletion.
  struct TPendingRename {
    std::u16string Source;
    std::u16string Target;
    bool ReplaceExisting;
  };

  explicit TSimFiles(std::filesystem::path hostRoot = {});
  ~TSimFiles() override;
  TSimFiles(const TSimFiles&) = delete;
  TSimFiles& operator=(const TSimFiles&) = delete;

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

  // Maps a drive letter to a host folder (created when missing).
  void MapDrive(char16_t letter, const std::filesystem::path& hostFolder);
  // The host path a Windows path reaches (parts that do not exist yet keep their spelling);
  // empty when the path is not reachable.
  std::filesystem::path HostPath(std::u16string_view fileName);
  std::vector<TPendingRename> PendingFileRenameOperations() const;
  // Carries out the scheduled renames in order, as the next Windows start does, after every
  // handle has been closed. Returns how many failed (their files stay where they are).
  int Restart();
  size_t OpenHandleCount() const;

 private:
  struct TResolved;
  struct TOpenFile;
  struct TSearch;

  bool Resolve(std::u16string_view fileName, TResolved& resolved);
  win::DWORD AttributesOf(const TResolved& resolved) const;
  bool InUse(const std::filesystem::path& host, win::DWORD access, win::DWORD share) const;
  bool BlocksDelete(const std::filesystem::path& host) const;
  bool MoveNow(const TResolved& from, const TResolved& to, bool replace, bool allowCopy);
  void EnsureRoot();

  mutable std::mutex FLock;
  std::filesystem::path FRoot;                                  // FLock
  bool FOwnsRoot = false;                                       // FLock
  std::map<char16_t, std::filesystem::path> FDrives;            // FLock
  std::map<std::filesystem::path, win::DWORD> FAttributes;      // FLock; files with set attributes
  std::map<uintptr_t, std::unique_ptr<TOpenFile>> FHandles;     // FLock
  std::map<uintptr_t, std::unique_ptr<TSearch>> FSearches;      // FLock
  std::vector<TPendingRename> FPending;                         // FLock
  uintptr_t FNextHandle = 0x100;                                // FLock
};

// Sets the calling thread's last-error code of every Sim backend.
void SimSetLastError(win::DWORD error);

class TSimPlatform final : public TPlatform {
 public:
  std::u16string_view Name() const override { return u"Sim"; }
  TSimMemory& Memory() override { return FMemory; }
  TSimProcess& Process() override { return FProcess; }
  TSimClock& Clock() override { return FClock; }
  TSimFiles& Files() override { return FFiles; }
  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;

 private:
  TSimMemory FMemory;
  TSimProcess FProcess;
  TSimClock FClock;
  TSimFiles FFiles;
};
