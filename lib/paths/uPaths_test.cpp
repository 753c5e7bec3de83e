// The path value: parsing, parts, editing, joins, comparisons, URLs.
#include "lib/paths/uPaths.h"

#include <gtest/gtest.h>

#include <vector>

#include "lib/testing/uTestSupport.h"

namespace {

std::vector<std::u16string> Parts(const TPath& path) {
  TAlertCapture none;
  std::vector<std::u16string> parts;
  for (int32_t i = 0; i < path.Count(); ++i) parts.push_back(path.PartGet(i));
  EXPECT_EQ(none.Count(), 0u);
  return parts;
}

TEST(Path, ParsesWithoutInterpretingShapes) {
  struct TCase {
    std::u16string Text;
    bool Leading;
    std::vector<std::u16string> Parts;
    bool Trailing;
    std::u16string Printed;
  };
  const TCase cases[] = {
      {u"C:\\dir\\file.txt", false, {u"C:", u"dir", u"file.txt"}, false, u"C:\\dir\\file.txt"},
      {u"C:\\dir\\", false, {u"C:", u"dir"}, true, u"C:\\dir\\"},
      {u"C:", false, {u"C:"}, false, u"C:"},
      {u"C:\\\\x", false, {u"C:", u"", u"x"}, false, u"C:\\\\x"},
      {u"\\\\server\\share", true, {u"", u"server", u"share"}, false, u"\\\\server\\share"},
      {u"\\\\?\\C:\\x", true, {u"", u"?", u"C:", u"x"}, false, u"\\\\?\\C:\\x"},
      {u"\\Device\\HarddiskVolume1\\x", true, {u"Device", u"HarddiskVolume1", u"x"}, false,
       u"\\Device\\HarddiskVolume1\\x"},
      {u"\\", true, {}, true, u"\\\\"},
      {u"\\\\", true, {}, true, u"\\\\"},
      {u"", false, {}, false, u""},
      {u"http://host/a", false, {u"http://host/a"}, false, u"http://host/a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    const TPath path(c.Text);
    EXPECT_EQ(path.LeadingSeparator(), c.Leading);
    EXPECT_EQ(Parts(path), c.Parts);
    EXPECT_EQ(path.TrailingSeparator(), c.Trailing);
    EXPECT_EQ(path.ToString(), c.Printed);
    EXPECT_EQ(path.IsEmpty(), c.Parts.empty());
  }
}

TEST(Path, PartAccessOutOfRangeAlertsAndGivesNeutralResults) {
  TPath path(u"C:\\dir");
  {
    TAlertCapture alerts;
    EXPECT_EQ(path.PartGet(2), u"");
    EXPECT_EQ(path.PartGet(-1), u"");
    path.PartSet(5, u"x");
    path.Insert(3, u"x");
    path.Remove(2);
    EXPECT_EQ(alerts.Count(), 5u);
    EXPECT_EQ(path.ToString(), u"C:\\dir");
    const TRange missing = path.PartGetStartAndEnd(7);
    EXPECT_FALSE(missing.IsValid());
    EXPECT_EQ(missing.Start(), 0);
  }
  {
    TAlertCapture alerts;
    TPath empty;
    EXPECT_EQ(empty.ExtractFirst(), u"");
    empty.RemoveFirst();
    empty.RemoveLast();
    EXPECT_EQ(alerts.Count(), 3u);
    EXPECT_TRUE(empty.IsEmpty());
  }
  // The first part of a UNC path is empty, and reading it is no misuse.
  TAlertCapture none;
  EXPECT_EQ(TPath(u"\\\\server\\share").First(), u"");
  EXPECT_EQ(none.Count(), 0u);
}

TEST(Path, PartPositionsAndEditing) {
  TPath path(u"C:\\\\dir\\file.txt");
  const TRange empty = path.PartGetStartAndEnd(1);
  EXPECT_EQ(empty.Start(), 4);
  EXPECT_EQ(empty.Length(), 0);
  EXPECT_EQ(path.PartGetStartAndEnd(3).Start(), 9);
  EXPECT_EQ(path.PartGetStartAndEnd(3).Length(), 8);

  path.PartSet(1, u"Program Files");
  EXPECT_EQ(path.ToString(), u"C:\\Program Files\\dir\\file.txt");
  path.Insert(0, u"x");
  path.Insert(path.Count(), u"x");
  path.Remove(path.Count() - 1);
  path.Remove(0);
  EXPECT_EQ(path.ToString(), u"C:\\Program Files\\dir\\file.txt");
  EXPECT_EQ(path.ExtractFirst(), u"C:");
  EXPECT_EQ(path.Count(), 3);
  path.LastSet(u"new.exe");
  EXPECT_EQ(path.ToString(), u"Program Files\\dir\\new.exe");

  TPath one(u"x");
  one.Remove(0);
  EXPECT_EQ(one.PartsString, u"");
  EXPECT_EQ(one.Count(), 0);

  // Inserting an empty name into an empty path: one empty part, which Count vouches for.
  TPath blank;
  blank.Insert(0, u"");
  EXPECT_EQ(blank.Count(), 1);
  EXPECT_EQ(Parts(blank), std::vector<std::u16string>{u""});
  blank.Insert(1, u"x");
  EXPECT_EQ(Parts(blank), (std::vector<std::u16string>{u"", u"x"}));

  TPath three(u"a\\b\\c");
  three.Invert();
  EXPECT_EQ(three.ToString(), u"c\\b\\a");
  TPath single(u"a\\");
  single.Invert();
  EXPECT_EQ(single.ToString(), u"a\\");
  EXPECT_EQ(TPath(u"a\\b\\c\\d").Inverted().ToString(), u"d\\c\\b\\a");
}

TEST(Path, ExtensionsAndNames) {
  struct TCase {
    std::u16string Text, Extension, Without;
  };
  const TCase cases[] = {
      {u"C:\\dir\\file.txt", u".txt", u"file"},
      {u"C:\\dir\\archive.tar.GZ", u".GZ", u"archive.tar"},
      {u"C:\\dir.d\\file", u"", u"file"},
      {u"C:\\dir\\.hidden", u".hidden", u""},
      {u"C:\\dir\\name.", u".", u"name"},
      {u"file.ext:stream", u"", u"file.ext:stream"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Text));
    const TPath path(c.Text);
    EXPECT_EQ(path.Extension(), c.Extension);
    EXPECT_EQ(path.LastWithoutFileExtension(), c.Without);
  }
  EXPECT_TRUE(TPath(u"a\\b.exe").HasExtension(u".EXE"));
  EXPECT_TRUE(TPath(u"a\\b").HasExtension(u""));
  EXPECT_TRUE(TPath(u"a\\b.dll").HasExtension({u".exe", u".dll"}));
  EXPECT_FALSE(TPath(u"a\\b.dll").HasExtension(std::initializer_list<std::u16string_view>{}));
  TAlertCapture alerts;
  EXPECT_TRUE(TPath(u"a\\b.exe").HasExtension(u"exe") == false);
  EXPECT_EQ(alerts.Count(), 1u) << "an extension without its full stop is misuse";
}

TEST(Path, CopiesJoinsAndRelativePaths) {
  const TPath path(u"\\\\server\\share\\\\dir\\");
  TPath first, last;
  path.CopyFirstParts(3, first);
  EXPECT_EQ(first.ToString(), u"\\server\\share") << "empty parts are lost, the leading flag kept";
  path.CopyLastParts(2, last);
  EXPECT_EQ(last.ToString(), u"\\dir\\");

  struct TCase {
    TPath Joined;
    std::u16string Text;
  };
  const TPath folder(u"C:\\Windows\\System32\\");
  const TCase joins[] = {
      {folder + u"Drivers", u"C:\\Windows\\System32\\Drivers"},
      {folder + u"", u"C:\\Windows\\System32"},
      {TPath(u"C:\\Windows") + u"\\", u"C:\\Windows\\"},
      {TPath(u"C:\\Windows") + u"a\\b\\", u"C:\\Windows\\a\\b\\"},
      {TPath(u"C:") + TPath(u"\\\\x"), u"C:\\\\x"},
      {TPath(u"\\\\srv") + TPath(u"share"), u"\\\\srv\\share"},
  };
  for (const auto& c : joins) EXPECT_EQ(c.Joined.ToString(), c.Text);
  EXPECT_EQ(u"Installation path: " + TPath(u"C:\\Vardeno"), u"Installation path: C:\\Vardeno");

  // A path added to itself or copied into itself reads its parts as they were before.
  TPath twice(u"a\\\\b");
  twice.Add(twice);
  EXPECT_EQ(Parts(twice), (std::vector<std::u16string>{u"a", u"", u"b", u"a", u"", u"b"}));
  TPath none;
  none.Add(none);
  EXPECT_TRUE(none.IsEmpty());
  TPath head(u"C:\\a\\b\\c");
  head.CopyFirstParts(2, head);
  EXPECT_EQ(head.ToString(), u"C:\\a");
  TPath tail(u"C:\\a\\b\\c\\");
  tail.CopyLastParts(2, tail);
  EXPECT_EQ(tail.ToString(), u"b\\c\\");

  const TPath base(u"C:\\Program Files");
  EXPECT_EQ(TPath(u"c:\\program files\\Vardeno\\a.dll").RelativeTo(base).ToString(), u"Vardeno\\a.dll");
  TAlertCapture alerts;
  EXPECT_TRUE(TPath(u"D:\\x").RelativeTo(base).IsEmpty());
  EXPECT_EQ(alerts.Count(), 1u);
}

TEST(Path, ComparisonsFollowTheAsciiCaseRule) {
  struct TCase {
    std::u16string A, B;
    bool Same, AParentOfB, ADirectParentOfB;
  };
  const TCase cases[] = {
      {u"C:\\Dir", u"c:\\dir\\", true, false, false},
      {u"C:\\Dir", u"C:/Dir", false, false, false},  // "/" is no separator here: one part
      {u"C:\\\u00c4", u"C:\\\u00e4", false, false, false},
      {u"C:\\Dir", u"C:\\DIR\\sub", false, true, true},
      {u"C:\\Dir", u"C:\\DIR\\sub\\file", false, true, false},
      {u"", u"C:", false, true, true},
      {u"C:\\x", u"C:\\x", true, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.A + u" vs " + c.B));
    const TPath a(c.A), b(c.B);
    EXPECT_EQ(a.IsSameAs(b), c.Same);
    EXPECT_EQ(a == b, c.Same);
    EXPECT_EQ(a != b, !c.Same);
    EXPECT_EQ(a.IsAnyParentOf(b), c.AParentOfB);
    EXPECT_EQ(b.IsAnyChildOf(a), c.AParentOfB);
    EXPECT_EQ(a.IsParentOf(b), c.ADirectParentOfB);
  }
  TPath slashed(u"C:\\a\\b");
  slashed.SeparatorSet(u'/');
  EXPECT_EQ(slashed.ToString(), u"C:/a/b");
  EXPECT_EQ(slashed.Count(), 3);
  EXPECT_TRUE(slashed.IsSameAs(TPath(u"C:\\A\\B\\")));

  const TPath dir(u"C:\\Dir");
  EXPECT_TRUE(dir.IsSameOrIsAnyChild(dir, true));
  EXPECT_TRUE(TPath(u"C:\\Dir\\x").IsSameOrIsAnyChild(dir, true));
  EXPECT_FALSE(TPath(u"C:\\Dir\\x").IsSameOrIsAnyChild(dir, false));
  EXPECT_TRUE(TPath(u"C:\\a\\Drivers\\x.sys").HasSameLastPartsAs(TPath(u"drivers\\X.SYS")));
  EXPECT_TRUE(TPath(u"C:\\a\\x.sys").HasSameLastPartsAsAny({TVariant(u"y.sys"), TVariant(u"A\\x.sys")}));
  EXPECT_TRUE(TPath(u"C:\\x").IsOnDrive(TPath(u"c:")));
  EXPECT_FALSE(TPath(u"D:\\x").IsOnDrive(TPath(u"c:")));
}

TEST(Path, NameQueries) {
  const TPath path(u"C:\\Program Files\\Vardeno\\bin\\core.exe");
  EXPECT_TRUE(path.HasDirectParentWithName(u"BIN"));
  EXPECT_FALSE(path.HasDirectParentWithName(u"Vardeno"));
  EXPECT_TRUE(path.HasAnyParentWithName(u"vardeno"));
  EXPECT_FALSE(path.HasAnyParentWithName(u"core.exe"));
  EXPECT_TRUE(path.IsOrHasAnyParentWithName(u"core.exe"));
  EXPECT_TRUE(path.HasAnyParentWithNameIn({TVariant(u"x"), TVariant(u"program files")}));
  EXPECT_TRUE(path.IsOrHasAnyParentWithNameIn({TVariant(u"CORE.EXE")}));
  TAlertCapture alerts;
  EXPECT_TRUE(TPath(u"one").HasDirectParentWithName(u""));
  EXPECT_FALSE(TPath(u"one").HasDirectParentWithName(u"one"));
  EXPECT_EQ(alerts.Count(), 2u);
}

TEST(Path, Urls) {
  struct TCase {
    std::u16string Url, Text;
    char16_t Separator;
    int32_t Count;
  };
  const TCase cases[] = {
      {u"file:///C:/Program%20Files/Vardeno", u"C:\\Program Files\\Vardeno", u'\\', 3},
      {u"file://host/share/x", u"share\\x", u'\\', 2},
      {u"https://example.com/a+b/%C3%A4", u"https://example.com/a b/\u00e4", u'/', 5},
      {u"x/100%%", u"x/100%", u'/', 2},
      {u"", u"", u'\\', 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(TextToUtf8(c.Url));
    TPath path(u"old\\parts");
    path.SetPathFromUrlTry(c.Url);
    EXPECT_EQ(path.ToString(), c.Text);
    EXPECT_EQ(path.Separator(), c.Separator);
    EXPECT_EQ(path.Count(), c.Count);
  }
  TPath path;
  try {
    path.SetPathFromUrlTry(u"a/b%4");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Error decoding URL style (%XX) encoded string at position 4");
  }
  try {
    path.SetPathFromUrlTry(u"a%zzb");
    FAIL() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), u"Invalid URL encoded character (%zz) at position 2");
  }
  TAlertCapture alerts;
  path.SetPathFromUrl(u"");
  EXPECT_EQ(alerts.Count(), 1u);
}

}  // namespace
