// The simulated Windows file system: names, in-use and read-only files, moves now and at the
// next start, listings.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "lib/platform/uPlatformSim.h"
#include "lib/values/uMiscLean.h"

namespace {

using namespace win;

class SimFilesTest : public testing::Test {
 protected:
  // Makes a file with the given content; fails the test when that is refused.
  void Make(std::u16string_view name, std::string_view content = "data") {
    HANDLE file = Files().CreateFileW(name, GENERIC_WRITE, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << TextToUtf8(name);
    DWORD written = 0;
    ASSERT_TRUE(Files().WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written));
    ASSERT_TRUE(Files().CloseHandle(file));
  }
  std::string Content(std::u16string_view name) {
    std::ifstream in(Files().HostPath(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  DWORD Error() { return FSim.GetLastError(); }
  TSimFiles& Files() { return FSim.Files(); }

  TSimPlatform FSim;
};

TEST_F(SimFilesTest, NamesResolveAsOnWindows) {
  FSim.Machine().SetElevated(true);
  ASSERT_FALSE(Files().CreateDirectoryW(u"C:\\Program Files")) << "a fresh Windows has it";
  EXPECT_EQ(Error(), ERROR_ALREADY_EXISTS);
  Make(u"C:\\Program Files\\Setup.LOG", "x");
  struct TCase {
    std::u16string Name;
    DWORD Attributes;  // INVALID_FILE_ATTRIBUTES: not found, with Error
    DWORD Error;
  };
  const TCase cases[] = {
      {u"C:\\Program Files\\Setup.LOG", FILE_ATTRIBUTE_ARCHIVE, 0},
      {u"c:\\PROGRAM FILES\\setup.log", FILE_ATTRIBUTE_ARCHIVE, 0},
      {u"\\\\?\\C:\\Program Files\\Setup.LOG", FILE_ATTRIBUTE_ARCHIVE, 0},
      {u"C:/Program Files/Setup.LOG", FILE_ATTRIBUTE_ARCHIVE, 0},
      {u"C:\\Program Files\\.\\x\\..\\Setup.LOG", FILE_ATTRIBUTE_ARCHIVE, 0},
      {u"Program Files\\Setup.LOG", FILE_ATTRIBUTE_ARCHIVE, 0},
      {u"\\Program Files\\Setup.LOG", FILE_ATTRIBUTE_ARCHIVE, 0},
      {u"C:\\Program Files", FILE_ATTRIBUTE_DIRECTORY, 0},
      {u"C:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
      {u"C:\\Program Files\\Missing.txt", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
      {u"C:\\Missing\\Setup.LOG", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
      {u"Q:\\Setup.LOG", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
      {u"\\\\server\\share\\x", INVALID_FILE_ATTRIBUTES, ERROR_BAD_NETPATH},
      {u"\\\\?\\UNC\\server\\share\\x", INVALID_FILE_ATTRIBUTES, ERROR_BAD_NETPATH},
      {u"C:\\a|b", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
      {u"\\\\?\\C:\\Program Files\\..\\x", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
      // Without the prefix a doubled separator collapses; with it the empty name is invalid.
      {u"C:\\Program Files\\\\Setup.LOG", FILE_ATTRIBUTE_ARCHIVE, 0},
      {u"\\\\?\\C:\\Program Files\\\\Setup.LOG", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
      {u"C:\\Program Files\\Setup.LOG\\", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
      {u"\\\\?\\C:\\Program Files\\Setup.LOG\\", INVALID_FILE_ATTRIBUTES, ERROR_INVALID_NAME},
      {u"\\\\?\\C:\\Program Files\\", FILE_ATTRIBUTE_DIRECTORY, 0},
      // \\?\C: is the volume device, \\?\C:\ its root folder.
      {u"\\\\?\\C:", INVALID_FILE_ATTRIBUTES, 66 /* ERROR_BAD_DEV_TYPE */},
      {u"\\\\?\\C:\\", FILE_ATTRIBUTE_DIRECTORY, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name));
    FSim.SetLastError(0);
    EXPECT_EQ(Files().GetFileAttributesW(c.Name), c.Attributes);
    if (c.Attributes == INVALID_FILE_ATTRIBUTES) {
      EXPECT_EQ(Error(), c.Error);
    }
  }
  // New names keep their spelling; existing ones are found whatever the case.
  EXPECT_EQ(Files().HostPath(u"c:\\program files\\NEW.txt").filename().u16string(), u"NEW.txt");
  EXPECT_EQ(Files().HostPath(u"c:\\program files").filename().u16string(), u"Program Files");
}

TEST_F(SimFilesTest, ShareModesDecideWhetherAFileIsInUse) {
  Make(u"C:\\held.dat");
  constexpr DWORD R = GENERIC_READ, W = GENERIC_WRITE, RW = R | W;
  constexpr DWORD SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE, SD = FILE_SHARE_DELETE;
  struct TCase {
    DWORD HeldAccess, HeldShare, Access, Share;
    bool Opens;
  };
  const TCase cases[] = {
      {R, SR, R, SR, true},
      {R, SR, RW, 0, false},
      {R, SR | SW, W, SR, true},
      {W, 0, R, SR | SW | SD, false},
      {RW, 0, FILE_READ_ATTRIBUTES, SR | SW | SD, true},   // attributes only: never in use
      {R, SR | SW | SD, RW, 0, false},                     // the new open must share what is held
      {FILE_READ_ATTRIBUTES, SR | SW | SD, RW, 0, true},
      {R, SR, DELETE, SR, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.HeldAccess << "/" << c.HeldShare << " then "
                                    << c.Access << "/" << c.Share);
    HANDLE held = Files().CreateFileW(u"C:\\held.dat", c.HeldAccess, c.HeldShare, OPEN_EXISTING, 0);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    HANDLE second = Files().CreateFileW(u"c:\\HELD.dat", c.Access, c.Share, OPEN_EXISTING, 0);
    EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.Opens);
    if (second != INVALID_HANDLE_VALUE) {
      Files().CloseHandle(second);
    } else {
      EXPECT_EQ(Error(), ERROR_SHARING_VIOLATION);
    }
    Files().CloseHandle(held);
  }
  EXPECT_EQ(Files().OpenHandleCount(), 0u);
}

TEST_F(SimFilesTest, ReadOnlyFilesRefuseChanges) {
  Make(u"C:\\ro.txt", "keep");
  Make(u"C:\\other.txt", "other");
  ASSERT_TRUE(Files().SetFileAttributesW(u"C:\\ro.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  EXPECT_EQ(Files().GetFileAttributesW(u"C:\\ro.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);

  EXPECT_EQ(Files().CreateFileW(u"C:\\ro.txt", GENERIC_WRITE, 0, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Error(), ERROR_ACCESS_DENIED);
  HANDLE reader = Files().CreateFileW(u"C:\\ro.txt", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  EXPECT_NE(reader, INVALID_HANDLE_VALUE);
  Files().CloseHandle(reader);
  EXPECT_FALSE(Files().DeleteFileW(u"C:\\ro.txt"));
  EXPECT_EQ(Error(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(Files().MoveFileExW(u"C:\\other.txt", u"C:\\ro.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Error(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(Content(u"C:\\ro.txt"), "keep");

  ASSERT_TRUE(Files().SetFileAttributesW(u"C:\\ro.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(Files().GetFileAttributesW(u"C:\\ro.txt"), FILE_ATTRIBUTE_NORMAL);
  EXPECT_TRUE(Files().DeleteFileW(u"C:\\ro.txt"));
}

TEST_F(SimFilesTest, MovesReplaceRefuseOrWaitForTheNextStart) {
  Make(u"C:\\a.txt", "A");
  Make(u"C:\\b.txt", "B");
  EXPECT_FALSE(Files().MoveFileExW(u"C:\\a.txt", u"C:\\b.txt", 0));
  EXPECT_EQ(Error(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(Files().MoveFileExW(u"\\\\?\\C:\\a.txt", u"\\\\?\\C:\\b.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Content(u"C:\\b.txt"), "A");
  EXPECT_EQ(Files().GetFileAttributesW(u"C:\\a.txt"), INVALID_FILE_ATTRIBUTES);

  // A target held open without delete sharing cannot be replaced now...
  ASSERT_TRUE(Files().CreateDirectoryW(u"C:\\Setup"));
  Make(u"C:\\Setup\\new.exe", "new");
  ASSERT_TRUE(Files().CreateDirectoryW(u"C:\\App"));
  Make(u"C:\\App\\core.exe", "old");
  HANDLE running = Files().CreateFileW(u"C:\\App\\core.exe", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0);
  ASSERT_NE(running, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Files().MoveFileExW(u"C:\\Setup\\new.exe", u"C:\\App\\core.exe", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(Error(), ERROR_ACCESS_DENIED);

  // ...so it is scheduled, in order, and carried out by the next start: by an administrator
  // only, as the schedule is part of the machine's configuration.
  Make(u"C:\\Setup\\stale.tmp");
  EXPECT_FALSE(Files().MoveFileExW(u"C:\\Setup\\new.exe", u"C:\\App\\core.exe",
                                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(Error(), ERROR_ACCESS_DENIED);
  EXPECT_TRUE(Files().PendingFileRenameOperations().empty());
  FSim.Machine().SetElevated(true);
  ASSERT_TRUE(Files().MoveFileExW(u"C:\\Setup\\new.exe", u"C:\\App\\core.exe",
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(Files().MoveFileExW(u"C:\\Setup\\stale.tmp", u"", MOVEFILE_DELAY_UNTIL_REBOOT));
  const auto pending = Files().PendingFileRenameOperations();
  ASSERT_EQ(pending.size(), 2u);
  EXPECT_EQ(pending[0].Source, u"\\??\\C:\\Setup\\new.exe");
  EXPECT_EQ(pending[0].Target, u"\\??\\C:\\App\\core.exe");
  EXPECT_TRUE(pending[0].ReplaceExisting);
  EXPECT_EQ(pending[1].Target, u"");
  EXPECT_EQ(Content(u"C:\\App\\core.exe"), "old");

  EXPECT_EQ(Files().Restart(), 0);
  EXPECT_EQ(Content(u"C:\\App\\core.exe"), "new");
  EXPECT_EQ(Files().GetFileAttributesW(u"C:\\Setup\\stale.tmp"), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(Files().PendingFileRenameOperations().empty());
  EXPECT_EQ(Files().OpenHandleCount(), 0u);
  (void)running;
}

TEST_F(SimFilesTest, MovesBetweenDrivesNeedCopyAllowed) {
  Files().MapDrive(u'D', Files().HostPath(u"C:\\").parent_path() / "D");
  Make(u"C:\\a.txt", "A");
  EXPECT_FALSE(Files().MoveFileExW(u"C:\\a.txt", u"D:\\a.txt", 0));
  EXPECT_EQ(Error(), ERROR_NOT_SAME_DEVICE);
  EXPECT_TRUE(Files().MoveFileExW(u"C:\\a.txt", u"d:\\a.txt", MOVEFILE_COPY_ALLOWED));
  EXPECT_EQ(Content(u"D:\\a.txt"), "A");
}

TEST_F(SimFilesTest, CopiesAndFolders) {
  Make(u"C:\\src.txt", "S");
  Files().SetFileAttributesW(u"C:\\src.txt", FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(Files().CopyFileW(u"C:\\src.txt", u"C:\\dst.txt", true));
  EXPECT_EQ(Files().GetFileAttributesW(u"C:\\dst.txt"), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(Files().CopyFileW(u"C:\\src.txt", u"C:\\dst.txt", true));
  EXPECT_EQ(Error(), ERROR_FILE_EXISTS);
  EXPECT_FALSE(Files().CopyFileW(u"C:\\nothing.txt", u"C:\\x.txt", false));
  EXPECT_EQ(Error(), ERROR_FILE_NOT_FOUND);

  EXPECT_FALSE(Files().CreateDirectoryW(u"C:\\a\\b"));
  EXPECT_EQ(Error(), ERROR_PATH_NOT_FOUND);
  EXPECT_TRUE(Files().CreateDirectoryW(u"C:\\a"));
  EXPECT_FALSE(Files().CreateDirectoryW(u"C:\\A"));
  EXPECT_EQ(Error(), ERROR_ALREADY_EXISTS);
  Make(u"C:\\a\\f.txt");
  EXPECT_FALSE(Files().RemoveDirectoryW(u"C:\\a"));
  EXPECT_EQ(Error(), ERROR_DIR_NOT_EMPTY);
  // Folders open only with backup semantics.
  EXPECT_EQ(Files().CreateFileW(u"C:\\a", FILE_READ_ATTRIBUTES, 7, OPEN_EXISTING, 0), INVALID_HANDLE_VALUE);
  HANDLE folder = Files().CreateFileW(u"C:\\a", FILE_READ_ATTRIBUTES, 7, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
  ASSERT_NE(folder, INVALID_HANDLE_VALUE);
  BY_HANDLE_FILE_INFORMATION information;
  ASSERT_TRUE(Files().GetFileInformationByHandle(folder, &information));
  EXPECT_EQ(information.dwFileAttributes, FILE_ATTRIBUTE_DIRECTORY);
  Files().CloseHandle(folder);
}

TEST_F(SimFilesTest, ReadWriteAndPositions) {
  HANDLE file = Files().CreateFileW(u"C:\\rw.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, 0);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD done = 0;
  ASSERT_TRUE(Files().WriteFile(file, "hello", 5, &done));
  int64_t position = 0;
  ASSERT_TRUE(Files().SetFilePointerEx(file, 8, &position, FILE_BEGIN));
  ASSERT_TRUE(Files().WriteFile(file, "!", 1, &done));
  int64_t size = 0;
  ASSERT_TRUE(Files().GetFileSizeEx(file, &size));
  EXPECT_EQ(size, 9);
  ASSERT_TRUE(Files().SetFilePointerEx(file, 0, nullptr, FILE_BEGIN));
  char buffer[16] = {};
  ASSERT_TRUE(Files().ReadFile(file, buffer, sizeof buffer, &done));
  EXPECT_EQ(done, 9u);
  EXPECT_EQ(std::string(buffer, 9), std::string("hello\0\0\0!", 9));
  ASSERT_TRUE(Files().ReadFile(file, buffer, sizeof buffer, &done));
  EXPECT_EQ(done, 0u) << "at the end a read gives 0 bytes";
  ASSERT_TRUE(Files().SetFilePointerEx(file, 2, nullptr, FILE_BEGIN));
  ASSERT_TRUE(Files().SetEndOfFile(file));
  ASSERT_TRUE(Files().GetFileSizeEx(file, &size));
  EXPECT_EQ(size, 2);
  Files().CloseHandle(file);
  EXPECT_EQ(Files().CreateFileW(u"C:\\rw.bin", GENERIC_READ, 0, CREATE_NEW, 0), INVALID_HANDLE_VALUE);
  EXPECT_EQ(Error(), ERROR_FILE_EXISTS);
  EXPECT_FALSE(Files().CloseHandle(file));
  EXPECT_EQ(Error(), ERROR_INVALID_HANDLE);
}

TEST_F(SimFilesTest, ListingsMatchPatternsWithoutCase) {
  ASSERT_TRUE(Files().CreateDirectoryW(u"C:\\Logs"));
  Make(u"C:\\Logs\\b.LOG");
  Make(u"C:\\Logs\\a.log");
  Make(u"C:\\Logs\\notes.txt");
  Make(u"C:\\Logs\\_c.log");
  ASSERT_TRUE(Files().CreateDirectoryW(u"C:\\Logs\\Old"));
  auto list = [&](std::u16string_view pattern) {
    std::vector<std::u16string> names;
    WIN32_FIND_DATAW data;
    HANDLE find = Files().FindFirstFileW(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(data.cFileName);
    while (Files().FindNextFileW(find, &data));
    EXPECT_EQ(Error(), ERROR_NO_MORE_FILES);
    Files().FindClose(find);
    return names;
  };
  // NTFS order: names compared upper-cased, so "_" comes after the letters.
  EXPECT_EQ(list(u"C:\\Logs\\*"), (std::vector<std::u16string>{u".", u"..", u"a.log", u"b.LOG", u"notes.txt", u"Old", u"_c.log"}));
  EXPECT_EQ(list(u"\\\\?\\C:\\logs\\*.log"), (std::vector<std::u16string>{u"a.log", u"b.LOG", u"_c.log"}));
  EXPECT_EQ(list(u"C:\\Logs\\?.log"), (std::vector<std::u16string>{u"a.log", u"b.LOG"}));
  EXPECT_EQ(list(u"C:\\Logs\\*.*").size(), 7u);
  EXPECT_TRUE(list(u"C:\\Logs\\*.zip").empty());
  EXPECT_EQ(Error(), ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(list(u"C:\\Nowhere\\*").empty());
  EXPECT_EQ(Error(), ERROR_PATH_NOT_FOUND);
}

}  // namespace
