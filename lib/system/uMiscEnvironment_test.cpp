// The Windows environment, elevation state and privileges against machines the Sim sets up;
// the small text functions; and (on Windows) the same calls on the real machine.
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>

#include "lib/paths/uPaths.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/platform/uPlatformSimPe.h"
#include "lib/system/GetExeVersionInfo.h"
#include "lib/system/uMisc.h"
#include "lib/system/uMiscEnvironment.h"
#include "lib/values/uMiscLean.h"
#include "lib/testing/uTestSupport.h"

namespace {

using namespace win;

std::u16string Text(void (*get)(TPath&)) {
  TPath path;
  get(path);
  return path.ToString();
}

TEST(WindowsEnvironment, VersionComesFromTheNativeShell32) {
  struct TCase {
    const char* Title;
    uint16_t Major, Minor;
    bool Unreadable;
    int32_t WantMajor, WantMinor;
    bool Supported, Vista;
  };
  const TCase cases[] = {
      {"XP", 5, 1, false, 5, 1, false, false}, {"Vista", 6, 0, false, 6, 0, false, true},
      {"7", 6, 1, false, 6, 1, true, true},    {"8.1", 6, 3, false, 6, 3, true, true},
      {"10", 10, 0, false, 10, 0, true, true}, {"unreadable", 10, 0, true, 0, 0, false, false},
  };
  for (TSimBitness bitness :
       {TSimBitness::Windows64Process32, TSimBitness::Windows32, TSimBitness::Windows64Process64}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << c.Title << ", bitness " << static_cast<int>(bitness));
      TPlatformScope<TSimPlatform> sim;
      sim->Process().SetBitness(bitness);
      sim->Files().SetWindowsVersion(c.Major, c.Minor);
      if (c.Unreadable) sim->Files().MakeFile(u"C:\\Windows\\System32\\shell32.dll", {'M', 'Z'});
      int32_t major = -1, minor = -1;
      WindowsVersion(major, minor);
      EXPECT_EQ(major, c.WantMajor);
      EXPECT_EQ(minor, c.WantMinor);
      EXPECT_EQ(IsWindowsVersionSupported(), c.Supported);
      EXPECT_EQ(IsWindowsVistaOrLater(), c.Vista);
    }
  }
}

TEST(WindowsEnvironment, A32BitProcessReadsThe64BitShell32) {
  TPlatformScope<TSimPlatform> sim;
  sim->Files().SetWindowsVersion(10, 0);
  TSimPeImage old;
  old.FileVersion = TSimFileVersion{6, 0, 6002, 1};
  sim->Files().MakeFile(u"C:\\Windows\\SysWOW64\\shell32.dll", SimPeImageBuild(old));
  int32_t major = 0, minor = 0;
  WindowsVersion(major, minor);
  EXPECT_EQ(major, 10);
  EXPECT_EQ(ExeBuildNumber(u"C:\\Windows\\System32\\shell32.dll"), 1) << "redirected to SysWOW64";
}

TEST(WindowsEnvironment, BitnessAndSystemFolders) {
  struct TCase {
    TSimBitness Bitness;
    int Process;
    const char16_t* ProcessName;
    bool Wow64;
    const char16_t* WindowsName;
    const char16_t* Drivers;
  };
  const TCase cases[] = {
      {TSimBitness::Windows64Process32, 32, u"x86", true, u"x64",
       u"C:\\Windows\\sysnative\\Drivers"},
      {TSimBitness::Windows32, 32, u"x86", false, u"x86", u"C:\\Windows\\System32\\Drivers"},
      {TSimBitness::Windows64Process64, 64, u"x64", true, u"x64",
       u"C:\\Windows\\System32\\Drivers"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Bitness));
    TPlatformScope<TSimPlatform> sim;
    sim->Process().SetBitness(c.Bitness);
    EXPECT_EQ(ProcessBitness(), c.Process);
    EXPECT_EQ(ProcessBitnessName(), c.ProcessName);
    EXPECT_EQ(IsWow64(), c.Wow64);
    EXPECT_EQ(WindowsBitnessName(), c.WindowsName);
    EXPECT_EQ(Text(SystemFolderPath), u"C:\\Windows\\System32");
    EXPECT_EQ(Text(DriversFolderPath), c.Drivers);
  }
}

TEST(WindowsEnvironment, RedirectionPairRestoresTheThreadsState) {
  TPlatformScope<TSimPlatform> sim;
  TSimProcess& process = sim->Process();
  sim->Files().MakeFile(u"C:\\Windows\\System32\\native.txt", {'n'});
  auto reachesNative = [&] {
    return sim->Files().GetFileAttributesW(u"C:\\Windows\\System32\\native.txt") !=
           INVALID_FILE_ATTRIBUTES;
  };
  EXPECT_FALSE(reachesNative());
  Wow64FsRedirectionDisable();
  EXPECT_TRUE(reachesNative());
  EXPECT_FALSE(process.Wow64RedirectionActive());
  Wow64FsRedirectionRevert();
  EXPECT_TRUE(process.Wow64RedirectionActive());
  EXPECT_FALSE(reachesNative());

  // Already off before the pair: still off after it.
  void* before = nullptr;
  ASSERT_TRUE(process.Wow64DisableWow64FsRedirection(&before));
  Wow64FsRedirectionDisable();
  Wow64FsRedirectionRevert();
  EXPECT_FALSE(process.Wow64RedirectionActive());
  ASSERT_TRUE(process.Wow64RevertWow64FsRedirection(before));

  // Where there is no redirection, both do nothing.
  process.SetBitness(TSimBitness::Windows64Process64);
  Wow64FsRedirectionDisable();
  Wow64FsRedirectionRevert();
  EXPECT_TRUE(reachesNative());
}

TEST(WindowsEnvironment, IntegrityLevelAndVirtualization) {
  constexpr DWORD kOther = 1200;
  struct TCase {
    const char* Title;
    uint16_t WindowsMajor;
    std::vector<DWORD> Label;
    bool Virtualization;
    DWORD Level;  // ProcessIntegrityLevel
    bool Virtualized;
  };
  const TCase cases[] = {
      {"standard user", 10, {SECURITY_MANDATORY_MEDIUM_RID}, false, 0x2000, false},
      {"elevated", 10, {SECURITY_MANDATORY_HIGH_RID}, false, 0x3000, false},
      {"low", 6, {SECURITY_MANDATORY_LOW_RID}, false, 0x1000, false},
      {"virtualized", 6, {SECURITY_MANDATORY_MEDIUM_RID}, true, 0x2000, true},
      {"label without sub-authority", 10, {}, false, 0, false},
      {"XP counts every process as high", 5, {SECURITY_MANDATORY_MEDIUM_RID}, true, 0x3000, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    TPlatformScope<TSimPlatform> sim;
    sim->Files().SetWindowsVersion(c.WindowsMajor, 1);
    TSimToken token;
    token.IntegrityLabel = c.Label;
    token.VirtualizationEnabled = c.Virtualization;
    const DWORD self = sim->Process().GetCurrentProcessId();
    sim->Security().SetToken(self, token);
    sim->Security().SetToken(kOther, token);
    EXPECT_EQ(ProcessIntegrityLevel(), c.Level);
    DWORD level = 7;
    EXPECT_EQ(ProcessIntegrityLevelOf(self, level), !c.Label.empty() || c.WindowsMajor < 6);
    EXPECT_EQ(IsUacVirtualizationActive(), c.Virtualized);
    EXPECT_EQ(IsUacVirtualizationActive(self), c.Virtualized);
    EXPECT_EQ(IsUacVirtualizationActive(kOther), c.Virtualized);
    EXPECT_EQ(sim->Security().OpenHandleCount(), 0u);
  }
}

TEST(WindowsEnvironment, IntegrityOfProcessesOutOfReachDefaultsToHigh) {
  TPlatformScope<TSimPlatform> sim;
  TSimToken elevated;
  elevated.IntegrityLabel = {SECURITY_MANDATORY_HIGH_RID};
  elevated.VirtualizationEnabled = true;
  sim->Security().SetToken(1300, elevated);
  TSimToken system;
  system.IntegrityLabel = {SECURITY_MANDATORY_SYSTEM_RID};
  sim->Security().SetToken(1304, system);
  struct TCase {
    DWORD ProcessId;
    DWORD Level;
  };
  // From a medium process: neither a higher one nor a missing one can be read.
  for (const TCase& c : {TCase{1300, 0x3000}, TCase{1304, 0x3000}, TCase{4444, 0x3000}}) {
    SCOPED_TRACE(c.ProcessId);
    DWORD level = 0;
    EXPECT_TRUE(ProcessIntegrityLevelOf(c.ProcessId, level));
    EXPECT_EQ(level, c.Level);
    EXPECT_FALSE(IsUacVirtualizationActive(c.ProcessId));
  }
  EXPECT_EQ(sim->Security().OpenHandleCount(), 0u);
}

TEST(WindowsEnvironment, PrivilegesAreEnabledOnlyWhereHeld) {
  TPlatformScope<TSimPlatform> sim;
  const DWORD self = sim->Process().GetCurrentProcessId();
  struct TCase {
    bool Enable;
    const char16_t* Name;
    bool Result;
    int State;  // afterwards, of the privilege as the token names it: -1 not held, 0 off, 1 on
  };
  const TCase cases[] = {
      {true, u"SeShutdownPrivilege", true, 1}, {false, u"SeShutdownPrivilege", true, 0},
      {true, u"seshutdownprivilege", true, 1}, {true, u"SeDebugPrivilege", false, -1},
      {true, u"SeNoSuchPrivilege", false, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name));
    EXPECT_EQ(PrivilegeEnable(c.Enable, c.Name), c.Result);
    const auto held = sim->Security().Token(self).Privileges;
    const std::u16string name =
        PathNamesEqual(c.Name, u"SeShutdownPrivilege") ? u"SeShutdownPrivilege" : c.Name;
    const auto it = held.find(name);
    EXPECT_EQ(it == held.end() ? -1 : it->second ? 1 : 0, c.State);
  }
  EXPECT_EQ(sim->Security().OpenHandleCount(), 0u);
}

TEST(WindowsEnvironment, TokenPrivilegesRemoveStripsTheListedPrivileges) {
  TPlatformScope<TSimPlatform> sim;
  constexpr DWORD kDesktop = 2000;
  TSimToken admin;
  admin.IntegrityLabel = {SECURITY_MANDATORY_HIGH_RID};
  admin.Privileges = {{u"SeBackupPrivilege", false},        {u"SeDebugPrivilege", true},
                      {u"SeShutdownPrivilege", false},      {u"SeChangeNotifyPrivilege", true},
                      {u"SeTakeOwnershipPrivilege", false}, {u"SeTimeZonePrivilege", false}};
  struct TCase {
    const char* Title;
    DWORD Access;
    bool Result;
    std::map<std::u16string, bool> Left;
  };
  const TCase cases[] = {
      {"adjustable token",
       TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
       true,
       {{u"SeShutdownPrivilege", false},
        {u"SeChangeNotifyPrivilege", true},
        {u"SeTimeZonePrivilege", false}}},
      {"token without the right to adjust", TOKEN_QUERY, false, admin.Privileges},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    sim->Security().SetToken(kDesktop, admin);
    // Elevated here, so that the high process can be opened.
    TSimToken own;
    own.IntegrityLabel = {SECURITY_MANDATORY_HIGH_RID};
    sim->Security().SetToken(sim->Process().GetCurrentProcessId(), own);
    HANDLE process = sim->Security().OpenProcess(PROCESS_QUERY_INFORMATION, false, kDesktop);
    ASSERT_NE(process, nullptr);
    HANDLE token = nullptr;
    ASSERT_TRUE(sim->Security().OpenProcessToken(process, c.Access, &token));
    EXPECT_EQ(TokenPrivilegesRemove(token), c.Result);
    EXPECT_EQ(sim->Security().Token(kDesktop).Privileges, c.Left);
    sim->Security().CloseHandle(token);
    sim->Security().CloseHandle(process);
  }
  // An unknown name is refused before the token is touched.
  EXPECT_FALSE(TokenPrivilegeSet(nullptr, u"SeNoSuchPrivilege", SE_PRIVILEGE_REMOVED));
}

TEST(WindowsEnvironment, DeveloperMachinesByName) {
  struct TCase {
    std::u16string Name;
    bool Developer, Extra;
  };
  const TCase cases[] = {
      {u"NORDLICHT", true, false},
      {u"nordlicht", true, false},
      {u"Kestrel-WS", true, false},
      {u"VARDENO-QA", true, true},
      {u"vardeno-qa", true, true},
      {u"NORDLICHT2", false, false},
      {u"SIMPC", false, false},
      {u"", false, false},
      {std::u16string(300, u'A'), false, false},  // longer than the buffer: no name at all
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name.substr(0, 20)));
    TPlatformScope<TSimPlatform> sim;
    sim->Process().SetComputerName(c.Name);
    EXPECT_EQ(ComputerName(), c.Name.size() < 260 ? c.Name : u"");
    EXPECT_EQ(IsDeveloperMachine(), c.Developer);
    EXPECT_EQ(IsExtraDeveloperMachine(), c.Extra);
  }
}

TEST(WindowsEnvironment, NtSymbolicLinkTargets) {
  TPlatformScope<TSimPlatform> sim;
  sim->Files().DefineDosDevice(u"S:", u"\\??\\C:\\Work");
  sim->Files().DefineDosDevice(u"L:", u"\\??\\C:\\" + std::u16string(130, u'x'));
  struct TCase {
    std::u16string Name;
    std::u16string Target;
    size_t Alerts;
  };
  const TCase cases[] = {
      {u"\\??\\C:", u"\\Device\\HarddiskVolume2", 0},
      {u"\\GLOBAL??\\S:", u"\\??\\C:\\Work", 0},
      {u"\\Device\\HarddiskVolume2", u"", 0},  // a device, no link
      {u"\\??\\Q:", u"", 0},
      {u"", u"", 0},
      {u"\\??\\L:", u"", 1},  // longer than the 128-character buffer
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name));
    TAlertCapture alerts;
    EXPECT_EQ(NtSymbolicLinkTarget(c.Name), c.Target);
    EXPECT_EQ(alerts.Count(), c.Alerts);
  }
}

TEST(TextFunctions, HasCharSplitAndRepeat) {
  EXPECT_TRUE(TextHasChar(u"a|b", u'|'));
  EXPECT_FALSE(TextHasChar(u"", u'|'));
  struct TSplit {
    std::u16string Text, First, Rest;
  };
  const TSplit splits[] = {
      {u"a|b|c", u"a", u"b|c"}, {u"|a|b", u"a", u"b"}, {u"abc", u"abc", u""},
      {u"|abc", u"abc", u""},   {u"|", u"", u""},      {u"||", u"", u""},
      {u"", u"", u""},          {u"a|", u"a", u""},
  };
  for (const auto& c : splits) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    std::u16string first = u"old", rest = u"old";
    TextSplitAtChar(c.Text, u'|', first, rest);
    EXPECT_EQ(first, c.First);
    EXPECT_EQ(rest, c.Rest);
  }
  EXPECT_EQ(TextRepeat(u"ab", 3), u"ababab");
  EXPECT_EQ(TextRepeat(u"ab", 0), u"");
  EXPECT_EQ(TextRepeat(u"ab", -2), u"");
}

TEST(TextFunctions, PadAndTable) {
  struct TPad {
    std::u16string Text;
    int Alignment, Width;
    std::u16string Padded;
    size_t Alerts;
  };
  const TPad pads[] = {
      {u"ab", 0, 4, u"ab  ", 0}, {u"ab", 1, 4, u"  ab", 0}, {u"abcde", 0, 4, u"abcde", 0},
      {u"ab", 1, -3, u"ab", 0},  {u"", 1, 2, u"  ", 0},     {u"ab", 2, 4, u"ab", 1},
  };
  for (const auto& c : pads) {
    SCOPED_TRACE(testing::Message() << TextToUtf8(c.Text) << " " << c.Alignment << " " << c.Width);
    TAlertCapture alerts;
    EXPECT_EQ(TextPad(c.Text, c.Alignment, c.Width), c.Padded);
    EXPECT_EQ(alerts.Count(), c.Alerts);
  }

  EXPECT_EQ(TextTable({{u"a", u"1"}, {u"bcd", u"22"}}, {0, 1}), u"a   |  1\r\nbcd | 22");
  EXPECT_EQ(TextTable({{u"main", u"12", u"uMain"}, {u"x", u"3456"}}, {0, 1, 0}),
            u"main |   12 | uMain\r\nx    | 3456");
  EXPECT_EQ(TextTable({}, {0}), u"");
  TAlertCapture alerts;
  EXPECT_EQ(TextTable({{u"a", u"b", u"extra"}}, {1, 1}), u"a | b | extra");
  EXPECT_EQ(alerts.Count(), 1u);
}

TEST(Exceptions, ReportableUnlessComOrStackOverflow) {
  struct TCase {
    const char* Title;
    void (*Raise)();
    bool Reportable;
  };
  const TCase cases[] = {
      {"COM system error", [] { throw EOleSysError(u"x", -2147467259); }, false},
      {"COM exception", [] { throw EOleException(u"x", -2147352567); }, false},
      {"interface cast", [] { throw EIntfCastError(u"x"); }, false},
      {"stack overflow", [] { throw EStackOverflow(u"x"); }, false},
      {"stop", [] { throw EDebugStop(u"x"); }, true},
      {"conversion", [] { throw EConvertError(u"x"); }, true},
      {"standard", [] { throw std::runtime_error("x"); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    try {
      c.Raise();
    } catch (const std::exception& e) {
      EXPECT_EQ(IsExceptionReportable(e), c.Reportable);
    }
  }
}

#ifdef _WIN32
// The real machine (run under Wine here).
TEST(WindowsEnvironmentWin32, TheRealMachine) {
  ASSERT_EQ(Platform().Name(), u"Win32");
  TPath system;
  SystemFolderPath(system);
  EXPECT_TRUE(PathNamesEqual(system.ToString(), u"C:\\Windows\\System32"))
      << TextToUtf8(system.ToString());
  EXPECT_EQ(Text(DriversFolderPath), system.ToString() + u"\\Drivers") << "a 64-bit process";
  EXPECT_EQ(ProcessBitnessName(), u"x64");
  EXPECT_TRUE(IsWow64());
  EXPECT_EQ(WindowsBitnessName(), u"x64");

  // The version is shell32.dll's, and Wine's is a supported one.
  int32_t major = 0, minor = 0;
  WindowsVersion(major, minor);
  uint16_t fileMajor = 0, fileMinor = 0, release = 0, build = 0;
  ASSERT_TRUE(
      ExeVersionInfo(fileMajor, fileMinor, release, build, (system + u"shell32.dll").ToString()));
  EXPECT_EQ(major, fileMajor);
  EXPECT_EQ(minor, fileMinor);
  EXPECT_TRUE(IsWindowsVistaOrLater());

  // Wine runs every process at high integrity (run the tests elevated on Windows).
  EXPECT_EQ(ProcessIntegrityLevel(), 0x3000u);
  EXPECT_FALSE(IsUacVirtualizationActive());
  EXPECT_TRUE(PrivilegeEnable(true, u"SeShutdownPrivilege"));
  EXPECT_TRUE(PrivilegeEnable(false, u"SeShutdownPrivilege"));
  EXPECT_FALSE(PrivilegeEnable(true, u"SeNoSuchPrivilege"));
  EXPECT_FALSE(ComputerName().empty());

  // The link \??\C: leads where the DOS device C: does.
  char16_t device[261] = {};
  ASSERT_GT(Platform().Files().QueryDosDeviceW(u"C:", device, 261), 0u);
  EXPECT_EQ(NtSymbolicLinkTarget(u"\\??\\C:"), std::u16string(device));
  EXPECT_EQ(NtSymbolicLinkTarget(u"\\??\\NoSuchLink"), u"");
}
#endif

}  // namespace
