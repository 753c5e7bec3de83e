// The simulated Windows machine.
#include "lib/platform/uPlatformSim.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#ifdef _WIN32
#include <malloc.h>
#endif
#include <thread>

#include "lib/platform/uPlatformHost.h"

namespace {

thread_local win::DWORD GLastError = win::ERROR_SUCCESS;

// FILETIME of 1970-01-01, the system clock's epoch.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

void SimFail(win::DWORD error) { GLastError = error; }

}  // namespace

// --- Page memory ---

void* TSimMemory::VirtualAlloc(void* address, size_t size, win::DWORD allocationType,
                               win::DWORD protect) {
  FAllocCalls.fetch_add(1);
  // Only the use the library makes is modelled: fresh committed read/write pages.
  if (address != nullptr) {
    SimFail(win::ERROR_INVALID_ADDRESS);
    return nullptr;
  }
  if (size == 0 || (allocationType & win::MEM_COMMIT) == 0 || protect != win::PAGE_READWRITE) {
    SimFail(win::ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (size > SIZE_MAX - kPageSize) {
    SimFail(win::ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  const size_t rounded = (size + kPageSize - 1) / kPageSize * kPageSize;
  std::lock_guard guard(FLock);
  if (rounded > FCommitLimit - FCommitted) {
    SimFail(win::ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  // Whole allocation-granularity blocks, aligned as Windows aligns them.
  const size_t reserved =
      (rounded + kAllocationGranularity - 1) / kAllocationGranularity * kAllocationGranularity;
#ifdef _WIN32
  void* block = _aligned_malloc(reserved, kAllocationGranularity);
#else
  void* block = std::aligned_alloc(kAllocationGranularity, reserved);
#endif
  if (block != nullptr) std::memset(block, 0, reserved);
  if (block == nullptr) {
    SimFail(win::ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  FAllocations.emplace(block, rounded);
  FCommitted += rounded;
  return block;
}

bool TSimMemory::VirtualFree(void* address, size_t size, win::DWORD freeType) {
  if (freeType != win::MEM_RELEASE || size != 0) {
    SimFail(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  std::lock_guard guard(FLock);
  auto it = FAllocations.find(address);
  if (it == FAllocations.end()) {
    SimFail(win::ERROR_INVALID_ADDRESS);
    return false;
  }
  FCommitted -= it->second;
#ifdef _WIN32
  _aligned_free(it->first);
#else
  std::free(it->first);
#endif
  FAllocations.erase(it);
  return true;
}

uint64_t TSimMemory::HeapBytesInUse() { return HostHeapBytesInUse(); }

void TSimMemory::SetCommitLimit(uint64_t bytes) {
  std::lock_guard guard(FLock);
  FCommitLimit = bytes;
}

uint64_t TSimMemory::BytesCommitted() const {
  std::lock_guard guard(FLock);
  return FCommitted;
}

size_t TSimMemory::AllocationCount() const {
  std::lock_guard guard(FLock);
  return FAllocations.size();
}

// --- Process ---

std::u16string TSimProcess::GetModuleFileNameW(void* module) {
  if (module != nullptr) {
    SimFail(win::ERROR_INVALID_HANDLE);
    return {};
  }
  std::lock_guard guard(FLock);
  return FModuleFileName;
}

void TSimProcess::OutputDebugStringW(std::u16string_view text) {
  std::lock_guard guard(FLock);
  FDebugOutput.emplace_back(text);
}

win::DWORD TSimProcess::GetCurrentThreadId() {
  // Windows thread ids are small multiples of 4; the Sim hands them out in order of first use.
  static std::atomic<win::DWORD> nextId{0x100};
  thread_local win::DWORD id = nextId.fetch_add(4);
  return id;
}

void TSimProcess::SetModuleFileName(std::u16string path) {
  std::lock_guard guard(FLock);
  FModuleFileName = std::move(path);
}

std::u16string TSimProcess::GetCommandLineW() {
  std::lock_guard guard(FLock);
  return FCommandLine ? *FCommandLine : HostCommandLine();
}

void TSimProcess::SetCommandLine(std::u16string commandLine) {
  std::lock_guard guard(FLock);
  FCommandLine = std::move(commandLine);
}

std::vector<std::u16string> TSimProcess::DebugOutput() const {
  std::lock_guard guard(FLock);
  return FDebugOutput;
}

bool TSimProcess::Wow64RedirectionActive() const {
  if (!IsWow64()) return false;
  std::lock_guard guard(FLock);
  return FRedirectionOff.count(std::this_thread::get_id()) == 0;
}

// The old value handed out is the thread's previous state: null for on, 1 for off.
bool TSimProcess::Wow64DisableWow64FsRedirection(void** oldValue) {
  if (!IsWow64()) {
    SimFail(win::ERROR_INVALID_FUNCTION);
    return false;
  }
  if (oldValue == nullptr) {
    SimFail(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  std::lock_guard guard(FLock);
  const bool wasOff = !FRedirectionOff.emplace(std::this_thread::get_id(), true).second;
  *oldValue = wasOff ? reinterpret_cast<void*>(uintptr_t{1}) : nullptr;
  return true;
}

bool TSimProcess::Wow64RevertWow64FsRedirection(void* oldValue) {
  if (!IsWow64()) {
    SimFail(win::ERROR_INVALID_FUNCTION);
    return false;
  }
  const auto state = reinterpret_cast<uintptr_t>(oldValue);
  if (state > 1) {
    SimFail(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  std::lock_guard guard(FLock);
  if (state == 1) {
    FRedirectionOff[std::this_thread::get_id()] = true;
  } else {
    FRedirectionOff.erase(std::this_thread::get_id());
  }
  return true;
}

bool TSimProcess::SHGetSpecialFolderPathW(char16_t* path, int csidl, bool create) {
  const bool x86OnX64 = Bitness() == TSimBitness::Windows64Process32;
  const bool windows64 = IsWindows64();
  std::u16string folder;
  switch (csidl) {
    case win::CSIDL_PROGRAM_FILES: folder = x86OnX64 ? u"C:\\Program Files (x86)" : u"C:\\Program Files"; break;
    case win::CSIDL_PROGRAM_FILESX86: folder = windows64 ? u"C:\\Program Files (x86)" : u"C:\\Program Files"; break;
    case win::CSIDL_WINDOWS: folder = u"C:\\Windows"; break;
    case win::CSIDL_SYSTEM: folder = u"C:\\Windows\\System32"; break;
    case win::CSIDL_COMMON_APPDATA: folder = u"C:\\ProgramData"; break;
    case win::CSIDL_APPDATA: folder = u"C:\\Users\\User\\AppData\\Roaming"; break;
    case win::CSIDL_LOCAL_APPDATA: folder = u"C:\\Users\\User\\AppData\\Local"; break;
    default:
      SimFail(win::ERROR_FILE_NOT_FOUND);
      return false;
  }
  if (create) {
    // Every missing folder on the way, from the top down.
    for (size_t at = folder.find(u'\\', 3); ; at = folder.find(u'\\', at + 1)) {
      FMachine.Files().CreateDirectoryW(folder.substr(0, at));
      if (at == std::u16string::npos) break;
    }
  }
  std::copy(folder.begin(), folder.end(), path);
  path[folder.size()] = u'\0';
  return true;
}

bool TSimProcess::GetComputerNameW(char16_t* buffer, win::DWORD* size) {
  if (size == nullptr) {
    SimFail(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  std::lock_guard guard(FLock);
  if (buffer == nullptr || *size <= FComputerName.size()) {
    *size = static_cast<win::DWORD>(FComputerName.size() + 1);
    SimFail(win::ERROR_BUFFER_OVERFLOW);
    return false;
  }
  std::copy(FComputerName.begin(), FComputerName.end(), buffer);
  buffer[FComputerName.size()] = u'\0';
  *size = static_cast<win::DWORD>(FComputerName.size());
  return true;
}

void TSimProcess::SetComputerName(std::u16string name) {
  std::lock_guard guard(FLock);
  FComputerName = std::move(name);
}

// --- Clock ---

uint64_t TSimClock::RealTicks100ns() const {
  const auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100);
}

uint64_t TSimClock::RealFileTime() const {
  const auto since = std::chrono::system_clock::now().time_since_epoch();
  return kUnixEpochAsFileTime +
         static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(since).count() / 100);
}

uint64_t TSimClock::GetTickCount64() {
  return (FDriven ? FTicks100ns.load() : RealTicks100ns()) / 10'000;
}

int64_t TSimClock::QueryPerformanceCounter() {
  return static_cast<int64_t>(FDriven ? FTicks100ns.load() : RealTicks100ns());
}

uint64_t TSimClock::GetSystemTimeAsFileTime() { return FDriven ? FFileTime.load() : RealFileTime(); }

void TSimClock::Sleep(win::DWORD milliseconds) {
  if (FDriven) {
    Advance(milliseconds);
  } else {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
}

void TSimClock::SetDriven(bool driven) {
  if (driven && !FDriven) {
    FTicks100ns = RealTicks100ns();
    FFileTime = RealFileTime();
  }
  FDriven = driven;
}

void TSimClock::Advance(uint64_t milliseconds) {
  FTicks100ns.fetch_add(milliseconds * 10'000);
  FFileTime.fetch_add(milliseconds * 10'000);
  FMachine.User().ClockMoved();
}

void TSimClock::SetSystemTime(uint64_t fileTime) {
  SetDriven(true);
  FFileTime = fileTime;
}

// --- The machine ---

TSimMachine::TSimMachine(std::filesystem::path hostRoot) : FFiles(*this, std::move(hostRoot)) {}

TSimToken TSimMachine::RunningToken() const {
  return FSecurity.Token(FProcess.ProcessId());
}

bool TSimMachine::RunningElevated() const {
  const TSimToken token = RunningToken();
  return !token.IntegrityLabel.empty() &&
         token.IntegrityLabel.back() >= win::SECURITY_MANDATORY_HIGH_RID;
}

bool TSimMachine::RunningVirtualized() const {
  const TSimToken token = RunningToken();
  const bool elevated = !token.IntegrityLabel.empty() &&
                        token.IntegrityLabel.back() >= win::SECURITY_MANDATORY_HIGH_RID;
  return token.VirtualizationEnabled && !elevated && FProcess.Bitness() != TSimBitness::Windows64Process64;
}

void TSimMachine::SetElevated(bool elevated) {
  TSimToken token = RunningToken();
  if (elevated) {
    token.IntegrityLabel = {win::SECURITY_MANDATORY_HIGH_RID};
    // An elevated administrator holds these as well; virtualization is off for it.
    for (const char16_t* name :
         {u"SeShutdownPrivilege", u"SeDebugPrivilege", u"SeBackupPrivilege",
          u"SeRestorePrivilege", u"SeTakeOwnershipPrivilege", u"SeLoadDriverPrivilege",
          u"SeSecurityPrivilege", u"SeSystemtimePrivilege", u"SeImpersonatePrivilege",
          u"SeCreateGlobalPrivilege"}) {
      token.Privileges.emplace(name, false);
    }
    token.VirtualizationEnabled = false;
  } else {
    token = TSimToken();
  }
  FSecurity.SetToken(FProcess.ProcessId(), std::move(token));
}

// --- Last error ---

void SimSetLastError(win::DWORD error) { GLastError = error; }

win::DWORD TSimPlatform::GetLastError() { return GLastError; }

void TSimPlatform::SetLastError(win::DWORD error) { GLastError = error; }
