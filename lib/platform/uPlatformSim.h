// The simulated Windows machine: a model of the platform areas in portable C++, whose state
// tests set and inspect. One TSimMachine holds the areas, and each area consults the others
// through it as Windows does: the running process's token decides what its file calls may
// change, its bitness decides Wow64 redirection, the clock drives the message loop's timers.
// Each Sim area is thread-safe like the real one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "lib/platform/uPlatform.h"

class TSimMachine;

// Page memory with a commit limit. Allocations start on a 64 KiB boundary (the allocation
// granularity) and committed pages come zeroed, as on Windows.
class TSimMemory final : public TPlatformMemory {
 public:
  static constexpr size_t kPageSize = 4096;
  static constexpr size_t kAllocationGranularity = 65536;

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

// Bitness of the simulated Windows and of the process running on it.
enum class TSimBitness {
  Windows32,           // 32-bit Windows, 32-bit process
  Windows64Process32,  // a 32-bit process on 64-bit Windows (Wow64): the installer's case
  Windows64Process64,
};

// The running process and the machine it runs on: its executable path, command line, process
// id, bitness and that of Windows, the Wow64 file-system redirection of each of its threads,
// the computer name, a debugger that can be attached, the debugger output, and stable small
// thread ids.
// By default a 32-bit process on 64-bit Windows with redirection on.
class TSimProcess final : public TPlatformProcess {
 public:
  explicit TSimProcess(TSimMachine& machine) : FMachine(machine) {}
  std::u16string GetModuleFileNameW(void* module) override;
  // The command line set with SetCommandLine; until then the host process's own (its real
  // arguments joined as a Windows command line, HostCommandLine).
  std::u16string GetCommandLineW() override;
  bool IsDebuggerPresent() override { return FDebuggerPresent.load(); }
  void OutputDebugStringW(std::u16string_view text) override;
  void DebugBreak() override { FDebugBreaks.fetch_add(1); }
  win::DWORD GetCurrentThreadId() override;
  win::HANDLE GetCurrentProcess() override { return win::CURRENT_PROCESS; }
  win::DWORD GetCurrentProcessId() override { return FProcessId.load(); }
  int ProcessBitness() override { return Bitness() == TSimBitness::Windows64Process64 ? 64 : 32; }
  bool Wow64DisableWow64FsRedirection(void** oldValue) override;
  bool Wow64RevertWow64FsRedirection(void* oldValue) override;
  bool GetComputerNameW(char16_t* buffer, win::DWORD* size) override;
  // The folders of a default installation: C:\Program Files (the x86 one for a 32-bit process
  // on 64-bit Windows), C:\Windows, C:\Windows\System32, C:\ProgramData and the user's
  // AppData folders. Folders are created through the machine's files, as the process.
  bool SHGetSpecialFolderPathW(char16_t* path, int csidl, bool create) override;

  void SetModuleFileName(std::u16string path);
  void SetCommandLine(std::u16string commandLine);
  void SetDebuggerPresent(bool present) { FDebuggerPresent = present; }
  std::vector<std::u16string> DebugOutput() const;
  uint64_t DebugBreaks() const { return FDebugBreaks.load(); }
  void SetProcessId(win::DWORD id) { FProcessId = id; }
  win::DWORD ProcessId() const { return FProcessId.load(); }
  void SetBitness(TSimBitness bitness) { FBitness = bitness; }
  TSimBitness Bitness() const { return FBitness.load(); }
  bool IsWindows64() const { return Bitness() != TSimBitness::Windows32; }
  // A 32-bit process on 64-bit Windows.
  bool IsWow64() const { return Bitness() == TSimBitness::Windows64Process32; }
  // Paths under the system folder are redirected for the calling thread: a Wow64 process
  // whose thread has not switched redirection off.
  bool Wow64RedirectionActive() const;
  void SetComputerName(std::u16string name);

 private:
  TSimMachine& FMachine;
  mutable std::mutex FLock;
  std::u16string FModuleFileName = u"C:\\Users\\User\\Downloads\\VardenoSetup.exe";  // FLock
  std::optional<std::u16string> FCommandLine;  // FLock; unset: the host's
  std::vector<std::u16string> FDebugOutput;                                          // FLock
  std::u16string FComputerName = u"SIMPC";                                           // FLock
  std::map<std::thread::id, bool> FRedirectionOff;  // FLock; threads that switched it off
  std::atomic<bool> FDebuggerPresent{false};
  std::atomic<uint64_t> FDebugBreaks{0};
  std::atomic<win::DWORD> FProcessId{5236};
  std::atomic<TSimBitness> FBitness{TSimBitness::Windows64Process32};
};

// Real time by default; once driven, time moves only through Advance and Sleep, and each
// move lets the message loop see the timers that came due.
class TSimClock final : public TPlatformClock {
 public:
  explicit TSimClock(TSimMachine& machine) : FMachine(machine) {}
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
  bool IsDriven() const { return FDriven.load(); }

 private:
  uint64_t RealTicks100ns() const;
  uint64_t RealFileTime() const;

  TSimMachine& FMachine;

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
//
// The machine's volumes and DOS devices: every mapped drive is a volume with a GUID name and
// a device (C: is \Device\HarddiskVolume2); a DOS device may also point at a folder of another
// drive (\??\C:\Work, a substituted drive), and paths on such a drive reach that folder.
// Windows lives in C:\Windows: System32 holds shell32.dll, whose file version is the Windows
// version (10.0 unless set); on 64-bit Windows SysWOW64 holds the 32-bit copy, and for a
// thread of a 32-bit process with redirection on (see TSimProcess) C:\Windows\System32
// reaches SysWOW64 and C:\Windows\sysnative reaches System32.
//
// Access follows the running process's token: below C:\Windows (system32\drivers included),
// C:\Program Files and C:\Program Files (x86) only a process at high integrity or above may
// create, change, move or delete anything; a standard user's calls fail there with
// ERROR_ACCESS_DENIED, and so does scheduling any rename for the next start (it writes to the
// machine's part of the registry). A 32-bit process with virtualization on writes such files
// into its user's VirtualStore (C:\Users\User\AppData\Local\VirtualStore\...) instead, and
// then reads them from there; executable images (.exe, .dll, .sys, ...) are not virtualized.
//
// Names follow the Win32 rules: a prefixed path (\\?\) is taken as it stands, so an empty
// part is an invalid name, and \\?\C: names the volume device, not the root folder; a
// separator after a file's name is an invalid name; listings come in NTFS order (names
// compared upper-cased).
class TSimFiles final : public TPlatformFiles {
 public:
  // A rename scheduled for the next start, as Windows keeps it: NT path texts ("\??\C:\x"),
  // an empty target for a deletion.
  struct TPendingRename {
    std::u16string Source;
    std::u16string Target;
    bool ReplaceExisting;
  };

  // The machine's process decides Wow64 redirection and the bitness of Windows, its token
  // what may be changed. The drives live under hostRoot (a fresh temporary folder if empty).
  explicit TSimFiles(TSimMachine& machine, std::filesystem::path hostRoot = {});
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
  win::DWORD QueryDosDeviceW(std::u16string_view deviceName, char16_t* targetPath,
                             win::DWORD maxChars) override;
  win::HANDLE FindFirstVolumeW(char16_t* volumeName, win::DWORD bufferLength) override;
  bool FindNextVolumeW(win::HANDLE findVolume, char16_t* volumeName,
                       win::DWORD bufferLength) override;
  bool FindVolumeClose(win::HANDLE findVolume) override;
  bool GetVolumeNameForVolumeMountPointW(std::u16string_view volumeMountPoint, char16_t* volumeName,
                                         win::DWORD bufferLength) override;
  win::DWORD GetSystemDirectoryW(char16_t* buffer, win::DWORD size) override;
  win::NTSTATUS NtOpenSymbolicLinkObject(win::HANDLE* linkHandle, win::DWORD desiredAccess,
                                         const win::OBJECT_ATTRIBUTES* objectAttributes) override;
  win::NTSTATUS NtQuerySymbolicLinkObject(win::HANDLE linkHandle, win::UNICODE_STRING* linkTarget,
                                          win::DWORD* returnedLength) override;
  win::NTSTATUS NtClose(win::HANDLE handle) override;

  // Maps a drive letter to a host folder (created when missing). A letter without a DOS
  // device becomes a new volume.
  void MapDrive(char16_t letter, const std::filesystem::path& hostFolder);
  // Adds a volume ("Volume{...}", enumerated after the others) on a device
  // ("\Device\HarddiskVolume7") and its DOS device, without a drive letter.
  void AddVolume(std::u16string volumeName, std::u16string device);
  // Sets the target of a DOS device; an empty target removes the device. A drive whose
  // target is \??\ and a folder of another drive is a substituted drive.
  void DefineDosDevice(std::u16string name, std::u16string target);
  // Sets the file version of shell32.dll in the system folders (in both of them on 64-bit
  // Windows), which is the Windows version.
  void SetWindowsVersion(uint16_t major, uint16_t minor, uint16_t build = 0);
  // Writes a file with its folders, as the machine's set-up would; no Wow64 redirection.
  void MakeFile(std::u16string_view fileName, const std::vector<uint8_t>& content);
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

  bool Resolve(std::u16string_view fileName, TResolved& resolved, bool redirect = true);
  // Whether the running process may create or change `target`; a virtualized write moves
  // `target` into the VirtualStore (creating its folders). False with ERROR_ACCESS_DENIED.
  bool MayChange(TResolved& target, bool virtualize = true);
  void AddVolumeLocked(std::u16string volumeName, std::u16string device);
  void WriteWindowsFilesLocked();
  void MakeFileLocked(std::u16string_view fileName, const std::vector<uint8_t>& content);
  win::DWORD AttributesOf(const TResolved& resolved) const;
  bool InUse(const std::filesystem::path& host, win::DWORD access, win::DWORD share) const;
  bool BlocksDelete(const std::filesystem::path& host) const;
  bool MoveNow(const TResolved& from, const TResolved& to, bool replace, bool allowCopy);
  void EnsureRoot();

  mutable std::mutex FLock;
  std::filesystem::path FRoot;                               // FLock
  bool FOwnsRoot = false;                                    // FLock
  std::map<char16_t, std::filesystem::path> FDrives;         // FLock
  std::map<std::filesystem::path, win::DWORD> FAttributes;   // FLock; files with set attributes
  std::map<uintptr_t, std::unique_ptr<TOpenFile>> FHandles;  // FLock
  std::map<uintptr_t, std::unique_ptr<TSearch>> FSearches;   // FLock
  std::vector<TPendingRename> FPending;                      // FLock
  uintptr_t FNextHandle = 0x100;                             // FLock
  TSimMachine& FMachine;
  // DOS devices by upper-case name: the name as defined and its target. FLock.
  std::map<std::u16string, std::pair<std::u16string, std::u16string>> FDosDevices;
  std::vector<std::pair<std::u16string, std::u16string>> FVolumes;  // FLock; name, device
  int FNextVolumeNumber = 2;                                        // FLock
  std::map<uintptr_t, size_t> FVolumeSearches;                      // FLock; next volume
  std::map<uintptr_t, std::u16string> FLinks;                       // FLock; open link targets
  uint16_t FWindowsVersion[3] = {10, 0, 19041};                     // FLock
};

// A process of the Sim machine as its access token describes it.
struct TSimToken {
  // Sub-authorities of the mandatory label's SID (S-1-16-...): normally one, the integrity
  // level's relative id.
  std::vector<win::DWORD> IntegrityLabel = {win::SECURITY_MANDATORY_MEDIUM_RID};
  bool VirtualizationEnabled = false;
  // Held privileges by name, with whether each is enabled; a standard user's by default.
  std::map<std::u16string, bool> Privileges = {{u"SeShutdownPrivilege", false},
                                               {u"SeChangeNotifyPrivilege", true},
                                               {u"SeUndockPrivilege", false},
                                               {u"SeIncreaseWorkingSetPrivilege", false},
                                               {u"SeTimeZonePrivilege", false}};
  // A 32-bit process on 64-bit Windows (other processes; the running process follows
  // TSimProcess::Bitness).
  bool Wow64 = false;
};

// The machine's processes by id and their tokens. The running process (TSimProcess's id)
// starts as a standard user at medium integrity. A process may open another of higher
// integrity only for limited queries. Thread-safe.
class TSimSecurity final : public TPlatformSecurity {
 public:
  explicit TSimSecurity(TSimMachine& machine) : FMachine(machine) {}

  win::HANDLE OpenProcess(win::DWORD desiredAccess, bool inheritHandle,
                          win::DWORD processId) override;
  bool IsWow64Process(win::HANDLE process, bool* wow64Process) override;
  bool OpenProcessToken(win::HANDLE process, win::DWORD desiredAccess, win::HANDLE* token) override;
  bool GetTokenInformation(win::HANDLE token, win::DWORD informationClass, void* information,
                           win::DWORD informationLength, win::DWORD* returnLength) override;
  uint8_t* GetSidSubAuthorityCount(void* sid) override;
  win::DWORD* GetSidSubAuthority(void* sid, win::DWORD subAuthority) override;
  bool LookupPrivilegeValueW(std::u16string_view systemName, std::u16string_view name,
                             win::LUID* luid) override;
  bool AdjustTokenPrivileges(win::HANDLE token, bool disableAllPrivileges,
                             const win::LUID_AND_ATTRIBUTES* newState, win::DWORD count) override;
  bool CloseHandle(win::HANDLE handle) override;

  // The token of a process (a default one for the running process); adds or replaces a
  // process with its token.
  TSimToken Token(win::DWORD processId) const;
  void SetToken(win::DWORD processId, TSimToken token);
  size_t OpenHandleCount() const;

 private:
  struct THandle {
    bool IsToken;
    win::DWORD ProcessId;
    win::DWORD Access;
  };

  TSimToken* TokenLocked(win::DWORD processId);
  const THandle* HandleLocked(win::HANDLE handle, bool token);

  TSimMachine& FMachine;
  mutable std::mutex FLock;
  std::map<win::DWORD, TSimToken> FTokens;  // FLock
  std::map<uintptr_t, THandle> FHandles;    // FLock
  uintptr_t FNextHandle = 0x10000;          // FLock
};

// Version resources read from the PE files of the Sim's file system (through its files, so
// redirection and sharing apply), and the running executable's named resources: those a test
// adds in memory, then those of the resource table (lib/platform/uResourceTable.h) appended to
// a host file, by default the host executable (read when first needed). Only module null (the
// running executable) has resources; table resources are of type RT_RCDATA. A resource stays
// loaded, at the same address, as long as the Sim lives. Thread-safe.
class TSimResources final : public TPlatformResources {
 public:
  explicit TSimResources(TSimMachine& machine);
  ~TSimResources() override;
  TSimResources(const TSimResources&) = delete;
  TSimResources& operator=(const TSimResources&) = delete;

  win::HRSRC FindResourceW(win::HMODULE module, std::u16string_view name, uint16_t type) override;
  win::HGLOBAL LoadResource(win::HMODULE module, win::HRSRC resource) override;
  const void* LockResource(win::HGLOBAL loaded) override;
  win::DWORD SizeofResource(win::HMODULE module, win::HRSRC resource) override;

  // Adds a resource of the running executable, or replaces one of the same name and type.
  void AddResource(std::u16string_view name, std::vector<uint8_t> bytes,
                   uint16_t type = win::RT_RCDATA);
  // Removes a resource added in memory (table resources stay).
  void RemoveResource(std::u16string_view name, uint16_t type = win::RT_RCDATA);
  // The host file whose appended table holds the executable's resources; an empty path: none.
  void SetExecutableFile(std::filesystem::path hostFile);
  // Names of the resources found with FindResourceW, in call order (failed look-ups too).
  std::vector<std::u16string> Lookups() const;

  win::DWORD GetFileVersionInfoSizeW(std::u16string_view fileName) override;
  bool GetFileVersionInfoW(std::u16string_view fileName, win::DWORD length, void* data) override;
  bool VerQueryValueW(const void* block, std::u16string_view subBlock, void** buffer,
                      win::DWORD* length) override;

 private:
  struct TResource;

  // The version information block of a file; false with the last error set.
  bool ReadBlock(std::u16string_view fileName, std::vector<uint8_t>& block);
  void ReadTableLocked();
  TResource* KnownLocked(win::HRSRC resource);

  TSimMachine& FMachine;
  mutable std::mutex FLock;
  // By type and upper-case name. FLock.
  std::map<std::pair<uint16_t, std::u16string>, TResource*> FAdded;
  std::map<std::pair<uint16_t, std::u16string>, TResource*> FTable;
  // Every resource ever handed out, replaced and removed ones too, so handles stay valid. FLock.
  std::vector<std::unique_ptr<TResource>> FAll;
  std::filesystem::path FExecutableFile;  // FLock
  bool FTableRead = false;                // FLock
  std::vector<std::u16string> FLookups;   // FLock
};

// The user-interface area: window classes, windows and the message queue of each thread, as
// user32 keeps them. A window belongs to the thread that created it, and its procedure runs
// on that thread: a posted message when the thread takes and dispatches it, a sent one at
// once from the same thread or, from another thread, when the window's thread next takes
// messages, while the sender waits (SendMessageTimeoutW gives up after its time-out on the
// machine's clock, so a driven clock makes it testable without waiting). Timers post WM_TIMER
// when they are due on the machine's clock and the queue holds nothing else. Dispatched
// messages are recorded, and the passes of the message loop (PeekMessageW calls with PM_REMOVE
// that find the queue empty) are counted. Thread-safe.
class TSimUser final : public TPlatformUser {
 public:
  explicit TSimUser(TSimMachine& machine);
  ~TSimUser() override;
  TSimUser(const TSimUser&) = delete;
  TSimUser& operator=(const TSimUser&) = delete;

  bool PeekMessageW(win::MSG* message, win::HWND window, uint32_t filterMin, uint32_t filterMax,
                    uint32_t removeMessage) override;
  bool TranslateMessage(const win::MSG* message) override;
  intptr_t DispatchMessageW(const win::MSG* message) override;
  int GetMessageW(win::MSG* message, win::HWND window, uint32_t filterMin,
                  uint32_t filterMax) override;
  uint16_t RegisterClassExW(const win::WNDCLASSEXW* windowClass) override;
  bool UnregisterClassW(std::u16string_view className, win::HMODULE instance) override;
  win::HWND CreateWindowExW(win::DWORD exStyle, std::u16string_view className,
                            std::u16string_view windowName, win::DWORD style, int x, int y,
                            int width, int height, win::HWND parent, win::HMODULE instance,
                            void* param) override;
  bool DestroyWindow(win::HWND window) override;
  bool IsWindow(win::HWND window) override;
  intptr_t DefWindowProcW(win::HWND window, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) override;
  intptr_t SetWindowLongPtrW(win::HWND window, int index, intptr_t value) override;
  intptr_t GetWindowLongPtrW(win::HWND window, int index) override;
  win::DWORD GetWindowThreadProcessId(win::HWND window, win::DWORD* processId) override;
  bool PostMessageW(win::HWND window, uint32_t message, uintptr_t wParam,
                    intptr_t lParam) override;
  bool PostThreadMessageW(win::DWORD threadId, uint32_t message, uintptr_t wParam,
                          intptr_t lParam) override;
  void PostQuitMessage(int exitCode) override;
  intptr_t SendMessageW(win::HWND window, uint32_t message, uintptr_t wParam,
                        intptr_t lParam) override;
  intptr_t SendMessageTimeoutW(win::HWND window, uint32_t message, uintptr_t wParam,
                               intptr_t lParam, uint32_t flags, uint32_t timeout,
                               uintptr_t* result) override;
  uintptr_t SetTimer(win::HWND window, uintptr_t id, uint32_t elapse,
                     win::TIMERPROC timerProc) override;
  bool KillTimer(win::HWND window, uintptr_t id) override;

  // Queues a message as PostMessageW would (for its window's thread, else the calling one).
  void PostMessage(const win::MSG& message);
  std::vector<win::MSG> Dispatched() const;
  uint64_t MessageLoopPasses() const { return FPasses.load(); }
  size_t WindowCount() const;
  // The machine's clock moved: waiting threads look at their timers and time-outs again.
  void ClockMoved();

 private:
  struct TWindow;
  struct TSent;
  struct TQueue;
  struct TTimer;

  TQueue& QueueLocked(win::DWORD threadId);
  TWindow* WindowLocked(win::HWND window);
  // The GWLP_USERDATA slot of a window; null with the last error for another window or index.
  intptr_t* UserDataLocked(win::HWND window, int index);
  // Runs the messages sent to the calling thread (the lock is released while a procedure
  // runs). Takes and gives back the held lock.
  void RunSentLocked(std::unique_lock<std::mutex>& lock, win::DWORD threadId);
  // The next waiting message of the thread for the filter, as PeekMessageW takes it.
  bool TakeLocked(win::DWORD threadId, win::MSG* message, win::HWND window, uint32_t filterMin,
                  uint32_t filterMax, bool remove);
  // Milliseconds until the thread's next timer is due; UINT64_MAX for none.
  uint64_t NextTimerDueLocked(win::DWORD threadId) const;
  intptr_t Call(win::HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam);

  TSimMachine& FMachine;
  mutable std::mutex FLock;
  std::condition_variable FChanged;                              // with FLock
  std::map<std::u16string, win::WNDPROC> FClasses;               // FLock; by upper-case name
  std::map<uintptr_t, std::unique_ptr<TWindow>> FWindows;         // FLock
  std::map<win::DWORD, std::unique_ptr<TQueue>> FQueues;          // FLock; by thread id
  std::vector<TTimer> FTimers;                                    // FLock
  std::vector<win::MSG> FDispatched;                              // FLock
  uintptr_t FNextWindow = 0x10010;                                // FLock
  uintptr_t FNextTimerId = 1;                                     // FLock; thread timers
  uint64_t FClockMoves = 0;                                       // FLock
  std::atomic<uint64_t> FPasses{0};
};

// The machine's registry: one tree of hives (HKEY_LOCAL_MACHINE, the user's HKEY_CURRENT_USER,
// HKEY_USERS, HKEY_CURRENT_CONFIG) seen through the views of 64-bit Windows. In the 32-bit view
// (a 32-bit process without KEY_WOW64_64KEY, or KEY_WOW64_32KEY) keys below
// HKEY_LOCAL_MACHINE\SOFTWARE go to SOFTWARE\Wow6432Node, except the shared classes outside
// CLSID; HKEY_CLASSES_ROOT is the merged view of the user's Software\Classes (first) and the
// machine's SOFTWARE\Classes, and writes go where the key already is, else to the machine.
// Only an elevated process changes HKEY_LOCAL_MACHINE: opening or creating a key there with
// write access fails with ERROR_ACCESS_DENIED for a standard user. A test may deny every
// access to a key. Names match without case; subkeys enumerate in upper-case order, values
// in the order they were made. RtlNtStatusToDosError translates the status codes of a table:
// the ones a registry driver and the library's calls meet (success, access denied, names and
// paths not found, invalid handle, parameter and name, buffer too small, name collision,
// sharing violation, key deleted, procedure not found, not implemented, no memory, cannot
// delete); any other code gives ERROR_MR_MID_NOT_FOUND (317), where Windows knows many more.
// Thread-safe.
class TSimRegistry final : public TPlatformRegistry {
 public:
  explicit TSimRegistry(TSimMachine& machine);
  ~TSimRegistry() override;
  TSimRegistry(const TSimRegistry&) = delete;
  TSimRegistry& operator=(const TSimRegistry&) = delete;

  win::LSTATUS RegOpenKeyExW(win::HKEY key, std::u16string_view subKey, win::DWORD options,
                             win::DWORD samDesired, win::HKEY* result) override;
  win::LSTATUS RegCreateKeyExW(win::HKEY key, std::u16string_view subKey, win::DWORD options,
                               win::DWORD samDesired, win::HKEY* result,
                               win::DWORD* disposition) override;
  win::LSTATUS RegCloseKey(win::HKEY key) override;
  win::LSTATUS RegFlushKey(win::HKEY key) override;
  win::LSTATUS RegDeleteKeyExW(win::HKEY key, std::u16string_view subKey,
                               win::DWORD samDesired) override;
  win::LSTATUS RegDeleteKeyW(win::HKEY key, std::u16string_view subKey) override;
  win::LSTATUS RegEnumKeyExW(win::HKEY key, win::DWORD index, char16_t* name,
                             win::DWORD* nameLength) override;
  win::LSTATUS RegEnumValueW(win::HKEY key, win::DWORD index, char16_t* name,
                             win::DWORD* nameLength, win::DWORD* type, uint8_t* data,
                             win::DWORD* dataLength) override;
  win::LSTATUS RegQueryValueExW(win::HKEY key, std::u16string_view valueName, win::DWORD* type,
                                uint8_t* data, win::DWORD* dataLength) override;
  win::LSTATUS RegSetValueExW(win::HKEY key, std::u16string_view valueName, win::DWORD type,
                              const uint8_t* data, win::DWORD size) override;
  win::LSTATUS RegDeleteValueW(win::HKEY key, std::u16string_view valueName) override;
  win::LSTATUS RegQueryInfoKeyW(win::HKEY key, win::DWORD* subKeys, win::DWORD* maxSubKeyLength,
                                win::DWORD* values, win::DWORD* maxValueNameLength,
                                win::DWORD* maxValueLength) override;
  win::DWORD RtlNtStatusToDosError(win::NTSTATUS status) override;

  // Keys by their place in the tree, as the hives hold them (no views, no merging):
  // "HKEY_LOCAL_MACHINE\SOFTWARE\Wow6432Node\Vendor".
  bool KeyExists(std::u16string_view hivePath) const;
  // Makes the key (and its parents) as the machine's set-up would, whatever the token.
  void MakeKey(std::u16string_view hivePath);
  // Every access to the key fails with ERROR_ACCESS_DENIED (its subkeys stay reachable by
  // their own paths).
  void SetAccessDenied(std::u16string_view hivePath, bool denied);
  size_t OpenKeyCount() const;

 private:
  struct TKey;
  struct THandle;

  // The hive path that a key and subkey reach in the view; false with the error.
  win::LSTATUS PlaceLocked(win::HKEY key, std::u16string_view subKey, win::DWORD samDesired,
                           bool forWrite, std::vector<std::u16string>& place);
  TKey* FindLocked(const std::vector<std::u16string>& place) const;
  TKey* MakeLocked(const std::vector<std::u16string>& place);
  // The key of an open handle (or a predefined key); null with the error in *error.
  TKey* KeyOfLocked(win::HKEY key, win::DWORD access, win::LSTATUS* error);
  win::LSTATUS OpenLocked(win::HKEY key, std::u16string_view subKey, win::DWORD samDesired,
                          bool create, win::HKEY* result, win::DWORD* disposition);
  win::LSTATUS DeleteLocked(win::HKEY key, std::u16string_view subKey, win::DWORD samDesired);

  TSimMachine& FMachine;
  mutable std::mutex FLock;
  std::unique_ptr<TKey> FTree;                             // FLock; its subkeys are the hives
  std::map<uintptr_t, std::unique_ptr<THandle>> FHandles;  // FLock
  uintptr_t FNextHandle = 0x1000;                          // FLock
};

// Sets the calling thread's last-error code of every Sim backend.
void SimSetLastError(win::DWORD error);

// The machine: its areas, each viewing the others through it. The running process is a
// standard user at medium integrity unless a test says otherwise.
class TSimMachine {
 public:
  explicit TSimMachine(std::filesystem::path hostRoot = {});
  TSimMachine(const TSimMachine&) = delete;
  TSimMachine& operator=(const TSimMachine&) = delete;

  TSimMemory& Memory() { return FMemory; }
  TSimProcess& Process() { return FProcess; }
  TSimClock& Clock() { return FClock; }
  TSimFiles& Files() { return FFiles; }
  TSimSecurity& Security() { return FSecurity; }
  TSimResources& Resources() { return FResources; }
  TSimUser& User() { return FUser; }
  TSimRegistry& Registry() { return FRegistry; }

  // The running process's token.
  TSimToken RunningToken() const;
  // High integrity or above: an administrator's elevated process.
  bool RunningElevated() const;
  // File writes that a standard user may not make go to the VirtualStore: a 32-bit process,
  // not elevated, with virtualization on.
  bool RunningVirtualized() const;
  // Makes the running process an elevated administrator (high integrity, the administrators'
  // privileges) or a standard user at medium integrity again.
  void SetElevated(bool elevated);

 private:
  TSimMemory FMemory;
  TSimProcess FProcess{*this};
  TSimClock FClock{*this};
  TSimSecurity FSecurity{*this};
  TSimFiles FFiles;
  TSimResources FResources{*this};
  TSimUser FUser{*this};
  TSimRegistry FRegistry{*this};
};

// The Sim as a backend: a machine of its own.
class TSimPlatform final : public TPlatform {
 public:
  explicit TSimPlatform(std::filesystem::path hostRoot = {}) : FMachine(std::move(hostRoot)) {}
  std::u16string_view Name() const override { return u"Sim"; }
  TSimMemory& Memory() override { return FMachine.Memory(); }
  TSimProcess& Process() override { return FMachine.Process(); }
  TSimClock& Clock() override { return FMachine.Clock(); }
  TSimFiles& Files() override { return FMachine.Files(); }
  TSimSecurity& Security() override { return FMachine.Security(); }
  TSimResources& Resources() override { return FMachine.Resources(); }
  TSimUser& User() override { return FMachine.User(); }
  TSimRegistry& Registry() override { return FMachine.Registry(); }
  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;
  TSimMachine& Machine() { return FMachine; }

 private:
  TSimMachine FMachine;
};
