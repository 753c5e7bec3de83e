// The simulated machine as one Windows: the token decides what file calls may change, the
// message loop dispatches to window procedures, timers and time-outs follow the test's clock,
// page memory is aligned and zeroed.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "lib/platform/uPlatformSim.h"
#include "lib/values/uMiscLean.h"

namespace {

using namespace win;

// Creates a file with a few bytes; the last error tells why when it fails.
bool Write(TSimFiles& files, std::u16string_view name) {
  HANDLE file = files.CreateFileW(name, GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  files.WriteFile(file, "data", 4, &written);
  files.CloseHandle(file);
  return true;
}

TEST(SimMachine, OnlyAnElevatedProcessChangesProtectedPlaces) {
  struct TCase {
    const char* Name;
    std::function<bool(TSimFiles&)> Call;
  };
  const TCase cases[] = {
      {"create a folder in Program Files",
       [](TSimFiles& f) { return f.CreateDirectoryW(u"C:\\Program Files\\Vardeno"); }},
      {"create a file in Program Files (x86)",
       [](TSimFiles& f) { return Write(f, u"\\\\?\\C:\\Program Files (x86)\\setup.log"); }},
      {"move a driver into system32\\drivers",
       [](TSimFiles& f) {
         return f.MoveFileExW(u"C:\\Temp\\Lumarc.sys", u"C:\\Windows\\sysnative\\drivers\\Lumarc.sys",
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED);
       }},
      {"copy into the Windows folder",
       [](TSimFiles& f) { return f.CopyFileW(u"C:\\Temp\\Lumarc.sys", u"C:\\Windows\\Lumarc.sys", false); }},
      {"schedule a rename for the next start",
       [](TSimFiles& f) {
         return f.MoveFileExW(u"C:\\Temp\\a.txt", u"C:\\Temp\\b.txt", MOVEFILE_DELAY_UNTIL_REBOOT);
       }},
      {"delete a system file",
       [](TSimFiles& f) { return f.DeleteFileW(u"C:\\Windows\\System32\\shell32.dll"); }},
      {"change a system file's attributes",
       [](TSimFiles& f) {
         return f.SetFileAttributesW(u"C:\\Windows\\System32\\shell32.dll", FILE_ATTRIBUTE_READONLY);
       }},
  };
  for (const bool elevated : {false, true}) {
    for (const TCase& c : cases) {
      SCOPED_TRACE(std::string(c.Name) + (elevated ? ", elevated" : ", standard user"));
      TSimPlatform sim;
      sim.Process().SetBitness(TSimBitness::Windows64Process32);
      ASSERT_TRUE(sim.Files().CreateDirectoryW(u"C:\\Temp"));
      ASSERT_TRUE(Write(sim.Files(), u"C:\\Temp\\Lumarc.sys"));
      ASSERT_TRUE(Write(sim.Files(), u"C:\\Temp\\a.txt"));
      sim.Machine().SetElevated(elevated);
      sim.SetLastError(0);
      EXPECT_EQ(c.Call(sim.Files()), elevated);
      if (!elevated) {
        EXPECT_EQ(sim.GetLastError(), ERROR_ACCESS_DENIED);
        EXPECT_TRUE(sim.Files().PendingFileRenameOperations().empty());
      }
    }
  }
  // Unprotected places and reading protected files need no elevation.
  TSimPlatform sim;
  EXPECT_TRUE(sim.Files().CreateDirectoryW(u"C:\\ProgramData\\Vardeno"));
  EXPECT_TRUE(Write(sim.Files(), u"C:\\Users\\User\\AppData\\Local\\x.log"));
  HANDLE shell = sim.Files().CreateFileW(u"C:\\Windows\\System32\\shell32.dll", GENERIC_READ,
                                         FILE_SHARE_READ, OPEN_EXISTING, 0);
  EXPECT_NE(shell, INVALID_HANDLE_VALUE);
  sim.Files().CloseHandle(shell);
}

TEST(SimMachine, AVirtualizedProcessWritesIntoItsVirtualStore) {
  TSimPlatform sim;
  ASSERT_TRUE(sim.Machine().RunningToken().IntegrityLabel.back() == SECURITY_MANDATORY_MEDIUM_RID);
  sim.Machine().SetElevated(true);
  ASSERT_TRUE(sim.Files().CreateDirectoryW(u"C:\\Program Files (x86)\\App"));
  ASSERT_TRUE(Write(sim.Files(), u"C:\\Program Files (x86)\\App\\app.ini"));
  sim.Machine().SetElevated(false);
  TSimToken token = sim.Machine().RunningToken();
  token.VirtualizationEnabled = true;
  sim.Security().SetToken(sim.Process().ProcessId(), token);
  ASSERT_TRUE(sim.Machine().RunningVirtualized());

  const std::filesystem::path real = sim.Files().HostPath(u"C:\\Users");  // before any copy
  const std::u16string store = u"C:\\Users\\User\\AppData\\Local\\VirtualStore\\Program Files (x86)\\App";
  // A new file and a changed one land in the store; the original stays as it was.
  EXPECT_TRUE(Write(sim.Files(), u"C:\\Program Files (x86)\\App\\new.log"));
  EXPECT_TRUE(Write(sim.Files(), u"C:\\Program Files (x86)\\App\\app.ini"));
  EXPECT_TRUE(sim.Files().CreateDirectoryW(u"C:\\Program Files (x86)\\App\\Data"));
  EXPECT_TRUE(Write(sim.Files(), u"C:\\Program Files (x86)\\App\\Data\\state.dat"));
  sim.Process().SetBitness(TSimBitness::Windows64Process64);
  EXPECT_FALSE(sim.Machine().RunningVirtualized()) << "64-bit processes are never virtualized";
  EXPECT_EQ(sim.Files().GetFileAttributesW(u"C:\\Program Files (x86)\\App\\new.log"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(sim.Files().GetFileAttributesW(store + u"\\new.log"), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(sim.Files().GetFileAttributesW(store + u"\\Data\\state.dat"), INVALID_FILE_ATTRIBUTES);
  sim.Process().SetBitness(TSimBitness::Windows64Process32);
  // The process sees its copies where it wrote them.
  EXPECT_NE(sim.Files().GetFileAttributesW(u"C:\\Program Files (x86)\\App\\Data\\state.dat"), INVALID_FILE_ATTRIBUTES);
  // Programs are not virtualized, and neither are deletions of the originals.
  EXPECT_FALSE(Write(sim.Files(), u"C:\\Program Files (x86)\\App\\tool.exe"));
  EXPECT_EQ(sim.GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(sim.Files().DeleteFileW(u"C:\\Program Files (x86)\\App\\app.ini")) << "its own copy";
  EXPECT_FALSE(sim.Files().DeleteFileW(u"C:\\Program Files (x86)\\App\\app.ini")) << "the original";
  EXPECT_EQ(sim.GetLastError(), ERROR_ACCESS_DENIED);
}

// A window procedure that counts what reaches it, on which thread.
struct TSeen {
  std::vector<uint32_t> Messages;
  std::vector<uintptr_t> Timers;
  DWORD Thread = 0;
};

TSeen* GSeen = nullptr;

intptr_t VARDENO_WINAPI CountingProcedure(HWND window, uint32_t message, uintptr_t wParam,
                                          intptr_t lParam) {
  if (GSeen != nullptr) {
    GSeen->Messages.push_back(message);
    if (message == WM_TIMER) GSeen->Timers.push_back(wParam);
    GSeen->Thread = Platform().Process().GetCurrentThreadId();
  }
  if (message == WM_USER + 7) return static_cast<intptr_t>(wParam * 2);
  return Platform().User().DefWindowProcW(window, message, wParam, lParam);
}

class SimWindows : public testing::Test {
 protected:
  void SetUp() override {
    GSeen = &FSeen;
    FSim->Clock().SetDriven(true);
    WNDCLASSEXW windowClass;
    windowClass.lpfnWndProc = &CountingProcedure;
    windowClass.lpszClassName = u"VardenoTestWindow";
    ASSERT_NE(User().RegisterClassExW(&windowClass), 0);
  }
  void TearDown() override { GSeen = nullptr; }
  TSimUser& User() { return FSim->User(); }
  HWND Create() {
    return User().CreateWindowExW(0, u"vardenotestwindow", u"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, nullptr);
  }

  TPlatformScope<TSimPlatform> FSim;
  TSeen FSeen;
};

TEST_F(SimWindows, TheProcedureGetsDispatchedAndTimerMessagesOnTheTestClock) {
  HWND window = Create();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(FSeen.Messages, (std::vector<uint32_t>{WM_NCCREATE, WM_CREATE}));
  FSeen.Messages.clear();

  ASSERT_TRUE(User().PostMessageW(window, WM_USER, 1, 2));
  ASSERT_EQ(User().SetTimer(window, 5, 100, nullptr), 5u);
  EXPECT_TRUE(PlatformProcessMessages());
  EXPECT_EQ(FSeen.Messages, std::vector<uint32_t>{WM_USER}) << "the timer is not due yet";

  FSim->Clock().Advance(99);
  PlatformProcessMessages();
  EXPECT_TRUE(FSeen.Timers.empty());
  FSim->Clock().Advance(1);
  PlatformProcessMessages();
  EXPECT_EQ(FSeen.Timers, std::vector<uintptr_t>{5});
  // A loop that comes late gets one WM_TIMER, not one per period missed.
  FSim->Clock().Advance(1000);
  PlatformProcessMessages();
  PlatformProcessMessages();
  EXPECT_EQ(FSeen.Timers.size(), 2u);
  ASSERT_TRUE(User().KillTimer(window, 5));
  FSim->Clock().Advance(1000);
  PlatformProcessMessages();
  EXPECT_EQ(FSeen.Timers.size(), 2u);

  // GetMessageW waits for the clock: another thread advances it past a one-shot-like timer.
  User().SetTimer(window, 6, 50, nullptr);
  std::thread advancer([&] { FSim->Clock().Advance(50); });
  MSG message;
  ASSERT_EQ(User().GetMessageW(&message, nullptr, 0, 0), 1);
  advancer.join();
  EXPECT_EQ(message.message, WM_TIMER);
  EXPECT_EQ(message.wParam, 6u);

  // Sent from the window's own thread: at once. WM_CLOSE through DefWindowProc destroys it.
  EXPECT_EQ(User().SendMessageW(window, WM_USER + 7, 21, 0), 42);
  FSeen.Messages.clear();
  User().SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(FSeen.Messages, (std::vector<uint32_t>{WM_CLOSE, WM_DESTROY, WM_NCDESTROY}));
  EXPECT_FALSE(User().IsWindow(window));
  EXPECT_FALSE(User().PostMessageW(window, WM_USER, 0, 0));
  EXPECT_EQ(FSim->GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(SimWindows, SendsWaitForTheWindowsThreadAndTimeOutOnTheTestClock) {
  // A window served by a second thread that first stops pumping, then pumps.
  std::promise<HWND> created;
  std::promise<void> pump;
  std::atomic<bool> stop{false};
  std::thread server([&] {
    created.set_value(Create());
    pump.get_future().wait();
    MSG message;
    while (!stop) {
      while (User().PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) User().DispatchMessageW(&message);
      std::this_thread::yield();
    }
  });
  HWND window = created.get_future().get();
  ASSERT_NE(window, nullptr);
  DWORD process = 0;
  EXPECT_NE(User().GetWindowThreadProcessId(window, &process), FSim->Process().GetCurrentThreadId());
  EXPECT_EQ(process, FSim->Process().ProcessId());

  // Nobody takes the message: the send gives up once the clock has passed its time-out.
  uintptr_t result = 99;
  std::thread advancer([&] {
    for (int i = 0; i < 10; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      FSim->Clock().Advance(100);
    }
  });
  const uint64_t before = FSim->Clock().GetTickCount64();
  EXPECT_EQ(User().SendMessageTimeoutW(window, WM_USER + 7, 4, 0, SMTO_NORMAL, 250, &result), 0);
  EXPECT_EQ(FSim->GetLastError(), ERROR_TIMEOUT);
  EXPECT_GE(FSim->Clock().GetTickCount64() - before, 250u);
  advancer.join();
  EXPECT_EQ(result, 99u);

  // Once the thread pumps, the procedure runs there and the answer comes back.
  pump.set_value();
  EXPECT_EQ(User().SendMessageTimeoutW(window, WM_USER + 7, 5, 0, SMTO_NORMAL, UINT32_MAX - 1, &result), 1);
  EXPECT_EQ(result, 10u);
  stop = true;
  server.join();
  EXPECT_NE(FSeen.Thread, FSim->Process().GetCurrentThreadId());
}

// Where a key lands in the hives: the 32-bit view of 64-bit Windows redirects the machine's
// software keys (and the classes' CLSID) to Wow6432Node; other classes stay shared.
TEST(SimRegistry, ViewsRedirectAsOn64BitWindows) {
  struct TCase {
    TSimBitness Bitness;
    DWORD ViewBits;
    HKEY Root;
    std::u16string Key, HivePath;
  };
  const TCase cases[] = {
      {TSimBitness::Windows64Process32, 0, HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\App",
       u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Vendor\\App"},
      {TSimBitness::Windows64Process32, KEY_WOW64_64KEY, HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\App",
       u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App"},
      {TSimBitness::Windows64Process64, 0, HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor\\App",
       u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App"},
      {TSimBitness::Windows64Process64, KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, u"software\\Vendor",
       u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Vendor"},
      {TSimBitness::Windows32, KEY_WOW64_32KEY, HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vendor",
       u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor"},
      {TSimBitness::Windows64Process32, 0, HKEY_LOCAL_MACHINE, u"SYSTEM\\Vendor",
       u"HKEY_LOCAL_MACHINE\\SYSTEM\\Vendor"},
      {TSimBitness::Windows64Process32, 0, HKEY_CLASSES_ROOT, u"CLSID\\{5A5A}",
       u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Classes\\CLSID\\{5A5A}"},
      {TSimBitness::Windows64Process32, KEY_WOW64_64KEY, HKEY_CLASSES_ROOT, u"CLSID\\{5A5A}",
       u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{5A5A}"},
      {TSimBitness::Windows64Process32, 0, HKEY_CLASSES_ROOT, u".vdn",
       u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.vdn"},
      {TSimBitness::Windows64Process32, 0, HKEY_CURRENT_USER, u"Software\\Vendor",
       u"HKEY_CURRENT_USER\\Software\\Vendor"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Key) + " view bits " + std::to_string(c.ViewBits));
    TSimPlatform sim;
    sim.Process().SetBitness(c.Bitness);
    sim.Machine().SetElevated(true);
    HKEY key = nullptr;
    ASSERT_EQ(sim.Registry().RegCreateKeyExW(c.Root, c.Key, 0, KEY_ALL_ACCESS | c.ViewBits, &key, nullptr), 0);
    sim.Registry().RegCloseKey(key);
    EXPECT_TRUE(sim.Registry().KeyExists(c.HivePath));
    // Reading in the same view finds it; deleting in it removes it from there.
    EXPECT_EQ(sim.Registry().RegOpenKeyExW(c.Root, c.Key, 0, KEY_READ | c.ViewBits, &key), 0);
    sim.Registry().RegCloseKey(key);
    EXPECT_EQ(sim.Registry().RegDeleteKeyExW(c.Root, c.Key, c.ViewBits), 0);
    EXPECT_FALSE(sim.Registry().KeyExists(c.HivePath));
    EXPECT_EQ(sim.Registry().OpenKeyCount(), 0u);
  }
}

TEST(SimRegistry, AStandardUserReadsButDoesNotChangeTheMachine) {
  TSimPlatform sim;
  TSimRegistry& registry = sim.Registry();
  registry.MakeKey(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{5A5A}");
  HKEY key = nullptr;
  EXPECT_EQ(registry.RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{5A5A}", 0, KEY_READ | KEY_WOW64_64KEY, &key), 0);
  registry.RegCloseKey(key);
  // Full access to a machine key (what an installer asks for) is refused below high integrity.
  EXPECT_EQ(registry.RegOpenKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{5A5A}", 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key),
            static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(registry.RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vardeno", 0, KEY_WRITE, &key, nullptr),
            static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
  EXPECT_FALSE(registry.KeyExists(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Vardeno"));
  EXPECT_FALSE(registry.KeyExists(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Vardeno"));
  EXPECT_EQ(registry.RegDeleteKeyExW(HKEY_CLASSES_ROOT, u"CLSID\\{5A5A}", KEY_WOW64_64KEY),
            static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
  // The user's own part of the classes view comes first and is the user's to change.
  ASSERT_EQ(registry.RegCreateKeyExW(HKEY_CURRENT_USER, u"Software\\Classes\\.vdn", 0, KEY_ALL_ACCESS, &key, nullptr), 0);
  registry.RegCloseKey(key);
  EXPECT_EQ(registry.RegOpenKeyExW(HKEY_CLASSES_ROOT, u".vdn", 0, KEY_ALL_ACCESS, &key), 0);
  const DWORD one = 1;
  EXPECT_EQ(registry.RegSetValueExW(key, u"Mark", REG_DWORD, reinterpret_cast<const uint8_t*>(&one), 4), 0);
  registry.RegCloseKey(key);
  sim.Machine().SetElevated(true);
  EXPECT_EQ(registry.RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Vardeno", 0, KEY_WRITE, &key, nullptr), 0);
  registry.RegCloseKey(key);
  EXPECT_TRUE(registry.KeyExists(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Vardeno"));
}

TEST(SimRegistry, ADeniedKeyCannotBeOpenedOrDeleted) {
  TSimPlatform sim;
  TSimRegistry& registry = sim.Registry();
  registry.MakeKey(u"HKEY_CURRENT_USER\\Software\\Tree\\Locked");
  registry.MakeKey(u"HKEY_CURRENT_USER\\Software\\Tree\\Open");
  registry.SetAccessDenied(u"HKEY_CURRENT_USER\\Software\\Tree\\Locked", true);
  HKEY key = nullptr;
  EXPECT_EQ(registry.RegOpenKeyExW(HKEY_CURRENT_USER, u"Software\\Tree\\Locked", 0, KEY_READ, &key),
            static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(registry.RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Tree\\Locked"),
            static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
  EXPECT_EQ(registry.RegDeleteKeyW(HKEY_CURRENT_USER, u"Software\\Tree\\Open"), 0);
  EXPECT_TRUE(registry.KeyExists(u"HKEY_CURRENT_USER\\Software\\Tree\\Locked"));
  EXPECT_EQ(registry.RtlNtStatusToDosError(static_cast<NTSTATUS>(0xC0001234)), 317u);
}

TEST(SimMemory, PagesAreAlignedAndZeroed) {
  TSimMemory memory;
  for (size_t size : {size_t{1}, size_t{4096}, size_t{70000}}) {
    SCOPED_TRACE(size);
    auto* block = static_cast<uint8_t*>(memory.VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % TSimMemory::kAllocationGranularity, 0u);
    const size_t committed = (size + 4095) / 4096 * 4096;
    EXPECT_EQ(std::count(block, block + committed, 0), static_cast<ptrdiff_t>(committed));
    EXPECT_EQ(memory.BytesCommitted(), committed);
    EXPECT_TRUE(memory.VirtualFree(block, 0, MEM_RELEASE));
  }
}

}  // namespace
