// Start parameters: splitting command lines, reading arguments into commands and values,
// composing command lines, a randomized compose-and-read-back round trip, and the fill from the
// test program's own command line.
#include "lib/values/uAppStartParams.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "lib/platform/uPlatform.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"
#include "lib/values/uFlexArray.h"
#include "lib/values/uFlexArray_testing.h"

namespace {

using TArguments = std::vector<std::u16string>;

std::string Printable(std::u16string_view text) {
  std::string result;
  for (char16_t c : text) {
    if (c < u' ') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c));
      result += escaped;
    } else {
      result += TextToUtf8(std::u16string_view(&c, 1));
    }
  }
  return result;
}

std::string Printable(const TArguments& arguments) {
  std::string result = "[";
  for (size_t i = 0; i < arguments.size(); ++i)
    result += (i ? ", <" : "<") + Printable(arguments[i]) + ">";
  return result + "]";
}

// StartParams is the process's one array: each test gets it back as it found it.
class StartParamsTest : public testing::Test {
 protected:
  void SetUp() override { FSaved = StartParams; }
  void TearDown() override { StartParams = FSaved; }

  // StartParams raw, as the program would have been given the command line
  // "setup.exe " + arguments.
  static void SetRaw(std::u16string_view arguments) {
    StartParams = TFlexArray();
    const TArguments split = StartParamsSplit(u"setup.exe " + std::u16string(arguments));
    for (size_t i = 1; i < split.size(); ++i) StartParams.AddValueWithNoKey(split[i]);
  }

  // What a program started with the composed argument text reads from it.
  static TFlexArray ReadBack(std::u16string_view arguments, char16_t prefix = u'-') {
    SetRaw(arguments);
    StartParamsParse(prefix);
    return StartParams;
  }

 private:
  TFlexArray FSaved;
};

TEST(StartParamsSplit, FollowsTheSplittingRules) {
  struct TCase {
    const char* Name;
    std::u16string CommandLine;
    TArguments Arguments;
  };
  const TCase cases[] = {
      {"nothing", u"", {}},
      {"blanks only", u"  \t ", {}},
      {"program alone", u"setup.exe", {u"setup.exe"}},
      {"quoted run keeps blanks", u"setup.exe -a \"b c\" d", {u"setup.exe", u"-a", u"b c", u"d"}},
      {"every character up to the blank separates",
       std::u16string(u"\x01setup.exe\t-a\r\n-b\x1F-c  ") + char16_t(0) + u"-d",
       {u"setup.exe", u"-a", u"-b", u"-c", u"-d"}},
      {"empty pair between arguments skipped", u"setup.exe \"\" x", {u"setup.exe", u"x"}},
      {"two empty pairs skipped", u"setup.exe \"\"\"\" x \"\" y", {u"setup.exe", u"x", u"y"}},
      {"empty pair before an argument's text", u"setup.exe \"\"x", {u"setup.exe", u"x"}},
      {"quotes inside an argument", u"setup.exe a\"b c\"d", {u"setup.exe", u"ab cd"}},
      {"empty run inside an argument", u"setup.exe a\"\"b", {u"setup.exe", u"ab"}},
      {"quoted program path",
       u"\"C:\\Program Files\\V\\setup.exe\" -a",
       {u"C:\\Program Files\\V\\setup.exe", u"-a"}},
      {"no escape: backslash before a closing quote",
       u"setup.exe \"C:\\x\\\" y",
       {u"setup.exe", u"C:\\x\\", u"y"}},
      {"no escape: backslash before an opening quote",
       u"setup.exe \\\"a b",
       {u"setup.exe", u"\\a b"}},
      {"white space inside a run stays", u"setup.exe \"a\tb\"", {u"setup.exe", u"a\tb"}},
      {"run open to the end", u"setup.exe \"open run -x", {u"setup.exe", u"open run -x"}},
      {"a lone quote at the end gives an empty argument: the list ends",
       u"setup.exe a \"",
       {u"setup.exe", u"a"}},
      {"non-ASCII",
       u"setup.exe \u00e9 \u4e2d \U0001F600",
       {u"setup.exe", u"\u00e9", u"\u4e2d", u"\U0001F600"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    const TArguments got = StartParamsSplit(c.CommandLine);
    EXPECT_EQ(got, c.Arguments) << "got " << Printable(got) << ", expected "
                                << Printable(c.Arguments);
  }
}

TEST_F(StartParamsTest, ParseGivesCommandsWithTheirValues) {
  struct TCase {
    const char* Name;
    std::u16string Arguments;  // after the program
    std::vector<TFlexTestEntry> Parsed;
  };
  const TCase cases[] = {
      {"none", u"", {}},
      {"one command", u"-Hidden", {{u"Hidden", TVariant(u"")}}},
      {"two commands",
       u"-DebugRun -Hidden",
       {{u"DebugRun", TVariant(u"")}, {u"Hidden", TVariant(u"")}}},
      {"command with a value, always text",
       u"-RequestedElevation True",
       {{u"RequestedElevation", TVariant(u"True")}}},
      {"quoted path with a blank",
       u"-Installer \"C:\\Program Files\\Vardeno\\setup.exe\" -FirstRunAfterInstall True",
       {{u"Installer", TVariant(u"C:\\Program Files\\Vardeno\\setup.exe")},
        {u"FirstRunAfterInstall", TVariant(u"True")}}},
      {"values joined by one blank", u"-Note hello   world", {{u"Note", TVariant(u"hello world")}}},
      {"blanks inside a quoted value stay",
       u"-Note \"two  blanks\" after",
       {{u"Note", TVariant(u"two  blanks after")}}},
      {"command given twice: first position, last value",
       u"-A -B x -A y",
       {{u"A", TVariant(u"y")}, {u"B", TVariant(u"x")}}},
      {"only one prefix character removed", u"--x", {{u"-x", TVariant(u"")}}},
      {"a lone prefix stores nothing", u"-", {}},
      {"an empty pair between arguments skipped",
       u"-a \"\" -b c",
       {{u"a", TVariant(u"")}, {u"b", TVariant(u"c")}}},
      {"digits are a key, not an index", u"-5 x", {{u"5", TVariant(u"x")}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_TRUE(FlexEntriesAre(ReadBack(c.Arguments), c.Parsed));
  }
}

TEST_F(StartParamsTest, ParseStopsOnAValueWithoutCommandAndKeepsTheArguments) {
  const std::u16string cases[] = {u"stray -A", u"-A - x", u"x"};
  for (const std::u16string& arguments : cases) {
    SCOPED_TRACE(TextToUtf8(arguments));
    SetRaw(arguments);
    const TFlexArray raw = StartParams;
    try {
      StartParamsParse(u'-');
      ADD_FAILURE() << "no stop";
    } catch (const EDebugStop& e) {
      EXPECT_EQ(e.Message(), u"Error: Empty commands are not yet supported");
    }
    EXPECT_TRUE(StartParams.IsSameAs(raw));
  }
}

TEST_F(StartParamsTest, CommandLookupsIgnoreCase) {
  ReadBack(u"-HIDDEN -debugrun");
  EXPECT_TRUE(StartParams.Has(u"Hidden"));
  EXPECT_TRUE(StartParams.Has(u"DebugRun"));
  EXPECT_FALSE(StartParams.Has(u"Hidde"));
}

TEST(StartParamsToCommandLine, ComposesCommandsAndValues) {
  struct TCase {
    const char* Name;
    TFlexArray Params;
    char16_t Prefix;
    std::u16string Text;
  };
  const TCase cases[] = {
      {"empty", TFlexArray(), u'-', u""},
      {"empty text and a Boolean", FlexArrayOf({u"Hidden", u"", u"RequestedElevation", true}), u'-',
       u"-Hidden -RequestedElevation True"},
      {"path without blanks",
       FlexArrayOf({u"Installer", u"C:\\Vardeno\\setup.exe", u"FirstRunAfterInstall", true}), u'-',
       u"-Installer C:\\Vardeno\\setup.exe -FirstRunAfterInstall True"},
      {"path with blanks",
       FlexArrayOf({u"Installer", u"C:\\Program Files\\Vardeno\\setup.exe", u"FirstRunAfterInstall",
                    true, u"DebugInIDE", true}),
       u'-',
       u"-Installer \"C:\\Program Files\\Vardeno\\setup.exe\" -FirstRunAfterInstall True "
       u"-DebugInIDE True"},
      {"a tab but no blank is not quoted", FlexArrayOf({u"Note", u"a\tb"}), u'-', u"-Note a\tb"},
      {"runs of blanks kept inside the quotes", FlexArrayOf({u"Note", u" a  b "}), u'-',
       u"-Note \" a  b \""},
      {"false, null, a number, bytes",
       FlexArrayOf(
           {u"F", false, u"N", TVariant::Null(), u"I", 12, u"B", TVariant::Bytes({0x0A, 0xFF})}),
       u'-', u"-F False -N -I 12 -B 0x0AFF"},
      {"another prefix", FlexArrayOf({u"Hidden", u"", u"X", 1}), u'/', u"/Hidden /X 1"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(StartParamsToCommandLine(c.Params, c.Prefix), c.Text);
  }
}

TEST(StartParamsToCommandLine, StopsOnValuesWithoutKeys) {
  try {
    StartParamsToCommandLine(FlexValuesOf({u"a", u"b"}), u'-');
    ADD_FAILURE() << "no stop";
  } catch (const EDebugStop& e) {
    EXPECT_EQ(e.Message(), u"Error: for now only parsed (command/value) params are supported");
  }
}

// A double quote in a key or value would end or open a quoted run in the reader, so that the
// value became further commands, or swallowed the commands after it. The quotes are dropped,
// with an alert: the value arrives whole, as the reader would have read it without them.
TEST_F(StartParamsTest, DoubleQuotesCannotSplitAValueIntoOtherArguments) {
  struct TCase {
    const char* Name;
    TFlexArray Params;
    std::u16string Text;
    size_t Alerts;
    std::vector<TFlexTestEntry> ReadBack;
  };
  const TCase cases[] = {
      {"quoted word inside a value",
       FlexArrayOf({u"Note", u"say \"hi\" now"}),
       u"-Note \"say hi now\"",
       1,
       {{u"Note", TVariant(u"say hi now")}}},
      {"a value that closes the run and starts a command",
       FlexArrayOf({u"Note", u"x\" -Evil \"y", u"Next", true}),
       u"-Note \"x -Evil y\" -Next True",
       1,
       {{u"Note", TVariant(u"x -Evil y")}, {u"Next", TVariant(u"True")}}},
      {"a value that opens a run to the end",
       FlexArrayOf({u"Note", u"x\"", u"Next", true}),
       u"-Note x -Next True",
       1,
       {{u"Note", TVariant(u"x")}, {u"Next", TVariant(u"True")}}},
      {"a value of quotes only",
       FlexArrayOf({u"Note", u"\"\"", u"Next", u"1"}),
       u"-Note -Next 1",
       1,
       {{u"Note", TVariant(u"")}, {u"Next", TVariant(u"1")}}},
      {"a quote in a key",
       FlexArrayOf({u"A\"b", u"c d", u"Next", u"1"}),
       u"-Ab \"c d\" -Next 1",
       1,
       {{u"Ab", TVariant(u"c d")}, {u"Next", TVariant(u"1")}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TAlertCapture alerts;
    EXPECT_EQ(StartParamsToCommandLine(c.Params, u'-'), c.Text);
    EXPECT_EQ(alerts.Count(), c.Alerts);
    EXPECT_TRUE(FlexEntriesAre(ReadBack(c.Text), c.ReadBack));
  }
}

// What composing cannot carry without quotes, as the reader sees it: the text is the one
// composed for every value without a double quote.
TEST_F(StartParamsTest, ComposedTextReadsBackWithTheKnownLosses) {
  struct TCase {
    const char* Name;
    TFlexArray Params;
    std::vector<TFlexTestEntry> ReadBack;
  };
  const TCase cases[] = {
      {"values come back as text",
       FlexArrayOf({u"A", true, u"B", 12}),
       {{u"A", TVariant(u"True")}, {u"B", TVariant(u"12")}}},
      {"white space of an unquoted value becomes one blank",
       FlexArrayOf({u"A", u"\tx\t\ty\t"}),
       {{u"A", TVariant(u"x y")}}},
      {"white space inside a quoted value stays",
       FlexArrayOf({u"A", u"x\t y"}),
       {{u"A", TVariant(u"x\t y")}}},
      // The format has no way to pass these; a program that needs them must not use the prefix
      // at the start of a value word.
      {"a value word after a tab that starts with the prefix is a command",
       FlexArrayOf({u"A", u"x\t-B"}),
       {{u"A", TVariant(u"x")}, {u"B", TVariant(u"")}}},
      {"a negative number is a command",
       FlexArrayOf({u"A", -5}),
       {{u"A", TVariant(u"")}, {u"5", TVariant(u"")}}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_TRUE(FlexEntriesAre(ReadBack(StartParamsToCommandLine(c.Params, u'-')), c.ReadBack));
  }
}

// --- Randomized round trip ---

std::u16string RandomText(TTestRandom& random, const std::vector<std::u16string>& pieces,
                          size_t minLength, size_t maxLength) {
  std::u16string text;
  const size_t length = minLength + random.Below(maxLength - minLength + 1);
  for (size_t i = 0; i < length; ++i) text += pieces[random.Below(pieces.size())];
  return text;
}

TVariant RandomValue(TTestRandom& random) {
  static const std::vector<std::u16string> pieces = {
      u"a",  u"Z",  u"0",  u"\u00e9", u"\u4e2d", u"\U0001F600", u" ", u"  ",
      u"\t", u"\n", u"\"", u"-",      u"/",      u"\\",         u".",
  };
  switch (random.Below(8)) {
    case 0:
      return TVariant();
    case 1:
      return TVariant::Null();
    case 2:
      return TVariant(random.Below(2) == 0);
    case 3:
      return TVariant(static_cast<int32_t>(random.Next()));
    case 4:
      return TVariant::Bytes({static_cast<uint8_t>(random.Next()), 0x0A});
    default:
      return TVariant(RandomText(random, pieces, 0, 8));
  }
}

std::u16string AsciiUpper(std::u16string text) {
  for (auto& c : text) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return text;
}

std::u16string WithoutQuotes(std::u16string text) {
  std::erase(text, u'"');
  return text;
}

// The words of a text: the runs between characters at or below the blank.
TArguments Words(std::u16string_view text) {
  TArguments words;
  std::u16string word;
  for (char16_t c : text) {
    if (c > u' ') {
      word += c;
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  if (!word.empty()) words.push_back(std::move(word));
  return words;
}

// Random arrays composed and read back: every command comes back in order with its value as
// text, without double quotes, an unquoted value's white space as single blanks between its
// words. Values with a word that starts with the prefix are left out: they read back as
// commands (shown above).
TEST_F(StartParamsTest, RandomArraysReadBackAsComposed) {
  const uint64_t seed = TestSeed();
  SCOPED_TRACE(testing::Message() << "seed " << seed);
  static const std::vector<std::u16string> keyPieces = {
      u"a", u"B", u"z", u"7", u"_", u"-", u"\u00e9", u"\u00c9", u"\U0001F600", u"\"", u"\\",
  };
  TTestRandom random(seed);
  int quotedValues = 0;
  for (int round = 0; round < 500; ++round) {
    const char16_t prefix = random.Below(4) == 0 ? u'/' : u'-';
    TFlexArray params;
    std::vector<TFlexTestEntry> expected;
    std::vector<std::u16string> usedKeys;  // as they read back, case-folded
    size_t expectedAlerts = 0;
    const size_t entries = random.Below(7);
    for (size_t i = 0; i < entries; ++i) {
      const std::u16string key = RandomText(random, keyPieces, 1, 5);
      const std::u16string keyRead = WithoutQuotes(key);
      if (keyRead.empty()) continue;
      const std::u16string folded = AsciiUpper(keyRead);
      if (std::find(usedKeys.begin(), usedKeys.end(), folded) != usedKeys.end()) continue;
      const TVariant value = RandomValue(random);
      const std::u16string text = VariantToFlexString(value);
      const std::u16string textRead = WithoutQuotes(text);
      const bool quoted = textRead.find(u' ') != std::u16string::npos;
      const TArguments words = quoted ? TArguments{textRead} : Words(textRead);
      if (std::any_of(words.begin(), words.end(),
                      [&](const std::u16string& w) { return w.front() == prefix; }))
        continue;
      usedKeys.push_back(folded);
      params.SetKeyAndValue(TVariant(key), value);
      expectedAlerts += (keyRead != key) + (textRead != text);
      quotedValues += quoted;
      std::u16string valueRead;
      for (const std::u16string& w : words) valueRead += (valueRead.empty() ? u"" : u" ") + w;
      expected.push_back({keyRead, TVariant(valueRead)});
    }
    TAlertCapture alerts;
    const std::u16string composed = StartParamsToCommandLine(params, prefix);
    SCOPED_TRACE(testing::Message() << "round " << round << ", text " << Printable(composed));
    ASSERT_EQ(alerts.Count(), expectedAlerts);
    ASSERT_TRUE(FlexEntriesAre(ReadBack(composed, prefix), expected));
  }
  EXPECT_GT(quotedValues, 0);
}

// --- The process's own command line ---

TEST_F(StartParamsTest, FillComesFromThePlatformCommandLine) {
  TPlatformScope<TSimPlatform> sim;
  sim->Process().SetCommandLine(
      u"\"C:\\Users\\User\\Downloads\\VardenoSetup.exe\" -Installer "
      u"\"C:\\Program Files\\Vardeno\\setup.exe\" -FirstRunAfterInstall True");
  StartParams = TFlexArray();
  StartParamsFromCommandLine();
  EXPECT_TRUE(
      FlexEntriesAre(StartParams, {{u"", TVariant(u"-Installer")},
                                   {u"", TVariant(u"C:\\Program Files\\Vardeno\\setup.exe")},
                                   {u"", TVariant(u"-FirstRunAfterInstall")},
                                   {u"", TVariant(u"True")}}));
}

// At static initialisation StartParams took this test program's own arguments (the test
// runner's flags): on Linux through the Sim's default command line, made from the process's
// arguments; on Windows through GetCommandLineW. The C runtime's reading of the same command
// line is the reference, for arguments both rule sets read alike.
TEST(StartParams, HoldsTheArgumentsTheProgramWasStartedWith) {
  const std::vector<std::string> argv = testing::internal::GetArgvs();
  if (argv.size() < 2) GTEST_SKIP() << "the test program was started without arguments";
  TArguments expected;
  for (const std::string& argument : argv) {
    if (argument.empty() || argument.find('"') != std::string::npos)
      GTEST_SKIP() << "an argument that the two rule sets read differently: <" << argument << ">";
    expected.push_back(TextFromUtf8(argument));
  }
  const TArguments whole = StartParamsSplit(Platform().Process().GetCommandLineW());
  EXPECT_EQ(whole, expected) << "got " << Printable(whole);
  ASSERT_EQ(StartParams.Count(), static_cast<int>(expected.size()) - 1)
      << testing::PrintToString(StartParams);
  for (size_t i = 1; i < expected.size(); ++i) {
    EXPECT_EQ(StartParams.GetKeyByIndex(static_cast<int>(i) - 1), u"");
    EXPECT_TRUE(
        StartParams.GetValueByIndex(static_cast<int>(i) - 1).IsIdentical(TVariant(expected[i])))
        << Printable(expected[i]);
  }
}

}  // namespace
