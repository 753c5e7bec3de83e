// The platform layer: backend selection, the Sim's model, and the Win32 backend for real.
#include "lib/platform/uPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "lib/platform/uPlatformSim.h"
#include "lib/platform/uPlatformText.h"
#include "lib/values/uMiscLean.h"

#ifdef _WIN32
#include "lib/platform/uPlatformWin32.h"
#endif

namespace {

// Asked during this unit's static initialisation: the backend choice's hook, installed at a
// higher priority in another unit, must already be there.
const std::u16string GBackendAtStaticInit(Platform().Name());

TEST(PlatformSelection, TheDefaultBackendIsThereDuringStaticInitialisation) {
  EXPECT_EQ(GBackendAtStaticInit, PlatformDefault().Name());
  EXPECT_FALSE(GBackendAtStaticInit.empty());
}

TEST(PlatformSelection, WithoutAnInstalledBackendThePlatformStopsWithAMessage) {
#ifdef _WIN32
  GTEST_SKIP() << "death tests re-start the program, which Wine does unreliably";
#else
  EXPECT_DEATH(
      {
        PlatformDefaultHookSet(nullptr);
        Platform();
      },
      "no backend installed");
#endif
}

TEST(PlatformText, AsciiFoldingOnly) {
  struct TCase {
    std::u16string_view A, B;
    bool Equal;
  };
  const TCase cases[] = {
      {u"kernel32.DLL", u"KERNEL32.dll", true},
      {u"", u"", true},
      {u"a", u"", false},
      {u"[@`{", u"[@`{", true},
      {u"@", u"`", false},  // 0x40 and 0x60 differ by 32 but are not letters
      {u"[", u"{", false},
      {u"\u00e4", u"\u00c4", false},  // only ASCII folds
      {u"abc", u"abd", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.A) + " / " + TextToUtf8(c.B));
    EXPECT_EQ(TextEqualsIgnoreCase(c.A, c.B), c.Equal);
    EXPECT_EQ(TextUpperAscii(c.A) == TextUpperAscii(c.B), c.Equal);
  }
  EXPECT_EQ(TextUpperAscii(u"Vol_\u00e4z{"), u"VOL_\u00e4Z{");
}

TEST(PlatformSelection, ScopesInstallAndRestoreBackends) {
  TPlatform* outer = &Platform();
#ifdef _WIN32
  EXPECT_EQ(outer->Name(), u"Win32");
#else
  EXPECT_EQ(outer->Name(), u"Sim");
#endif
  {
    TPlatformScope<TSimPlatform> sim;
    EXPECT_EQ(&Platform(), &*sim);
    {
      TPlatformScope<TSimPlatform> inner;
      EXPECT_EQ(&Platform(), &*inner);
    }
    EXPECT_EQ(&Platform(), &*sim);
  }
  EXPECT_EQ(&Platform(), outer);
}

TEST(SimMemory, CommitsZeroedPagesWithinItsLimit) {
  TSimPlatform sim;
  TSimMemory& memory = sim.Memory();
  struct TCase {
    void* Address;
    size_t Size;
    win::DWORD Type, Protect, Error;
  };
  const TCase refused[] = {
      {nullptr, 0, win::MEM_COMMIT, win::PAGE_READWRITE, win::ERROR_INVALID_PARAMETER},
      {nullptr, 10, win::MEM_RESERVE, win::PAGE_READWRITE, win::ERROR_INVALID_PARAMETER},
      {nullptr, 10, win::MEM_COMMIT, 0x02, win::ERROR_INVALID_PARAMETER},
      {&memory, 10, win::MEM_COMMIT, win::PAGE_READWRITE, win::ERROR_INVALID_ADDRESS},
  };
  for (const auto& c : refused) {
    sim.SetLastError(0);
    EXPECT_EQ(memory.VirtualAlloc(c.Address, c.Size, c.Type, c.Protect), nullptr);
    EXPECT_EQ(sim.GetLastError(), c.Error);
  }

  memory.SetCommitLimit(3 * TSimMemory::kPageSize);
  auto* a = static_cast<uint8_t*>(memory.VirtualAlloc(nullptr, 5000, win::MEM_COMMIT | win::MEM_RESERVE, win::PAGE_READWRITE));
  ASSERT_NE(a, nullptr);
  EXPECT_TRUE(std::all_of(a, a + 5000, [](uint8_t b) { return b == 0; }));
  EXPECT_EQ(memory.BytesCommitted(), 2 * TSimMemory::kPageSize);
  EXPECT_EQ(memory.VirtualAlloc(nullptr, 5000, win::MEM_COMMIT, win::PAGE_READWRITE), nullptr);
  EXPECT_EQ(sim.GetLastError(), win::ERROR_NOT_ENOUGH_MEMORY);

  EXPECT_FALSE(memory.VirtualFree(a, 5000, win::MEM_RELEASE));
  EXPECT_EQ(sim.GetLastError(), win::ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(memory.VirtualFree(a + 1, 0, win::MEM_RELEASE));
  EXPECT_EQ(sim.GetLastError(), win::ERROR_INVALID_ADDRESS);
  EXPECT_TRUE(memory.VirtualFree(a, 0, win::MEM_RELEASE));
  EXPECT_FALSE(memory.VirtualFree(a, 0, win::MEM_RELEASE)) << "released twice";
  EXPECT_EQ(memory.BytesCommitted(), 0u);
}

TEST(SimPlatform, LastErrorIsPerThread) {
  TSimPlatform sim;
  sim.SetLastError(win::ERROR_ACCESS_DENIED);
  win::DWORD seenByOther = 1;
  std::thread([&] { seenByOther = sim.GetLastError(); }).join();
  EXPECT_EQ(seenByOther, win::ERROR_SUCCESS);
  EXPECT_EQ(sim.GetLastError(), win::ERROR_ACCESS_DENIED);
}

TEST(SimClock, DrivenTimeMovesOnlyWhenTold) {
  TSimMachine machine;
  TSimClock& clock = machine.Clock();
  clock.SetSystemTime(133'000'000'000'000'000ULL);
  const uint64_t tick = clock.GetTickCount64();
  const int64_t counter = clock.QueryPerformanceCounter();
  clock.Sleep(1500);  // returns at once
  EXPECT_EQ(clock.GetTickCount64(), tick + 1500);
  clock.Advance(250);
  EXPECT_EQ(clock.GetTickCount64(), tick + 1750);
  EXPECT_EQ(clock.QueryPerformanceCounter() - counter, 1750 * clock.QueryPerformanceFrequency() / 1000);
  EXPECT_EQ(clock.GetSystemTimeAsFileTime(), 133'000'000'000'000'000ULL + 1750 * 10'000);
}

TEST(SimClock, RealTimeIsNearTheHostClock) {
  TSimMachine machine;
  TSimClock& clock = machine.Clock();
  // 2020-01-01 as a FILETIME; the real clock is past it.
  EXPECT_GT(clock.GetSystemTimeAsFileTime(), 132'223'104'000'000'000ULL);
  const uint64_t before = clock.GetTickCount64();
  clock.Sleep(20);
  EXPECT_GE(clock.GetTickCount64(), before + 15);
}

TEST(SimProcess, ModulePathDebuggerAndThreadIds) {
  TSimMachine machine;
  TSimProcess& process = machine.Process();
  EXPECT_TRUE(process.GetModuleFileNameW(nullptr).ends_with(u".exe"));
  process.SetModuleFileName(u"D:\\Setup\\VardenoSetup.exe");
  EXPECT_EQ(process.GetModuleFileNameW(nullptr), u"D:\\Setup\\VardenoSetup.exe");
  EXPECT_EQ(process.GetModuleFileNameW(&process), u"");

  const win::DWORD mine = process.GetCurrentThreadId();
  EXPECT_EQ(process.GetCurrentThreadId(), mine);
  win::DWORD other = mine;
  std::thread([&] { other = process.GetCurrentThreadId(); }).join();
  EXPECT_NE(other, mine);
}

#ifdef _WIN32
// The Win32 backend against the real system (run under Wine here).
TEST(Win32Platform, RealCalls) {
  TWin32Platform win32;
  void* block = win32.Memory().VirtualAlloc(nullptr, 100000, win::MEM_COMMIT, win::PAGE_READWRITE);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 4096, 0u);
  EXPECT_EQ(static_cast<uint8_t*>(block)[99999], 0);
  EXPECT_TRUE(win32.Memory().VirtualFree(block, 0, win::MEM_RELEASE));
  EXPECT_FALSE(win32.Memory().VirtualFree(block, 0, win::MEM_RELEASE));
  EXPECT_NE(win32.GetLastError(), win::ERROR_SUCCESS);

  const std::u16string path = win32.Process().GetModuleFileNameW(nullptr);
  EXPECT_TRUE(path.ends_with(u"platform_tests.exe")) << TextToUtf8(path);
  EXPECT_EQ(path[1], u':');

  const uint64_t tick = win32.Clock().GetTickCount64();
  win32.Clock().Sleep(20);
  EXPECT_GE(win32.Clock().GetTickCount64(), tick + 10);
  EXPECT_GT(win32.Clock().GetSystemTimeAsFileTime(), 132'223'104'000'000'000ULL);
  EXPECT_GT(win32.Clock().QueryPerformanceFrequency(), 0);

  win32.SetLastError(win::ERROR_SHARING_VIOLATION);
  EXPECT_EQ(win32.GetLastError(), win::ERROR_SHARING_VIOLATION);
}

TEST(Win32Platform, FilesBesideTheTestProgram) {
  using namespace win;
  TWin32Platform win32;
  TWin32Files& files = win32.Files();
  std::u16string folder = win32.Process().GetModuleFileNameW(nullptr);
  folder.resize(folder.find_last_of(u'\\') + 1);
  const std::u16string a = u"\\\\?\\" + folder + u"win32-files-a.tmp";
  const std::u16string b = folder + u"win32-files-b.tmp";
  files.DeleteFileW(a);
  files.DeleteFileW(b);

  HANDLE file = files.CreateFileW(a, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  ASSERT_TRUE(files.WriteFile(file, "abc", 3, &done));
  // Held without sharing: a second open is a sharing violation.
  EXPECT_EQ(files.CreateFileW(a, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(win32.GetLastError(), ERROR_SHARING_VIOLATION);
  BY_HANDLE_FILE_INFORMATION information;
  ASSERT_TRUE(files.GetFileInformationByHandle(file, &information));
  EXPECT_EQ(information.nFileSizeLow, 3u);
  ASSERT_TRUE(files.CloseHandle(file));

  ASSERT_TRUE(files.MoveFileExW(a, b, MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(files.GetFileAttributesW(a), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(win32.GetLastError(), ERROR_FILE_NOT_FOUND);
  WIN32_FIND_DATAW data;
  HANDLE find = files.FindFirstFileW(folder + u"win32-files-*.tmp", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_EQ(data.cFileName, u"win32-files-b.tmp");
  EXPECT_EQ(data.nFileSizeLow, 3u);
  EXPECT_FALSE(files.FindNextFileW(find, &data));
  EXPECT_EQ(win32.GetLastError(), ERROR_NO_MORE_FILES);
  EXPECT_TRUE(files.FindClose(find));
  EXPECT_TRUE(files.DeleteFileW(b));
}
#endif

}  // namespace
