// The installer form against an executable that carries the packed sample payload as its own
// resources (PE resources on Windows, the appended resource table elsewhere): every file comes
// out byte for byte as it went in.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>

#include "installer/uMain.h"
#include "lib/platform/uPlatform.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/values/uFileStream.h"
#include "lib/values/uMiscLean.h"
#include "lib/values/uResourceStream.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSample = VARDENO_SAMPLE_DIR;

std::vector<uint8_t> HostFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path.string();
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A file's bytes read through the platform layer.
std::vector<uint8_t> PlatformFileBytes(const std::u16string& path) {
  TFileStream file(path, TFileStream::TMode::OpenRead);
  std::vector<uint8_t> bytes(static_cast<size_t>(file.Size()));
  if (!bytes.empty()) file.Read(bytes.data(), static_cast<int32_t>(bytes.size()));
  return bytes;
}

std::u16string ResourceName(int index) { return u"F" + TextFromUtf8(std::to_string(index)); }

// The folder to extract into: a fresh temporary folder on Windows; on the Sim, its drive C:.
std::u16string ExtractionFolder() {
#ifdef _WIN32
  const fs::path folder = fs::temp_directory_path() / "vardeno-payload-test";
  fs::remove_all(folder);
  return folder.u16string();
#else
  // The installer writes there as an elevated administrator.
  if (auto* sim = dynamic_cast<TSimPlatform*>(&Platform())) sim->Machine().SetElevated(true);
  return u"C:\\Program Files\\Vardeno";
#endif
}

TEST(SamplePayload, ResourcesReadBackByteForByte) {
  EXPECT_EQ(std::vector<uint8_t>(TResourceStream(u"INSTALLSCRIPT").Bytes().begin(),
                                 TResourceStream(u"INSTALLSCRIPT").Bytes().end()),
            HostFileBytes(kSample / "sample" / "install.txt"));
  for (int i = 0; i < 37; ++i) {
    SCOPED_TRACE(i);
    const TResourceStream resource(ResourceName(i));
    EXPECT_EQ(std::vector<uint8_t>(resource.Bytes().begin(), resource.Bytes().end()),
              HostFileBytes(kSample / "packed" / ("F" + std::to_string(i) + ".lzma")));
  }
  // One resource per entry and no more; a missing name is reported as Windows reports it.
  EXPECT_THROW(TResourceStream(u"F37"), EResNotFound);
  EXPECT_EQ(Platform().Resources().FindResourceW(nullptr, u"F37", win::RT_RCDATA), nullptr);
  EXPECT_EQ(Platform().GetLastError(), win::ERROR_RESOURCE_NAME_NOT_FOUND);
}

TEST(SamplePayload, ExtractsEveryFileExactly) {
  TForm1 form;
  form.LoadInstallScript();
  ASSERT_EQ(form.FilesList.Count(), 37);
  const std::u16string folder = ExtractionFolder();
  ASSERT_TRUE(form.ExtractPayload(folder));
  for (int i = 0; i < form.FilesList.Count(); ++i) {
    const std::u16string entry = VariantAsText(form.FilesList.GetValueByIndex(i));
    SCOPED_TRACE(TextToUtf8(entry));
    std::string hostRelative = TextToUtf8(entry);
    for (char& c : hostRelative) c = c == '\\' ? '/' : c;
    EXPECT_TRUE(PlatformFileBytes(folder + u"\\" + entry) ==
                HostFileBytes(kSample / "sample" / "payload" / hostRelative));
  }
#ifdef _WIN32
  fs::remove_all(fs::path(folder));
#endif
}

}  // namespace
