// Windows flag names and error texts, and the small helpers of log lines.
#include "lib/diagnostics/uWindowsFlags.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <thread>

#include "lib/platform/uPlatformSim.h"
#include "lib/testing/uTestSupport.h"
#include "lib/values/uVariant.h"

namespace {

std::string Utf8(std::u16string_view text) { return TextToUtf8(text); }

TEST(FlagNames, StandardTableHasItsCategoriesInFiveCalls) {
  const auto calls = FlagNamesStandardTable();
  ASSERT_EQ(calls.size(), 5u);
  const size_t callSizes[] = {132, 134, 216, 230, 155};
  for (size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(calls[i].size(), callSizes[i]);
    // Each call starts a category first and ends with a name, so no item is left unread.
    const std::u16string first = calls[i].front().AsText();
    EXPECT_TRUE(first[0] == u'>' || first[0] == u'=');
    EXPECT_TRUE(calls[i].back().IsText());
    EXPECT_FALSE(TextStartsWith(calls[i].back().AsText(), u">") ||
                 TextStartsWith(calls[i].back().AsText(), u"="));
  }

  struct TCase {
    const char16_t* Category;
    bool IsAFlag;
    size_t Entries;
  };
  const TCase cases[] = {
      {u"AccessMode", true, 19},
      {u"ShareMode", true, 3},
      {u"CreationDisposition", false, 5},
      {u"FlagsAndAttributes", true, 25},
      {u"SecurityImpersonation", false, 7},
      {u"SecurityInformation", true, 4},
      {u"FileInformationClass", false, 55},
      {u"FsInformationClass", false, 11},
      {u"FileAttributes", true, 15},
      {u"IrpMajorFn", false, 30},
      {u"IrpMinorFnDirectoryQuery", false, 2},
      {u"IrpMinorFnLocks", false, 4},
      {u"OperationFlagsCreate", true, 5},
      {u"OperationFlagsDirectoryQuery", true, 3},
      {u"OperationFlagsReadWrite", true, 6},
      {u"OperationFlagsLocks", true, 2},
      {u"OperationFlagsChangeNotification", true, 1},
      {u"Status", false, 35},
      {u"FileObjectFlags", true, 29},
      {u"CbdFlags", true, 10},
      {u"IrpFlags", true, 16},
      {u"MjCreateNtDispositions", false, 6},
      {u"MjCreateOptions", true, 22},
      {u"FilterPreOp", false, 6},
      {u"FsCtlFunction", false, 18},
      {u"FsCtlDevice", false, 4},
      {u"ChangeNotifyChange", true, 12},
      {u"ChangeNotifyAction", false, 12},
      {u"WindowsError", false, 20},
      {u"ShellNotify", false, 19},
      {u"RegistryDataType", false, 12},
  };
  const TFlagNames& names = FlagNames();
  ASSERT_EQ(names.Categories().size(), std::size(cases));
  EXPECT_EQ(names.Entries().size(), 418u);
  size_t entryIndex = 0;
  for (size_t i = 0; i < std::size(cases); ++i) {
    const TCase& c = cases[i];
    SCOPED_TRACE(Utf8(c.Category));
    const TFlagCategory& category = *names.Categories()[i];
    EXPECT_EQ(category.Category, c.Category);
    EXPECT_EQ(category.IsAFlag, c.IsAFlag);
    // Entries come grouped by category, in the categories' order.
    size_t count = 0;
    while (entryIndex < names.Entries().size() &&
           names.Entries()[entryIndex].Category == &category) {
      const TFlagNameEntry& entry = names.Entries()[entryIndex];
      // A flag category names single bits only; anything else would alert at every lookup.
      if (c.IsAFlag) {
        EXPECT_EQ(std::popcount(entry.Value), 1) << Utf8(entry.StringName);
      }
      ++count;
      ++entryIndex;
    }
    EXPECT_EQ(count, c.Entries);
  }
}

TEST(FlagNames, StandardNamesCarryThePlatformValues) {
  struct TCase {
    const char16_t* Category;
    uint32_t Value;
    const char16_t* Line;  // the names part of the line
  };
  const TCase cases[] = {
      {u"AccessMode", win::GENERIC_READ, u"GENERIC_READ"},
      {u"AccessMode", win::GENERIC_WRITE, u"GENERIC_WRITE"},
      {u"AccessMode", win::DELETE, u"_DELETE"},
      {u"AccessMode", win::FILE_READ_ATTRIBUTES, u"FILE_READ_ATTRIBUTES"},
      {u"AccessMode", 0x00100000, u"SYNCHRONIZE"},
      {u"ShareMode", win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE,
       u"FILE_SHARE_READ, FILE_SHARE_WRITE, FILE_SHARE_DELETE"},
      {u"CreationDisposition", win::CREATE_NEW, u"CREATE_NEW"},
      {u"CreationDisposition", win::CREATE_ALWAYS, u"CREATE_ALWAYS"},
      {u"CreationDisposition", win::OPEN_EXISTING, u"OPEN_EXISTING"},
      {u"CreationDisposition", win::OPEN_ALWAYS, u"OPEN_ALWAYS"},
      {u"CreationDisposition", win::TRUNCATE_EXISTING, u"TRUNCATE_EXISTING"},
      {u"FlagsAndAttributes", win::FILE_ATTRIBUTE_READONLY | win::FILE_FLAG_BACKUP_SEMANTICS,
       u"FILE_ATTRIBUTE_READONLY, FILE_FLAG_BACKUP_SEMANTICS"},
      {u"FlagsAndAttributes", 0x80100000, u"FILE_FLAG_WRITE_THROUGH, FILE_FLAG_OPEN_NO_RECALL"},
      {u"FileAttributes", win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_REPARSE_POINT,
       u"FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_REPARSE_POINT"},
      {u"FileAttributes", 0x10000, u"FILE_ATTRIBUTE_VIRTUAL"},
      {u"SecurityImpersonation", 0, u"SECURITY_ANONYMOUS"},
      {u"SecurityImpersonation", 0x100000, u"SECURITY_SQOS_PRESENT"},
      {u"SecurityInformation", 8, u"SACL_SECURITY_INFORMATION"},
      {u"FileInformationClass", 1, u"FileDirectoryInformation"},
      {u"FileInformationClass", 18, u"FileAllInformation"},
      {u"FileInformationClass", 55, u"FileRemoteProtocolInformation"},
      {u"FsInformationClass", 1, u"FileFsVolumeInformation"},
      {u"FsInformationClass", 2, u"FileFsLabelInformation,"},
      {u"FsInformationClass", 9, u"FileFsDriverPathInformation,"},
      {u"FsInformationClass", 11, u"FileFsSectorSizeInformation"},
      {u"IrpMajorFn", 0, u"IRP_MJ_CREATE"},
      {u"IrpMajorFn", 0x12, u"IRP_MJ_CLEANUP"},
      {u"IrpMajorFn", 0x1B, u"IRP_MJ_PNP"},
      {u"IrpMinorFnLocks", 4, u"IRP_MN_UNLOCK_ALL_BY_KEY"},
      {u"OperationFlagsCreate", 0x80, u"SL_CASE_SENSITIVE"},
      {u"OperationFlagsReadWrite", 0x20, u"SL_REALTIME_STREAM"},
      {u"Status", 0, u"STATUS_SUCCESS"},
      {u"Status", 0xC0000022, u"STATUS_ACCESS_DENIED"},
      {u"Status", 0xC0000034, u"STATUS_OBJECT_NAME_NOT_FOUND"},
      {u"Status", 0x103, u"STATUS_PENDING"},
      {u"Status", 0xCCCCCCCC, u"STATUS_DO_NOT_SEND_ANYTHING"},
      {u"Status", 0xFFFFFFFF, u"STATUS_UNDEFINED"},
      {u"FileObjectFlags", 0x400, u"FO_GENERATE_AUDIT_ON_CLOSE, FO_QUEUE_IRP_TO_THREAD"},
      {u"FileObjectFlags", 0x08000001, u"FO_FILE_OPEN, FO_SKIP_SET_FAST_IO"},
      {u"CbdFlags", 0x80000001, u"FLTFL_CALLBACK_DATA_IRP_OPERATION, FLTFL_CALLBACK_DATA_DIRTY"},
      {u"IrpFlags", 0x42,
       u"IRP_PAGING_IO, IRP_MOUNT_COMPLETION, IRP_INPUT_OPERATION, "
       u"IRP_SYNCHRONOUS_PAGING_IO"},
      {u"MjCreateNtDispositions", 3, u"FILE_OPEN_IF"},
      {u"MjCreateOptions", 0x00800040, u"FILE_NON_DIRECTORY_FILE, FILE_OPEN_FOR_FREE_SPACE_QUERY"},
      {u"FilterPreOp", 5, u"FLT_PREOP_SYNCHRONIZE"},
      {u"FsCtlFunction", 0x90, u"FSCTL_NR_REQUEST_OPLOCK"},
      {u"FsCtlFunction", 0x3A, u"FSCTL_READ_FILE_USN_DATA"},
      {u"FsCtlFunction", 0x7B, u"FSCTL_RESET_VOLUME_ALLOCATION_HINTS"},
      {u"FsCtlFunction", 0x9C, u"FSCTL_SET_PURGE_FAILURE_MODE"},
      {u"FsCtlDevice", 0x6D, u"FILE_DEVICE_MOUNT_MGR"},
      {u"ChangeNotifyChange", 0x801,
       u"FILE_NOTIFY_CHANGE_FILE_NAME, FILE_NOTIFY_CHANGE_STREAM_WRITE"},
      {u"ChangeNotifyAction", 0xB, u"FILE_ACTION_TUNNELLED_ID_COLLISION"},
      {u"ChangeNotifyAction", 0xF, u"FILE_ACTION_X_MARKED_FOR_DELETION"},
      {u"WindowsError", win::ERROR_ALREADY_EXISTS, u"ERROR_ALREADY_EXISTS"},
      {u"WindowsError", win::ERROR_FILE_EXISTS, u"ERROR_FILE_EXISTS"},
      {u"WindowsError", 1084, u"ERROR_NOT_SAFEBOOT_DEVICE"},
      {u"ShellNotify", 0x20000, u"SHCNE_RENAMEFOLDER"},
      {u"ShellNotify", 0x40000, u"SHCNE_FREESPACE"},
      {u"RegistryDataType", 4, u"REG_DWORD"},
      {u"RegistryDataType", 0xA, u"REG_RESOURCE_REQUIREMENTS_LIST"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(c.Category) + " " + std::to_string(c.Value));
    std::u16string first;
    std::u16string line;
    FlagNamesToText(TVariant(c.Value), c.Category, first, line);
    const std::u16string names = line.substr(line.find(u'(') + 1);
    EXPECT_EQ(names, std::u16string(c.Line) + u")");
  }
}

TEST(FlagNames, LinesAndFirstNames) {
  struct TCase {
    const char* Title;
    TVariant Value;
    const char16_t* Category;
    const char16_t* Line;
    const char16_t* First;
  };
  const TCase cases[] = {
      {"bits with two names for one", TVariant(0x80000001u), u"AccessMode",
       u"AccessMode = 0x80000001 (GENERIC_READ, FILE_READ_DATA)", u"GENERIC_READ"},
      {"every name of a shared bit", TVariant(0x20000), u"AccessMode",
       u"AccessMode = 0x20000 (READ_CONTROL, STANDARD_RIGHTS_READ, STANDARD_RIGHTS_WRITE, "
       u"STANDARD_RIGHTS_EXECUTE)",
       u"READ_CONTROL"},
      {"an unnamed bit", TVariant(0x800000), u"AccessMode",
       u"AccessMode = 0x800000 (UNKNOWN_FLAG_0x800000)", u"UNKNOWN_FLAG_0x800000"},
      {"named bits before unnamed ones, low to high", TVariant(0x00C00003), u"AccessMode",
       u"AccessMode = 0xC00003 (FILE_READ_DATA, FILE_WRITE_DATA, UNKNOWN_FLAG_0x400000, "
       u"UNKNOWN_FLAG_0x800000)",
       u"FILE_READ_DATA"},
      {"no bit", TVariant(0), u"AccessMode", u"AccessMode = 0x0 ()", u"UNKNOWN_0x0"},
      {"an unnamed value", TVariant(7), u"Status", u"Status = 0x7 ()", u"UNKNOWN_0x7"},
      {"the first of equal values", TVariant(0x1B), u"IrpMajorFn",
       u"IrpMajorFn = 0x1B (IRP_MJ_PNP)", u"IRP_MJ_PNP"},
      {"an unknown category", TVariant(5), u"NoSuchCategory",
       u"NoSuchCategory = 0x5 (No flag names - category not found)", u"UNKNOWN_0x5"},
      {"categories match with case", TVariant(5), u"windowserror",
       u"windowserror = 0x5 (No flag names - category not found)", u"UNKNOWN_0x5"},
      {"a negative value shows 16 digits and names its low 32 bits", TVariant(-1), u"Status",
       u"Status = 0xFFFFFFFFFFFFFFFF (STATUS_UNDEFINED)", u"STATUS_UNDEFINED"},
      {"a signed NTSTATUS", TVariant(static_cast<int32_t>(0xC0000022)), u"Status",
       u"Status = 0xFFFFFFFFC0000022 (STATUS_ACCESS_DENIED)", u"STATUS_ACCESS_DENIED"},
      {"bits above 32 are shown, not looked up", TVariant(int64_t{0x100000005}), u"WindowsError",
       u"WindowsError = 0x100000005 (ERROR_ACCESS_DENIED)", u"ERROR_ACCESS_DENIED"},
      {"an unsigned 64-bit word by its bits", TVariant(uint64_t{0x8000000000000001}), u"AccessMode",
       u"AccessMode = 0x8000000000000001 (FILE_READ_DATA)", u"FILE_READ_DATA"},
      {"a number as text", TVariant(u"0x10"), u"FileAttributes",
       u"FileAttributes = 0x10 (FILE_ATTRIBUTE_DIRECTORY)", u"FILE_ATTRIBUTE_DIRECTORY"},
      {"null is 0", TVariant::Null(), u"WindowsError", u"WindowsError = 0x0 (NO_ERROR)",
       u"NO_ERROR"},
      {"the empty text is 0", TVariant(u""), u"Status", u"Status = 0x0 (STATUS_SUCCESS)",
       u"STATUS_SUCCESS"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    std::u16string first = u"stale";
    std::u16string line = u"stale";
    FlagNamesToText(c.Value, c.Category, first, line);
    EXPECT_EQ(Utf8(line), Utf8(c.Line));
    EXPECT_EQ(Utf8(first), Utf8(c.First));
    EXPECT_EQ(FlagName(c.Value, c.Category), first);
  }
  std::u16string first;
  std::u16string line;
  EXPECT_THROW(FlagNamesToText(TVariant(u"abc"), u"Status", first, line), EVariantTypeCastError);
}

TEST(FlagNames, RegistrationReadsMarkersValuesAndNames) {
  TFlagNames names;
  const TVariant items[] = {
      u">Bits", 1,    u"ONE",    4u,   u"FOUR", u"=Kinds",          int64_t{0x100000001},
      u"FIRST", u"1", u"SECOND", u">", 2,       u"UNNAMED_CATEGORY"};
  names.Register(items);
  ASSERT_EQ(names.Categories().size(), 3u);
  EXPECT_EQ(names.Categories()[0]->Category, u"Bits");
  EXPECT_TRUE(names.Categories()[0]->IsAFlag);
  EXPECT_EQ(names.Categories()[1]->Category, u"Kinds");
  EXPECT_FALSE(names.Categories()[1]->IsAFlag);
  EXPECT_EQ(names.Categories()[2]->Category, u"");
  ASSERT_EQ(names.Entries().size(), 5u);
  // Values keep their low 32 bits.
  EXPECT_EQ(names.Entries()[2].Value, 1u);
  EXPECT_EQ(names.Entries()[2].Category, names.Categories()[1].get());

  std::u16string first;
  std::u16string line;
  names.ToText(TVariant(5), u"Bits", first, line);
  EXPECT_EQ(line, u"Bits = 0x5 (ONE, FOUR)");
  names.ToText(TVariant(1), u"Kinds", first, line);
  EXPECT_EQ(line, u"Kinds = 0x1 (FIRST)");
  names.ToText(TVariant(2), u"", first, line);
  EXPECT_EQ(line, u" = 0x2 (UNNAMED_CATEGORY)");
  // A second category of the same name is never found.
  names.Register(std::vector<TVariant>{u"=Bits", 5, u"SHADOWED"});
  names.ToText(TVariant(5), u"Bits", first, line);
  EXPECT_EQ(line, u"Bits = 0x5 (ONE, FOUR)");
}

TEST(FlagNames, RegistrationOfIncompleteOrMisplacedItems) {
  struct TCase {
    const char* Title;
    std::vector<TVariant> Items;
    size_t Categories;
    size_t Entries;
    size_t Alerts;
  };
  const TCase cases[] = {
      {"empty", {}, 0, 0, 0},
      {"a value without its name is not read", {u">A", 1, u"ONE", 2}, 1, 1, 0},
      {"a trailing category marker is not read", {u">A", 1, u"ONE", u">B"}, 1, 1, 0},
      {"a value before any category", {1, u"ORPHAN", u">A", 2, u"TWO"}, 1, 1, 1},
      {"each call starts without a category", {3, u"ORPHAN"}, 0, 0, 1},
      {"a number never starts a category", {u"=A", 62, u"X", 61, u"Y"}, 1, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Title);
    TFlagNames names;
    TAlertCapture alerts;
    names.Register(c.Items);
    EXPECT_EQ(names.Categories().size(), c.Categories);
    EXPECT_EQ(names.Entries().size(), c.Entries);
    EXPECT_EQ(alerts.Count(), c.Alerts);
  }
}

TEST(FlagNames, AFlagOfSeveralBitsAlertsAtEachLookupAndIsStillNamed) {
  TFlagNames names;
  names.Register(std::vector<TVariant>{u">M", 3, u"BOTH", 4, u"FOUR"});
  TAlertCapture alerts;
  std::u16string first;
  std::u16string line;
  names.ToText(TVariant(1), u"M", first, line);
  EXPECT_EQ(line, u"M = 0x1 (BOTH)");
  names.ToText(TVariant(6), u"M", first, line);
  EXPECT_EQ(line, u"M = 0x6 (BOTH, FOUR)");
  EXPECT_EQ(alerts.Count(), 2u);
}

TEST(WindowsErrorToText, NamesListedCodesAndShowsOthersInHex) {
  struct TCase {
    win::DWORD Error;
    const char16_t* Text;
  };
  const TCase cases[] = {
      {0, u"OK"},
      {win::ERROR_FILE_NOT_FOUND, u"ERROR: ERROR_FILE_NOT_FOUND"},
      {win::ERROR_ACCESS_DENIED, u"ERROR: ERROR_ACCESS_DENIED"},
      {1056, u"ERROR: ERROR_SERVICE_ALREADY_RUNNING"},
      {1300, u"ERROR: UNKNOWN_0x514"},
      {0x80070005, u"ERROR: UNKNOWN_0x80070005"},
      {0xFFFFFFFF, u"ERROR: UNKNOWN_0xFFFFFFFF"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Error);
    EXPECT_EQ(Utf8(WindowsErrorToText(c.Error)), Utf8(c.Text));
  }
}

TEST(SuccessToText, ReadsTheLastErrorOnlyForAFailure) {
  TPlatformScope<TSimPlatform> sim;
  struct TCase {
    bool Success;
    win::DWORD LastError;
    const char16_t* Text;
  };
  const TCase cases[] = {
      {true, win::ERROR_ACCESS_DENIED, u"OK"},
      {true, 0, u"OK"},
      {false, win::ERROR_ACCESS_DENIED, u"ERROR: ERROR_ACCESS_DENIED"},
      {false, win::ERROR_SHARING_VIOLATION, u"ERROR: UNKNOWN_0x20"},
      // A failure that set no error is still a failure.
      {false, 0, u"ERROR: NO_ERROR"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.Success) + " " + std::to_string(c.LastError));
    sim->SetLastError(c.LastError);
    EXPECT_EQ(Utf8(SuccessToText(c.Success)), Utf8(c.Text));
    EXPECT_EQ(sim->GetLastError(), c.LastError);
  }
}

TEST(IsMainThread, OnlyOnTheThreadThatStartedTheProcess) {
  EXPECT_TRUE(IsMainThread());
  bool onWorker = true;
  std::thread worker([&onWorker] { onWorker = IsMainThread(); });
  worker.join();
  EXPECT_FALSE(onWorker);
}

TEST(DateTimeToLogText, ShowsDateAndTimeWithColons) {
  struct TCase {
    double DateTime;
    const char16_t* Text;
  };
  const TCase cases[] = {
      {TVariant::DateTime(2016, 3, 1, 12, 34, 56).AsDate(), u"2016-03-01 12:34:56"},
      {TVariant::DateTime(2016, 3, 1, 7, 5, 9, 999).AsDate(), u"2016-03-01 07:05:09"},
      {TVariant::DateTime(2016, 2, 29, 23, 59, 59, 999).AsDate(), u"2016-02-29 23:59:59"},
      // Within half a millisecond of midnight the time rounds into the next day.
      {TVariant::DateTime(2016, 3, 2).AsDate() - 0.0004 / 86'400, u"2016-03-02 00:00:00"},
      {0.0, u"1899-12-30 00:00:00"},
      // Before day 0 the days count backwards and the time forwards.
      {-1.25, u"1899-12-29 06:00:00"},
      // Rounded up to midnight before day 0: the next calendar day, as the variant's text has it.
      {-1.9999999999, u"1899-12-30 00:00:00"},
      {TVariant::DateTime(1, 1, 1, 0, 0, 1).AsDate(), u"0001-01-01 00:00:01"},
      {TVariant::DateTime(9999, 12, 31, 23, 59, 59).AsDate(), u"9999-12-31 23:59:59"},
      {DateTimeMax(), u"9999-01-01 00:00:00"},
      {1e7, u"1e+07"},
      {std::numeric_limits<double>::quiet_NaN(), u"NAN"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.DateTime);
    EXPECT_EQ(Utf8(DateTimeToLogText(c.DateTime)), Utf8(c.Text));
  }
}

TEST(DateTimeMax, IsTheFirstDayOfYear9999) {
  EXPECT_EQ(DateTimeMax(), 2'958'101.0);
  EXPECT_EQ(DateTimeMax(), TVariant::DateTime(9999, 1, 1).AsDate());
}

TEST(VariantToInt64OrZero, NullAndEmptyTextAreZero) {
  struct TCase {
    TVariant Value;
    int64_t Result;
  };
  const TCase cases[] = {
      {TVariant::Null(), 0}, {TVariant(u""), 0},      {TVariant(), 0},
      {TVariant(-42), -42},  {TVariant(u"0x10"), 16}, {TVariant(u" 12 "), 12},
      {TVariant(2.5), 2},    {TVariant(true), -1},    {TVariant(0xFFFFFFFFu), 0xFFFFFFFF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(Utf8(TVariant::TypeName(c.Value.Type())));
    EXPECT_EQ(VariantToInt64OrZero(c.Value), c.Result);
  }
  EXPECT_THROW(VariantToInt64OrZero(TVariant(u"abc")), EVariantTypeCastError);
  EXPECT_THROW(VariantToInt64OrZero(TVariant(u" ")), EVariantTypeCastError);
}

TEST(VarArrayLength, CountsFromLowToHighBound) {
  struct TCase {
    TVariant Value;
    int64_t Length;
  };
  const TCase cases[] = {
      {TVariant::Bytes({1, 2, 3}), 3},
      {TVariant::Bytes({1, 2}, -1), 2},
      {TVariant::Bytes({}, 5), 0},
      {TVariant::Bytes(std::vector<uint8_t>(10), std::numeric_limits<int32_t>::max()), 10},
      {TVariant(5), 0},
      {TVariant(), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Length);
    EXPECT_EQ(VarArrayLength(c.Value), c.Length);
  }
}

}  // namespace
