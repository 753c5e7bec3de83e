// The packer's reading of install scripts.
#include "tools/pack/PackScript.h"

#include <gtest/gtest.h>

namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

TEST(PackScript, EntriesCommentsAndEmptyLines) {
  std::vector<TPackEntry> entries;
  std::string problem;
  ASSERT_TRUE(PackScriptParse(Bytes("// Programs\r\nLumarc.exe\r\n\r\n//Retired.exe\r\n"
                                    "  x.txt\r\nUI\\Icons\\a b.ico"),
                              entries, problem))
      << problem;
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].Line, 2);
  EXPECT_EQ(entries[0].Text, "Lumarc.exe");
  EXPECT_EQ(entries[1].Text, "  x.txt") << "nothing is trimmed";
  EXPECT_EQ(entries[2].Line, 6);
  EXPECT_EQ(entries[2].HostRelative, std::filesystem::path("UI/Icons/a b.ico"));
}

TEST(PackScript, EntriesLeavingTheFolderAreRefusedByLine) {
  // A line with blanks before its slashes is an entry, and an odd one: its empty part is refused.
  const char* bad[] = {"  //not a comment.txt", "..\\evil.dll", "C:\\Windows\\evil.dll", "\\\\server\\share\\x", "\\\\?\\C:\\x",
                       "\\rooted.dll", "a\\..\\..\\b"};
  for (const char* entry : bad) {
    SCOPED_TRACE(entry);
    std::vector<TPackEntry> entries;
    std::string problem;
    EXPECT_FALSE(PackScriptParse(Bytes(std::string("ok.txt\r\n// note\r\n") + entry + "\r\n"), entries, problem));
    EXPECT_EQ(problem.rfind("3: entry \"", 0), 0u) << problem;
  }
}

TEST(PackScript, Utf8WithoutAByteOrderMarkIsRefusedAtItsFirstNonAsciiLine) {
  std::vector<TPackEntry> entries;
  std::string problem;
  EXPECT_FALSE(PackScriptParse(Bytes("a.exe\r\n// \xC3\xA4 comment\r\nb.txt"), entries, problem));
  EXPECT_EQ(problem.rfind("2: the script is UTF-8 without a byte-order mark", 0), 0u) << problem;
  EXPECT_NE(problem.find("Windows-1252"), std::string::npos) << problem;
  EXPECT_TRUE(entries.empty());

  // With its mark the same script is read as UTF-8, and its names come out as written.
  ASSERT_TRUE(PackScriptParse(Bytes("\xEF\xBB\xBFUI\\\xC3\xA4.ico"), entries, problem)) << problem;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Text, "UI\\\xC3\xA4.ico");
  // A Windows-1252 script (not valid UTF-8) is what the installer reads it as.
  ASSERT_TRUE(PackScriptParse(Bytes("\xE4.txt"), entries, problem)) << problem;
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].Text, "\xC3\xA4.txt");
}

TEST(PackScript, EntriesThatNameNoWindowsFileAreRefusedByLine) {
  // The installer writes through the long-path prefix, where an empty part or a "/" makes an
  // invalid name.
  struct TCase {
    const char* Entry;
    const char* Problem;
  };
  const TCase cases[] = {
      {"UI\\\\a.ico", "2: entry \"UI\\\\a.ico\" is refused: the path has an empty part"},
      {"UI\\", "2: entry \"UI\\\" is refused: the path has an empty part"},
      {"UI/a.ico", "2: entry \"UI/a.ico\" is refused: the path holds a character that no"},
      {"a?.ico", "2: entry \"a?.ico\" is refused: the path holds a character that no"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Entry);
    std::vector<TPackEntry> entries;
    std::string problem;
    EXPECT_FALSE(PackScriptParse(Bytes(std::string("ok.txt\r\n") + c.Entry + "\r\nz.txt\r\n"),
                                 entries, problem));
    EXPECT_EQ(problem.rfind(c.Problem, 0), 0u) << problem;
  }
}

}  // namespace
