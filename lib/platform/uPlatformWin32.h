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
  std::u16string GetCommandLineW() override;
  bool IsDebuggerPresent() override;
  void OutputDebugStringW(std::u16string_view text) override;
  void DebugBreak() override;
  win::DWORD GetCurrentThreadId() override;
  win::HANDLE GetCurrentProcess() override;
  win::DWORD GetCurrentProcessId() override;
  int ProcessBitness() override { return static_cast<int>(sizeof(void*) * 8); }
  bool Wow64DisableWow64FsRedirection(void** oldValue) override;
  bool Wow64RevertWow64FsRedirection(void* oldValue) override;
  bool GetComputerNameW(char16_t* buffer, win::DWORD* size) override;
  bool SHGetSpecialFolderPathW(char16_t* path, int csidl, bool create) override;
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
};

class TWin32Security final : public TPlatformSecurity {
 public:
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
};

class TWin32Resources final : public TPlatformResources {
 public:
  win::HRSRC FindResourceW(win::HMODULE module, std::u16string_view name, uint16_t type) override;
  win::HGLOBAL LoadResource(win::HMODULE module, win::HRSRC resource) override;
  const void* LockResource(win::HGLOBAL loaded) override;
  win::DWORD SizeofResource(win::HMODULE module, win::HRSRC resource) override;
  win::DWORD GetFileVersionInfoSizeW(std::u16string_view fileName) override;
  bool GetFileVersionInfoW(std::u16string_view fileName, win::DWORD length, void* data) override;
  bool VerQueryValueW(const void* block, std::u16string_view subBlock, void** buffer,
                      win::DWORD* length) override;
};

class TWin32User final : public TPlatformUser {
 public:
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
};

class TWin32Registry final : public TPlatformRegistry {
 public:
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
};

class TWin32Platform final : public TPlatform {
 public:
  std::u16string_view Name() const override { return u"Win32"; }
  TWin32Memory& Memory() override { return FMemory; }
  TWin32Process& Process() override { return FProcess; }
  TWin32Clock& Clock() override { return FClock; }
  TWin32Files& Files() override { return FFiles; }
  TWin32Security& Security() override { return FSecurity; }
  TWin32Resources& Resources() override { return FResources; }
  TWin32User& User() override { return FUser; }
  TWin32Registry& Registry() override { return FRegistry; }
  win::DWORD GetLastError() override;
  void SetLastError(win::DWORD error) override;

 private:
  TWin32Memory FMemory;
  TWin32Process FProcess;
  TWin32Clock FClock;
  TWin32Files FFiles;
  TWin32Security FSecurity;
  TWin32Resources FResources;
  TWin32User FUser;
  TWin32Registry FRegistry;
};

// Whether the Windows underneath is Wine, whose answers differ from Windows' in places (tests
// say where).
bool Win32UnderWine();

// Text conversions at the Win32 boundary (wchar_t is UTF-16 there).
std::wstring TextToWide(std::u16string_view text);
std::u16string TextFromWide(std::wstring_view text);

// An entry point of a system module that is always loaded (kernel32.dll, ntdll.dll) and that
// older systems may lack: looked up once per module and name, then served from a cache. Null,
// with the last error ERROR_PROC_NOT_FOUND, when the module or the entry point is missing.
// Any thread.
void (*Win32OptionalEntry(const wchar_t* module, const char* name))();
// Win32OptionalEntry as the function type of the entry point.
template <typename TFunction>
TFunction Win32OptionalFunction(const wchar_t* module, const char* name) {
  // Through void(*)(), the type that function pointer casts may pass without a warning.
  return reinterpret_cast<TFunction>(Win32OptionalEntry(module, name));
}
