// File operations on paths, against the simulated Windows machine.
#include <gtest/gtest.h>

#include <mutex>

#include "lib/paths/uPaths.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"
#include "lib/values/uFileStream.h"

namespace {

using namespace win;

// A Sim whose file area records every path text that reaches it.
class TRecordingFiles final : public TPlatformFiles {
 public:
  explicit TRecordingFiles(TSimFiles& files) : FFiles(files) {}
  std::vector<std::u16string> Names;
  std::vector<std::u16string> Created;  // CreateDirectoryW calls, in order

  HANDLE CreateFileW(std::u16string_view n, DWORD a, DWORD s, DWORD c, DWORD f) override {
    return Note(n), FFiles.CreateFileW(n, a, s, c, f);
  }
  bool CloseHandle(HANDLE h) override { return FFiles.CloseHandle(h); }
  bool ReadFile(HANDLE h, void* b, DWORD n, DWORD* r) override { return FFiles.ReadFile(h, b, n, r); }
  bool WriteFile(HANDLE h, const void* b, DWORD n, DWORD* w) override { return FFiles.WriteFile(h, b, n, w); }
  bool GetFileSizeEx(HANDLE h, int64_t* s) override { return FFiles.GetFileSizeEx(h, s); }
  bool SetFilePointerEx(HANDLE h, int64_t d, int64_t* p, DWORD m) override { return FFiles.SetFilePointerEx(h, d, p, m); }
  bool SetEndOfFile(HANDLE h) override { return FFiles.SetEndOfFile(h); }
  bool GetFileInformationByHandle(HANDLE h, BY_HANDLE_FILE_INFORMATION* i) override {
    return FFiles.GetFileInformationByHandle(h, i);
  }
  DWORD GetFileAttributesW(std::u16string_view n) override { return Note(n), FFiles.GetFileAttributesW(n); }
  bool SetFileAttributesW(std::u16string_view n, DWORD a) override { return Note(n), FFiles.SetFileAttributesW(n, a); }
  bool CreateDirectoryW(std::u16string_view n) override {
    return Note(n), Created.emplace_back(n), FFiles.CreateDirectoryW(n);
  }
  bool RemoveDirectoryW(std::u16string_view n) override { return Note(n), FFiles.RemoveDirectoryW(n); }
  bool DeleteFileW(std::u16string_view n) override { return Note(n), FFiles.DeleteFileW(n); }
  bool CopyFileW(std::u16string_view a, std::u16string_view b, bool f) override {
    return Note(a), Note(b), FFiles.CopyFileW(a, b, f);
  }
  bool MoveFileExW(std::u16string_view a, std::u16string_view b, DWORD f) override {
    return Note(a), Note(b), FFiles.MoveFileExW(a, b, f);
  }
  HANDLE FindFirstFileW(std::u16string_view n, WIN32_FIND_DATAW* d) override { return Note(n), FFiles.FindFirstFileW(n, d); }
  bool FindNextFileW(HANDLE h, WIN32_FIND_DATAW* d) override { return FFiles.FindNextFileW(h, d); }
  bool FindClose(HANDLE h) override { return FFiles.FindClose(h); }
  DWORD QueryDosDeviceW(std::u16string_view n, char16_t* t, DWORD m) override { return FFiles.QueryDosDeviceW(n, t, m); }
  HANDLE FindFirstVolumeW(char16_t* v, DWORD l) override { return FFiles.FindFirstVolumeW(v, l); }
  bool FindNextVolumeW(HANDLE f, char16_t* v, DWORD l) override { return FFiles.FindNextVolumeW(f, v, l); }
  bool FindVolumeClose(HANDLE f) override { return FFiles.FindVolumeClose(f); }
  bool GetVolumeNameForVolumeMountPointW(std::u16string_view m, char16_t* v, DWORD l) override {
    return FFiles.GetVolumeNameForVolumeMountPointW(m, v, l);
  }
  DWORD GetSystemDirectoryW(char16_t* b, DWORD s) override { return FFiles.GetSystemDirectoryW(b, s); }
  NTSTATUS NtOpenSymbolicLinkObject(HANDLE* h, DWORD a, const OBJECT_ATTRIBUTES* o) override {
    return FFiles.NtOpenSymbolicLinkObject(h, a, o);
  }
  NTSTATUS NtQuerySymbolicLinkObject(HANDLE h, UNICODE_STRING* t, DWORD* r) override {
    return FFiles.NtQuerySymbolicLinkObject(h, t, r);
  }
  NTSTATUS NtClose(HANDLE h) override { return FFiles.NtClose(h); }

 private:
  void Note(std::u16string_view name) { Names.emplace_back(name); }
  TSimFiles& FFiles;
};

class TRecordingPlatform final : public TPlatform {
 public:
  std::u16string_view Name() const override { return u"Recording Sim"; }
  TPlatformMemory& Memory() override { return FSim.Memory(); }
  TPlatformProcess& Process() override { return FSim.Process(); }
  TPlatformClock& Clock() override { return FSim.Clock(); }
  TPlatformFiles& Files() override { return FFiles; }
  TPlatformSecurity& Security() override { return FSim.Security(); }
  TPlatformResources& Resources() override { return FSim.Resources(); }
  TPlatformUser& User() override { return FSim.User(); }
  TPlatformRegistry& Registry() override { return FSim.Registry(); }
  DWORD GetLastError() override { return FSim.GetLastError(); }
  void SetLastError(DWORD error) override { FSim.SetLastError(error); }

  TSimPlatform FSim;
  TRecordingFiles FFiles{FSim.Files()};
};

class FileOpsTest : public testing::Test {
 protected:
  void Make(std::u16string_view name, std::string_view content = "data") {
    FsForceParentFolder(TPath(name));
    HANDLE file = Sim().CreateFileW(name, GENERIC_WRITE, 0, CREATE_ALWAYS, 0);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written;
    Sim().WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written);
    Sim().CloseHandle(file);
  }
  TSimFiles& Sim() { return FPlatform->FSim.Files(); }
  std::string Content(std::u16string_view name) {
    TFileStream stream(name, TFileStream::TMode::OpenRead);
    std::string bytes(static_cast<size_t>(stream.Size()), '\0');
    stream.Read(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
  }

  TPlatformScope<TRecordingPlatform> FPlatform;
};

TEST_F(FileOpsTest, DrivePathsReachThePlatformWithTheLongPathPrefix) {
  struct TCase {
    std::u16string Path, Prefixed;
  };
  const TCase cases[] = {
      {u"C:\\Data\\x.txt", u"\\\\?\\C:\\Data\\x.txt"},
      {u"c:", u"\\\\?\\c:"},
      {u"\\\\server\\share\\x", u"\\\\server\\share\\x"},
      {u"\\\\?\\C:\\x", u"\\\\?\\C:\\x"},
      {u"relative\\x", u"relative\\x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Path));
    TPath path(c.Path);
    LongPathPrefixAdd(path);
    EXPECT_EQ(path.ToString(), c.Prefixed);
    FPlatform->FFiles.Names.clear();
    FsIsAvailable(TPath(c.Path));
    FsAttributesSet(TPath(c.Path), FILE_ATTRIBUTE_NORMAL);
    FsCopy(TPath(c.Path), TPath(c.Path), true);
    for (const auto& name : FPlatform->FFiles.Names) EXPECT_EQ(name, c.Prefixed);
    EXPECT_GE(FPlatform->FFiles.Names.size(), 4u);
  }
}

TEST_F(FileOpsTest, InUseAndReadOnlyFiles) {
  Make(u"C:\\App\\core.exe");
  const TPath core(u"C:\\App\\core.exe");
  EXPECT_TRUE(FsIsAvailable(core));
  EXPECT_FALSE(FsIsAvailable(TPath(u"C:\\App\\missing.exe")));

  HANDLE held = Sim().CreateFileW(u"C:\\App\\core.exe", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  EXPECT_FALSE(FsIsAvailable(core)) << "held open by another process";
  EXPECT_TRUE(FsExists(core));
  EXPECT_EQ(FsAttributes(core), FILE_ATTRIBUTE_ARCHIVE) << "attributes are read with full sharing";
  Sim().CloseHandle(held);

  ASSERT_TRUE(FsReadOnlySet(core));
  EXPECT_EQ(FsAttributes(core), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(FsIsAvailable(core)) << "the read-only attribute is lifted for the test";
  EXPECT_EQ(FsAttributes(core), FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY) << "and set again";
  EXPECT_TRUE(FsReadOnlyClear(core));
  EXPECT_FALSE(FsReadOnlyClear(core)) << "nothing to clear";

  const BY_HANDLE_FILE_INFORMATION missing = FsInformation(TPath(u"C:\\nothing"));
  EXPECT_EQ(missing.dwFileAttributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(missing.nFileSizeLow, 0u);
  EXPECT_EQ(FsInformation(core).nFileSizeLow, 4u);
  EXPECT_TRUE(FsExists(TPath(u"C:\\App\\")));
  EXPECT_FALSE(FsExists(TPath(u"C:\\App\\missing.exe")));
}

TEST_F(FileOpsTest, MovesNowOrAtTheNextStartAndTheFailureAlert) {
  Make(u"C:\\Vardeno-tmp\\core.exe", "new");
  Make(u"C:\\Vardeno\\core.exe", "old");
  HANDLE running = Sim().CreateFileW(u"C:\\Vardeno\\core.exe", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  {
    TAlertCapture alerts;
    EXPECT_FALSE(FsMove(TPath(u"C:\\Vardeno-tmp\\core.exe"), TPath(u"C:\\Vardeno\\core.exe"),
                        MOVEFILE_REPLACE_EXISTING, false));
    EXPECT_EQ(alerts.Messages(),
              std::vector<std::u16string>{u"FsMove: ERROR: ERROR_ACCESS_DENIED Old File Name: "
                                          u"\"\\\\?\\C:\\Vardeno-tmp\\core.exe\", New File Name: "
                                          u"\"\\\\?\\C:\\Vardeno\\core.exe\", Flags: 1"});
    EXPECT_FALSE(FsMove(TPath(u"C:\\Vardeno-tmp\\core.exe"), TPath(u"C:\\Vardeno\\core.exe"),
                        MOVEFILE_REPLACE_EXISTING, true));
    EXPECT_EQ(alerts.Count(), 1u) << "quiet";
  }
  {
    // Only an administrator may schedule a move for the next start.
    TAlertCapture alerts;
    EXPECT_FALSE(FsMove(TPath(u"C:\\Vardeno-tmp\\core.exe"), TPath(u"C:\\Vardeno\\core.exe"),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT, false));
    ASSERT_EQ(alerts.Count(), 1u);
    EXPECT_TRUE(alerts.Messages()[0].starts_with(u"FsMove: ERROR: ")) << TextToUtf8(alerts.Messages()[0]);
  }
  FPlatform->FSim.Machine().SetElevated(true);
  EXPECT_TRUE(FsMove(TPath(u"C:\\Vardeno-tmp\\core.exe"), TPath(u"C:\\Vardeno\\core.exe"),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT, false));
  EXPECT_EQ(Sim().PendingFileRenameOperations().at(0).Target, u"\\??\\C:\\Vardeno\\core.exe");
  EXPECT_EQ(Content(u"C:\\Vardeno\\core.exe"), "old") << "until the next start";
  EXPECT_EQ(Sim().Restart(), 0);
  EXPECT_EQ(Content(u"C:\\Vardeno\\core.exe"), "new");
  EXPECT_FALSE(FsExists(TPath(u"C:\\Vardeno-tmp\\core.exe")));
  (void)running;

  // A folder written with its trailing separator moves without it.
  ASSERT_TRUE(Sim().CreateDirectoryW(u"C:\\Old"));
  FPlatform->FFiles.Names.clear();
  EXPECT_TRUE(FsMove(TPath(u"C:\\Old\\"), TPath(u"C:\\New\\"), 0, false));
  EXPECT_EQ(FPlatform->FFiles.Names, (std::vector<std::u16string>{u"\\\\?\\C:\\Old", u"\\\\?\\C:\\New"}));
  EXPECT_TRUE(FsExists(TPath(u"C:\\New")));
}

TEST_F(FileOpsTest, DeleteLiftsTheReadOnlyAttribute) {
  Make(u"C:\\ro.txt");
  ASSERT_TRUE(FsReadOnlySet(TPath(u"C:\\ro.txt")));
  EXPECT_TRUE(FsDelete(TPath(u"C:\\ro.txt")));
  EXPECT_FALSE(FsExists(TPath(u"C:\\ro.txt")));
  EXPECT_FALSE(FsDelete(TPath(u"C:\\ro.txt")));

  Make(u"C:\\held.txt");
  ASSERT_TRUE(FsReadOnlySet(TPath(u"C:\\held.txt")));
  HANDLE held = Sim().CreateFileW(u"C:\\held.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  EXPECT_FALSE(FsDelete(TPath(u"C:\\held.txt")));
  EXPECT_EQ(FsAttributes(TPath(u"C:\\held.txt")) & FILE_ATTRIBUTE_READONLY, FILE_ATTRIBUTE_READONLY)
      << "restored after the second attempt failed";
  Sim().CloseHandle(held);
}

TEST_F(FileOpsTest, ForceFolderAndListings) {
  FsForceFolder(TPath(u"C:\\a\\b\\c"));
  // From the top down, each with the path's own text. The drive comes first: \\?\C: names its
  // volume device, not a folder, so "C:" does not count as existing, and its creation fails
  // harmlessly.
  EXPECT_EQ(FPlatform->FFiles.Created,
            (std::vector<std::u16string>{u"C:", u"C:\\a", u"C:\\a\\b", u"C:\\a\\b\\c"}));
  EXPECT_TRUE(FsExists(TPath(u"C:\\a\\b\\c")));
  FPlatform->FFiles.Created.clear();
  FsForceFolder(TPath(u"C:\\a\\b\\c"));
  FsForceFolder(TPath());
  EXPECT_TRUE(FPlatform->FFiles.Created.empty()) << "nothing to create";
  FsForceParentFolder(TPath(u"C:\\x\\y\\file.txt"));
  EXPECT_TRUE(FsExists(TPath(u"C:\\x\\y")));
  EXPECT_FALSE(FsExists(TPath(u"C:\\x\\y\\file.txt")));

  Make(u"C:\\Logs\\a.log");
  Make(u"C:\\Logs\\sub\\b.log");
  Make(u"C:\\Logs\\secret.log");
  Sim().SetFileAttributesW(u"C:\\Logs\\secret.log", FILE_ATTRIBUTE_HIDDEN);
  struct TCase {
    bool Recursive;
    std::u16string Pattern;
    DWORD Mask;
    std::vector<std::pair<std::u16string, int>> Entries;
  };
  const TCase cases[] = {
      {false, u"*", 0x1FF, {{u"a.log", 1}, {u"secret.log", 1}, {u"sub", 2}}},
      {true, u"*", 0x1FF, {{u"a.log", 1}, {u"secret.log", 1}, {u"sub", 2}, {u"sub\\b.log", 1}}},
      {true, u"*", FILE_ATTRIBUTE_ARCHIVE, {{u"a.log", 1}, {u"sub\\b.log", 1}}},
      {false, u"*.txt", 0x1FF, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Pattern));
    const TFlexArray list = FsFolderList(TPath(u"C:\\Logs"), c.Recursive, c.Pattern, c.Mask);
    std::vector<std::pair<std::u16string, int>> entries;
    for (int i = 0; i < list.Count(); ++i) {
      entries.emplace_back(list.GetKeyByIndex(i), static_cast<int>(list.GetValueByIndex(i).AsInt64()));
    }
    EXPECT_EQ(entries, c.Entries);
  }
}

TEST_F(FileOpsTest, ExecutablePath) {
  FPlatform->FSim.Process().SetModuleFileName(u"D:\\Downloads\\VardenoSetup.exe");
  EXPECT_EQ(ExeFilePath().ToString(), u"D:\\Downloads\\VardenoSetup.exe");
  EXPECT_EQ(ExeFilePath().PathToParent().LastGet(), u"Downloads");
}

}  // namespace

#ifdef _WIN32
#include <process.h>

#include "lib/platform/uPlatformWin32.h"

namespace {

// The real Win32 backend, with a second process holding a file open without sharing.
TEST(Win32FileOps, AFileHeldByAnotherProcessIsInUse) {
  const TPath folder = ExeFilePath().PathToParent();
  const TPath file = folder + u"held-by-other.tmp";
  const TPath other = folder + u"other.tmp";
  for (const char16_t* leftover : {u"held-by-other.tmp.held", u"held-by-other.tmp.release"}) {
    FsDelete(folder + leftover);
  }
  for (const TPath& path : {file, other}) {
    TFileStream stream(path.ToString(), TFileStream::TMode::Create);
    stream.Write("x", 1);
  }
  EXPECT_TRUE(FsIsAvailable(file));

  const std::wstring holder = TextToWide((folder + u"hold_file.exe").ToString());
  const std::wstring argument = TextToWide(u"\"" + file.ToString() + u"\"");
  const intptr_t child = _wspawnl(_P_NOWAIT, holder.c_str(), holder.c_str(), argument.c_str(), nullptr);
  ASSERT_NE(child, -1);
  for (int waited = 0; waited < 20'000 && !FsExists(folder + u"held-by-other.tmp.held"); waited += 20) {
    Platform().Clock().Sleep(20);
  }
  ASSERT_TRUE(FsExists(folder + u"held-by-other.tmp.held")) << "the holder never opened the file";

  EXPECT_FALSE(FsIsAvailable(file));
  EXPECT_TRUE(FsExists(file));
  EXPECT_EQ(FsAttributes(file) & FILE_ATTRIBUTE_DIRECTORY, 0u) << "attributes read with full sharing";
  {
    TAlertCapture alerts;
    EXPECT_FALSE(FsMove(other, file, MOVEFILE_REPLACE_EXISTING, false));
    ASSERT_EQ(alerts.Count(), 1u);
    EXPECT_NE(alerts.Messages()[0].find(u"New File Name: \"\\\\?\\" + file.ToString() + u"\""), std::u16string::npos)
        << TextToUtf8(alerts.Messages()[0]);
  }

  TFileStream((folder + u"held-by-other.tmp.release").ToString(), TFileStream::TMode::Create);
  int status = 0;
  _cwait(&status, child, 0);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(FsIsAvailable(file));
  EXPECT_TRUE(FsMove(other, file, MOVEFILE_REPLACE_EXISTING, false));
  for (const char16_t* name : {u"held-by-other.tmp", u"held-by-other.tmp.held", u"held-by-other.tmp.release"}) {
    FsDelete(folder + name);
  }
}

}  // namespace
#endif

namespace {

TEST(KnownFolders, ProgramFilesFollowsTheProcessBitness) {
  TPlatformScope<TSimPlatform> sim;
  struct TCase {
    TSimBitness Bitness;
    int Csidl;
    std::u16string Path;
  };
  const TCase cases[] = {
      {TSimBitness::Windows64Process32, CSIDL_PROGRAM_FILES, u"C:\\Program Files (x86)"},
      {TSimBitness::Windows64Process64, CSIDL_PROGRAM_FILES, u"C:\\Program Files"},
      {TSimBitness::Windows32, CSIDL_PROGRAM_FILES, u"C:\\Program Files"},
      {TSimBitness::Windows32, CSIDL_PROGRAM_FILESX86, u"C:\\Program Files"},
      {TSimBitness::Windows64Process64, CSIDL_SYSTEM, u"C:\\Windows\\System32"},
      {TSimBitness::Windows64Process64, 9999, u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Csidl);
    sim->Process().SetBitness(c.Bitness);
    TPath path(u"C:\\stale");
    KnownFolderPath(c.Csidl, path);
    EXPECT_EQ(path.ToString(), c.Path);
  }
  char16_t buffer[MAX_PATH + 1];
  ASSERT_TRUE(sim->Process().SHGetSpecialFolderPathW(buffer, CSIDL_COMMON_APPDATA, true));
  EXPECT_TRUE(FsExists(TPath(u"C:\\ProgramData")));
}

#ifdef _WIN32
TEST(KnownFolders, ProgramFilesOfTheRealShell) {
  TPath path;
  KnownFolderPath(CSIDL_PROGRAM_FILES, path);
  EXPECT_EQ(path.ToString(), sizeof(void*) == 8 ? u"C:\\Program Files" : u"C:\\Program Files (x86)");
}
#endif

}  // namespace
