// The Win32 backend's registry area (advapi32) and the status translation of ntdll.
#include "lib/platform/uPlatformWin32.h"

// After the portable spellings (uWinApi.h), whose names its macros would replace.
#include <windows.h>
#include <winternl.h>

namespace {

HKEY Native(win::HKEY key) { return static_cast<HKEY>(key); }

}  // namespace

win::LSTATUS TWin32Registry::RegOpenKeyExW(win::HKEY key, std::u16string_view subKey,
                                           win::DWORD options, win::DWORD samDesired,
                                           win::HKEY* result) {
  HKEY opened = nullptr;
  const LSTATUS status =
      ::RegOpenKeyExW(Native(key), TextToWide(subKey).c_str(), options, samDesired, &opened);
  *result = opened;
  return status;
}

win::LSTATUS TWin32Registry::RegCreateKeyExW(win::HKEY key, std::u16string_view subKey,
                                             win::DWORD options, win::DWORD samDesired,
                                             win::HKEY* result, win::DWORD* disposition) {
  HKEY created = nullptr;
  DWORD how = 0;
  const LSTATUS status = ::RegCreateKeyExW(Native(key), TextToWide(subKey).c_str(), 0, nullptr,
                                           options, samDesired, nullptr, &created, &how);
  *result = created;
  if (disposition != nullptr) *disposition = how;
  return status;
}

win::LSTATUS TWin32Registry::RegCloseKey(win::HKEY key) { return ::RegCloseKey(Native(key)); }

win::LSTATUS TWin32Registry::RegFlushKey(win::HKEY key) { return ::RegFlushKey(Native(key)); }

win::LSTATUS TWin32Registry::RegDeleteKeyExW(win::HKEY key, std::u16string_view subKey,
                                             win::DWORD samDesired) {
  return ::RegDeleteKeyExW(Native(key), TextToWide(subKey).c_str(), samDesired, 0);
}

win::LSTATUS TWin32Registry::RegDeleteKeyW(win::HKEY key, std::u16string_view subKey) {
  return ::RegDeleteKeyW(Native(key), TextToWide(subKey).c_str());
}

win::LSTATUS TWin32Registry::RegEnumKeyExW(win::HKEY key, win::DWORD index, char16_t* name,
                                           win::DWORD* nameLength) {
  DWORD length = *nameLength;
  const LSTATUS status = ::RegEnumKeyExW(Native(key), index, reinterpret_cast<wchar_t*>(name),
                                         &length, nullptr, nullptr, nullptr, nullptr);
  *nameLength = length;
  return status;
}

win::LSTATUS TWin32Registry::RegEnumValueW(win::HKEY key, win::DWORD index, char16_t* name,
                                           win::DWORD* nameLength, win::DWORD* type, uint8_t* data,
                                           win::DWORD* dataLength) {
  DWORD length = *nameLength, kind = 0, size = dataLength != nullptr ? *dataLength : 0;
  const LSTATUS status =
      ::RegEnumValueW(Native(key), index, reinterpret_cast<wchar_t*>(name), &length, nullptr, &kind,
                      data, dataLength != nullptr ? &size : nullptr);
  *nameLength = length;
  if (type != nullptr) *type = kind;
  if (dataLength != nullptr) *dataLength = size;
  return status;
}

win::LSTATUS TWin32Registry::RegQueryValueExW(win::HKEY key, std::u16string_view valueName,
                                              win::DWORD* type, uint8_t* data,
                                              win::DWORD* dataLength) {
  DWORD kind = 0, size = dataLength != nullptr ? *dataLength : 0;
  const LSTATUS status = ::RegQueryValueExW(Native(key), TextToWide(valueName).c_str(), nullptr,
                                            &kind, data, dataLength != nullptr ? &size : nullptr);
  if (type != nullptr) *type = kind;
  if (dataLength != nullptr) *dataLength = size;
  return status;
}

win::LSTATUS TWin32Registry::RegSetValueExW(win::HKEY key, std::u16string_view valueName,
                                            win::DWORD type, const uint8_t* data, win::DWORD size) {
  return ::RegSetValueExW(Native(key), TextToWide(valueName).c_str(), 0, type, data, size);
}

win::LSTATUS TWin32Registry::RegDeleteValueW(win::HKEY key, std::u16string_view valueName) {
  return ::RegDeleteValueW(Native(key), TextToWide(valueName).c_str());
}

win::LSTATUS TWin32Registry::RegQueryInfoKeyW(win::HKEY key, win::DWORD* subKeys,
                                              win::DWORD* maxSubKeyLength, win::DWORD* values,
                                              win::DWORD* maxValueNameLength,
                                              win::DWORD* maxValueLength) {
  DWORD keys = 0, keyLength = 0, count = 0, nameLength = 0, dataLength = 0;
  const LSTATUS status =
      ::RegQueryInfoKeyW(Native(key), nullptr, nullptr, nullptr, &keys, &keyLength, nullptr, &count,
                         &nameLength, &dataLength, nullptr, nullptr);
  if (subKeys != nullptr) *subKeys = keys;
  if (maxSubKeyLength != nullptr) *maxSubKeyLength = keyLength;
  if (values != nullptr) *values = count;
  if (maxValueNameLength != nullptr) *maxValueNameLength = nameLength;
  if (maxValueLength != nullptr) *maxValueLength = dataLength;
  return status;
}

win::DWORD TWin32Registry::RtlNtStatusToDosError(win::NTSTATUS status) {
  return ::RtlNtStatusToDosError(status);
}
