// Executable versions: files on the Sim machine, the kept version of the running executable,
// and (on Windows) the version resource of this test executable.
#include "lib/system/GetExeVersionInfo.h"

#include <gtest/gtest.h>

#include "lib/platform/uPlatformSim.h"
#include "lib/platform/uPlatformSimPe.h"
#include "lib/values/uMiscLean.h"

namespace {

constexpr char16_t kSetup[] = u"C:\\Setup\\VardenoSetup.exe";

std::vector<uint8_t> ImageWithVersion(std::optional<TSimFileVersion> version) {
  TSimPeImage image;
  image.FileVersion = version;
  return SimPeImageBuild(image);
}

class ExeVersionTest : public testing::Test {
 protected:
  void SetUp() override {
    ExeVersionCacheClear();
    FSim->Process().SetModuleFileName(kSetup);
  }
  void TearDown() override { ExeVersionCacheClear(); }

  std::u16string Version(std::u16string_view fileName = {}) {
    uint16_t major = 1, minor = 2, release = 3, build = 4;
    const bool read = ExeVersionInfo(major, minor, release, build, fileName);
    // Untouched out values show as "1.2.3.4".
    return (read ? u"" : u"false ") + IntToText(major) + u"." + IntToText(minor) + u"." +
           IntToText(release) + u"." + IntToText(build);
  }

  TPlatformScope<TSimPlatform> FSim;
};

TEST_F(ExeVersionTest, FilesGiveTheirFileVersion) {
  TSimFiles& files = FSim->Files();
  files.MakeFile(u"C:\\App\\core.exe", ImageWithVersion(TSimFileVersion{4, 1, 807, 907}));
  files.MakeFile(u"C:\\App\\max.dll", ImageWithVersion(TSimFileVersion{65535, 0, 65535, 1}));
  files.MakeFile(u"C:\\App\\plain.exe", ImageWithVersion(std::nullopt));
  files.MakeFile(u"C:\\App\\other.exe", ImageWithVersion(std::nullopt));
  files.MakeFile(u"C:\\App\\notes.txt", {'x'});
  struct TCase {
    std::u16string Name;
    std::u16string Version;
    uint16_t Build;
  };
  const TCase cases[] = {
      {u"C:\\App\\core.exe", u"4.1.807.907", 907},    {u"c:\\app\\CORE.EXE", u"4.1.807.907", 907},
      {u"C:\\App\\max.dll", u"65535.0.65535.1", 1},   {u"C:\\App\\plain.exe", u"false 1.2.3.4", 0},
      {u"C:\\App\\other.exe", u"false 1.2.3.4", 0},   {u"C:\\App\\notes.txt", u"false 1.2.3.4", 0},
      {u"C:\\App\\missing.exe", u"false 1.2.3.4", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name));
    EXPECT_EQ(Version(c.Name), c.Version);
    EXPECT_EQ(ExeBuildNumber(c.Name), c.Build);
  }
}

TEST_F(ExeVersionTest, TheRunningExecutableIsReadOnceByItsExactPath) {
  TSimFiles& files = FSim->Files();
  files.MakeFile(kSetup, ImageWithVersion(TSimFileVersion{4, 1, 807, 907}));
  EXPECT_EQ(ExeVersionText(), u"4.1.807");
  EXPECT_EQ(ExeBuildNumber(), 907);

  // A newer file in its place is not read again for the running executable...
  files.MakeFile(kSetup, ImageWithVersion(TSimFileVersion{5, 0, 1, 2}));
  EXPECT_EQ(Version(), u"4.1.807.907");
  EXPECT_EQ(Version(kSetup), u"4.1.807.907");
  // ...but its path in other letter case is another file name: read, and not kept.
  EXPECT_EQ(Version(u"c:\\setup\\vardenosetup.exe"), u"5.0.1.2");
  EXPECT_EQ(ExeVersionText(), u"4.1.807");
}

TEST_F(ExeVersionTest, ARunningExecutableWithoutVersionHasNoText) {
  FSim->Files().MakeFile(kSetup, ImageWithVersion(std::nullopt));
  EXPECT_EQ(ExeVersionText(), u"");
  EXPECT_EQ(ExeBuildNumber(), 0);
  // A failed read keeps nothing: once the file has a version, it is found.
  FSim->Files().MakeFile(kSetup, ImageWithVersion(TSimFileVersion{4, 1, 807, 907}));
  EXPECT_EQ(ExeVersionText(), u"4.1.807");
}

#ifdef _WIN32
// This executable carries FILEVERSION 4,1,807,907 (SystemTestsVersion.rc); Windows reads it.
TEST(ExeVersionWin32, TheTestExecutablesOwnVersion) {
  ExeVersionCacheClear();
  EXPECT_EQ(ExeBuildNumber(), 907);
  EXPECT_EQ(ExeVersionText(), u"4.1.807");
  uint16_t major = 0, minor = 0, release = 0, build = 0;
  const std::u16string own = Platform().Process().GetModuleFileNameW(nullptr);
  ASSERT_TRUE(ExeVersionInfo(major, minor, release, build, own));
  EXPECT_EQ(build, 907);
  ExeVersionCacheClear();
}
#endif

}  // namespace
