// Path classification and NT device paths: shapes, device names and NT paths on Sim machines
// (drives, a substituted drive, volumes), and (on Windows) the real machine's.
#include <gtest/gtest.h>

#include "lib/paths/uPaths.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"
#include "lib/values/uMiscLean.h"

namespace {

TEST(PathShapes, Classification) {
  // -1: the test does not apply to the shape (it raises an alert); the column is not checked.
  struct TCase {
    std::u16string Text;
    int InNt, Drive, IsDrive, Pc, Volume, Network;
    size_t Alerts;  // raised by IsPathInNt: an NT path whose first part is not Device
  };
  const TCase cases[] = {
      {u"C:\\dir\\file.txt", 0, 1, 0, 0, 0, 0, 0},
      {u"C:", 0, 1, 1, 0, 0, 0, 0},
      {u"C:\\", 0, 1, 1, 0, 0, 0, 0},
      {u"1:\\x", 0, 1, 0, 0, 0, 0, 0},
      {u"CC:\\x", 0, 0, 0, 0, 0, 0, 0},
      {u"C", 0, 0, 0, 0, 0, 0, 0},
      {u"", 0, 0, 0, 0, 0, 0, 0},
      {u"\\\\server\\share\\x", 0, 0, 0, 0, 0, 1, 0},
      {u"\\\\?", 0, 0, 0, 1, 0, 0, 0},
      {u"\\\\?\\", 0, 0, 0, 1, 0, 0, 0},
      {u"\\\\?\\Volume{6b29fc40-ca47-1067-b31d-00dd010662da}\\x", 0, 0, 0, 0, 1, 0, 0},
      {u"\\\\?\\vOLUME{6b29fc40}", 0, 0, 0, 0, 1, 0, 0},
      {u"\\\\?\\VolumeX{6b29fc40}", 0, 0, 0, 0, 0, 0, 0},
      {u"\\\\?\\C:\\x", 0, 0, 0, 0, 0, 0, 0},
      {u"\\\\.\\PhysicalDrive0", 0, 0, 0, 0, 0, 1, 0},
      {u"\\Device\\HarddiskVolume2\\x", 1, -1, -1, 0, -1, -1, 0},
      {u"\\device\\Mup\\server", 1, -1, -1, 0, -1, -1, 0},
      {u"\\Windows\\System32", 1, -1, -1, 0, -1, -1, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    const TPath path(c.Text);
    {
      TAlertCapture alerts;
      EXPECT_EQ(path.IsPathInNt(), c.InNt == 1);
      EXPECT_EQ(alerts.Count(), c.Alerts);
    }
    EXPECT_EQ(path.IsPathToPcItself(), c.Pc == 1);
    TAlertCapture alerts;
    if (c.Drive >= 0) {
      EXPECT_EQ(path.IsPathToDrive(), c.Drive == 1);
    }
    if (c.IsDrive >= 0) {
      EXPECT_EQ(path.IsDrive(), c.IsDrive == 1);
    }
    if (c.Volume >= 0) {
      EXPECT_EQ(path.IsPathToVolume(), c.Volume == 1);
    }
    if (c.Network >= 0) {
      EXPECT_EQ(path.IsPathToNetwork(), c.Network == 1);
    }
    EXPECT_EQ(alerts.Count(), 0u) << "no alert for a Win32 path";
  }
  // A Win32 test of an NT path alerts and still answers.
  TAlertCapture alerts;
  EXPECT_FALSE(TPath(u"\\Device\\HarddiskVolume2\\x").IsPathToDrive());
  EXPECT_EQ(alerts.Count(), 1u);
}

TEST(PathShapes, MupPathsLoseTheirRedirectorParts) {
  struct TCase {
    std::u16string Text, Clean;
  };
  const TCase cases[] = {
      {u"\\Device\\Mup\\;LanmanRedirector\\;Z:0000000000012345\\server\\share\\x",
       u"\\Device\\Mup\\server\\share\\x"},
      {u"\\Device\\Mup\\server\\share", u"\\Device\\Mup\\server\\share"},
      {u"\\Device\\Mup\\;only", u"\\Device\\Mup"},
      {u"\\Device\\HarddiskVolume2\\;x", u"\\Device\\HarddiskVolume2\\;x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    TPath clean;
    TPath(c.Text).NtPathClean(clean);
    EXPECT_EQ(clean.ToString(), c.Clean);
  }
  TAlertCapture alerts;
  TPath clean;
  TPath(u"\\Device\\Mup").NtPathClean(clean);
  EXPECT_EQ(clean.ToString(), u"\\Device\\Mup");
  EXPECT_EQ(alerts.Count(), 1u) << "a Mup path without a server";
}

TEST(PathShapes, SplitIntoFirstAndRemainder) {
  struct TCase {
    std::u16string Text, First, Remainder;
  };
  const TCase cases[] = {
      {u"C:\\a\\b", u"C:", u"a\\b"},
      {u"\\Device\\Mup\\x\\", u"Device", u"\\Mup\\x\\"},
      {u"C:", u"C:", u""},
      {u"", u"", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    std::u16string first = u"old";
    TPath remainder(u"old");
    TPath(c.Text).SplitIntoFirstAndRemainder(first, remainder);
    EXPECT_EQ(first, c.First);
    EXPECT_EQ(remainder.ToString(), c.Remainder);
  }
}

class PathDevicesTest : public testing::Test {
 protected:
  void SetUp() override {
    TSimFiles& files = FSim->Files();
    files.MapDrive(u'D', files.HostPath(u"C:\\").parent_path() / "D");
    files.DefineDosDevice(u"S:", u"\\??\\C:\\Work");
    files.DefineDosDevice(u"T:", u"\\??\\D:\\");
    files.AddVolume(u"Volume{00000000-0000-0000-0000-0000000000e1}", u"\\Device\\HarddiskVolume9");
  }
  // The volume GUID path of a drive, \\?\Volume{...}\ .
  std::u16string VolumeOf(std::u16string_view drive) {
    char16_t buffer[261] = {};
    EXPECT_TRUE(FSim->Files().GetVolumeNameForVolumeMountPointW(drive, buffer, 261));
    return buffer;
  }

  TPlatformScope<TSimPlatform> FSim;
};

TEST_F(PathDevicesTest, DeviceNamesAndDeviceParts) {
  const std::u16string volumeD = VolumeOf(u"D:\\");
  struct TCase {
    std::u16string Text;
    std::u16string DeviceName;
    std::u16string Device, OnDevice;
    size_t Alerts;
  };
  const TCase cases[] = {
      {u"C:\\Program Files\\Vardeno", u"\\Device\\HarddiskVolume2", u"C:",
       u"Program Files\\Vardeno", 0},
      {u"d:\\x\\", u"\\Device\\HarddiskVolume3", u"d:", u"x\\", 0},
      {u"S:\\notes.txt", u"\\??\\C:\\Work", u"S:", u"notes.txt", 0},
      {u"Q:\\x", u"", u"Q:", u"x", 0},
      {volumeD + u"x\\y", u"\\Device\\HarddiskVolume3", volumeD.substr(0, volumeD.size() - 1),
       u"\\x\\y", 0},
      {u"\\Device\\HarddiskVolume2\\x", u"", u"\\Device\\HarddiskVolume2", u"\\x", 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    const TPath path(c.Text);
    TAlertCapture alerts;
    EXPECT_EQ(path.QueryDeviceName(), c.DeviceName);
    TPath device, onDevice;
    path.PathToDevice(device);
    path.PathOnDevice(onDevice);
    EXPECT_EQ(device.ToString(), c.Device);
    EXPECT_EQ(onDevice.ToString(), c.OnDevice);
    EXPECT_EQ(alerts.Count(), c.Alerts) << "QueryDeviceName of an NT path is misuse";
  }
  // A network path's device has no DOS device name; a lone \\? has no device at all.
  TAlertCapture alerts;
  EXPECT_EQ(TPath(u"\\\\server\\share\\x").QueryDeviceName(), u"");
  EXPECT_EQ(alerts.Count(), 0u);
  EXPECT_EQ(TPath(u"\\\\?").QueryDeviceName(), u"");
  EXPECT_EQ(alerts.Count(), 1u);
}

TEST_F(PathDevicesTest, NtPathsOfWin32Paths) {
  const std::u16string volumeD = VolumeOf(u"D:\\");
  struct TCase {
    std::u16string Text, Nt;
  };
  const TCase cases[] = {
      {u"C:\\Program Files\\Vardeno\\core.exe",
       u"\\Device\\HarddiskVolume2\\Program Files\\Vardeno\\core.exe"},
      {u"c:\\x\\", u"\\Device\\HarddiskVolume2\\x\\"},
      {u"C:\\", u"\\Device\\HarddiskVolume2\\"},
      {u"D:\\data", u"\\Device\\HarddiskVolume3\\data"},
      {u"S:\\sub\\notes.txt", u"\\Device\\HarddiskVolume2\\Work\\sub\\notes.txt"},
      {u"T:\\data", u"\\Device\\HarddiskVolume3\\data"},
      {volumeD + u"data\\x", u"\\Device\\HarddiskVolume3\\data\\x"},
      {u"Q:\\x", u""},
      {u"\\\\server\\share\\x", u""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    TPath nt(u"old");
    TPath(c.Text).NtPath(nt);
    EXPECT_EQ(nt.ToString(), c.Nt);
  }
  TAlertCapture alerts;
  TPath nt(u"old");
  TPath(u"\\Device\\HarddiskVolume2\\x").NtPath(nt);
  EXPECT_EQ(nt.ToString(), u"");
  EXPECT_EQ(alerts.Count(), 1u);
}

TEST_F(PathDevicesTest, DeviceNamesBackToVolumes) {
  std::vector<std::u16string> volumes = {u"stale"};
  VolumeNamesList(volumes);
  ASSERT_EQ(volumes.size(), 3u);
  EXPECT_EQ(volumes[0], VolumeOf(u"C:\\"));
  EXPECT_EQ(volumes[1], VolumeOf(u"D:\\"));
  EXPECT_EQ(volumes[2], u"\\\\?\\Volume{00000000-0000-0000-0000-0000000000e1}\\");

  struct TCase {
    std::u16string Device, Volume;
  };
  const TCase cases[] = {
      {u"\\Device\\HarddiskVolume2", volumes[0]},  {u"\\device\\harddiskvolume3\\", volumes[1]},
      {u"\\Device\\HarddiskVolume9", volumes[2]},  {u"\\Device\\HarddiskVolume7", u"given"},
      {u"\\Device\\HarddiskVolume2\\x", u"given"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Device));
    TPath volume(u"given");
    TPath(c.Device).NtDeviceNameToVolumePath(volume);
    EXPECT_EQ(volume.ToString(), c.Volume);
  }
}

#ifdef _WIN32
std::string Utf8(const TPath& path) { return TextToUtf8(path.ToString()); }

// The real machine (Wine here): the NT path of the test executable's folder and the way back
// from C:'s device to its volume.
TEST(PathDevicesWin32, TheRealMachine) {
  ASSERT_EQ(Platform().Name(), u"Win32");
  const TPath exe(Platform().Process().GetModuleFileNameW(nullptr));
  ASSERT_TRUE(exe.IsPathToDrive());
  TPath nt;
  exe.NtPath(nt);
  const TPath device(TPath(exe.First()).QueryDeviceName());
  ASSERT_GE(device.Count(), 2) << Utf8(device);
  EXPECT_TRUE(device.IsAnyParentOf(nt)) << Utf8(nt);
  EXPECT_EQ(nt.Count(), device.Count() + exe.Count() - 1) << Utf8(nt);
  EXPECT_TRUE(PathNamesEqual(nt.LastGet(), exe.LastGet()));

  std::vector<std::u16string> volumes;
  VolumeNamesList(volumes);
  TPath volume;
  device.NtDeviceNameToVolumePath(volume);
  if (!volumes.empty()) {
    EXPECT_TRUE(volume.IsPathToVolume()) << Utf8(volume);
    EXPECT_EQ(volume.QueryDeviceName(), device.ToString());
  }
}
#endif

}  // namespace
