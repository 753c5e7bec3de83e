// The simulated Windows machine: a model of the platform areas in portable C++, whose state
// tests set and inspect. Each Sim area is thread-safe like the real one.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
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

class TSimPlatform final : public TPlatform {
 public:
  std::u16string_view Name() const override { return u"Sim"; }
  TSimMemory& Memory() override { return FMemory; }
  TSimProcess& Process() override { return FProcess; }
  TSimClock& Clock() override { return FClock; }
  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;

 private:
  TSimMemory FMemory;
  TSimProcess FProcess;
  TSimClock FClock;
};
