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
  // The command line the process was started with, argument 0 (the program) included, as
  // GetCommandLineW gives it.
  virtual std::u16string GetCommandLineW() = 0;
  virtual bool IsDebuggerPresent() = 0;
  virtual void OutputDebugStringW(std::u16string_view text) = 0;
  virtual void DebugBreak() = 0;
  virtual win::DWORD GetCurrentThreadId() = 0;

  // The pseudo handle that stands for the current process (GetCurrentProcess).
  virtual win::HANDLE GetCurrentProcess() = 0;
  virtual win::DWORD GetCurrentProcessId() = 0;
  // Pointer size of the running code in bits: the build's on Win32, the modelled process's on
  // the Sim (so that a 32-bit process on 64-bit Windows can be tested from a 64-bit build).
  virtual int ProcessBitness() = 0;
  // Wow64 file-system redirection of the calling thread. Disable stores the state to give back
  // in *oldValue; Revert takes such a value. Both fail with ERROR_INVALID_FUNCTION where there
  // is no redirection (32-bit Windows, 64-bit processes), and with ERROR_PROC_NOT_FOUND where
  // the system lacks the entry point.
  virtual bool Wow64DisableWow64FsRedirection(void** oldValue) = 0;
  virtual bool Wow64RevertWow64FsRedirection(void* oldValue) = 0;
  // NetBIOS name of the machine. *size: in, the buffer's characters; out, the characters
  // stored (without the NUL), or on ERROR_BUFFER_OVERFLOW the characters needed with the NUL.
  virtual bool GetComputerNameW(char16_t* buffer, win::DWORD* size) = 0;
  // A shell folder by its CSIDL, NUL-terminated into a buffer of at least MAX_PATH + 1
  // characters (no owner window); the folder is created first when create is set. False when
  // the folder is unknown or cannot be had.
  virtual bool SHGetSpecialFolderPathW(char16_t* path, int csidl, bool create) = 0;
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

  // --- Volumes, DOS devices and the object namespace ---

  // The target of a DOS device ("C:", "Volume{...}") as a list of NUL-terminated texts ending
  // in an extra NUL; an empty name lists every device name. Returns the characters stored,
  // 0 on failure (ERROR_FILE_NOT_FOUND, ERROR_INSUFFICIENT_BUFFER).
  virtual win::DWORD QueryDosDeviceW(std::u16string_view deviceName, char16_t* targetPath,
                                     win::DWORD maxChars) = 0;
  // Volume GUID paths of the form \\?\Volume{...}\ (with the trailing backslash), NUL-terminated
  // in the buffer. The enumeration ends with ERROR_NO_MORE_FILES.
  virtual win::HANDLE FindFirstVolumeW(char16_t* volumeName, win::DWORD bufferLength) = 0;
  virtual bool FindNextVolumeW(win::HANDLE findVolume, char16_t* volumeName,
                               win::DWORD bufferLength) = 0;
  virtual bool FindVolumeClose(win::HANDLE findVolume) = 0;
  // The volume GUID path of a mount point given with its trailing backslash: C:\ .
  virtual bool GetVolumeNameForVolumeMountPointW(std::u16string_view volumeMountPoint,
                                                 char16_t* volumeName, win::DWORD bufferLength) = 0;
  // The system folder, NUL-terminated. Returns its length; when `size` is too small, the size
  // needed with the NUL (and nothing is stored); 0 on failure. For a 32-bit process on 64-bit
  // Windows this is the folder that Wow64 redirects to the 32-bit system files.
  virtual win::DWORD GetSystemDirectoryW(char16_t* buffer, win::DWORD size) = 0;
  // NT symbolic links of the object namespace (\??\C: and the like), from ntdll.
  virtual win::NTSTATUS NtOpenSymbolicLinkObject(
      win::HANDLE* linkHandle, win::DWORD desiredAccess,
      const win::OBJECT_ATTRIBUTES* objectAttributes) = 0;
  // Fills target (Length set, Buffer up to MaximumLength); *returnedLength, when given, gets
  // the bytes the target needs. STATUS_BUFFER_TOO_SMALL when it does not fit.
  virtual win::NTSTATUS NtQuerySymbolicLinkObject(win::HANDLE linkHandle,
                                                  win::UNICODE_STRING* linkTarget,
                                                  win::DWORD* returnedLength) = 0;
  virtual win::NTSTATUS NtClose(win::HANDLE handle) = 0;
};

// Other processes by id, access tokens and privileges. Any thread.
class TPlatformSecurity {
 public:
  virtual ~TPlatformSecurity() = default;
  // Null on failure (ERROR_INVALID_PARAMETER for an unknown id, ERROR_ACCESS_DENIED).
  virtual win::HANDLE OpenProcess(win::DWORD desiredAccess, bool inheritHandle,
                                  win::DWORD processId) = 0;
  // Whether a process is a 32-bit process on 64-bit Windows. ERROR_PROC_NOT_FOUND where the
  // system lacks the entry point.
  virtual bool IsWow64Process(win::HANDLE process, bool* wow64Process) = 0;
  virtual bool OpenProcessToken(win::HANDLE process, win::DWORD desiredAccess,
                                win::HANDLE* token) = 0;
  // Copies one class of token information into the buffer. Too small a buffer (or none)
  // fails with ERROR_INSUFFICIENT_BUFFER (ERROR_BAD_LENGTH for fixed-size classes) and sets
  // *returnLength to the bytes needed.
  virtual bool GetTokenInformation(win::HANDLE token, win::DWORD informationClass,
                                   void* information, win::DWORD informationLength,
                                   win::DWORD* returnLength) = 0;
  // Accessors of a SID (as GetTokenInformation hands it out).
  virtual uint8_t* GetSidSubAuthorityCount(void* sid) = 0;
  virtual win::DWORD* GetSidSubAuthority(void* sid, win::DWORD subAuthority) = 0;
  // The value of a privilege name on the local system (systemName empty).
  virtual bool LookupPrivilegeValueW(std::u16string_view systemName, std::u16string_view name,
                                     win::LUID* luid) = 0;
  // Sets the attributes of the given privileges (no previous state is returned). Succeeds
  // with ERROR_NOT_ALL_ASSIGNED as last error when the token lacks one of them, with
  // ERROR_SUCCESS otherwise.
  virtual bool AdjustTokenPrivileges(win::HANDLE token, bool disableAllPrivileges,
                                     const win::LUID_AND_ATTRIBUTES* newState,
                                     win::DWORD count) = 0;
  // Closes a process or token handle of this area.
  virtual bool CloseHandle(win::HANDLE handle) = 0;
};

// Resources of executables: named resources of a loaded module (kernel32) and version
// information of files (version.dll). Any thread.
class TPlatformResources {
 public:
  virtual ~TPlatformResources() = default;
  // The resource of the given name (a text name, matched without case) and integer type
  // (win::RT_RCDATA) in a module; module null is the running executable. Null on failure
  // (ERROR_RESOURCE_TYPE_NOT_FOUND, ERROR_RESOURCE_NAME_NOT_FOUND).
  virtual win::HRSRC FindResourceW(win::HMODULE module, std::u16string_view name,
                                   uint16_t type) = 0;
  // A handle of the resource's loaded bytes; null on failure. Nothing needs to be freed: the
  // bytes stay as long as the module is loaded.
  virtual win::HGLOBAL LoadResource(win::HMODULE module, win::HRSRC resource) = 0;
  // The first byte of the loaded resource; null for a null handle.
  virtual const void* LockResource(win::HGLOBAL loaded) = 0;
  // The resource's size in bytes; 0 on failure.
  virtual win::DWORD SizeofResource(win::HMODULE module, win::HRSRC resource) = 0;

  // Bytes of the file's version information; 0 on failure (no version resource:
  // ERROR_RESOURCE_TYPE_NOT_FOUND; not an executable: ERROR_BAD_EXE_FORMAT).
  virtual win::DWORD GetFileVersionInfoSizeW(std::u16string_view fileName) = 0;
  virtual bool GetFileVersionInfoW(std::u16string_view fileName, win::DWORD length, void* data) = 0;
  // A value of version information that GetFileVersionInfoW read; sub-block \ (one backslash) is
  // the fixed part (a VS_FIXEDFILEINFO). *buffer points into block.
  virtual bool VerQueryValueW(const void* block, std::u16string_view subBlock, void** buffer,
                              win::DWORD* length) = 0;
};

// Windows and the calling thread's message queue (user32). The thread that owns the windows.
class TPlatformUser {
 public:
  virtual ~TPlatformUser() = default;
  // Takes (PM_REMOVE) or looks at (PM_NOREMOVE) the next waiting message of the calling
  // thread for any window (window null) whose number lies in filterMin..filterMax (both 0:
  // every message). False when none is waiting; it never waits.
  virtual bool PeekMessageW(win::MSG* message, win::HWND window, uint32_t filterMin,
                            uint32_t filterMax, uint32_t removeMessage) = 0;
  // Adds the character messages of a key message; true when it was a key message.
  virtual bool TranslateMessage(const win::MSG* message) = 0;
  // Hands the message to its window's procedure (a WM_TIMER with a timer procedure in lParam
  // to that procedure); returns what the procedure returned.
  virtual intptr_t DispatchMessageW(const win::MSG* message) = 0;
  // Waits for the next message of the calling thread (sent messages are handled while it
  // waits). Returns 0 for WM_QUIT, -1 on failure, a positive number otherwise.
  virtual int GetMessageW(win::MSG* message, win::HWND window, uint32_t filterMin,
                          uint32_t filterMax) = 0;

  // A window class of the process; the atom, 0 on failure (ERROR_CLASS_ALREADY_EXISTS).
  virtual uint16_t RegisterClassExW(const win::WNDCLASSEXW* windowClass) = 0;
  virtual bool UnregisterClassW(std::u16string_view className, win::HMODULE instance) = 0;
  // A window of the calling thread, which serves its messages. The procedure gets WM_NCCREATE
  // and WM_CREATE (lParam a CREATESTRUCTW) before the call returns; parent HWND_MESSAGE makes
  // a message-only window. Null on failure (ERROR_CANNOT_FIND_WND_CLASS).
  virtual win::HWND CreateWindowExW(win::DWORD exStyle, std::u16string_view className,
                                    std::u16string_view windowName, win::DWORD style, int x,
                                    int y, int width, int height, win::HWND parent,
                                    win::HMODULE instance, void* param) = 0;
  // Sends WM_DESTROY and WM_NCDESTROY, then the window and its timers are gone. Only the
  // window's own thread may destroy it (ERROR_ACCESS_DENIED).
  virtual bool DestroyWindow(win::HWND window) = 0;
  virtual bool IsWindow(win::HWND window) = 0;
  virtual intptr_t DefWindowProcW(win::HWND window, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam) = 0;
  // GWLP_USERDATA: a value the window keeps for its program. Returns the previous value.
  virtual intptr_t SetWindowLongPtrW(win::HWND window, int index, intptr_t value) = 0;
  virtual intptr_t GetWindowLongPtrW(win::HWND window, int index) = 0;
  // The thread that serves the window (0 for no window); *processId gets its process.
  virtual win::DWORD GetWindowThreadProcessId(win::HWND window, win::DWORD* processId) = 0;

  // Queues a message for the window's thread (window null: the calling thread) and returns.
  virtual bool PostMessageW(win::HWND window, uint32_t message, uintptr_t wParam,
                            intptr_t lParam) = 0;
  virtual bool PostThreadMessageW(win::DWORD threadId, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam) = 0;
  // WM_QUIT for the calling thread, retrieved once no other message waits.
  virtual void PostQuitMessage(int exitCode) = 0;
  // Calls the window's procedure on the window's thread and waits for its result: directly
  // from that thread, else when that thread next takes messages.
  virtual intptr_t SendMessageW(win::HWND window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) = 0;
  // As SendMessageW, waiting at most `timeout` ms; 0 on failure, with ERROR_TIMEOUT when the
  // window's thread did not answer in time.
  virtual intptr_t SendMessageTimeoutW(win::HWND window, uint32_t message, uintptr_t wParam,
                                       intptr_t lParam, uint32_t flags, uint32_t timeout,
                                       uintptr_t* result) = 0;
  // A timer of the calling thread: WM_TIMER once `elapse` ms have passed, then every `elapse`
  // ms, generated when the queue holds nothing else. With a window, `id` names the timer and
  // is returned; without one a new id is returned. 0 on failure.
  virtual uintptr_t SetTimer(win::HWND window, uintptr_t id, uint32_t elapse,
                             win::TIMERPROC timerProc) = 0;
  virtual bool KillTimer(win::HWND window, uintptr_t id) = 0;
};

// The registry (advapi32) and the native status translation (ntdll). Each call returns the
// Win32 error code, ERROR_SUCCESS (0) on success, and leaves the thread's last error alone.
// Key names are paths below the given key ("SOFTWARE\\Vendor"). A key handle is used by one
// thread at a time.
class TPlatformRegistry {
 public:
  virtual ~TPlatformRegistry() = default;
  virtual win::LSTATUS RegOpenKeyExW(win::HKEY key, std::u16string_view subKey, win::DWORD options,
                                     win::DWORD samDesired, win::HKEY* result) = 0;
  // No class, no security attributes. *disposition (optional) tells whether it was created.
  virtual win::LSTATUS RegCreateKeyExW(win::HKEY key, std::u16string_view subKey,
                                       win::DWORD options, win::DWORD samDesired,
                                       win::HKEY* result, win::DWORD* disposition) = 0;
  virtual win::LSTATUS RegCloseKey(win::HKEY key) = 0;
  virtual win::LSTATUS RegFlushKey(win::HKEY key) = 0;
  // A key without subkeys. The view bits of samDesired (KEY_WOW64_32KEY, KEY_WOW64_64KEY)
  // choose the view. ERROR_PROC_NOT_FOUND where the system lacks the entry point.
  virtual win::LSTATUS RegDeleteKeyExW(win::HKEY key, std::u16string_view subKey,
                                       win::DWORD samDesired) = 0;
  virtual win::LSTATUS RegDeleteKeyW(win::HKEY key, std::u16string_view subKey) = 0;
  // The subkey at index, NUL-terminated; *nameLength: in, the buffer's characters; out, the
  // characters stored without the NUL. ERROR_NO_MORE_ITEMS past the last.
  virtual win::LSTATUS RegEnumKeyExW(win::HKEY key, win::DWORD index, char16_t* name,
                                     win::DWORD* nameLength) = 0;
  // The value at index: name as RegEnumKeyExW, type and data optional (data null: only the
  // size in *dataLength).
  virtual win::LSTATUS RegEnumValueW(win::HKEY key, win::DWORD index, char16_t* name,
                                     win::DWORD* nameLength, win::DWORD* type, uint8_t* data,
                                     win::DWORD* dataLength) = 0;
  virtual win::LSTATUS RegQueryValueExW(win::HKEY key, std::u16string_view valueName,
                                        win::DWORD* type, uint8_t* data,
                                        win::DWORD* dataLength) = 0;
  virtual win::LSTATUS RegSetValueExW(win::HKEY key, std::u16string_view valueName,
                                      win::DWORD type, const uint8_t* data, win::DWORD size) = 0;
  virtual win::LSTATUS RegDeleteValueW(win::HKEY key, std::u16string_view valueName) = 0;
  // Counts and longest lengths (characters without the NUL; data in bytes); each optional.
  virtual win::LSTATUS RegQueryInfoKeyW(win::HKEY key, win::DWORD* subKeys,
                                        win::DWORD* maxSubKeyLength, win::DWORD* values,
                                        win::DWORD* maxValueNameLength,
                                        win::DWORD* maxValueLength) = 0;
  virtual win::DWORD RtlNtStatusToDosError(win::NTSTATUS status) = 0;
};

// One pass of the calling thread's message loop: takes, translates and dispatches every
// message waiting, and returns. False when the pass met WM_QUIT (the loop is to end; the
// message is not dispatched), true otherwise. The thread that owns the windows.
bool PlatformProcessMessages();

// One backend: the set of areas plus the per-thread last-error code.
class TPlatform {
 public:
  virtual ~TPlatform() = default;
  virtual std::u16string_view Name() const = 0;
  virtual TPlatformMemory& Memory() = 0;
  virtual TPlatformProcess& Process() = 0;
  virtual TPlatformClock& Clock() = 0;
  virtual TPlatformFiles& Files() = 0;
  virtual TPlatformSecurity& Security() = 0;
  virtual TPlatformResources& Resources() = 0;
  virtual TPlatformUser& User() = 0;
  virtual TPlatformRegistry& Registry() = 0;
  virtual win::DWORD GetLastError() = 0;
  virtual void SetLastError(win::DWORD error) = 0;
};

// The backend in use. Any thread; the backend must not be exchanged while other threads use it.
TPlatform& Platform();

// Makes `platform` the backend in use and returns the one before. The caller keeps ownership.
TPlatform* PlatformExchange(TPlatform* platform);

// The backend a build starts with: Win32 on Windows, a shared Sim elsewhere, as the backend
// choice installed it. Without an installed choice the program stops with a message on stderr.
TPlatform& PlatformDefault();

// Gives the default backend; installed by the backend choice (lib/platform/uPlatformChoice.cpp)
// before any other static initialisation, so that the seam never links a backend itself.
using TPlatformDefaultHook = TPlatform& (*)();
// Installs the hook and returns the one before (null at program start). Any thread.
TPlatformDefaultHook PlatformDefaultHookSet(TPlatformDefaultHook hook);

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
