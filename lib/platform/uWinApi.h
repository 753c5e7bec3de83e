// Portable spellings of the Win32 types, flags and error codes that the platform layer's
// interfaces use. Values are Windows' own. A Win32 backend file includes this header before
// <windows.h>, whose macros would otherwise replace these names.
#pragma once

#include <cstdint>
#include <string>

namespace win {

using DWORD = uint32_t;

// Error codes (GetLastError).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_ADDRESS = 487;

// VirtualAlloc / VirtualFree.
constexpr DWORD MEM_COMMIT = 0x00001000;
constexpr DWORD MEM_RESERVE = 0x00002000;
constexpr DWORD MEM_RELEASE = 0x00008000;
constexpr DWORD PAGE_READWRITE = 0x04;

constexpr DWORD MAX_PATH = 260;

// Shell folders (SHGetSpecialFolderPathW).
constexpr int CSIDL_APPDATA = 26;
constexpr int CSIDL_LOCAL_APPDATA = 28;
constexpr int CSIDL_COMMON_APPDATA = 35;
constexpr int CSIDL_WINDOWS = 36;
constexpr int CSIDL_SYSTEM = 37;
constexpr int CSIDL_PROGRAM_FILES = 38;
constexpr int CSIDL_PROGRAM_FILESX86 = 42;

constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_HANDLE_EOF = 38;
constexpr DWORD ERROR_BAD_NETPATH = 53;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;

// Files.
using HANDLE = void*;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~uintptr_t{0});
// The pseudo handle of the current process (the same value as INVALID_HANDLE_VALUE).
inline HANDLE const CURRENT_PROCESS = reinterpret_cast<HANDLE>(~uintptr_t{0});

constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD FILE_READ_ATTRIBUTES = 0x80;
constexpr DWORD DELETE = 0x00010000;
constexpr DWORD FILE_SHARE_READ = 1;
constexpr DWORD FILE_SHARE_WRITE = 2;
constexpr DWORD FILE_SHARE_DELETE = 4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 2;
constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 4;

// FILETIME values are carried as 100-ns intervals since 1601-01-01 in one 64-bit number.
struct BY_HANDLE_FILE_INFORMATION {
  DWORD dwFileAttributes;
  uint64_t ftCreationTime;
  uint64_t ftLastAccessTime;
  uint64_t ftLastWriteTime;
  DWORD dwVolumeSerialNumber;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD nNumberOfLinks;
  DWORD nFileIndexHigh;
  DWORD nFileIndexLow;
};

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes = 0;
  uint64_t ftCreationTime = 0;
  uint64_t ftLastAccessTime = 0;
  uint64_t ftLastWriteTime = 0;
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  std::u16string cFileName;
};

// More error codes.
constexpr DWORD ERROR_INVALID_FUNCTION = 1;
constexpr DWORD ERROR_BAD_LENGTH = 24;
constexpr DWORD ERROR_BUFFER_OVERFLOW = 111;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;
constexpr DWORD ERROR_BAD_EXE_FORMAT = 193;
constexpr DWORD ERROR_NOT_ALL_ASSIGNED = 1300;
constexpr DWORD ERROR_NO_SUCH_PRIVILEGE = 1313;
constexpr DWORD ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;

// Processes and tokens.
constexpr DWORD PROCESS_QUERY_INFORMATION = 0x0400;
constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
constexpr DWORD SYNCHRONIZE = 0x00100000;
constexpr DWORD PROCESS_ALL_ACCESS = 0x001FFFFF;
constexpr DWORD TOKEN_DUPLICATE = 0x0002;
constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
constexpr DWORD TOKEN_ALL_ACCESS = 0x000F01FF;
constexpr DWORD SE_PRIVILEGE_ENABLED_BY_DEFAULT = 1;
constexpr DWORD SE_PRIVILEGE_ENABLED = 2;
constexpr DWORD SE_PRIVILEGE_REMOVED = 4;
// TOKEN_INFORMATION_CLASS values.
constexpr DWORD TokenVirtualizationEnabled = 24;
constexpr DWORD TokenIntegrityLevel = 25;
// Relative ids of the mandatory integrity label (S-1-16-RID).
constexpr DWORD SECURITY_MANDATORY_LOW_RID = 0x1000;
constexpr DWORD SECURITY_MANDATORY_MEDIUM_RID = 0x2000;
constexpr DWORD SECURITY_MANDATORY_HIGH_RID = 0x3000;
constexpr DWORD SECURITY_MANDATORY_SYSTEM_RID = 0x4000;

struct LUID {
  DWORD LowPart = 0;
  int32_t HighPart = 0;
};

struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes = 0;
};

// A SID is handled through an untyped pointer, as Windows hands it out.
struct SID_AND_ATTRIBUTES {
  void* Sid;
  DWORD Attributes;
};

// The TokenIntegrityLevel result: the label, whose SID follows in the same buffer.
struct TOKEN_MANDATORY_LABEL {
  SID_AND_ATTRIBUTES Label;
};

// Version resources: the fixed part (VS_FIXEDFILEINFO), little-endian as in the file.
constexpr DWORD VS_FFI_SIGNATURE = 0xFEEF04BD;
struct VS_FIXEDFILEINFO {
  DWORD dwSignature;
  DWORD dwStrucVersion;
  DWORD dwFileVersionMS;
  DWORD dwFileVersionLS;
  DWORD dwProductVersionMS;
  DWORD dwProductVersionLS;
  DWORD dwFileFlagsMask;
  DWORD dwFileFlags;
  DWORD dwFileOS;
  DWORD dwFileType;
  DWORD dwFileSubtype;
  DWORD dwFileDateMS;
  DWORD dwFileDateLS;
};
static_assert(sizeof(VS_FIXEDFILEINFO) == 52);

// The native API's status codes and structures (ntdll), laid out as Windows lays them out on
// the same target.
using NTSTATUS = int32_t;
constexpr NTSTATUS STATUS_SUCCESS = 0;
constexpr NTSTATUS STATUS_INVALID_HANDLE = static_cast<NTSTATUS>(0xC0000008);
constexpr NTSTATUS STATUS_INVALID_PARAMETER = static_cast<NTSTATUS>(0xC000000D);
constexpr NTSTATUS STATUS_BUFFER_TOO_SMALL = static_cast<NTSTATUS>(0xC0000023);
constexpr NTSTATUS STATUS_OBJECT_TYPE_MISMATCH = static_cast<NTSTATUS>(0xC0000024);
constexpr NTSTATUS STATUS_OBJECT_NAME_INVALID = static_cast<NTSTATUS>(0xC0000033);
constexpr NTSTATUS STATUS_OBJECT_NAME_NOT_FOUND = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS STATUS_OBJECT_PATH_NOT_FOUND = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS STATUS_PROCEDURE_NOT_FOUND = static_cast<NTSTATUS>(0xC000007A);

// A counted UTF-16 string; lengths in bytes, Length without any terminating NUL.
struct UNICODE_STRING {
  uint16_t Length;
  uint16_t MaximumLength;
  char16_t* Buffer;
};

struct OBJECT_ATTRIBUTES {
  DWORD Length;  // sizeof(OBJECT_ATTRIBUTES): 24 on 32-bit builds, 48 on 64-bit ones
  HANDLE RootDirectory;
  UNICODE_STRING* ObjectName;
  DWORD Attributes;
  void* SecurityDescriptor;
  void* SecurityQualityOfService;
};

// Executable resources.
using HMODULE = void*;
using HRSRC = void*;
using HGLOBAL = void*;
// Integer resource types (MAKEINTRESOURCE values).
constexpr uint16_t RT_RCDATA = 10;

// Windows messages.
using HWND = void*;
struct POINT {
  int32_t x = 0;
  int32_t y = 0;
};
struct MSG {
  HWND hwnd = nullptr;
  uint32_t message = 0;
  uintptr_t wParam = 0;
  intptr_t lParam = 0;
  DWORD time = 0;
  POINT pt;
};
constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_CREATE = 0x0001;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_NCCREATE = 0x0081;
constexpr uint32_t WM_NCDESTROY = 0x0082;
constexpr uint32_t WM_TIMER = 0x0113;
constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t PM_NOREMOVE = 0x0000;
constexpr uint32_t PM_REMOVE = 0x0001;

// Window and timer procedures keep the calling convention of Windows' callbacks (stdcall on
// 32-bit x86), so that the Win32 backend hands them to user32 as they are.
#if defined(_WIN32) && defined(__i386__)
#define VARDENO_WINAPI __attribute__((stdcall))
#else
#define VARDENO_WINAPI
#endif
using WNDPROC = intptr_t(VARDENO_WINAPI*)(HWND window, uint32_t message, uintptr_t wParam,
                                          intptr_t lParam);
using TIMERPROC = void(VARDENO_WINAPI*)(HWND window, uint32_t message, uintptr_t idEvent,
                                        DWORD time);

// RegisterClassExW: the members the library sets; the others are zero.
struct WNDCLASSEXW {
  uint32_t style = 0;
  WNDPROC lpfnWndProc = nullptr;
  HMODULE hInstance = nullptr;
  const char16_t* lpszClassName = nullptr;
};

// What WM_NCCREATE and WM_CREATE point at (lParam), laid out as Windows lays it out.
struct CREATESTRUCTW {
  void* lpCreateParams;
  HMODULE hInstance;
  void* hMenu;
  HWND hwndParent;
  int32_t cy;
  int32_t cx;
  int32_t y;
  int32_t x;
  int32_t style;
  const char16_t* lpszName;
  const char16_t* lpszClass;
  DWORD dwExStyle;
};

// The parent of a message-only window.
inline HWND const HWND_MESSAGE = reinterpret_cast<HWND>(intptr_t{-3});
constexpr int GWLP_USERDATA = -21;
constexpr uint32_t SMTO_NORMAL = 0x0000;
constexpr uint32_t SMTO_BLOCK = 0x0001;
constexpr uint32_t SMTO_ABORTIFHUNG = 0x0002;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_INVALID_INDEX = 1413;
constexpr DWORD ERROR_TIMEOUT = 1460;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;

// The registry. Predefined keys carry Windows' values, sign-extended as Windows extends them
// on 64-bit builds; results are Win32 error codes (LSTATUS).
using HKEY = void*;
using LSTATUS = int32_t;
inline HKEY PredefinedKey(uint32_t value) {
  return reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(value)));
}
inline HKEY const HKEY_CLASSES_ROOT = PredefinedKey(0x80000000);
inline HKEY const HKEY_CURRENT_USER = PredefinedKey(0x80000001);
inline HKEY const HKEY_LOCAL_MACHINE = PredefinedKey(0x80000002);
inline HKEY const HKEY_USERS = PredefinedKey(0x80000003);
inline HKEY const HKEY_PERFORMANCE_DATA = PredefinedKey(0x80000004);
inline HKEY const HKEY_CURRENT_CONFIG = PredefinedKey(0x80000005);
inline HKEY const HKEY_DYN_DATA = PredefinedKey(0x80000006);
constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr DWORD KEY_NOTIFY = 0x0010;
constexpr DWORD KEY_CREATE_LINK = 0x0020;
constexpr DWORD KEY_WOW64_64KEY = 0x0100;
constexpr DWORD KEY_WOW64_32KEY = 0x0200;
constexpr DWORD KEY_READ = 0x20019;
constexpr DWORD KEY_WRITE = 0x20006;
constexpr DWORD KEY_ALL_ACCESS = 0xF003F;
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NO_MORE_ITEMS = 259;
constexpr DWORD ERROR_KEY_DELETED = 1018;
constexpr DWORD ERROR_BADKEY = 1010;
constexpr NTSTATUS STATUS_ACCESS_DENIED = static_cast<NTSTATUS>(0xC0000022);

}  // namespace win
