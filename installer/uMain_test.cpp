// The installer form's install script and payload extraction, against a Sim whose executable
// carries the resources in memory.
#include "installer/uMain.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <optional>
#include <set>

#include "compress/LZMATestContainers.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"
#include "lib/values/uFileStream.h"
#include "lib/values/uMiscLean.h"
#include "lib/values/uResourceStream.h"

namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// UTF-16 bytes of a text, little or big endian, after the matching byte-order mark.
std::vector<uint8_t> Utf16Bytes(std::u16string_view text, bool bigEndian) {
  std::vector<uint8_t> bytes =
      bigEndian ? std::vector<uint8_t>{0xFE, 0xFF} : std::vector<uint8_t>{0xFF, 0xFE};
  for (char16_t c : text) {
    const uint8_t low = static_cast<uint8_t>(c), high = static_cast<uint8_t>(c >> 8);
    bytes.push_back(bigEndian ? high : low);
    bytes.push_back(bigEndian ? low : high);
  }
  return bytes;
}

std::vector<std::u16string> Entries(const TForm1& form) {
  std::vector<std::u16string> entries;
  for (int i = 0; i < form.FilesList.Count(); ++i) {
    entries.push_back(VariantAsText(form.FilesList.GetValueByIndex(i)));
  }
  return entries;
}

class InstallScript : public testing::Test {
 protected:
  TPlatformScope<TSimPlatform> FSim;
};

TEST_F(InstallScript, LinesBecomeEntriesByTheLoaderRules) {
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Script;
    std::vector<std::u16string> Entries;
  };
  const std::vector<std::u16string> shipped = {u"Lumarc.exe", u" //Pivra.exe",
                                               u"UI\\Icons\\a b.ico", u"last"};
  const TCase cases[] = {
      {"ANSI, CR LF, comments and empty lines",
       Bytes("// Programs\r\nLumarc.exe\r\n\r\n //Pivra.exe\r\n//retired.exe\r\n"
             "UI\\Icons\\a b.ico\r\n//\r\nlast"),
       shipped},
      {"ANSI, LF and CR", Bytes("Lumarc.exe\n //Pivra.exe\r\rUI\\Icons\\a b.ico\n//x\nlast\n"),
       shipped},
      {"UTF-8 with a byte-order mark",
       Bytes("\xEF\xBB\xBF//x\r\nLumarc.exe\n //Pivra.exe\rUI\\Icons\\a b.ico\r\nlast\r\n"),
       shipped},
      {"UTF-16 LE",
       Utf16Bytes(u"Lumarc.exe\r\n //Pivra.exe\r\n\r\nUI\\Icons\\a b.ico\nlast", false), shipped},
      {"UTF-16 BE", Utf16Bytes(u"//\rLumarc.exe\r //Pivra.exe\rUI\\Icons\\a b.ico\rlast\r", true),
       shipped},
      {"ANSI is Windows-1252, nothing is trimmed",
       Bytes("Caf\xE9\\\x80.txt \r\n\t//tab\r\n/single\r\n"),
       {u"Caf\u00E9\\\u20AC.txt ", u"\t//tab", u"/single"}},
      {"only comments and empty lines", Bytes("//a\r\n\r\n//b\r\n"), {}},
      {"empty", {}, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    FSim->Resources().AddResource(u"INSTALLSCRIPT", c.Script);
    TForm1 form;
    form.LoadInstallScript();
    EXPECT_EQ(Entries(form), c.Entries);
  }
}

TEST_F(InstallScript, AppendsToTheListAndRaisesWithoutAScript) {
  TForm1 form;
  EXPECT_THROW(form.LoadInstallScript(), EResNotFound);
  FSim->Resources().AddResource(u"INSTALLSCRIPT", Bytes("a\r\nb"));
  form.LoadInstallScript();
  form.LoadInstallScript();
  EXPECT_EQ(Entries(form), (std::vector<std::u16string>{u"a", u"b", u"a", u"b"}));
}

// The bytes of entry i of a payload, in one of two versions; entry 2 is an empty file.
std::vector<uint8_t> Content(size_t index, uint64_t version) {
  if (index == 2) return {};
  return TestMixedBytes(100 + index * 977 + version * 13, index * 31 + version);
}

std::u16string ResourceName(size_t index) { return u"F" + TextFromUtf8(std::to_string(index)); }

// Makes the Sim's executable carry a script of the entries and one container per entry; the
// given indexes get no resource or a damaged one.
void Carry(TSimPlatform& sim, const std::vector<std::u16string>& entries, uint64_t version,
           const std::set<size_t>& missing = {}, const std::set<size_t>& corrupt = {}) {
  std::u16string script = u"// Vardeno\r\n";
  for (const std::u16string& entry : entries) script += entry + u"\r\n";
  sim.Resources().AddResource(u"INSTALLSCRIPT", Utf16Bytes(script, false));
  for (size_t i = 0; i < entries.size(); ++i) {
    if (missing.count(i) != 0) {
      sim.Resources().RemoveResource(ResourceName(i));
      continue;
    }
    std::vector<uint8_t> container = TestContainer(Content(i, version));
    if (corrupt.count(i) != 0) container.resize(container.size() / 2);
    sim.Resources().AddResource(ResourceName(i), container);
  }
}

// The file's bytes on the Sim's disk; nothing when it is not there.
std::optional<std::vector<uint8_t>> FileBytes(TSimPlatform& sim, std::u16string_view path) {
  const std::filesystem::path host = sim.Files().HostPath(path);
  if (host.empty() || !std::filesystem::is_regular_file(host)) return std::nullopt;
  std::ifstream in(host, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Every file of the Sim's drive C:, as host paths.
std::set<std::filesystem::path> FilesOnC(TSimPlatform& sim) {
  std::set<std::filesystem::path> files;
  for (const auto& item :
       std::filesystem::recursive_directory_iterator(sim.Files().HostPath(u"C:\\"))) {
    if (item.is_regular_file()) files.insert(item.path());
  }
  return files;
}

const std::u16string kFolder = u"C:\\Program Files\\Vardeno";

TEST(PayloadExtraction, WritesEveryEntryOrFailsOnlyTheOnesThatCannotBe) {
  const std::vector<std::u16string> safe = {u"Lumarc.exe", u"UI\\Icons\\ShellEx\\lock.ico",
                                            u"SSL\\OpenSSL DLLs\\libeay32.dll", u"UiEngine.cmp",
                                            u"Drivers\\Lumarc\\x64\\Lumarc.sys"};
  struct TCase {
    const char* Name;
    std::vector<std::u16string> Entries;
    std::set<size_t> Missing, Corrupt;
    std::set<size_t> Failing;  // entries not written
  };
  const TCase cases[] = {
      {"every entry, into folders that do not exist yet", safe, {}, {}, {}},
      {"resource F3 missing", safe, {3}, {}, {3}},
      {"a corrupt container", safe, {}, {1}, {1}},
      {"entries that would leave the folder",
       {u"Lumarc.exe", u"..\\Vardeno.dll", u"UI\\..\\..\\x.dll", u"C:\\Windows\\x.dll",
        u"\\Windows\\x.dll", u"\\\\server\\share\\x.dll", u"\\\\?\\C:\\x.dll", u"UI\\.\\x.dll",
        u"C:x.dll", u"UiEngine.cmp"},
       {},
       {},
       {1, 2, 3, 4, 5, 6, 7, 8}},
      // Written through the long-path prefix, an empty part or a "/" would be an invalid name;
      // Windows does not collapse them to "UI\x.dll" there.
      {"entries that name no Windows file",
       {u"Lumarc.exe", u"UI\\\\x.dll", u"UI\\", u"UI\\Icons\\\\y.ico", u"UI/x.dll",
        u"a?.dll", u"UiEngine.cmp"},
       {},
       {},
       {1, 2, 3, 4, 5}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TPlatformScope<TSimPlatform> sim;
    sim->Machine().SetElevated(true);
    Carry(*sim, c.Entries, 1, c.Missing, c.Corrupt);
    const std::set<std::filesystem::path> before = FilesOnC(*sim);
    TForm1 form;
    form.LoadInstallScript();
    ASSERT_EQ(form.FilesList.Count(), static_cast<int>(c.Entries.size()));
    EXPECT_EQ(form.ExtractPayload(kFolder), c.Failing.empty());

    std::set<std::filesystem::path> expectedNew;
    for (size_t i = 0; i < c.Entries.size(); ++i) {
      if (c.Failing.count(i) != 0) continue;
      SCOPED_TRACE(TextToUtf8(c.Entries[i]));
      EXPECT_EQ(FileBytes(*sim, kFolder + u"\\" + c.Entries[i]), Content(i, 1));
      expectedNew.insert(sim->Files().HostPath(kFolder + u"\\" + c.Entries[i]));
    }
    // A failed entry leaves nothing behind (a corrupt one at most its own partial file), and
    // nothing is written anywhere else.
    std::set<std::filesystem::path> added;
    for (const auto& file : FilesOnC(*sim)) {
      if (before.count(file) == 0) added.insert(file);
    }
    for (size_t i : c.Corrupt) {
      SCOPED_TRACE("corrupt " + TextToUtf8(c.Entries[i]));
      const std::optional<std::vector<uint8_t>> partial = FileBytes(*sim, kFolder + u"\\" + c.Entries[i]);
      if (!partial) continue;
      // What a damaged container leaves is a strict beginning of the file, never the whole.
      const std::vector<uint8_t> whole = Content(i, 1);
      EXPECT_LT(partial->size(), whole.size());
      EXPECT_TRUE(std::equal(partial->begin(), partial->end(), whole.begin()));
      added.erase(sim->Files().HostPath(kFolder + u"\\" + c.Entries[i]));
    }
    EXPECT_EQ(added, expectedNew);

    // Each entry's resource is asked for once, in order; unsafe entries are refused before.
    std::vector<std::u16string> lookups = {u"INSTALLSCRIPT"};
    for (size_t i = 0; i < c.Entries.size(); ++i) {
      if (c.Failing.count(i) == 0 || c.Missing.count(i) != 0 || c.Corrupt.count(i) != 0) {
        lookups.push_back(ResourceName(i));
      }
    }
    EXPECT_EQ(sim->Resources().Lookups(), lookups);
    // One pass of the message loop after every entry written.
    EXPECT_EQ(sim->User().MessageLoopPasses(), c.Entries.size() - c.Failing.size());
  }
}

TEST(PayloadExtraction, ReplacesEarlierFilesAndFailsOnAReadOnlyOne) {
  TPlatformScope<TSimPlatform> sim;
  sim->Machine().SetElevated(true);
  const std::vector<std::u16string> entries = {u"Lumarc.exe", u"UI\\ShellEx.xml", u"Pivra.exe"};
  Carry(*sim, entries, 2);
  TForm1 form;
  form.LoadInstallScript();
  ASSERT_TRUE(form.ExtractPayload(kFolder));
  // A new version whose files are shorter than the earlier ones: every file is rewritten whole.
  Carry(*sim, entries, 1);
  ASSERT_TRUE(form.ExtractPayload(kFolder));
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(FileBytes(*sim, kFolder + u"\\" + entries[i]), Content(i, 1));
  }
  ASSERT_TRUE(sim->Files().SetFileAttributesW(kFolder + u"\\UI\\ShellEx.xml",
                                              win::FILE_ATTRIBUTE_READONLY));
  Carry(*sim, entries, 2);
  EXPECT_FALSE(form.ExtractPayload(kFolder));
  EXPECT_EQ(FileBytes(*sim, kFolder + u"\\UI\\ShellEx.xml"), Content(1, 1));
  EXPECT_EQ(FileBytes(*sim, kFolder + u"\\Lumarc.exe"), Content(0, 2));
}

// What the machine lets a process write decides the outcome: an elevated administrator fills
// Program Files; a standard user at medium integrity writes nothing there; with virtualization
// on, a 32-bit standard user's data files go to its VirtualStore and its programs fail.
TEST(PayloadExtraction, OnlyAnElevatedProcessWritesIntoProgramFiles) {
  const std::vector<std::u16string> entries = {u"Lumarc.exe", u"UI\\ShellEx.xml",
                                               u"Drivers\\Lumarc.sys", u"Intro.avi"};
  struct TCase {
    const char* Name;
    bool Elevated, Virtualized;
    std::set<size_t> Written, Virtual;  // entries in the folder, in the VirtualStore
  };
  const TCase cases[] = {
      {"elevated administrator", true, false, {0, 1, 2, 3}, {}},
      {"standard user", false, false, {}, {}},
      {"standard user, virtualized", false, true, {}, {1, 3}},
  };
  const std::u16string store =
      u"C:\\Users\\User\\AppData\\Local\\VirtualStore\\Program Files\\Vardeno";
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TPlatformScope<TSimPlatform> sim;
    sim->Machine().SetElevated(c.Elevated);
    TSimToken token = sim->Machine().RunningToken();
    token.VirtualizationEnabled = c.Virtualized;
    sim->Security().SetToken(sim->Process().ProcessId(), token);
    Carry(*sim, entries, 1);
    TForm1 form;
    form.LoadInstallScript();
    EXPECT_EQ(form.ExtractPayload(kFolder), c.Written.size() == entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
      SCOPED_TRACE(TextToUtf8(entries[i]));
      const std::filesystem::path real =
          std::filesystem::path(sim->Files().HostPath(u"C:\\")) / "Program Files" / "Vardeno";
      std::string relative = TextToUtf8(entries[i]);
      std::replace(relative.begin(), relative.end(), '\\', '/');
      EXPECT_EQ(std::filesystem::exists(real / relative), c.Written.count(i) != 0);
      EXPECT_EQ(FileBytes(*sim, store + u"\\" + entries[i]),
                c.Virtual.count(i) ? std::optional(Content(i, 1)) : std::nullopt);
      if (c.Virtual.count(i) != 0) {
        // The process itself reads its copy where it wrote it.
        TFileStream stream(kFolder + u"\\" + entries[i], TFileStream::TMode::OpenRead);
        EXPECT_EQ(stream.Size(), static_cast<int64_t>(Content(i, 1).size()));
      }
    }
  }
}

TEST(PayloadExtraction, AnEmptyListStops) {
  TPlatformScope<TSimPlatform> sim;
  sim->Resources().AddResource(u"INSTALLSCRIPT", Bytes("// nothing but comments\r\n\r\n"));
  TForm1 form;
  form.LoadInstallScript();
  try {
    form.ExtractPayload(kFolder);
    ADD_FAILURE() << "no EDebugStop";
  } catch (const EDebugStop& stop) {
    EXPECT_EQ(stop.Message(), u"Error: ");
  }
  EXPECT_TRUE(sim->Resources().Lookups() == std::vector<std::u16string>{u"INSTALLSCRIPT"});
}

}  // namespace
