// The Win32 backend of the files area.
#include <algorithm>
#include <cwchar>

#include "lib/platform/uPlatformWin32.h"

// After the portable spellings (uWinApi.h), whose names its macros would replace.
#include <windows.h>

namespace {

uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// The NUL-terminated wide form of a path text.
std::wstring Wide(std::u16string_view text) { return TextToWide(text); }

void CopyFindData(const WIN32_FIND_DATAW& from, win::WIN32_FIND_DATAW* to) {
  to->dwFileAttributes = from.dwFileAttributes;
  to->ftCreationTime = FileTimeValue(from.ftCreationTime);
  to->ftLastAccessTime = FileTimeValue(from.ftLastAccessTime);
  to->ftLastWriteTime = FileTimeValue(from.ftLastWriteTime);
  to->nFileSizeHigh = from.nFileSizeHigh;
  to->nFileSizeLow = from.nFileSizeLow;
  to->cFileName = TextFromWide(from.cFileName);
}

}  // namespace

win::HANDLE TWin32Files::CreateFileW(std::u16string_view fileName, win::DWORD desiredAccess,
                                     win::DWORD shareMode, win::DWORD creationDisposition,
                                     win::DWORD flagsAndAttributes) {
  return ::CreateFileW(Wide(fileName).c_str(), desiredAccess, shareMode, nullptr,
                       creationDisposition, flagsAndAttributes, nullptr);
}

bool TWin32Files::CloseHandle(win::HANDLE handle) { return ::CloseHandle(handle) != FALSE; }

bool TWin32Files::ReadFile(win::HANDLE file, void* buffer, win::DWORD bytesToRead,
                           win::DWORD* bytesRead) {
  DWORD read = 0;
  const bool ok = ::ReadFile(file, buffer, bytesToRead, &read, nullptr) != FALSE;
  if (bytesRead != nullptr) *bytesRead = read;
  return ok;
}

bool TWin32Files::WriteFile(win::HANDLE file, const void* buffer, win::DWORD bytesToWrite,
                            win::DWORD* bytesWritten) {
  DWORD written = 0;
  const bool ok = ::WriteFile(file, buffer, bytesToWrite, &written, nullptr) != FALSE;
  if (bytesWritten != nullptr) *bytesWritten = written;
  return ok;
}

bool TWin32Files::GetFileSizeEx(win::HANDLE file, int64_t* size) {
  LARGE_INTEGER value;
  if (!::GetFileSizeEx(file, &value)) return false;
  *size = value.QuadPart;
  return true;
}

bool TWin32Files::SetFilePointerEx(win::HANDLE file, int64_t distance, int64_t* newPosition,
                                   win::DWORD moveMethod) {
  LARGE_INTEGER move, moved;
  move.QuadPart = distance;
  if (!::SetFilePointerEx(file, move, &moved, moveMethod)) return false;
  if (newPosition != nullptr) *newPosition = moved.QuadPart;
  return true;
}

bool TWin32Files::SetEndOfFile(win::HANDLE file) { return ::SetEndOfFile(file) != FALSE; }

bool TWin32Files::GetFileInformationByHandle(win::HANDLE file,
                                             win::BY_HANDLE_FILE_INFORMATION* information) {
  ::BY_HANDLE_FILE_INFORMATION native;
  if (!::GetFileInformationByHandle(file, &native)) return false;
  information->dwFileAttributes = native.dwFileAttributes;
  information->ftCreationTime = FileTimeValue(native.ftCreationTime);
  information->ftLastAccessTime = FileTimeValue(native.ftLastAccessTime);
  information->ftLastWriteTime = FileTimeValue(native.ftLastWriteTime);
  information->dwVolumeSerialNumber = native.dwVolumeSerialNumber;
  information->nFileSizeHigh = native.nFileSizeHigh;
  information->nFileSizeLow = native.nFileSizeLow;
  information->nNumberOfLinks = native.nNumberOfLinks;
  information->nFileIndexHigh = native.nFileIndexHigh;
  information->nFileIndexLow = native.nFileIndexLow;
  return true;
}

win::DWORD TWin32Files::GetFileAttributesW(std::u16string_view fileName) {
  return ::GetFileAttributesW(Wide(fileName).c_str());
}

bool TWin32Files::SetFileAttributesW(std::u16string_view fileName, win::DWORD attributes) {
  return ::SetFileAttributesW(Wide(fileName).c_str(), attributes) != FALSE;
}

bool TWin32Files::CreateDirectoryW(std::u16string_view pathName) {
  return ::CreateDirectoryW(Wide(pathName).c_str(), nullptr) != FALSE;
}

bool TWin32Files::RemoveDirectoryW(std::u16string_view pathName) {
  return ::RemoveDirectoryW(Wide(pathName).c_str()) != FALSE;
}

bool TWin32Files::DeleteFileW(std::u16string_view fileName) {
  return ::DeleteFileW(Wide(fileName).c_str()) != FALSE;
}

bool TWin32Files::CopyFileW(std::u16string_view existingFileName, std::u16string_view newFileName,
                            bool failIfExists) {
  return ::CopyFileW(Wide(existingFileName).c_str(), Wide(newFileName).c_str(),
                     failIfExists ? TRUE : FALSE) != FALSE;
}

bool TWin32Files::MoveFileExW(std::u16string_view existingFileName,
                              std::u16string_view newFileName, win::DWORD flags) {
  const std::wstring target = Wide(newFileName);
  return ::MoveFileExW(Wide(existingFileName).c_str(), newFileName.empty() ? nullptr : target.c_str(),
                       flags) != FALSE;
}

win::HANDLE TWin32Files::FindFirstFileW(std::u16string_view fileName, win::WIN32_FIND_DATAW* data) {
  WIN32_FIND_DATAW native;
  HANDLE find = ::FindFirstFileW(Wide(fileName).c_str(), &native);
  if (find != INVALID_HANDLE_VALUE) CopyFindData(native, data);
  return find;
}

bool TWin32Files::FindNextFileW(win::HANDLE find, win::WIN32_FIND_DATAW* data) {
  WIN32_FIND_DATAW native;
  if (!::FindNextFileW(find, &native)) return false;
  CopyFindData(native, data);
  return true;
}

bool TWin32Files::FindClose(win::HANDLE find) { return ::FindClose(find) != FALSE; }

// --- Volumes, DOS devices and the object namespace ---

namespace {

// Copies `count` characters of a wide buffer into the caller's.
void CopyOut(const std::wstring& from, size_t count, char16_t* to) {
  std::copy(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(count), to);
}

}  // namespace

win::DWORD TWin32Files::QueryDosDeviceW(std::u16string_view deviceName, char16_t* targetPath,
                                        win::DWORD maxChars) {
  std::wstring buffer(maxChars, L'\0');
  const std::wstring name = Wide(deviceName);
  const DWORD stored =
      ::QueryDosDeviceW(deviceName.empty() ? nullptr : name.c_str(), buffer.data(), maxChars);
  if (stored != 0) CopyOut(buffer, stored, targetPath);
  return stored;
}

win::HANDLE TWin32Files::FindFirstVolumeW(char16_t* volumeName, win::DWORD bufferLength) {
  std::wstring buffer(bufferLength, L'\0');
  HANDLE find = ::FindFirstVolumeW(buffer.data(), bufferLength);
  if (find != INVALID_HANDLE_VALUE) CopyOut(buffer, wcslen(buffer.c_str()) + 1, volumeName);
  return find;
}

bool TWin32Files::FindNextVolumeW(win::HANDLE findVolume, char16_t* volumeName,
                                  win::DWORD bufferLength) {
  std::wstring buffer(bufferLength, L'\0');
  if (!::FindNextVolumeW(findVolume, buffer.data(), bufferLength)) return false;
  CopyOut(buffer, wcslen(buffer.c_str()) + 1, volumeName);
  return true;
}

bool TWin32Files::FindVolumeClose(win::HANDLE findVolume) {
  return ::FindVolumeClose(findVolume) != FALSE;
}

bool TWin32Files::GetVolumeNameForVolumeMountPointW(std::u16string_view volumeMountPoint,
                                                    char16_t* volumeName, win::DWORD bufferLength) {
  std::wstring buffer(bufferLength, L'\0');
  if (!::GetVolumeNameForVolumeMountPointW(Wide(volumeMountPoint).c_str(), buffer.data(),
                                           bufferLength)) {
    return false;
  }
  CopyOut(buffer, wcslen(buffer.c_str()) + 1, volumeName);
  return true;
}

win::DWORD TWin32Files::GetSystemDirectoryW(char16_t* buffer, win::DWORD size) {
  std::wstring wide(size, L'\0');
  const UINT length = ::GetSystemDirectoryW(wide.data(), size);
  if (length != 0 && length < size) CopyOut(wide, length + 1, buffer);
  return length;
}

// The native API's symbolic-link functions, looked up in ntdll once. The portable structures
// have the native layout (ULONG is 32 bits on Windows).
namespace {

static_assert(sizeof(win::UNICODE_STRING) == sizeof(void*) * 2);
static_assert(sizeof(win::OBJECT_ATTRIBUTES) == (sizeof(void*) == 8 ? 48 : 24));
static_assert(sizeof(wchar_t) == sizeof(char16_t));

using TNtOpenSymbolicLinkObject = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, const win::OBJECT_ATTRIBUTES*);
using TNtQuerySymbolicLinkObject = LONG(NTAPI*)(HANDLE, win::UNICODE_STRING*, ULONG*);
using TNtClose = LONG(NTAPI*)(HANDLE);

constexpr LONG kStatusProcedureNotFound = static_cast<LONG>(0xC000007A);

}  // namespace

win::NTSTATUS TWin32Files::NtOpenSymbolicLinkObject(
    win::HANDLE* linkHandle, win::DWORD desiredAccess,
    const win::OBJECT_ATTRIBUTES* objectAttributes) {
  const auto open =
      Win32OptionalFunction<TNtOpenSymbolicLinkObject>(L"ntdll.dll", "NtOpenSymbolicLinkObject");
  return open != nullptr ? open(linkHandle, desiredAccess, objectAttributes)
                         : kStatusProcedureNotFound;
}

win::NTSTATUS TWin32Files::NtQuerySymbolicLinkObject(win::HANDLE linkHandle,
                                                     win::UNICODE_STRING* linkTarget,
                                                     win::DWORD* returnedLength) {
  const auto query =
      Win32OptionalFunction<TNtQuerySymbolicLinkObject>(L"ntdll.dll", "NtQuerySymbolicLinkObject");
  if (query == nullptr) return kStatusProcedureNotFound;
  ULONG length = 0;
  const LONG status = query(linkHandle, linkTarget, &length);
  if (returnedLength != nullptr) *returnedLength = length;
  return status;
}

win::NTSTATUS TWin32Files::NtClose(win::HANDLE handle) {
  const auto close = Win32OptionalFunction<TNtClose>(L"ntdll.dll", "NtClose");
  return close != nullptr ? close(handle) : kStatusProcedureNotFound;
}
