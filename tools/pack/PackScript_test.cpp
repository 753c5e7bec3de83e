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
