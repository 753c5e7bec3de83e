// One table of platform behaviours, run on every backend: the Sim on every target, and the real
// Win32 backend on Windows builds (under Wine here). Test names say where each row ran:
// Conformance/PlatformConformance.Holds/Sim_MoveReplace, .../Win32_MoveReplace. Where Wine
// answers otherwise than Windows, the row names the difference; there it is skipped under Wine
// and holds Windows' answer on the Sim.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <functional>
#include <future>
#include <thread>

#include "lib/platform/uPlatformSim.h"
#include "lib/values/uMiscLean.h"

#ifdef _WIN32
#include "lib/platform/uPlatformWin32.h"
#endif

namespace {

using namespace win;
namespace fs = std::filesystem;

const std::vector<uint8_t> kResourceBytes = {'c', 'o', 'n', 'f', 'o', 'r', 'm', 'a', 'n', 'c', 'e'};

// What a row works with: the backend in use and a fresh folder of its own.
struct TContext {
  TPlatform& P;
  std::u16string Dir;  // a drive path without a trailing separator, e.g. C:\Conformance

  TPlatformFiles& Files() { return P.Files(); }
  std::u16string At(std::u16string_view name) const { return Dir + u"\\" + std::u16string(name); }
  std::u16string Prefixed(std::u16string_view name) const { return u"\\\\?\\" + At(name); }
  std::u16string Drive() const { return Dir.substr(0, 2); }

  bool Write(std::u16string_view name, std::string_view bytes) {
    HANDLE file = Files().CreateFileW(At(name), GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool wrote = Files().WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written);
    Files().CloseHandle(file);
    return wrote && written == bytes.size();
  }
  std::string Read(std::u16string_view name) {
    HANDLE file = Files().CreateFileW(At(name), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    char buffer[256];
    DWORD got = 0;
    Files().ReadFile(file, buffer, sizeof buffer, &got);
    Files().CloseHandle(file);
    return std::string(buffer, got);
  }
  DWORD Error() { return P.GetLastError(); }
  DWORD IntegrityRid() {
    HANDLE token = nullptr;
    if (!P.Security().OpenProcessToken(P.Process().GetCurrentProcess(), TOKEN_QUERY, &token)) return 0;
    alignas(8) uint8_t buffer[64];
    DWORD length = 0;
    DWORD rid = 0;
    if (P.Security().GetTokenInformation(token, TokenIntegrityLevel, buffer, sizeof buffer, &length)) {
      void* sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(buffer)->Label.Sid;
      rid = *P.Security().GetSidSubAuthority(sid, *P.Security().GetSidSubAuthorityCount(sid) - 1u);
    }
    P.Security().CloseHandle(token);
    return rid;
  }
};

// A window procedure that notes what reaches it.
struct TNoted {
  std::vector<uint32_t> Messages;
  uintptr_t LastWParam = 0;
};
std::atomic<TNoted*> GNoted{nullptr};

intptr_t VARDENO_WINAPI NotingProcedure(HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (TNoted* noted = GNoted.load()) {
    noted->Messages.push_back(message);
    noted->LastWParam = wParam;
  }
  if (message == WM_USER + 1) return static_cast<intptr_t>(wParam + 1);
  return Platform().User().DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeWindow(TPlatform& p) {
  // Once per process on Windows, once per machine on the Sim.
  WNDCLASSEXW windowClass;
  windowClass.lpfnWndProc = &NotingProcedure;
  windowClass.lpszClassName = u"VardenoConformance";
  p.User().RegisterClassExW(&windowClass);
  return p.User().CreateWindowExW(0, u"VardenoConformance", u"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, nullptr);
}

struct TRow {
  const char* Name;
  const char* WineDiffers;  // null where Wine answers as Windows does
  std::function<void(TContext&)> Check;
};

const TRow kRows[] = {
    {"CreateWriteReadBack", nullptr,
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"a.txt", "hello"));
       EXPECT_EQ(c.Read(u"a.txt"), "hello");
       HANDLE file = c.Files().CreateFileW(c.At(u"a.txt"), GENERIC_READ, FILE_SHARE_READ, CREATE_ALWAYS, 0);
       EXPECT_NE(file, INVALID_HANDLE_VALUE);
       EXPECT_EQ(c.Error(), ERROR_ALREADY_EXISTS) << "an existing file, truncated";
       int64_t size = -1;
       EXPECT_TRUE(c.Files().GetFileSizeEx(file, &size));
       EXPECT_EQ(size, 0);
       c.Files().CloseHandle(file);
       struct TCase {
         std::u16string Name;
         DWORD Disposition, Error;
       };
       const TCase cases[] = {{u"a.txt", CREATE_NEW, ERROR_FILE_EXISTS},
                              {u"missing.txt", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
                              {u"missing\\b.txt", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
                              {u"a|b.txt", CREATE_ALWAYS, ERROR_INVALID_NAME}};
       for (const TCase& k : cases) {
         SCOPED_TRACE(TextToUtf8(k.Name));
         EXPECT_EQ(c.Files().CreateFileW(c.At(k.Name), GENERIC_WRITE, 0, k.Disposition, 0), INVALID_HANDLE_VALUE);
         EXPECT_EQ(c.Error(), k.Error);
       }
     }},
    {"ShareModes", nullptr,
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"held.txt", "x"));
       ASSERT_TRUE(c.Write(u"other.txt", "y"));
       HANDLE held = c.Files().CreateFileW(c.At(u"held.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
       ASSERT_NE(held, INVALID_HANDLE_VALUE);
       HANDLE reader = c.Files().CreateFileW(c.At(u"held.txt"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
       EXPECT_NE(reader, INVALID_HANDLE_VALUE) << "two readers that share reading";
       c.Files().CloseHandle(reader);
       EXPECT_EQ(c.Files().CreateFileW(c.At(u"held.txt"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0),
                 INVALID_HANDLE_VALUE);
       EXPECT_EQ(c.Error(), ERROR_SHARING_VIOLATION);
       EXPECT_FALSE(c.Files().DeleteFileW(c.At(u"held.txt")));
       EXPECT_EQ(c.Error(), ERROR_SHARING_VIOLATION);
       // An open file cannot be superseded, and one open without delete sharing cannot move.
       EXPECT_FALSE(c.Files().MoveFileExW(c.At(u"other.txt"), c.At(u"held.txt"), MOVEFILE_REPLACE_EXISTING));
       EXPECT_EQ(c.Error(), ERROR_ACCESS_DENIED);
       EXPECT_FALSE(c.Files().MoveFileExW(c.At(u"held.txt"), c.At(u"moved.txt"), 0));
       EXPECT_EQ(c.Error(), ERROR_SHARING_VIOLATION);
       EXPECT_NE(c.Files().GetFileAttributesW(c.At(u"held.txt")), INVALID_FILE_ATTRIBUTES)
           << "attributes are read whatever the sharing";
       c.Files().CloseHandle(held);
       EXPECT_TRUE(c.Files().MoveFileExW(c.At(u"other.txt"), c.At(u"held.txt"), MOVEFILE_REPLACE_EXISTING));
     }},
    {"Attributes", nullptr,
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"a.txt", "x"));
       EXPECT_EQ(c.Files().GetFileAttributesW(c.At(u"a.txt")), FILE_ATTRIBUTE_ARCHIVE);
       ASSERT_TRUE(c.Files().SetFileAttributesW(c.At(u"a.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
       EXPECT_EQ(c.Files().GetFileAttributesW(c.At(u"a.txt")) & 0x7, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
       ASSERT_TRUE(c.Files().SetFileAttributesW(c.At(u"a.txt"), FILE_ATTRIBUTE_NORMAL));
       EXPECT_EQ(c.Files().GetFileAttributesW(c.At(u"a.txt")) & FILE_ATTRIBUTE_READONLY, 0u);
       EXPECT_EQ(c.Files().GetFileAttributesW(c.Dir) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
       EXPECT_EQ(c.Files().GetFileAttributesW(c.At(u"none\\a.txt")), INVALID_FILE_ATTRIBUTES);
       EXPECT_EQ(c.Error(), ERROR_PATH_NOT_FOUND);
     }},
    {"AttributesAreSetExactly", "SetFileAttributesW keeps the archive attribute it was not given",
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"a.txt", "x"));
       ASSERT_TRUE(c.Files().SetFileAttributesW(c.At(u"a.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
       EXPECT_EQ(c.Files().GetFileAttributesW(c.At(u"a.txt")), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
       ASSERT_TRUE(c.Files().SetFileAttributesW(c.At(u"a.txt"), FILE_ATTRIBUTE_NORMAL));
       EXPECT_EQ(c.Files().GetFileAttributesW(c.At(u"a.txt")), FILE_ATTRIBUTE_NORMAL);
     }},
    {"ReadOnlyRefusesChanges", "run as root, Wine lets the read-only attribute pass writes and deletions",
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"ro.txt", "x"));
       ASSERT_TRUE(c.Files().SetFileAttributesW(c.At(u"ro.txt"), FILE_ATTRIBUTE_READONLY));
       EXPECT_EQ(c.Files().CreateFileW(c.At(u"ro.txt"), GENERIC_WRITE, 0, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
       EXPECT_EQ(c.Error(), ERROR_ACCESS_DENIED);
       EXPECT_FALSE(c.Files().DeleteFileW(c.At(u"ro.txt")));
       EXPECT_EQ(c.Error(), ERROR_ACCESS_DENIED);
       c.Files().SetFileAttributesW(c.At(u"ro.txt"), FILE_ATTRIBUTE_NORMAL);
     }},
    {"MoveReplace", nullptr,
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"a.txt", "A"));
       ASSERT_TRUE(c.Write(u"b.txt", "B"));
       EXPECT_FALSE(c.Files().MoveFileExW(c.At(u"a.txt"), c.At(u"b.txt"), 0));
       EXPECT_EQ(c.Error(), ERROR_ALREADY_EXISTS);
       EXPECT_EQ(c.Read(u"b.txt"), "B");
       EXPECT_TRUE(c.Files().MoveFileExW(c.Prefixed(u"a.txt"), c.Prefixed(u"b.txt"), MOVEFILE_REPLACE_EXISTING));
       EXPECT_EQ(c.Read(u"b.txt"), "A");
       EXPECT_EQ(c.Files().GetFileAttributesW(c.At(u"a.txt")), INVALID_FILE_ATTRIBUTES);
       EXPECT_EQ(c.Error(), ERROR_FILE_NOT_FOUND);
       EXPECT_FALSE(c.Files().MoveFileExW(c.At(u"b.txt"), c.At(u"none\\b.txt"), 0));
       EXPECT_EQ(c.Error(), ERROR_PATH_NOT_FOUND);
       EXPECT_FALSE(c.Files().MoveFileExW(c.At(u"gone.txt"), c.At(u"c.txt"), 0));
       EXPECT_EQ(c.Error(), ERROR_FILE_NOT_FOUND);
     }},
    {"MoveOverAReadOnlyFile", "MoveFileExW replaces a read-only target",
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"a.txt", "A"));
       ASSERT_TRUE(c.Write(u"ro.txt", "R"));
       ASSERT_TRUE(c.Files().SetFileAttributesW(c.At(u"ro.txt"), FILE_ATTRIBUTE_READONLY));
       EXPECT_FALSE(c.Files().MoveFileExW(c.At(u"a.txt"), c.At(u"ro.txt"), MOVEFILE_REPLACE_EXISTING));
       EXPECT_EQ(c.Error(), ERROR_ACCESS_DENIED);
       EXPECT_EQ(c.Read(u"ro.txt"), "R");
       c.Files().SetFileAttributesW(c.At(u"ro.txt"), FILE_ATTRIBUTE_NORMAL);
     }},
    {"CopyFile", nullptr,
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"a.txt", "A"));
       ASSERT_TRUE(c.Write(u"b.txt", "B"));
       EXPECT_FALSE(c.Files().CopyFileW(c.At(u"a.txt"), c.At(u"b.txt"), true));
       EXPECT_EQ(c.Error(), ERROR_FILE_EXISTS);
       EXPECT_TRUE(c.Files().CopyFileW(c.At(u"a.txt"), c.At(u"b.txt"), false));
       EXPECT_EQ(c.Read(u"b.txt"), "A");
       EXPECT_EQ(c.Read(u"a.txt"), "A");
     }},
    {"Folders", nullptr,
     [](TContext& c) {
       ASSERT_TRUE(c.Files().CreateDirectoryW(c.At(u"sub")));
       EXPECT_FALSE(c.Files().CreateDirectoryW(c.At(u"sub")));
       EXPECT_EQ(c.Error(), ERROR_ALREADY_EXISTS);
       EXPECT_FALSE(c.Files().CreateDirectoryW(c.At(u"none\\sub")));
       EXPECT_EQ(c.Error(), ERROR_PATH_NOT_FOUND);
       ASSERT_TRUE(c.Write(u"sub\\f.txt", "f"));
       EXPECT_FALSE(c.Files().RemoveDirectoryW(c.At(u"sub")));
       EXPECT_EQ(c.Error(), ERROR_DIR_NOT_EMPTY);
       EXPECT_FALSE(c.Files().DeleteFileW(c.At(u"sub")));
       EXPECT_EQ(c.Error(), ERROR_ACCESS_DENIED);
       EXPECT_FALSE(c.Files().RemoveDirectoryW(c.At(u"sub\\f.txt")));
       EXPECT_EQ(c.Error(), 267u /* ERROR_DIRECTORY */);
       // A folder opens only with backup semantics, and then for writing too.
       EXPECT_EQ(c.Files().CreateFileW(c.At(u"sub"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0),
                 INVALID_HANDLE_VALUE);
       EXPECT_EQ(c.Error(), ERROR_ACCESS_DENIED);
       HANDLE folder = c.Files().CreateFileW(c.At(u"sub"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
       ASSERT_NE(folder, INVALID_HANDLE_VALUE);
       BY_HANDLE_FILE_INFORMATION information;
       EXPECT_TRUE(c.Files().GetFileInformationByHandle(folder, &information));
       EXPECT_EQ(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
       c.Files().CloseHandle(folder);
       EXPECT_TRUE(c.Files().DeleteFileW(c.At(u"sub\\f.txt")));
       EXPECT_TRUE(c.Files().RemoveDirectoryW(c.At(u"sub")));
     }},
    {"LongPathPrefix", nullptr,
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"a.txt", "A"));
       ASSERT_TRUE(c.Files().CreateDirectoryW(c.At(u"sub")));
       struct TCase {
         std::u16string Name;
         DWORD Attributes, Error;  // INVALID_FILE_ATTRIBUTES with the error
       };
       const TCase cases[] = {
           {c.Prefixed(u"a.txt"), FILE_ATTRIBUTE_ARCHIVE, 0},
           {c.At(u"sub\\..\\a.txt"), FILE_ATTRIBUTE_ARCHIVE, 0},
           {c.At(u".\\a.txt"), FILE_ATTRIBUTE_ARCHIVE, 0},
           {c.At(u"a.txt."), FILE_ATTRIBUTE_ARCHIVE, 0},  // trailing dots go without the prefix
           {c.At(u"sub\\\\..\\a.txt"), FILE_ATTRIBUTE_ARCHIVE, 0},
           {c.Prefixed(u"sub\\\\a.txt"), INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
           {c.Prefixed(u"sub") + u"\\", FILE_ATTRIBUTE_DIRECTORY, 0},
           {u"\\\\?\\" + c.Drive() + u"\\", FILE_ATTRIBUTE_DIRECTORY, 0},
       };
       for (const TCase& k : cases) {
         SCOPED_TRACE(TextToUtf8(k.Name));
         c.P.SetLastError(0);
         const DWORD attributes = c.Files().GetFileAttributesW(k.Name);
         EXPECT_EQ(attributes == INVALID_FILE_ATTRIBUTES ? attributes : attributes & k.Attributes, k.Attributes);
         if (k.Attributes == INVALID_FILE_ATTRIBUTES) {
           EXPECT_EQ(c.Error(), k.Error);
         }
       }
       // A separator after a file's name is an invalid name.
       EXPECT_EQ(c.Files().CreateFileW(c.Prefixed(u"a.txt\\"), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0),
                 INVALID_HANDLE_VALUE);
       EXPECT_EQ(c.Error(), ERROR_INVALID_NAME);
     }},
    {"AttributesOfAFileNameWithASeparatorAfterIt",
     "GetFileAttributesW answers ERROR_PATH_NOT_FOUND (3) instead of ERROR_INVALID_NAME (123)",
     [](TContext& c) {
       ASSERT_TRUE(c.Write(u"a.txt", "A"));
       for (const std::u16string& name : {c.At(u"a.txt\\"), c.Prefixed(u"a.txt\\")}) {
         SCOPED_TRACE(TextToUtf8(name));
         EXPECT_EQ(c.Files().GetFileAttributesW(name), INVALID_FILE_ATTRIBUTES);
         EXPECT_EQ(c.Error(), ERROR_INVALID_NAME);
       }
     }},
    {"TheVolumeDevice", nullptr,
     [](TContext& c) {
       // \\?\C: is the volume, not its root folder.
       const std::u16string volume = u"\\\\?\\" + c.Drive();
       EXPECT_EQ(c.Files().GetFileAttributesW(volume), INVALID_FILE_ATTRIBUTES);
       EXPECT_EQ(c.Error(), 66u /* ERROR_BAD_DEV_TYPE */);
       HANDLE device = c.Files().CreateFileW(volume, 0, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING, 0);
       ASSERT_NE(device, INVALID_HANDLE_VALUE);
       BY_HANDLE_FILE_INFORMATION information;
       EXPECT_FALSE(c.Files().GetFileInformationByHandle(device, &information));
       c.Files().CloseHandle(device);
       EXPECT_EQ(c.Files().GetFileAttributesW(c.Drive()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY)
           << "without the prefix, C: is the current folder of the drive";
     }},
    {"ListingInNtfsOrder", nullptr,
     [](TContext& c) {
       for (const char16_t* name : {u"_c.log", u"B.log", u"a.log", u"b2.log", u"Z.txt"}) {
         ASSERT_TRUE(c.Write(name, "x"));
       }
       ASSERT_TRUE(c.Files().CreateDirectoryW(c.At(u"m")));
       std::vector<std::u16string> names;
       WIN32_FIND_DATAW data;
       HANDLE find = c.Files().FindFirstFileW(c.At(u"*"), &data);
       ASSERT_NE(find, INVALID_HANDLE_VALUE);
       do names.push_back(data.cFileName);
       while (c.Files().FindNextFileW(find, &data));
       EXPECT_EQ(c.Error(), ERROR_NO_MORE_FILES);
       c.Files().FindClose(find);
       EXPECT_EQ(names, (std::vector<std::u16string>{u".", u"..", u"a.log", u"B.log", u"b2.log", u"m",
                                                     u"Z.txt", u"_c.log"}));
       find = c.Files().FindFirstFileW(c.At(u"*.zip"), &data);
       EXPECT_EQ(find, INVALID_HANDLE_VALUE);
       EXPECT_EQ(c.Error(), ERROR_FILE_NOT_FOUND);
     }},
    {"ExecutableResources", nullptr,
     [](TContext& c) {
       TPlatformResources& resources = c.P.Resources();
       HRSRC found = resources.FindResourceW(nullptr, u"conformance", RT_RCDATA);
       ASSERT_NE(found, nullptr) << "names match without case";
       const auto* bytes = static_cast<const uint8_t*>(resources.LockResource(resources.LoadResource(nullptr, found)));
       ASSERT_NE(bytes, nullptr);
       EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + resources.SizeofResource(nullptr, found)), kResourceBytes);
       EXPECT_EQ(resources.FindResourceW(nullptr, u"ABSENT", RT_RCDATA), nullptr);
       EXPECT_EQ(c.Error(), ERROR_RESOURCE_NAME_NOT_FOUND);
       EXPECT_EQ(resources.FindResourceW(nullptr, u"CONFORMANCE", 4 /* RT_MENU */), nullptr);
       EXPECT_EQ(c.Error(), ERROR_RESOURCE_TYPE_NOT_FOUND);
     }},
    {"VersionInformation", nullptr,
     [](TContext& c) {
       char16_t system[MAX_PATH + 1];
       const DWORD length = c.Files().GetSystemDirectoryW(system, MAX_PATH + 1);
       ASSERT_GT(length, 0u);
       const std::u16string shell = std::u16string(system, length) + u"\\shell32.dll";
       const DWORD size = c.P.Resources().GetFileVersionInfoSizeW(shell);
       ASSERT_GT(size, 0u);
       std::vector<uint8_t> block(size);
       ASSERT_TRUE(c.P.Resources().GetFileVersionInfoW(shell, size, block.data()));
       void* fixed = nullptr;
       DWORD fixedLength = 0;
       ASSERT_TRUE(c.P.Resources().VerQueryValueW(block.data(), u"\\", &fixed, &fixedLength));
       ASSERT_GE(fixedLength, sizeof(VS_FIXEDFILEINFO));
       const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
       EXPECT_EQ(info->dwSignature, VS_FFI_SIGNATURE);
       EXPECT_GE(info->dwFileVersionMS >> 16, 5u);
       EXPECT_EQ(c.P.Resources().GetFileVersionInfoSizeW(c.At(u"missing.dll")), 0u);
       EXPECT_EQ(c.Error(), ERROR_FILE_NOT_FOUND);
     }},
    {"TokenOfTheProcess", nullptr,
     [](TContext& c) {
       HANDLE token = nullptr;
       ASSERT_TRUE(c.P.Security().OpenProcessToken(c.P.Process().GetCurrentProcess(), TOKEN_QUERY, &token));
       DWORD needed = 0;
       EXPECT_FALSE(c.P.Security().GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &needed));
       EXPECT_EQ(c.Error(), ERROR_INSUFFICIENT_BUFFER);
       EXPECT_GE(needed, sizeof(TOKEN_MANDATORY_LABEL) + 12);
       c.P.Security().CloseHandle(token);
       // Whatever the level is (Wine runs everything high, a standard user runs medium), it is one
       // of the mandatory levels.
       const DWORD rid = c.IntegrityRid();
       EXPECT_TRUE(rid == SECURITY_MANDATORY_LOW_RID || rid == SECURITY_MANDATORY_MEDIUM_RID ||
                   rid == SECURITY_MANDATORY_HIGH_RID || rid == SECURITY_MANDATORY_SYSTEM_RID)
           << rid;
       LUID luid;
       ASSERT_TRUE(c.P.Security().LookupPrivilegeValueW(u"", u"SeShutdownPrivilege", &luid));
       EXPECT_EQ(luid.LowPart, 19u);
       EXPECT_FALSE(c.P.Security().LookupPrivilegeValueW(u"", u"SeNoSuchPrivilege", &luid));
       EXPECT_EQ(c.Error(), ERROR_NO_SUCH_PRIVILEGE);
     }},
    {"NextStartScheduleNeedsAnAdministrator", nullptr,
     [](TContext& c) {
       // A deletion of a scratch file, so that whenever the schedule is carried out nothing else
       // is touched.
       ASSERT_TRUE(c.Write(u"stale.tmp", "x"));
       const bool elevated = c.IntegrityRid() >= SECURITY_MANDATORY_HIGH_RID;
       EXPECT_EQ(c.Files().MoveFileExW(c.At(u"stale.tmp"), u"", MOVEFILE_DELAY_UNTIL_REBOOT), elevated);
       if (!elevated) {
         EXPECT_EQ(c.Error(), ERROR_ACCESS_DENIED);
       }
       EXPECT_EQ(c.Read(u"stale.tmp"), "x") << "until the next start";
     }},
    {"RegistryKeysAndValues", nullptr,
     [](TContext& c) {
       TPlatformRegistry& registry = c.P.Registry();
       const std::u16string name =
           u"Software\\VardenoConformance" + TextFromUtf8(std::to_string(c.P.Process().GetCurrentProcessId()));
       HKEY key = nullptr;
       DWORD disposition = 0;
       ASSERT_EQ(registry.RegCreateKeyExW(HKEY_CURRENT_USER, name, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, &key, &disposition), 0);
       EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
       const std::u16string text = u"C:\\Program Files\\Vardeno";
       EXPECT_EQ(registry.RegSetValueExW(key, u"Path", REG_SZ, reinterpret_cast<const uint8_t*>(text.c_str()),
                                         static_cast<DWORD>((text.size() + 1) * 2)), 0);
       const DWORD number = 907;
       EXPECT_EQ(registry.RegSetValueExW(key, u"Build", REG_DWORD, reinterpret_cast<const uint8_t*>(&number), 4), 0);
       DWORD type = 0, size = 0;
       EXPECT_EQ(registry.RegQueryValueExW(key, u"path", &type, nullptr, &size), 0) << "names match without case";
       EXPECT_EQ(type, REG_SZ);
       EXPECT_EQ(size, (text.size() + 1) * 2);
       std::u16string read(text.size() + 1, u'x');
       DWORD small = 4;
       EXPECT_EQ(registry.RegQueryValueExW(key, u"Path", nullptr, reinterpret_cast<uint8_t*>(read.data()), &small), ERROR_MORE_DATA);
       EXPECT_EQ(registry.RegQueryValueExW(key, u"Path", nullptr, reinterpret_cast<uint8_t*>(read.data()), &size), 0);
       EXPECT_EQ(read, text + u'\0');
       EXPECT_EQ(registry.RegQueryValueExW(key, u"Absent", nullptr, nullptr, &size), static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND));
       // Windows promises no order of values.
       std::vector<std::u16string> valueNames;
       char16_t valueName[32];
       DWORD valueLength = 32;
       for (DWORD index = 0; index < 2; ++index, valueLength = 32) {
         EXPECT_EQ(registry.RegEnumValueW(key, index, valueName, &valueLength, &type, nullptr, nullptr), 0);
         valueNames.emplace_back(valueName, valueLength);
       }
       std::sort(valueNames.begin(), valueNames.end());
       EXPECT_EQ(valueNames, (std::vector<std::u16string>{u"Build", u"Path"}));
       EXPECT_EQ(registry.RegEnumValueW(key, 2, valueName, &valueLength, nullptr, nullptr, nullptr),
                 static_cast<LSTATUS>(ERROR_NO_MORE_ITEMS));

       HKEY sub = nullptr;
       for (const char16_t* child : {u"b-sub", u"A-sub\\deeper"}) {
         ASSERT_EQ(registry.RegCreateKeyExW(key, child, 0, KEY_ALL_ACCESS, &sub, nullptr), 0);
         registry.RegCloseKey(sub);
       }
       DWORD subKeys = 0, values = 0;
       EXPECT_EQ(registry.RegQueryInfoKeyW(key, &subKeys, nullptr, &values, nullptr, nullptr), 0);
       EXPECT_EQ(subKeys, 2u);
       EXPECT_EQ(values, 2u);
       char16_t keyName[32];
       DWORD keyLength = 32;
       EXPECT_EQ(registry.RegEnumKeyExW(key, 0, keyName, &keyLength), 0);
       EXPECT_EQ(std::u16string(keyName, keyLength), u"A-sub");
       keyLength = 2;
       EXPECT_EQ(registry.RegEnumKeyExW(key, 1, keyName, &keyLength), static_cast<LSTATUS>(ERROR_MORE_DATA));
       keyLength = 32;
       EXPECT_EQ(registry.RegEnumKeyExW(key, 2, keyName, &keyLength), static_cast<LSTATUS>(ERROR_NO_MORE_ITEMS));

       // A key with subkeys is not deleted; depth first it goes.
       EXPECT_EQ(registry.RegDeleteKeyW(key, u"A-sub"), static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
       EXPECT_EQ(registry.RegDeleteKeyW(key, u"A-sub\\deeper"), 0);
       EXPECT_EQ(registry.RegDeleteKeyExW(key, u"A-sub", KEY_WOW64_64KEY), 0);
       EXPECT_EQ(registry.RegDeleteKeyW(key, u"b-sub"), 0);
       EXPECT_EQ(registry.RegDeleteKeyW(key, u"b-sub"), static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND));
       EXPECT_EQ(registry.RegDeleteValueW(key, u"Build"), 0);
       EXPECT_EQ(registry.RegDeleteValueW(key, u"Build"), static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND));
       EXPECT_EQ(registry.RegCloseKey(key), 0);
       EXPECT_EQ(registry.RegDeleteKeyW(HKEY_CURRENT_USER, name), 0);
       EXPECT_EQ(registry.RegOpenKeyExW(HKEY_CURRENT_USER, name, 0, KEY_READ, &key), static_cast<LSTATUS>(ERROR_FILE_NOT_FOUND));
       EXPECT_EQ(key, nullptr);
       // A read-only handle does not write.
       ASSERT_EQ(registry.RegOpenKeyExW(HKEY_CURRENT_USER, u"Software", 0, KEY_READ, &key), 0);
       EXPECT_EQ(registry.RegSetValueExW(key, u"x", REG_DWORD, reinterpret_cast<const uint8_t*>(&number), 4),
                 static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
       registry.RegCloseKey(key);
       EXPECT_EQ(registry.RtlNtStatusToDosError(STATUS_SUCCESS), 0u);
       EXPECT_EQ(registry.RtlNtStatusToDosError(STATUS_ACCESS_DENIED), ERROR_ACCESS_DENIED);
       EXPECT_EQ(registry.RtlNtStatusToDosError(STATUS_OBJECT_NAME_NOT_FOUND), ERROR_FILE_NOT_FOUND);
       EXPECT_EQ(registry.RtlNtStatusToDosError(STATUS_OBJECT_PATH_NOT_FOUND), ERROR_PATH_NOT_FOUND);
       EXPECT_EQ(registry.RtlNtStatusToDosError(STATUS_OBJECT_TYPE_MISMATCH), ERROR_INVALID_HANDLE);
       EXPECT_EQ(registry.RtlNtStatusToDosError(static_cast<NTSTATUS>(0xC0000017)), ERROR_NOT_ENOUGH_MEMORY);
       EXPECT_EQ(registry.RtlNtStatusToDosError(static_cast<NTSTATUS>(0xC0000121)), ERROR_ACCESS_DENIED);
       EXPECT_EQ(registry.RtlNtStatusToDosError(static_cast<NTSTATUS>(0xC0000002)), ERROR_INVALID_FUNCTION);
     }},
    {"PageMemory", nullptr,
     [](TContext& c) {
       auto* block = static_cast<uint8_t*>(c.P.Memory().VirtualAlloc(nullptr, 70000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
       ASSERT_NE(block, nullptr);
       EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 65536, 0u);
       EXPECT_EQ(std::count(block, block + 73728, 0), 73728);
       EXPECT_FALSE(c.P.Memory().VirtualFree(block, 4096, MEM_RELEASE));
       EXPECT_EQ(c.Error(), ERROR_INVALID_PARAMETER);
       EXPECT_TRUE(c.P.Memory().VirtualFree(block, 0, MEM_RELEASE));
     }},
    {"WindowProcedures", nullptr,
     [](TContext& c) {
       TNoted noted;
       GNoted = &noted;
       TPlatformUser& user = c.P.User();
       HWND window = MakeWindow(c.P);
       ASSERT_NE(window, nullptr);
       EXPECT_TRUE(std::find(noted.Messages.begin(), noted.Messages.end(), WM_CREATE) != noted.Messages.end());
       EXPECT_EQ(user.GetWindowThreadProcessId(window, nullptr), c.P.Process().GetCurrentThreadId());
       EXPECT_EQ(user.SetWindowLongPtrW(window, GWLP_USERDATA, 77), 0);
       EXPECT_EQ(user.GetWindowLongPtrW(window, GWLP_USERDATA), 77);
       EXPECT_EQ(user.SendMessageW(window, WM_USER + 1, 41, 0), 42) << "sent on the same thread: at once";
       noted.Messages.clear();
       ASSERT_TRUE(user.PostMessageW(window, WM_USER + 2, 5, 0));
       EXPECT_TRUE(noted.Messages.empty()) << "posted: only when dispatched";
       EXPECT_TRUE(PlatformProcessMessages());
       EXPECT_EQ(noted.Messages, std::vector<uint32_t>{WM_USER + 2});
       EXPECT_EQ(noted.LastWParam, 5u);

       // A timer on the platform's clock.
       ASSERT_NE(user.SetTimer(window, 9, 20, nullptr), 0u);
       bool fired = false;
       for (int i = 0; i < 400 && !fired; ++i) {
         c.P.Clock().Sleep(5);
         PlatformProcessMessages();
         fired = std::find(noted.Messages.begin(), noted.Messages.end(), WM_TIMER) != noted.Messages.end();
       }
       EXPECT_TRUE(fired);
       EXPECT_EQ(noted.LastWParam, 9u);
       EXPECT_TRUE(user.KillTimer(window, 9));

       // WM_QUIT comes after what was posted before it.
       user.PostQuitMessage(3);
       user.PostMessageW(nullptr, WM_USER + 3, 0, 0);
       MSG message;
       ASSERT_TRUE(user.PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
       EXPECT_EQ(message.message, WM_USER + 3);
       ASSERT_TRUE(user.PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
       EXPECT_EQ(message.message, WM_QUIT);
       EXPECT_EQ(message.wParam, 3u);

       noted.Messages.clear();
       EXPECT_TRUE(user.DestroyWindow(window));
       EXPECT_EQ(noted.Messages, (std::vector<uint32_t>{WM_DESTROY, WM_NCDESTROY}));
       EXPECT_FALSE(user.IsWindow(window));
       EXPECT_FALSE(user.PostMessageW(window, WM_USER, 0, 0));
       EXPECT_EQ(c.Error(), ERROR_INVALID_WINDOW_HANDLE);
       GNoted = nullptr;
     }},
    {"SendToAThreadThatDoesNotTakeMessages", nullptr,
     [](TContext& c) {
       std::promise<HWND> created;
       std::promise<void> release;
       std::thread server([&] {
         HWND window = MakeWindow(c.P);
         created.set_value(window);
         release.get_future().wait();
         c.P.User().DestroyWindow(window);
       });
       HWND window = created.get_future().get();
       if (window == nullptr) {
         release.set_value();
         server.join();
         FAIL() << "no window";
       }
       uintptr_t result = 7;
       const uint64_t before = c.P.Clock().GetTickCount64();
       EXPECT_EQ(c.P.User().SendMessageTimeoutW(window, WM_USER + 1, 1, 0, SMTO_NORMAL, 100, &result), 0);
       EXPECT_EQ(c.Error(), ERROR_TIMEOUT);
       EXPECT_GE(c.P.Clock().GetTickCount64() - before, 90u);
       release.set_value();
       server.join();
     }},
};

struct TBackend {
  const char* Name;
  bool Real;
};

const TBackend kBackends[] = {
    {"Sim", false},
#ifdef _WIN32
    {"Win32", true},
#endif
};

class PlatformConformance : public testing::TestWithParam<std::tuple<size_t, size_t>> {
 protected:
  void SetUp() override {
    const TBackend& backend = kBackends[std::get<0>(GetParam())];
    if (backend.Real) {
#ifdef _WIN32
      FBackend = std::make_unique<TWin32Platform>();
      FFolder = fs::temp_directory_path() /
                ("vardeno-conformance-" + std::to_string(FBackend->Process().GetCurrentProcessId()));
      fs::remove_all(FFolder);
      fs::create_directories(FFolder);
      FDir = FFolder.u16string();
#endif
    } else {
      auto sim = std::make_unique<TSimPlatform>();
      sim->Resources().AddResource(u"CONFORMANCE", kResourceBytes);
      FDir = u"C:\\Conformance";
      ASSERT_TRUE(sim->Files().CreateDirectoryW(FDir));
      FBackend = std::move(sim);
    }
    FPrevious = PlatformExchange(FBackend.get());
  }
  void TearDown() override {
    PlatformExchange(FPrevious);
    std::error_code ignored;
    if (!FFolder.empty()) fs::remove_all(FFolder, ignored);
  }

  std::unique_ptr<TPlatform> FBackend;
  TPlatform* FPrevious = nullptr;
  fs::path FFolder;
  std::u16string FDir;
};

TEST_P(PlatformConformance, Holds) {
  const TBackend& backend = kBackends[std::get<0>(GetParam())];
  const TRow& row = kRows[std::get<1>(GetParam())];
#ifdef _WIN32
  if (backend.Real && row.WineDiffers != nullptr && Win32UnderWine()) {
    GTEST_SKIP() << "Wine differs from Windows here (" << row.WineDiffers
                 << "); the Sim row holds Windows' answer";
  }
#endif
  (void)backend;
  TContext context{*FBackend, FDir};
  row.Check(context);
}

INSTANTIATE_TEST_SUITE_P(
    Conformance, PlatformConformance,
    testing::Combine(testing::Range<size_t>(0, std::size(kBackends)), testing::Range<size_t>(0, std::size(kRows))),
    [](const testing::TestParamInfo<std::tuple<size_t, size_t>>& param) {
      return std::string(kBackends[std::get<0>(param.param)].Name) + "_" + kRows[std::get<1>(param.param)].Name;
    });

}  // namespace
