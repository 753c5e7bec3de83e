// Relative paths that must stay inside their folder.
#include "lib/paths/uRelativePath.h"

#include <gtest/gtest.h>

#include "lib/values/uMiscLean.h"

namespace {

TEST(RelativePath, OnlyPathsThatStayInsidePass) {
  struct TCase {
    std::u16string Path;
    bool Inside;
  };
  const TCase cases[] = {
      {u"Lumarc.exe", true},
      {u"UI\\Icons\\ShellEx\\advanced menu.ico", true},
      {u"SSL\\OpenSSL DLLs\\libeay32.dll", true},
      {u"a.b\\..c\\d..", true},
      {u"", false},
      {u"\\Windows\\x.dll", false},
      {u"/etc/passwd", false},
      {u"\\\\server\\share\\x", false},
      {u"\\\\?\\C:\\x", false},
      {u"\\\\.\\PhysicalDrive0", false},
      {u"C:\\Windows\\x.dll", false},
      {u"C:x.dll", false},
      {u"file.txt:stream", false},
      {u"..\\x.dll", false},
      {u"UI\\..\\..\\x.dll", false},
      {u"UI/../../x.dll", false},
      {u"UI\\.\\x.dll", false},
      {u"UI\\.. \\x.dll", false},
      {u"UI\\...\\x.dll", false},
      {u"UI\\\\x.dll", false},
      {u"UI\\", false},
      // Names the installer could not write under the long-path prefix.
      {u"UI/x.dll", false},
      {u"a?.ico", false},
      {u"a*.ico", false},
      {u"a<b>.ico", false},
      {u"a|b.ico", false},
      {u"a\"b.ico", false},
      {u"a\tb.ico", false},
      {u"a#b;c,d=e+f[g]{h}~&%'.ico", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Path));
    std::u16string reason;
    EXPECT_EQ(RelativePathStaysInside(c.Path, &reason), c.Inside);
    EXPECT_EQ(reason.empty(), c.Inside);
  }
}

}  // namespace
