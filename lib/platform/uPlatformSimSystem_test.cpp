// The simulated machine beyond its files: Wow64 redirection, volumes and DOS devices, NT
// symbolic links, tokens and privileges, the computer name; and the same calls made for real
// on Windows.
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <thread>

#include "lib/platform/uPlatformSim.h"
#include "lib/values/uMiscLean.h"

#ifdef _WIN32
#include "lib/platform/uPlatformWin32.h"
#endif

namespace {

using namespace win;

std::string HostContent(TSimFiles& files, std::u16string_view name) {
  std::ifstream in(files.HostPath(name), std::ios::binary);
  if (!in) return "missing";
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SimWow64, SystemFolderPathsFollowBitnessAndRedirection) {
  struct TCase {
    TSimBitness Bitness;
    bool RedirectionOff;
    const char16_t* Path;
    const char* Reaches;  // the marker file found there
  };
  constexpr auto kWow64 = TSimBitness::Windows64Process32;
  constexpr auto k64 = TSimBitness::Windows64Process64;
  constexpr auto k32 = TSimBitness::Windows32;
  const TCase cases[] = {
      {kWow64, false, u"C:\\Windows\\System32\\marker", "32-bit"},
      {kWow64, false, u"c:\\windows\\SYSTEM32\\marker", "32-bit"},
      {kWow64, false, u"\\\\?\\C:\\Windows\\System32\\marker", "32-bit"},
      {kWow64, false, u"C:\\Windows\\sysnative\\marker", "native"},
      {kWow64, false, u"C:\\Windows\\System32\\drivers\\etc\\marker", "shared"},
      {kWow64, false, u"C:\\Windows\\System32\\drivers\\marker", "32-bit drivers"},
      {kWow64, true, u"C:\\Windows\\System32\\marker", "native"},
      {kWow64, true, u"C:\\Windows\\sysnative\\marker", "missing"},
      {k64, false, u"C:\\Windows\\System32\\marker", "native"},
      {k64, false, u"C:\\Windows\\sysnative\\marker", "missing"},
      {k32, false, u"C:\\Windows\\System32\\marker", "native"},
      {k32, false, u"C:\\Windows\\sysnative\\marker", "missing"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Path) + (c.RedirectionOff ? " off" : ""));
    TSimPlatform sim;
    sim.Process().SetBitness(c.Bitness);
    auto put = [&](std::u16string_view name, std::string_view text) {
      sim.Files().MakeFile(name, std::vector<uint8_t>(text.begin(), text.end()));
    };
    put(u"C:\\Windows\\System32\\marker", "native");
    put(u"C:\\Windows\\SysWOW64\\marker", "32-bit");
    put(u"C:\\Windows\\System32\\drivers\\etc\\marker", "shared");
    put(u"C:\\Windows\\SysWOW64\\drivers\\marker", "32-bit drivers");
    void* old = nullptr;
    if (c.RedirectionOff) {
      ASSERT_TRUE(sim.Process().Wow64DisableWow64FsRedirection(&old));
    }
    EXPECT_EQ(HostContent(sim.Files(), c.Path), c.Reaches);
  }
}

TEST(SimWow64, RedirectionIsPerThreadAndRevertGivesBackThePreviousState) {
  TSimPlatform sim;
  TSimProcess& process = sim.Process();
  ASSERT_TRUE(process.Wow64RedirectionActive());
  void* outer = nullptr;
  void* inner = nullptr;
  ASSERT_TRUE(process.Wow64DisableWow64FsRedirection(&outer));
  EXPECT_FALSE(process.Wow64RedirectionActive());
  bool otherThread = false;
  std::thread([&] { otherThread = process.Wow64RedirectionActive(); }).join();
  EXPECT_TRUE(otherThread) << "another thread keeps its redirection";

  // Disabled twice: reverting the second restores "off", the first "on".
  ASSERT_TRUE(process.Wow64DisableWow64FsRedirection(&inner));
  ASSERT_TRUE(process.Wow64RevertWow64FsRedirection(inner));
  EXPECT_FALSE(process.Wow64RedirectionActive());
  ASSERT_TRUE(process.Wow64RevertWow64FsRedirection(outer));
  EXPECT_TRUE(process.Wow64RedirectionActive());

  for (TSimBitness bitness : {TSimBitness::Windows32, TSimBitness::Windows64Process64}) {
    process.SetBitness(bitness);
    EXPECT_FALSE(process.Wow64DisableWow64FsRedirection(&outer));
    EXPECT_EQ(sim.GetLastError(), ERROR_INVALID_FUNCTION);
    EXPECT_FALSE(process.Wow64RevertWow64FsRedirection(nullptr));
  }
}

TEST(SimWow64, SystemDirectoryAndShell32) {
  TSimPlatform sim;
  char16_t buffer[64];
  EXPECT_EQ(sim.Files().GetSystemDirectoryW(buffer, 5), 20u) << "the size needed, with the NUL";
  ASSERT_EQ(sim.Files().GetSystemDirectoryW(buffer, 64), 19u);
  EXPECT_EQ(std::u16string(buffer), u"C:\\Windows\\System32");

  // shell32.dll in both system folders carries the Windows version.
  sim.Files().SetWindowsVersion(6, 1, 7601);
  for (const char16_t* name :
       {u"C:\\Windows\\System32\\shell32.dll", u"C:\\Windows\\sysnative\\shell32.dll"}) {
    SCOPED_TRACE(TextToUtf8(name));
    const DWORD size = sim.Resources().GetFileVersionInfoSizeW(name);
    ASSERT_GT(size, 0u);
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(sim.Resources().GetFileVersionInfoW(name, size, block.data()));
    void* value = nullptr;
    DWORD length = 0;
    ASSERT_TRUE(sim.Resources().VerQueryValueW(block.data(), u"\\", &value, &length));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, value, sizeof(info));
    EXPECT_EQ(info.dwFileVersionMS, (6u << 16) | 1u);
    EXPECT_EQ(info.dwFileVersionLS >> 16, 7601u);
  }
}

TEST(SimVolumes, DrivesAreVolumesWithDosDevices) {
  TSimPlatform sim;
  TSimFiles& files = sim.Files();
  files.MapDrive(u'd', files.HostPath(u"C:\\").parent_path() / "D");
  files.AddVolume(u"Volume{00000000-0000-0000-0000-00000000beef}", u"\\Device\\HarddiskVolume9");
  files.DefineDosDevice(u"S:", u"\\??\\C:\\Work");

  char16_t buffer[261];
  std::vector<std::u16string> volumes;
  HANDLE find = files.FindFirstVolumeW(buffer, 261);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  do {
    volumes.emplace_back(buffer);
  } while (files.FindNextVolumeW(find, buffer, 261));
  EXPECT_EQ(sim.GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(files.FindVolumeClose(find));
  EXPECT_FALSE(files.FindVolumeClose(find));
  ASSERT_EQ(volumes.size(), 3u);
  for (const auto& volume : volumes) {
    SCOPED_TRACE(TextToUtf8(volume));
    EXPECT_TRUE(volume.starts_with(u"\\\\?\\Volume{") && volume.ends_with(u"}\\"));
  }
  EXPECT_EQ(volumes[2], u"\\\\?\\Volume{00000000-0000-0000-0000-00000000beef}\\");

  // The device of a drive and of its volume GUID name are the same.
  struct TCase {
    std::u16string Name;
    std::u16string Target;  // empty: not found
  };
  const std::u16string volumeOfD = volumes[1].substr(4, volumes[1].size() - 5);
  const TCase cases[] = {
      {u"C:", u"\\Device\\HarddiskVolume2"},
      {u"c:", u"\\Device\\HarddiskVolume2"},
      {u"D:", u"\\Device\\HarddiskVolume3"},
      {volumeOfD, u"\\Device\\HarddiskVolume3"},
      {u"Volume{00000000-0000-0000-0000-00000000BEEF}", u"\\Device\\HarddiskVolume9"},
      {u"S:", u"\\??\\C:\\Work"},
      {u"UNC", u"\\Device\\Mup"},
      {u"Q:", u""},
      {u"C:\\", u""},
      {u"\\Device\\Mup", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name));
    std::fill(std::begin(buffer), std::end(buffer), u'x');
    const DWORD stored = files.QueryDosDeviceW(c.Name, buffer, 261);
    if (c.Target.empty()) {
      EXPECT_EQ(stored, 0u);
      EXPECT_EQ(sim.GetLastError(), ERROR_FILE_NOT_FOUND);
    } else {
      EXPECT_EQ(stored, c.Target.size() + 2) << "the target and two NULs";
      EXPECT_EQ(std::u16string(buffer), c.Target);
      EXPECT_EQ(buffer[c.Target.size() + 1], u'\0');
    }
  }
  EXPECT_EQ(files.QueryDosDeviceW(u"C:", buffer, 10), 0u);
  EXPECT_EQ(sim.GetLastError(), ERROR_INSUFFICIENT_BUFFER);

  ASSERT_TRUE(files.GetVolumeNameForVolumeMountPointW(u"D:\\", buffer, 261));
  EXPECT_EQ(std::u16string(buffer), volumes[1]);
  EXPECT_FALSE(files.GetVolumeNameForVolumeMountPointW(u"D:", buffer, 261));
  EXPECT_FALSE(files.GetVolumeNameForVolumeMountPointW(u"S:\\", buffer, 261)) << "substituted";
  EXPECT_FALSE(files.GetVolumeNameForVolumeMountPointW(u"C:\\", buffer, 20));
  EXPECT_EQ(sim.GetLastError(), ERROR_FILENAME_EXCED_RANGE);
}

TEST(SimVolumes, ASubstitutedDriveReachesItsFolder) {
  TSimPlatform sim;
  TSimFiles& files = sim.Files();
  files.MakeFile(u"C:\\Work\\notes.txt", {'n'});
  files.DefineDosDevice(u"S:", u"\\??\\C:\\Work");
  EXPECT_EQ(files.HostPath(u"S:\\notes.txt"), files.HostPath(u"C:\\Work\\notes.txt"));
  EXPECT_EQ(files.GetFileAttributesW(u"s:\\notes.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(files.GetFileAttributesW(u"S:\\"), FILE_ATTRIBUTE_DIRECTORY);
  files.DefineDosDevice(u"S:", u"");
  EXPECT_EQ(files.GetFileAttributesW(u"S:\\notes.txt"), INVALID_FILE_ATTRIBUTES);
}

// Opens a link by name as NtOpenSymbolicLinkObject's callers do; returns the status and the
// target it queries.
NTSTATUS QueryLink(TPlatformFiles& files, std::u16string name, std::u16string& target,
                   uint16_t maximumBytes = 512) {
  UNICODE_STRING objectName{static_cast<uint16_t>(name.size() * 2),
                            static_cast<uint16_t>(name.size() * 2), name.data()};
  OBJECT_ATTRIBUTES attributes{
      sizeof(OBJECT_ATTRIBUTES), nullptr, &objectName, 0, nullptr, nullptr};
  HANDLE link = nullptr;
  NTSTATUS status = files.NtOpenSymbolicLinkObject(&link, GENERIC_READ, &attributes);
  if (status != STATUS_SUCCESS) return status;
  std::u16string buffer(maximumBytes / 2 + 1, u'\0');
  UNICODE_STRING linkTarget{0, maximumBytes, buffer.data()};
  DWORD returned = 0;
  status = files.NtQuerySymbolicLinkObject(link, &linkTarget, &returned);
  if (status == STATUS_SUCCESS) {
    target.assign(buffer.data(), linkTarget.Length / 2);
    EXPECT_GE(returned, linkTarget.Length);
  }
  EXPECT_EQ(files.NtClose(link), STATUS_SUCCESS);
  EXPECT_NE(files.NtClose(link), STATUS_SUCCESS) << "closed twice";
  return status;
}

TEST(SimLinks, DosDevicesAreTheSymbolicLinksOfTheObjectNamespace) {
  TSimPlatform sim;
  sim.Files().DefineDosDevice(u"S:", u"\\??\\C:\\Work");
  struct TCase {
    std::u16string Name;
    NTSTATUS Status;
    std::u16string Target;
  };
  const TCase cases[] = {
      {u"\\??\\C:", STATUS_SUCCESS, u"\\Device\\HarddiskVolume2"},
      {u"\\GLOBAL??\\c:", STATUS_SUCCESS, u"\\Device\\HarddiskVolume2"},
      {u"\\??\\S:", STATUS_SUCCESS, u"\\??\\C:\\Work"},
      {u"\\??\\UNC", STATUS_SUCCESS, u"\\Device\\Mup"},
      {u"\\Device\\HarddiskVolume2", STATUS_OBJECT_TYPE_MISMATCH, u""},
      {u"\\Device\\Mup", STATUS_OBJECT_TYPE_MISMATCH, u""},
      {u"\\Device\\NoSuchDevice", STATUS_OBJECT_NAME_NOT_FOUND, u""},
      {u"\\??\\Q:", STATUS_OBJECT_NAME_NOT_FOUND, u""},
      {u"\\??\\C:\\Windows", STATUS_OBJECT_PATH_NOT_FOUND, u""},
      {u"\\Elsewhere\\x", STATUS_OBJECT_PATH_NOT_FOUND, u""},
      {u"C:", STATUS_OBJECT_NAME_INVALID, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name));
    std::u16string target;
    EXPECT_EQ(QueryLink(sim.Files(), c.Name, target), c.Status);
    EXPECT_EQ(target, c.Target);
  }
  std::u16string target;
  EXPECT_EQ(QueryLink(sim.Files(), u"\\??\\C:", target, 10), STATUS_BUFFER_TOO_SMALL);

  // The structure's length must be the build's.
  std::u16string name = u"\\??\\C:";
  UNICODE_STRING objectName{12, 12, name.data()};
  OBJECT_ATTRIBUTES attributes{
      24 + sizeof(OBJECT_ATTRIBUTES), nullptr, &objectName, 0, nullptr, nullptr};
  HANDLE link = nullptr;
  EXPECT_EQ(sim.Files().NtOpenSymbolicLinkObject(&link, GENERIC_READ, &attributes),
            STATUS_INVALID_PARAMETER);
}

// Reads the integrity label's last sub-authority the way callers do: size, then the label.
std::optional<DWORD> IntegrityOf(TPlatformSecurity& security, HANDLE token) {
  DWORD needed = 0;
  if (security.GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &needed))
    return std::nullopt;
  std::vector<uint64_t> buffer((needed + 7) / 8);
  if (!security.GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), needed, &needed)) {
    return std::nullopt;
  }
  TOKEN_MANDATORY_LABEL label;
  std::memcpy(&label, buffer.data(), sizeof(label));
  const uint8_t count = *security.GetSidSubAuthorityCount(label.Label.Sid);
  if (count == 0) return 0;
  return *security.GetSidSubAuthority(label.Label.Sid, count - 1u);
}

TEST(SimSecurity, TokensReportIntegrityAndVirtualization) {
  TSimPlatform sim;
  TSimSecurity& security = sim.Security();
  const DWORD self = sim.Process().GetCurrentProcessId();
  TSimToken elevated;
  elevated.IntegrityLabel = {SECURITY_MANDATORY_HIGH_RID};
  security.SetToken(900, elevated);
  TSimToken virtualized;
  virtualized.VirtualizationEnabled = true;
  security.SetToken(904, virtualized);

  HANDLE token = nullptr;
  ASSERT_TRUE(security.OpenProcessToken(sim.Process().GetCurrentProcess(), TOKEN_QUERY, &token));
  EXPECT_EQ(IntegrityOf(security, token), SECURITY_MANDATORY_MEDIUM_RID);
  DWORD value = 7, length = 0;
  EXPECT_FALSE(security.GetTokenInformation(token, TokenVirtualizationEnabled, &value, 2, &length));
  EXPECT_EQ(sim.GetLastError(), ERROR_BAD_LENGTH);
  ASSERT_TRUE(security.GetTokenInformation(token, TokenVirtualizationEnabled, &value, 4, &length));
  EXPECT_EQ(value, 0u);
  EXPECT_TRUE(security.CloseHandle(token));

  // A medium process reaches a high one only for limited queries.
  EXPECT_EQ(security.OpenProcess(PROCESS_ALL_ACCESS, false, 900), nullptr);
  EXPECT_EQ(sim.GetLastError(), ERROR_ACCESS_DENIED);
  HANDLE limited = security.OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, false, 900);
  ASSERT_NE(limited, nullptr);
  ASSERT_TRUE(security.OpenProcessToken(limited, TOKEN_QUERY, &token));
  EXPECT_EQ(IntegrityOf(security, token), SECURITY_MANDATORY_HIGH_RID);
  security.CloseHandle(token);
  security.CloseHandle(limited);

  HANDLE other = security.OpenProcess(PROCESS_QUERY_INFORMATION, false, 904);
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(security.OpenProcessToken(other, TOKEN_QUERY, &token));
  ASSERT_TRUE(security.GetTokenInformation(token, TokenVirtualizationEnabled, &value, 4, &length));
  EXPECT_EQ(value, 1u);
  security.CloseHandle(token);
  // A token opened without TOKEN_QUERY cannot be read.
  ASSERT_TRUE(security.OpenProcessToken(other, TOKEN_ADJUST_PRIVILEGES, &token));
  EXPECT_FALSE(security.GetTokenInformation(token, TokenVirtualizationEnabled, &value, 4, &length));
  EXPECT_EQ(sim.GetLastError(), ERROR_ACCESS_DENIED);
  security.CloseHandle(token);
  security.CloseHandle(other);

  EXPECT_EQ(security.OpenProcess(PROCESS_QUERY_INFORMATION, false, 12345), nullptr);
  EXPECT_EQ(sim.GetLastError(), ERROR_INVALID_PARAMETER);
  HANDLE own = security.OpenProcess(PROCESS_ALL_ACCESS, false, self);
  ASSERT_NE(own, nullptr);
  bool wow64 = false;
  ASSERT_TRUE(security.IsWow64Process(own, &wow64));
  EXPECT_TRUE(wow64) << "the default machine runs a 32-bit process on 64-bit Windows";
  security.CloseHandle(own);
  EXPECT_EQ(security.OpenHandleCount(), 0u);
}

TEST(SimSecurity, PrivilegesAreAdjustedOnlyWhereHeld) {
  TSimPlatform sim;
  TSimSecurity& security = sim.Security();
  const DWORD self = sim.Process().GetCurrentProcessId();
  LUID shutdown, debug, unknown;
  ASSERT_TRUE(security.LookupPrivilegeValueW(u"", u"seshutdownprivilege", &shutdown));
  EXPECT_EQ(shutdown.LowPart, 19u);
  ASSERT_TRUE(security.LookupPrivilegeValueW(u"", u"SeDebugPrivilege", &debug));
  EXPECT_FALSE(security.LookupPrivilegeValueW(u"", u"SeMadeUpPrivilege", &unknown));
  EXPECT_EQ(sim.GetLastError(), ERROR_NO_SUCH_PRIVILEGE);

  HANDLE token = nullptr;
  ASSERT_TRUE(security.OpenProcessToken(sim.Process().GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES,
                                        &token));
  struct TCase {
    LUID Luid;
    DWORD Attributes;
    DWORD Error;
    std::map<std::u16string, bool> Changed;  // privileges afterwards, of those named here
  };
  const TCase cases[] = {
      {shutdown, SE_PRIVILEGE_ENABLED, ERROR_SUCCESS, {{u"SeShutdownPrivilege", true}}},
      {shutdown, 0, ERROR_SUCCESS, {{u"SeShutdownPrivilege", false}}},
      {debug, SE_PRIVILEGE_ENABLED, ERROR_NOT_ALL_ASSIGNED, {}},
      {shutdown, SE_PRIVILEGE_REMOVED, ERROR_SUCCESS, {}},
      {shutdown, SE_PRIVILEGE_ENABLED, ERROR_NOT_ALL_ASSIGNED, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Luid.LowPart << " " << c.Attributes);
    const LUID_AND_ATTRIBUTES state{c.Luid, c.Attributes};
    EXPECT_TRUE(security.AdjustTokenPrivileges(token, false, &state, 1));
    EXPECT_EQ(sim.GetLastError(), c.Error);
    const auto held = security.Token(self).Privileges;
    for (const auto& [name, enabled] : c.Changed) {
      ASSERT_EQ(held.count(name), 1u);
      EXPECT_EQ(held.at(name), enabled);
    }
    EXPECT_EQ(held.count(u"SeDebugPrivilege"), 0u);
  }
  EXPECT_EQ(security.Token(self).Privileges.count(u"SeShutdownPrivilege"), 0u) << "removed";
  security.CloseHandle(token);

  ASSERT_TRUE(security.OpenProcessToken(sim.Process().GetCurrentProcess(), TOKEN_QUERY, &token));
  const LUID_AND_ATTRIBUTES state{shutdown, SE_PRIVILEGE_ENABLED};
  EXPECT_FALSE(security.AdjustTokenPrivileges(token, false, &state, 1));
  EXPECT_EQ(sim.GetLastError(), ERROR_ACCESS_DENIED);
  security.CloseHandle(token);
}

TEST(SimProcess, ComputerNameFitsTheBufferOrSaysWhatItNeeds) {
  TSimPlatform sim;
  sim.Process().SetComputerName(u"BUILDBOX");
  char16_t buffer[16];
  DWORD size = 8;
  EXPECT_FALSE(sim.Process().GetComputerNameW(buffer, &size));
  EXPECT_EQ(sim.GetLastError(), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(size, 9u);
  ASSERT_TRUE(sim.Process().GetComputerNameW(buffer, &size));
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(std::u16string(buffer), u"BUILDBOX");
}

#ifdef _WIN32
TEST(Win32System, TheRealMachine) {
  TWin32Platform win32;
  char16_t buffer[261] = {};
  const DWORD length = win32.Files().GetSystemDirectoryW(buffer, 260);
  ASSERT_GT(length, 3u);
  const std::u16string system(buffer, length);
  EXPECT_TRUE(TextStartsWithIgnoreCase(system, u"C:\\Windows\\")) << TextToUtf8(system);
  EXPECT_EQ(win32.Process().ProcessBitness(), static_cast<int>(sizeof(void*) * 8));

  DWORD size = 261;
  ASSERT_TRUE(win32.Process().GetComputerNameW(buffer, &size));
  EXPECT_GT(size, 0u);

  // The DOS device of C:, read directly and through its symbolic link.
  ASSERT_GT(win32.Files().QueryDosDeviceW(u"C:", buffer, 261), 0u);
  const std::u16string device(buffer);
  EXPECT_TRUE(device.starts_with(u"\\")) << TextToUtf8(device);
  std::u16string target;
  ASSERT_EQ(QueryLink(win32.Files(), u"\\??\\C:", target), STATUS_SUCCESS);
  EXPECT_EQ(target, device);
  EXPECT_NE(QueryLink(win32.Files(), u"\\??\\NoSuchDevice:", target), STATUS_SUCCESS);

  // Volumes: each GUID name is a DOS device; C:'s volume leads to C:'s device.
  HANDLE find = win32.Files().FindFirstVolumeW(buffer, 261);
  if (find != INVALID_HANDLE_VALUE) {
    int volumes = 0;
    do {
      const std::u16string volume(buffer);
      SCOPED_TRACE(TextToUtf8(volume));
      EXPECT_TRUE(volume.starts_with(u"\\\\?\\Volume{") && volume.ends_with(u"\\"));
      ++volumes;
    } while (win32.Files().FindNextVolumeW(find, buffer, 261));
    EXPECT_EQ(win32.GetLastError(), ERROR_NO_MORE_FILES);
    EXPECT_TRUE(win32.Files().FindVolumeClose(find));
    EXPECT_GT(volumes, 0);
  }
  if (win32.Files().GetVolumeNameForVolumeMountPointW(u"C:\\", buffer, 261)) {
    const std::u16string volume(buffer);
    const std::u16string name = volume.substr(4, volume.size() - 5);
    ASSERT_GT(win32.Files().QueryDosDeviceW(name, buffer, 261), 0u) << TextToUtf8(name);
    EXPECT_EQ(std::u16string(buffer), device);
  }
}

TEST(Win32System, TokenOfTheTestProcess) {
  TWin32Platform win32;
  TWin32Security& security = win32.Security();
  HANDLE token = nullptr;
  ASSERT_TRUE(security.OpenProcessToken(win32.Process().GetCurrentProcess(), TOKEN_QUERY, &token));
  const std::optional<DWORD> level = IntegrityOf(security, token);
  ASSERT_TRUE(level.has_value());
  EXPECT_GE(*level, SECURITY_MANDATORY_MEDIUM_RID);
  DWORD virtualization = 7, length = 0;
  EXPECT_TRUE(
      security.GetTokenInformation(token, TokenVirtualizationEnabled, &virtualization, 4, &length));
  EXPECT_EQ(virtualization, 0u);
  EXPECT_TRUE(security.CloseHandle(token));

  LUID shutdown;
  ASSERT_TRUE(security.LookupPrivilegeValueW(u"", u"SeShutdownPrivilege", &shutdown));
  EXPECT_EQ(shutdown.LowPart, 19u);
  bool wow64 = true;
  ASSERT_TRUE(security.IsWow64Process(win32.Process().GetCurrentProcess(), &wow64));
  EXPECT_EQ(wow64, sizeof(void*) == 4) << "this build runs natively";
}
#endif

}  // namespace
