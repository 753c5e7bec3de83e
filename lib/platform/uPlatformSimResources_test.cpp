// The Sim's executable resources (added in memory, or appended to a host file as a resource
// table) and its message queue.
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "lib/platform/uPlatformSim.h"
#include "lib/platform/uResourceTable.h"
#include "lib/testing/uTestSupport.h"
#include "lib/values/uMiscLean.h"

namespace {

using namespace win;

// The bytes of a resource through the four calls; nothing when it is not found.
std::optional<std::vector<uint8_t>> ResourceBytes(std::u16string_view name,
                                                  uint16_t type = RT_RCDATA) {
  TPlatformResources& resources = Platform().Resources();
  HRSRC found = resources.FindResourceW(nullptr, name, type);
  if (found == nullptr) return std::nullopt;
  HGLOBAL loaded = resources.LoadResource(nullptr, found);
  EXPECT_NE(loaded, nullptr);
  const auto* bytes = static_cast<const uint8_t*>(resources.LockResource(loaded));
  EXPECT_NE(bytes, nullptr);
  const DWORD size = resources.SizeofResource(nullptr, found);
  return std::vector<uint8_t>(bytes, bytes + size);
}

class SimExecutableResources : public testing::Test {
 protected:
  void SetUp() override {
    FFolder =
        std::filesystem::temp_directory_path() /
        ("vardeno-resources-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(FFolder);
  }
  void TearDown() override { std::filesystem::remove_all(FFolder); }

  std::filesystem::path WriteHostFile(const char* name, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path path = FFolder / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  TPlatformScope<TSimPlatform> FSim;
  std::filesystem::path FFolder;
};

TEST_F(SimExecutableResources, FindsAddedResourcesByNameWithoutCase) {
  const std::vector<uint8_t> script = {'a', '\r', '\n'};
  FSim->Resources().AddResource(u"INSTALLSCRIPT", script);
  FSim->Resources().AddResource(u"F0", {});
  FSim->Resources().AddResource(u"F1", {9}, 3);  // another type
  struct TCase {
    std::u16string Name;
    uint16_t Type;
    std::optional<std::vector<uint8_t>> Bytes;
    DWORD Error;
  };
  const TCase cases[] = {
      {u"INSTALLSCRIPT", RT_RCDATA, script, 0},
      {u"installScript", RT_RCDATA, script, 0},
      {u"F0", RT_RCDATA, std::vector<uint8_t>{}, 0},
      {u"F1", 3, std::vector<uint8_t>{9}, 0},
      {u"F1", RT_RCDATA, std::nullopt, ERROR_RESOURCE_NAME_NOT_FOUND},
      {u"F0", 4, std::nullopt, ERROR_RESOURCE_TYPE_NOT_FOUND},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Name) + " type " + std::to_string(c.Type));
    FSim->SetLastError(0);
    EXPECT_EQ(ResourceBytes(c.Name, c.Type), c.Bytes);
    if (!c.Bytes) {
      EXPECT_EQ(FSim->GetLastError(), c.Error);
    }
  }
  // Only the running executable has resources.
  int other = 0;
  EXPECT_EQ(FSim->Resources().FindResourceW(&other, u"F0", RT_RCDATA), nullptr);
}

TEST_F(SimExecutableResources, HandlesStayValidWhenAResourceIsReplacedOrRemoved) {
  FSim->Resources().AddResource(u"F0", {1, 2, 3});
  TSimResources& resources = FSim->Resources();
  HRSRC first = resources.FindResourceW(nullptr, u"F0", RT_RCDATA);
  const void* bytes = resources.LockResource(resources.LoadResource(nullptr, first));
  resources.AddResource(u"F0", {4});
  EXPECT_EQ(ResourceBytes(u"F0"), std::vector<uint8_t>{4});
  resources.RemoveResource(u"F0");
  EXPECT_EQ(ResourceBytes(u"F0"), std::nullopt);
  ASSERT_EQ(resources.SizeofResource(nullptr, first), 3u);
  EXPECT_EQ(std::memcmp(bytes, "\1\2\3", 3), 0);
  int notAResource = 0;
  EXPECT_EQ(resources.LoadResource(nullptr, &notAResource), nullptr);
  EXPECT_EQ(resources.SizeofResource(nullptr, &notAResource), 0u);
}

TEST_F(SimExecutableResources, ReadsTheTableAppendedToTheExecutable) {
  TResourceTable table;
  const std::vector<uint8_t> payload = TestMixedBytes(70000, 11);
  table.Add("F0", payload);
  table.Add("INSTALLSCRIPT", {'x'});
  std::vector<uint8_t> file = TestMixedBytes(4096, 5);
  const std::vector<uint8_t> tableBytes = table.Bytes();
  file.insert(file.end(), tableBytes.begin(), tableBytes.end());
  FSim->Resources().SetExecutableFile(WriteHostFile("setup", file));
  EXPECT_EQ(ResourceBytes(u"F0"), payload);
  // Resources added in memory come before the table's.
  FSim->Resources().AddResource(u"INSTALLSCRIPT", {'y'});
  EXPECT_EQ(ResourceBytes(u"INSTALLSCRIPT"), std::vector<uint8_t>{'y'});
  EXPECT_EQ(ResourceBytes(u"F1"), std::nullopt);

  // A damaged table holds no resources; neither does a file without one.
  file[file.size() - 30] ^= 0xFF;  // the last entry's size
  FSim->Resources().SetExecutableFile(WriteHostFile("damaged", file));
  EXPECT_EQ(ResourceBytes(u"F0"), std::nullopt);
  FSim->Resources().SetExecutableFile(WriteHostFile("plain", TestMixedBytes(100, 1)));
  EXPECT_EQ(ResourceBytes(u"F0"), std::nullopt);
  FSim->Resources().SetExecutableFile({});
  EXPECT_EQ(ResourceBytes(u"F0"), std::nullopt);
}

TEST_F(SimExecutableResources, OnePassOfTheMessageLoopDispatchesWhatWaits) {
  EXPECT_TRUE(PlatformProcessMessages());
  EXPECT_EQ(FSim->User().MessageLoopPasses(), 1u);
  for (uint32_t number : {WM_USER, WM_USER + 1, WM_QUIT, WM_USER + 2}) {
    MSG message;
    message.message = number;
    FSim->User().PostMessage(message);
  }
  EXPECT_FALSE(PlatformProcessMessages());  // stops at WM_QUIT
  EXPECT_TRUE(PlatformProcessMessages());
  std::vector<uint32_t> dispatched;
  for (const MSG& message : FSim->User().Dispatched()) dispatched.push_back(message.message);
  EXPECT_EQ(dispatched, (std::vector<uint32_t>{WM_USER, WM_USER + 1, WM_USER + 2}));
  EXPECT_EQ(FSim->User().MessageLoopPasses(), 2u);
}

}  // namespace
