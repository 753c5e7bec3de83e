// The Sim's PE reader and writer: the version of images it wrote, malformed images refused
// without reading outside them, and (on Windows) agreement with Windows' own version reader.
#include "lib/platform/uPlatformSimPe.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"
#include "lib/values/uMiscLean.h"

#ifdef _WIN32
#include "lib/platform/uPlatformWin32.h"
#endif

namespace {

using namespace win;

// The file version in a version block, as major.minor.release.build.
std::string FileVersionOf(const std::vector<uint8_t>& block) {
  const std::optional<size_t> fixed = SimVersionFixedInfoOffset(block);
  if (!fixed) return "none";
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, block.data() + *fixed, sizeof(info));
  return std::to_string(info.dwFileVersionMS >> 16) + "." +
         std::to_string(info.dwFileVersionMS & 0xFFFF) + "." +
         std::to_string(info.dwFileVersionLS >> 16) + "." +
         std::to_string(info.dwFileVersionLS & 0xFFFF);
}

std::vector<uint8_t> VersionedImage(bool pe32Plus) {
  TSimPeImage image;
  image.Pe32Plus = pe32Plus;
  image.FileVersion = TSimFileVersion{4, 1, 807, 907};
  image.ProductVersion = {4, 1, 0, 0};
  return SimPeImageBuild(image);
}

void Poke32(std::vector<uint8_t>& image, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) image[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(SimPe, ReadsTheVersionOfImagesItWrites) {
  for (bool pe32Plus : {false, true}) {
    SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
    std::vector<uint8_t> block;
    ASSERT_EQ(SimPeVersionBlock(VersionedImage(pe32Plus), block), ERROR_SUCCESS);
    EXPECT_EQ(FileVersionOf(block), "4.1.807.907");

    // No version resource: the resource section holds another type.
    const std::vector<uint8_t> plain = SimPeImageBuild(TSimPeImage{pe32Plus, std::nullopt, {}});
    EXPECT_EQ(SimPeVersionBlock(plain, block), ERROR_RESOURCE_TYPE_NOT_FOUND);
  }
}

TEST(SimPe, RefusesMalformedImages) {
  // Offsets in the writer's PE32 layout: e_lfanew 0x3C, PE header 0x40, optional header 0x58,
  // resource directory entry 0xC8, section header 0x138, resource tree at file offset 0x200.
  struct TCase {
    const char* Title;
    size_t Offset;
    uint32_t Value;
    DWORD Error;
  };
  const TCase cases[] = {
      {"not MZ", 0x00, 0x00905A4E, ERROR_BAD_EXE_FORMAT},
      {"PE header beyond the file", 0x3C, 0x7FFFFFF0, ERROR_BAD_EXE_FORMAT},
      {"PE header at the last bytes", 0x3C, 0xFFFFFFFE, ERROR_BAD_EXE_FORMAT},
      {"no PE signature", 0x40, 0x00004551, ERROR_BAD_EXE_FORMAT},
      {"unknown optional header", 0x58, 0x0000010C, ERROR_BAD_EXE_FORMAT},
      {"no resource directory", 0xC8, 0, ERROR_RESOURCE_DATA_NOT_FOUND},
      {"resources outside every section", 0xC8, 0x9000, ERROR_BAD_EXE_FORMAT},
      {"section data beyond the file", 0x138 + 20, 0x7FFFFF00, ERROR_BAD_EXE_FORMAT},
      {"huge entry count", 0x200 + 12, 0xFFFF0000, ERROR_BAD_EXE_FORMAT},
      {"type entry is no directory", 0x200 + 20, 24, ERROR_BAD_EXE_FORMAT},
      {"subdirectory outside the tree", 0x200 + 20, 0xFFFFFFF0, ERROR_BAD_EXE_FORMAT},
      {"subdirectory pointing at itself", 0x200 + 44, 0x80000018, ERROR_BAD_EXE_FORMAT},
      {"no name 1", 0x200 + 40, 2, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"data entry outside the tree", 0x200 + 68, 0x7FFFFFF0, ERROR_BAD_EXE_FORMAT},
      {"data outside the section", 0x200 + 72, 0x1FF0, ERROR_BAD_EXE_FORMAT},
      {"data size beyond the section", 0x200 + 76, 0x10000000, ERROR_BAD_EXE_FORMAT},
      {"block longer than its data", 0x200 + 88, 0x0034FFFF, ERROR_BAD_EXE_FORMAT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    std::vector<uint8_t> image = VersionedImage(false);
    Poke32(image, c.Offset, c.Value);
    std::vector<uint8_t> block;
    EXPECT_EQ(SimPeVersionBlock(image, block), c.Error);
  }

  // A block without the fixed part's signature is read, but has no fixed part.
  std::vector<uint8_t> image = VersionedImage(false);
  Poke32(image, 0x200 + 88 + 40, 0x12345678);
  std::vector<uint8_t> block;
  ASSERT_EQ(SimPeVersionBlock(image, block), ERROR_SUCCESS);
  EXPECT_EQ(FileVersionOf(block), "none");
}

TEST(SimPe, TruncatedOrDamagedImagesNeverReadOutside) {
  // Every cut of the image is refused (sanitizers catch a read past the end).
  const std::vector<uint8_t> whole = VersionedImage(true);
  std::vector<uint8_t> block;
  for (size_t size = 0; size < whole.size(); ++size) {
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<ptrdiff_t>(size));
    const DWORD error = SimPeVersionBlock(cut, block);
    // The section's padding after the version block is not needed.
    if (size < 0x200 + 88 + 92) {
      EXPECT_NE(error, ERROR_SUCCESS) << size;
    }
  }
  // Random damage to the headers and the tree either still finds a block or refuses cleanly.
  const uint64_t seed = 0x5EED0001;
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  TTestRandom random(seed);
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> damaged = whole;
    const int flips = 1 + static_cast<int>(random.Below(4));
    for (int i = 0; i < flips; ++i) {
      damaged[random.Below(0x200 + 180)] = static_cast<uint8_t>(random.Next());
    }
    if (SimPeVersionBlock(damaged, block) == ERROR_SUCCESS) {
      EXPECT_LE(block.size(), damaged.size());
      SimVersionFixedInfoOffset(block);
    }
  }
}

TEST(SimResources, VersionOfFilesOnTheSimMachine) {
  TSimPlatform sim;
  TSimResources& resources = sim.Resources();
  sim.Files().MakeFile(u"C:\\App\\core.exe", VersionedImage(false));
  sim.Files().MakeFile(u"C:\\App\\plain.dll", SimPeImageBuild({}));
  sim.Files().MakeFile(u"C:\\App\\readme.txt", {'h', 'i'});

  const DWORD size = resources.GetFileVersionInfoSizeW(u"c:\\app\\CORE.exe");
  ASSERT_GT(size, 0u);
  std::vector<uint8_t> block(size);
  EXPECT_FALSE(resources.GetFileVersionInfoW(u"C:\\App\\core.exe", size - 1, block.data()));
  EXPECT_EQ(sim.GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  ASSERT_TRUE(resources.GetFileVersionInfoW(u"C:\\App\\core.exe", size, block.data()));
  void* value = nullptr;
  DWORD length = 0;
  EXPECT_FALSE(resources.VerQueryValueW(block.data(), u"\\StringFileInfo", &value, &length));
  ASSERT_TRUE(resources.VerQueryValueW(block.data(), u"\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO info;
  std::memcpy(&info, value, sizeof(info));
  EXPECT_EQ(info.dwFileVersionMS, (4u << 16) | 1u);
  EXPECT_EQ(info.dwFileVersionLS, (807u << 16) | 907u);

  struct TCase {
    std::u16string Name;
    DWORD Error;
  };
  const TCase failing[] = {
      {u"C:\\App\\plain.dll", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {u"C:\\App\\readme.txt", ERROR_BAD_EXE_FORMAT},
      {u"C:\\App\\missing.exe", ERROR_FILE_NOT_FOUND},
      {u"C:\\App", ERROR_ACCESS_DENIED},
  };
  for (const auto& c : failing) {
    SCOPED_TRACE(TextToUtf8(c.Name));
    EXPECT_EQ(resources.GetFileVersionInfoSizeW(c.Name), 0u);
    EXPECT_EQ(sim.GetLastError(), c.Error);
  }
  // A file held open without read sharing cannot be read.
  HANDLE held = sim.Files().CreateFileW(u"C:\\App\\core.exe", GENERIC_WRITE, 0, OPEN_EXISTING, 0);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  EXPECT_EQ(resources.GetFileVersionInfoSizeW(u"C:\\App\\core.exe"), 0u);
  EXPECT_EQ(sim.GetLastError(), ERROR_SHARING_VIOLATION);
  sim.Files().CloseHandle(held);
  EXPECT_EQ(sim.Files().OpenHandleCount(), 0u);
}

#ifdef _WIN32
std::vector<uint8_t> ReadWholeFile(const std::u16string& path) {
  std::ifstream in(TextToUtf8(path), std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Windows' version reader on an image the Sim wrote: the same numbers.
TEST(Win32Resources, WindowsReadsTheVersionOfWrittenImages) {
  TWin32Platform win32;
  std::u16string folder = win32.Process().GetModuleFileNameW(nullptr);
  folder.resize(folder.find_last_of(u'\\') + 1);
  for (bool pe32Plus : {false, true}) {
    SCOPED_TRACE(pe32Plus ? "PE32+" : "PE32");
    const std::u16string name = folder + (pe32Plus ? u"sim-pe-64.dll" : u"sim-pe-32.dll");
    const std::vector<uint8_t> image = VersionedImage(pe32Plus);
    {
      std::ofstream out(TextToUtf8(name), std::ios::binary | std::ios::trunc);
      out.write(reinterpret_cast<const char*>(image.data()),
                static_cast<std::streamsize>(image.size()));
    }
    const DWORD size = win32.Resources().GetFileVersionInfoSizeW(name);
    ASSERT_GT(size, 0u) << win32.GetLastError();
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(win32.Resources().GetFileVersionInfoW(name, size, block.data()));
    void* value = nullptr;
    DWORD length = 0;
    ASSERT_TRUE(win32.Resources().VerQueryValueW(block.data(), u"\\", &value, &length));
    VS_FIXEDFILEINFO info;
    std::memcpy(&info, value, sizeof(info));
    EXPECT_EQ(info.dwFileVersionMS, (4u << 16) | 1u);
    EXPECT_EQ(info.dwFileVersionLS, (807u << 16) | 907u);
    win32.Files().DeleteFileW(name);
  }
}

// The Sim's reader on real system files: the same fixed part as Windows reads.
TEST(Win32Resources, SimReaderAgreesWithWindowsOnSystemFiles) {
  TWin32Platform win32;
  char16_t system[261] = {};
  const DWORD length = win32.Files().GetSystemDirectoryW(system, 260);
  ASSERT_GT(length, 0u);
  int compared = 0;
  for (std::u16string_view name : {u"shell32.dll", u"kernel32.dll", u"ntdll.dll", u"version.dll"}) {
    const std::u16string path = std::u16string(system, length) + u"\\" + std::u16string(name);
    SCOPED_TRACE(TextToUtf8(path));
    const DWORD size = win32.Resources().GetFileVersionInfoSizeW(path);
    std::vector<uint8_t> simBlock;
    const DWORD simError = SimPeVersionBlock(ReadWholeFile(path), simBlock);
    if (size == 0) {
      EXPECT_NE(simError, ERROR_SUCCESS);
      continue;
    }
    std::vector<uint8_t> block(size);
    ASSERT_TRUE(win32.Resources().GetFileVersionInfoW(path, size, block.data()));
    void* value = nullptr;
    DWORD valueLength = 0;
    ASSERT_TRUE(win32.Resources().VerQueryValueW(block.data(), u"\\", &value, &valueLength));
    ASSERT_EQ(simError, ERROR_SUCCESS);
    const std::optional<size_t> fixed = SimVersionFixedInfoOffset(simBlock);
    ASSERT_TRUE(fixed.has_value());
    EXPECT_EQ(std::memcmp(simBlock.data() + *fixed, value, sizeof(VS_FIXEDFILEINFO)), 0);
    ++compared;
  }
  EXPECT_GT(compared, 0);
}
#endif

}  // namespace
