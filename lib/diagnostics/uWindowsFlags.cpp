// Windows flag names and error texts, and the small helpers of log lines.
#include "lib/diagnostics/uWindowsFlags.h"

#include <cmath>
#include <cstdio>

#include "lib/platform/uPlatform.h"
#include "lib/system/uMisc.h"
#include "lib/values/uMiscLean.h"
#include "lib/values/uVariant.h"

namespace {

// Upper-case hexadecimal without leading zeros: 0 => "0", 0x514 => "514".
std::u16string HexText(uint64_t value) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "%llX", static_cast<unsigned long long>(value));
  return TextFromAscii(buffer);
}

// The value a flag word is given as. An unsigned 64-bit value counts by its bit pattern, so
// that a word with the top bit set is shown rather than refused.
int64_t FlagWordOf(const TVariant& value) {
  if (value.Type() == TVarType::UInt64) return static_cast<int64_t>(value.AsUInt64());
  return VariantToInt64OrZero(value);
}

bool IsCategoryMarker(const TVariant& item) {
  if (!item.IsText()) return false;
  const char16_t first = TextFirstChar(item.AsText());
  return first == u'>' || first == u'=';
}

win::DWORD MainThreadId() {
  static const win::DWORD id = Platform().Process().GetCurrentThreadId();
  return id;
}

// Static initialisation runs on the thread that starts the process; taking the id here makes
// sure it is known before any other thread can ask. The names are registered at the same time.
const bool GStartupDone = (MainThreadId(), FlagNames(), true);

// OLE dates of 0001-01-01 and 9999-12-31, the first and last day a log text shows.
constexpr double kFirstLogDay = -693'593;
constexpr double kLastLogDay = 2'958'465;

}  // namespace

// --- Name tables ---

void TFlagNames::Register(std::span<const TVariant> items) {
  const TFlagCategory* current = nullptr;
  // The last item is never read as a value: an array ends with a name.
  for (size_t i = 0; i + 1 < items.size();) {
    const TVariant& item = items[i];
    if (IsCategoryMarker(item)) {
      const std::u16string text = item.AsText();
      auto category = std::make_unique<TFlagCategory>();
      category->Category = text.substr(1);
      category->IsAFlag = text[0] == u'>';
      current = category.get();
      FCategories.push_back(std::move(category));
      i += 1;
      continue;
    }
    if (Verify(current != nullptr)) {
      const auto value = static_cast<uint32_t>(FlagWordOf(item));
      FEntries.push_back({current, items[i + 1].AsText(), value});
    }
    i += 2;
  }
}

const TFlagCategory* TFlagNames::CategoryFind(std::u16string_view category) const {
  for (const auto& c : FCategories) {
    if (c->Category == category) return c.get();
  }
  return nullptr;
}

void TFlagNames::ToText(const TVariant& value, std::u16string_view category,
                        std::u16string& firstName, std::u16string& line) const {
  const int64_t word = FlagWordOf(value);
  const auto low = static_cast<uint32_t>(word);
  const TFlagCategory* found = CategoryFind(category);
  std::vector<std::u16string> names;
  if (found != nullptr && !found->IsAFlag) {
    for (const auto& entry : FEntries) {
      if (entry.Category == found && entry.Value == low) {
        names.push_back(entry.StringName);
        break;
      }
    }
  } else if (found != nullptr) {
    uint32_t remaining = low;
    for (const auto& entry : FEntries) {
      if (entry.Category == found && FlagsHas(low, entry.Value)) {
        names.push_back(entry.StringName);
        remaining &= ~entry.Value;
      }
    }
    for (int bit = 0; bit < 32; ++bit) {
      const uint32_t mask = uint32_t{1} << bit;
      if ((remaining & mask) != 0) names.push_back(u"UNKNOWN_FLAG_0x" + HexText(mask));
    }
  }

  const std::u16string hex = HexText(static_cast<uint64_t>(word));
  line.assign(category).append(u" = 0x").append(hex).append(u" (");
  if (found == nullptr) line.append(u"No flag names - category not found");
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) line.append(u", ");
    line.append(names[i]);
  }
  line.append(u")");
  firstName = names.empty() ? u"UNKNOWN_0x" + hex : names.front();
}

TFlagNames& FlagNames() {
  static TFlagNames names = [] {
    TFlagNames standard;
    for (const auto& items : FlagNamesStandardTable()) standard.Register(items);
    return standard;
  }();
  return names;
}

void FlagNamesRegister(std::span<const TVariant> items) { FlagNames().Register(items); }

void FlagNamesRegister(std::initializer_list<TVariant> items) {
  FlagNames().Register(std::span<const TVariant>(items.begin(), items.size()));
}

void FlagNamesToText(const TVariant& value, std::u16string_view category, std::u16string& firstName,
                     std::u16string& line) {
  FlagNames().ToText(value, category, firstName, line);
}

std::u16string FlagName(const TVariant& value, std::u16string_view category) {
  std::u16string firstName;
  std::u16string line;
  FlagNamesToText(value, category, firstName, line);
  return firstName;
}

// --- Error texts ---

std::u16string WindowsErrorToText(win::DWORD error) {
  if (error == 0) return u"OK";
  // The code as the unsigned DWORD it is: 0x80070005 shows as such, not sign-extended.
  return u"ERROR: " + FlagName(TVariant(static_cast<uint32_t>(error)), u"WindowsError");
}

std::u16string SuccessToText(bool success) {
  if (success) return u"OK";
  // A call can fail without setting the last error; its line must still show the failure.
  const win::DWORD error = Platform().GetLastError();
  return u"ERROR: " + FlagName(TVariant(static_cast<uint32_t>(error)), u"WindowsError");
}

// --- Small helpers ---

bool IsMainThread() { return Platform().Process().GetCurrentThreadId() == MainThreadId(); }

int64_t VarArrayLength(const TVariant& array) {
  // The same as high bound - low bound + 1, without the overflow of a high bound near 2^31.
  return array.IsArray() ? static_cast<int64_t>(array.ArrayBytes().size()) : 0;
}

std::u16string DateTimeToLogText(double dateTime) {
  if (!std::isfinite(dateTime) || std::trunc(dateTime) < kFirstLogDay ||
      std::trunc(dateTime) > kLastLogDay) {
    return TVariant(dateTime).AsText();
  }
  TOleCalendarTime c;
  OleDateToCalendar(dateTime, c);
  const int64_t seconds = c.Milliseconds / 1000;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d %02d:%02d:%02d",
                static_cast<long long>(c.Year), c.Month, c.Day, static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return TextFromAscii(buffer);
}

double DateTimeMax() { return 2'958'101; }

int64_t VariantToInt64OrZero(const TVariant& value) {
  if (value.IsNull()) return 0;
  if (value.IsText() && value.AsText().empty()) return 0;
  return value.AsInt64();
}

// --- The standard table ---

std::vector<std::vector<TVariant>> FlagNamesStandardTable() {
  // clang-format off
  return {
    {
      // The DELETE right is logged as _DELETE.
      u">AccessMode",
      0x80000000u, u"GENERIC_READ",
      0x40000000u, u"GENERIC_WRITE",
      0x20000000u, u"GENERIC_EXECUTE",
      0x00010000u, u"_DELETE",
      0x00000001u, u"FILE_READ_DATA",
      0x00000002u, u"FILE_WRITE_DATA",
      0x00000004u, u"FILE_APPEND_DATA",
      0x00000008u, u"FILE_READ_EA",
      0x00000010u, u"FILE_WRITE_EA",
      0x00000020u, u"FILE_EXECUTE",
      0x00000080u, u"FILE_READ_ATTRIBUTES",
      0x00000100u, u"FILE_WRITE_ATTRIBUTES",
      0x00020000u, u"READ_CONTROL",
      0x00040000u, u"WRITE_DAC",
      0x00080000u, u"WRITE_OWNER",
      0x00100000u, u"SYNCHRONIZE",
      0x00020000u, u"STANDARD_RIGHTS_READ",
      0x00020000u, u"STANDARD_RIGHTS_WRITE",
      0x00020000u, u"STANDARD_RIGHTS_EXECUTE",

      u">ShareMode",
      0x00000001u, u"FILE_SHARE_READ",
      0x00000002u, u"FILE_SHARE_WRITE",
      0x00000004u, u"FILE_SHARE_DELETE",

      u"=CreationDisposition",
      1u, u"CREATE_NEW",
      4u, u"OPEN_ALWAYS",
      2u, u"CREATE_ALWAYS",
      3u, u"OPEN_EXISTING",
      5u, u"TRUNCATE_EXISTING",

      u">FlagsAndAttributes",
      0x00000001u, u"FILE_ATTRIBUTE_READONLY",
      0x00000002u, u"FILE_ATTRIBUTE_HIDDEN",
      0x00000004u, u"FILE_ATTRIBUTE_SYSTEM",
      0x00000010u, u"FILE_ATTRIBUTE_DIRECTORY",
      0x00000020u, u"FILE_ATTRIBUTE_ARCHIVE",
      0x00000040u, u"FILE_ATTRIBUTE_DEVICE",
      0x00000080u, u"FILE_ATTRIBUTE_NORMAL",
      0x00000100u, u"FILE_ATTRIBUTE_TEMPORARY",
      0x00000200u, u"FILE_ATTRIBUTE_SPARSE_FILE",
      0x00000400u, u"FILE_ATTRIBUTE_REPARSE_POINT",
      0x00000800u, u"FILE_ATTRIBUTE_COMPRESSED",
      0x00001000u, u"FILE_ATTRIBUTE_OFFLINE",
      0x00002000u, u"FILE_ATTRIBUTE_NOT_CONTENT_INDEXED",
      0x00004000u, u"FILE_ATTRIBUTE_ENCRYPTED",
      0x00010000u, u"FILE_ATTRIBUTE_VIRTUAL",
      0x80000000u, u"FILE_FLAG_WRITE_THROUGH",
      0x40000000u, u"FILE_FLAG_OVERLAPPED",
      0x20000000u, u"FILE_FLAG_NO_BUFFERING",
      0x10000000u, u"FILE_FLAG_RANDOM_ACCESS",
      0x08000000u, u"FILE_FLAG_SEQUENTIAL_SCAN",
      0x04000000u, u"FILE_FLAG_DELETE_ON_CLOSE",
      0x02000000u, u"FILE_FLAG_BACKUP_SEMANTICS",
      0x01000000u, u"FILE_FLAG_POSIX_SEMANTICS",
      0x00200000u, u"FILE_FLAG_OPEN_REPARSE_POINT",
      0x00100000u, u"FILE_FLAG_OPEN_NO_RECALL",

      u"=SecurityImpersonation",
      0x00000000u, u"SECURITY_ANONYMOUS",
      0x00010000u, u"SECURITY_IDENTIFICATION",
      0x00020000u, u"SECURITY_IMPERSONATION",
      0x00030000u, u"SECURITY_DELEGATION",
      0x00040000u, u"SECURITY_CONTEXT_TRACKING",
      0x00080000u, u"SECURITY_EFFECTIVE_ONLY",
      0x00100000u, u"SECURITY_SQOS_PRESENT",

      u">SecurityInformation",
      0x00000001u, u"OWNER_SECURITY_INFORMATION",
      0x00000002u, u"GROUP_SECURITY_INFORMATION",
      0x00000004u, u"DACL_SECURITY_INFORMATION",
      0x00000008u, u"SACL_SECURITY_INFORMATION",
    },
    {
      u"=FileInformationClass",
      1u, u"FileDirectoryInformation",
      2u, u"FileFullDirectoryInformation",
      3u, u"FileBothDirectoryInformation",
      4u, u"FileBasicInformation",
      5u, u"FileStandardInformation",
      6u, u"FileInternalInformation",
      7u, u"FileEaInformation",
      8u, u"FileAccessInformation",
      9u, u"FileNameInformation",
      10u, u"FileRenameInformation",
      11u, u"FileLinkInformation",
      12u, u"FileNamesInformation",
      13u, u"FileDispositionInformation",
      14u, u"FilePositionInformation",
      15u, u"FileFullEaInformation",
      16u, u"FileModeInformation",
      17u, u"FileAlignmentInformation",
      18u, u"FileAllInformation",
      19u, u"FileAllocationInformation",
      20u, u"FileEndOfFileInformation",
      21u, u"FileAlternateNameInformation",
      22u, u"FileStreamInformation",
      23u, u"FilePipeInformation",
      24u, u"FilePipeLocalInformation",
      25u, u"FilePipeRemoteInformation",
      26u, u"FileMailslotQueryInformation",
      27u, u"FileMailslotSetInformation",
      28u, u"FileCompressionInformation",
      29u, u"FileObjectIdInformation",
      30u, u"FileCompletionInformation",
      31u, u"FileMoveClusterInformation",
      32u, u"FileQuotaInformation",
      33u, u"FileReparsePointInformation",
      34u, u"FileNetworkOpenInformation",
      35u, u"FileAttributeTagInformation",
      36u, u"FileTrackingInformation",
      37u, u"FileIdBothDirectoryInformation",
      38u, u"FileIdFullDirectoryInformation",
      39u, u"FileValidDataLengthInformation",
      40u, u"FileShortNameInformation",
      41u, u"FileIoCompletionNotificationInformation",
      42u, u"FileIoStatusBlockRangeInformation",
      43u, u"FileIoPriorityHintInformation",
      44u, u"FileSfioReserveInformation",
      45u, u"FileSfioVolumeInformation",
      46u, u"FileHardLinkInformation",
      47u, u"FileProcessIdsUsingFileInformation",
      48u, u"FileNormalizedNameInformation",
      49u, u"FileNetworkPhysicalNameInformation",
      50u, u"FileIdGlobalTxDirectoryInformation",
      51u, u"FileIsRemoteDeviceInformation",
      52u, u"FileUnusedInformation",
      53u, u"FileNumaNodeInformation",
      54u, u"FileStandardLinkInformation",
      55u, u"FileRemoteProtocolInformation",

      // Classes 2 to 9 keep the trailing comma of the names they have always been logged with.
      u"=FsInformationClass",
      1u, u"FileFsVolumeInformation",
      2u, u"FileFsLabelInformation,",
      3u, u"FileFsSizeInformation,",
      4u, u"FileFsDeviceInformation,",
      5u, u"FileFsAttributeInformation,",
      6u, u"FileFsControlInformation,",
      7u, u"FileFsFullSizeInformation,",
      8u, u"FileFsObjectIdInformation,",
      9u, u"FileFsDriverPathInformation,",
      10u, u"FileFsVolumeFlagsInformation",
      11u, u"FileFsSectorSizeInformation",
    },
    {
      u">FileAttributes",
      0x00000001u, u"FILE_ATTRIBUTE_READONLY",
      0x00000002u, u"FILE_ATTRIBUTE_HIDDEN",
      0x00000004u, u"FILE_ATTRIBUTE_SYSTEM",
      0x00000010u, u"FILE_ATTRIBUTE_DIRECTORY",
      0x00000020u, u"FILE_ATTRIBUTE_ARCHIVE",
      0x00000040u, u"FILE_ATTRIBUTE_DEVICE",
      0x00000080u, u"FILE_ATTRIBUTE_NORMAL",
      0x00000100u, u"FILE_ATTRIBUTE_TEMPORARY",
      0x00000200u, u"FILE_ATTRIBUTE_SPARSE_FILE",
      0x00000400u, u"FILE_ATTRIBUTE_REPARSE_POINT",
      0x00000800u, u"FILE_ATTRIBUTE_COMPRESSED",
      0x00001000u, u"FILE_ATTRIBUTE_OFFLINE",
      0x00002000u, u"FILE_ATTRIBUTE_NOT_CONTENT_INDEXED",
      0x00004000u, u"FILE_ATTRIBUTE_ENCRYPTED",
      0x00010000u, u"FILE_ATTRIBUTE_VIRTUAL",

      u"=IrpMajorFn",
      0x00u, u"IRP_MJ_CREATE",
      0x01u, u"IRP_MJ_CREATE_NAMED_PIPE",
      0x02u, u"IRP_MJ_CLOSE",
      0x03u, u"IRP_MJ_READ",
      0x04u, u"IRP_MJ_WRITE",
      0x05u, u"IRP_MJ_QUERY_INFORMATION",
      0x06u, u"IRP_MJ_SET_INFORMATION",
      0x07u, u"IRP_MJ_QUERY_EA",
      0x08u, u"IRP_MJ_SET_EA",
      0x09u, u"IRP_MJ_FLUSH_BUFFERS",
      0x0Au, u"IRP_MJ_QUERY_VOLUME_INFORMATION",
      0x0Bu, u"IRP_MJ_SET_VOLUME_INFORMATION",
      0x0Cu, u"IRP_MJ_DIRECTORY_CONTROL",
      0x0Du, u"IRP_MJ_FILE_SYSTEM_CONTROL",
      0x0Eu, u"IRP_MJ_DEVICE_CONTROL",
      0x0Fu, u"IRP_MJ_INTERNAL_DEVICE_CONTROL",
      0x10u, u"IRP_MJ_SHUTDOWN",
      0x11u, u"IRP_MJ_LOCK_CONTROL",
      0x12u, u"IRP_MJ_CLEANUP",
      0x13u, u"IRP_MJ_CREATE_MAILSLOT",
      0x14u, u"IRP_MJ_QUERY_SECURITY",
      0x15u, u"IRP_MJ_SET_SECURITY",
      0x16u, u"IRP_MJ_POWER",
      0x17u, u"IRP_MJ_SYSTEM_CONTROL",
      0x18u, u"IRP_MJ_DEVICE_CHANGE",
      0x19u, u"IRP_MJ_QUERY_QUOTA",
      0x1Au, u"IRP_MJ_SET_QUOTA",
      0x1Bu, u"IRP_MJ_PNP",
      0x1Bu, u"IRP_MJ_PNP_POWER",
      0x1Bu, u"IRP_MJ_MAXIMUM_FUNCTION",

      u"=IrpMinorFnDirectoryQuery",
      0x01u, u"IRP_MN_QUERY_DIRECTORY",
      0x02u, u"IRP_MN_NOTIFY_CHANGE_DIRECTORY",

      u"=IrpMinorFnLocks",
      0x01u, u"IRP_MN_LOCK",
      0x02u, u"IRP_MN_UNLOCK_SINGLE",
      0x03u, u"IRP_MN_UNLOCK_ALL",
      0x04u, u"IRP_MN_UNLOCK_ALL_BY_KEY",

      u">OperationFlagsCreate",
      0x01u, u"SL_FORCE_ACCESS_CHECK",
      0x02u, u"SL_OPEN_PAGING_FILE",
      0x04u, u"SL_OPEN_TARGET_DIRECTORY",
      0x08u, u"SL_STOP_ON_SYMLINK",
      0x80u, u"SL_CASE_SENSITIVE",

      u">OperationFlagsDirectoryQuery",
      0x01u, u"SL_RESTART_SCAN",
      0x02u, u"SL_RETURN_SINGLE_ENTRY",
      0x04u, u"SL_INDEX_SPECIFIED",

      u">OperationFlagsReadWrite",
      0x01u, u"SL_KEY_SPECIFIED",
      0x02u, u"SL_OVERRIDE_VERIFY_VOLUME",
      0x04u, u"SL_WRITE_THROUGH",
      0x08u, u"SL_FT_SEQUENTIAL_WRITE",
      0x10u, u"SL_FORCE_DIRECT_WRITE",
      0x20u, u"SL_REALTIME_STREAM",

      u">OperationFlagsLocks",
      0x01u, u"SL_FAIL_IMMEDIATELY",
      0x02u, u"SL_EXCLUSIVE_LOCK",

      u">OperationFlagsChangeNotification",
      0x01u, u"SL_WATCH_TREE",

      // The codes a file-system filter meets most, then two values of our own that are no
      // NTSTATUS codes.
      u"=Status",
      0x00000000u, u"STATUS_SUCCESS",
      0x00000102u, u"STATUS_TIMEOUT",
      0x00000104u, u"STATUS_REPARSE",
      0x00000105u, u"STATUS_MORE_ENTRIES",
      0x00000108u, u"STATUS_OPLOCK_BREAK_IN_PROGRESS",
      0x0000010Bu, u"STATUS_NOTIFY_CLEANUP",
      0x0000010Cu, u"STATUS_NOTIFY_ENUM_DIR",
      0x80000005u, u"STATUS_BUFFER_OVERFLOW",
      0x80000006u, u"STATUS_NO_MORE_FILES",
      0xC0000001u, u"STATUS_UNSUCCESSFUL",
      0xC0000002u, u"STATUS_NOT_IMPLEMENTED",
      0xC0000003u, u"STATUS_INVALID_INFO_CLASS",
      0xC0000004u, u"STATUS_INFO_LENGTH_MISMATCH",
      0xC0000008u, u"STATUS_INVALID_HANDLE",
      0xC000000Du, u"STATUS_INVALID_PARAMETER",
      0xC000000Fu, u"STATUS_NO_SUCH_FILE",
      0xC0000010u, u"STATUS_INVALID_DEVICE_REQUEST",
      0xC0000011u, u"STATUS_END_OF_FILE",
      0xC0000022u, u"STATUS_ACCESS_DENIED",
      0xC0000023u, u"STATUS_BUFFER_TOO_SMALL",
      0xC0000033u, u"STATUS_OBJECT_NAME_INVALID",
      0xC0000034u, u"STATUS_OBJECT_NAME_NOT_FOUND",
      0xC0000035u, u"STATUS_OBJECT_NAME_COLLISION",
      0xC000003Au, u"STATUS_OBJECT_PATH_NOT_FOUND",
      0xC0000043u, u"STATUS_SHARING_VIOLATION",
      0xC0000056u, u"STATUS_DELETE_PENDING",
      0xC000009Au, u"STATUS_INSUFFICIENT_RESOURCES",
      0xC00000BAu, u"STATUS_FILE_IS_A_DIRECTORY",
      0xC00000BBu, u"STATUS_NOT_SUPPORTED",
      0xC0000103u, u"STATUS_NOT_A_DIRECTORY",
      0xC0000120u, u"STATUS_CANCELLED",
      0xC01C0004u, u"STATUS_FLT_DISALLOW_FAST_IO",
      0x00000103u, u"STATUS_PENDING",
      0xCCCCCCCCu, u"STATUS_DO_NOT_SEND_ANYTHING",
      0xFFFFFFFFu, u"STATUS_UNDEFINED",
    },
    {
      u">FileObjectFlags",
      0x00000001u, u"FO_FILE_OPEN",
      0x00000002u, u"FO_SYNCHRONOUS_IO",
      0x00000004u, u"FO_ALERTABLE_IO",
      0x00000008u, u"FO_NO_INTERMEDIATE_BUFFERING",
      0x00000010u, u"FO_WRITE_THROUGH",
      0x00000020u, u"FO_SEQUENTIAL_ONLY",
      0x00000040u, u"FO_CACHE_SUPPORTED",
      0x00000080u, u"FO_NAMED_PIPE",
      0x00000100u, u"FO_STREAM_FILE",
      0x00000200u, u"FO_MAILSLOT",
      0x00000400u, u"FO_GENERATE_AUDIT_ON_CLOSE",
      0x00000400u, u"FO_QUEUE_IRP_TO_THREAD",
      0x00000800u, u"FO_DIRECT_DEVICE_OPEN",
      0x00001000u, u"FO_FILE_MODIFIED",
      0x00002000u, u"FO_FILE_SIZE_CHANGED",
      0x00004000u, u"FO_CLEANUP_COMPLETE",
      0x00008000u, u"FO_TEMPORARY_FILE",
      0x00010000u, u"FO_DELETE_ON_CLOSE",
      0x00020000u, u"FO_OPENED_CASE_SENSITIVE",
      0x00040000u, u"FO_HANDLE_CREATED",
      0x00080000u, u"FO_FILE_FAST_IO_READ",
      0x00100000u, u"FO_RANDOM_ACCESS",
      0x00200000u, u"FO_FILE_OPEN_CANCELLED",
      0x00400000u, u"FO_VOLUME_OPEN",
      0x01000000u, u"FO_REMOTE_ORIGIN",
      0x02000000u, u"FO_DISALLOW_EXCLUSIVE",
      0x02000000u, u"FO_SKIP_COMPLETION_PORT",
      0x04000000u, u"FO_SKIP_SET_EVENT",
      0x08000000u, u"FO_SKIP_SET_FAST_IO",

      u">CbdFlags",
      0x00000001u, u"FLTFL_CALLBACK_DATA_IRP_OPERATION",
      0x00000002u, u"FLTFL_CALLBACK_DATA_FAST_IO_OPERATION",
      0x00000004u, u"FLTFL_CALLBACK_DATA_FS_FILTER_OPERATION",
      0x00000008u, u"FLTFL_CALLBACK_DATA_SYSTEM_BUFFER",
      0x00010000u, u"FLTFL_CALLBACK_DATA_GENERATED_IO",
      0x00020000u, u"FLTFL_CALLBACK_DATA_REISSUED_IO",
      0x00040000u, u"FLTFL_CALLBACK_DATA_DRAINING_IO",
      0x00080000u, u"FLTFL_CALLBACK_DATA_POST_OPERATION",
      0x00100000u, u"FLTFL_CALLBACK_DATA_NEW_SYSTEM_BUFFER",
      0x80000000u, u"FLTFL_CALLBACK_DATA_DIRTY",

      u">IrpFlags",
      0x00000001u, u"IRP_NOCACHE",
      0x00000002u, u"IRP_PAGING_IO",
      0x00000002u, u"IRP_MOUNT_COMPLETION",
      0x00000004u, u"IRP_SYNCHRONOUS_API",
      0x00000008u, u"IRP_ASSOCIATED_IRP",
      0x00000010u, u"IRP_BUFFERED_IO",
      0x00000020u, u"IRP_DEALLOCATE_BUFFER",
      0x00000040u, u"IRP_INPUT_OPERATION",
      0x00000040u, u"IRP_SYNCHRONOUS_PAGING_IO",
      0x00000080u, u"IRP_CREATE_OPERATION",
      0x00000100u, u"IRP_READ_OPERATION",
      0x00000200u, u"IRP_WRITE_OPERATION",
      0x00000400u, u"IRP_CLOSE_OPERATION",
      0x00000800u, u"IRP_DEFER_IO_COMPLETION",
      0x00001000u, u"IRP_OB_QUERY_NAME",
      0x00002000u, u"IRP_HOLD_DEVICE_QUEUE",

      u"=MjCreateNtDispositions",
      0u, u"FILE_SUPERSEDE",
      1u, u"FILE_OPEN",
      2u, u"FILE_CREATE",
      3u, u"FILE_OPEN_IF",
      4u, u"FILE_OVERWRITE",
      5u, u"FILE_OVERWRITE_IF",

      u">MjCreateOptions",
      0x00000001u, u"FILE_DIRECTORY_FILE",
      0x00000002u, u"FILE_WRITE_THROUGH",
      0x00000004u, u"FILE_SEQUENTIAL_ONLY",
      0x00000008u, u"FILE_NO_INTERMEDIATE_BUFFERING",
      0x00000010u, u"FILE_SYNCHRONOUS_IO_ALERT",
      0x00000020u, u"FILE_SYNCHRONOUS_IO_NONALERT",
      0x00000040u, u"FILE_NON_DIRECTORY_FILE",
      0x00000080u, u"FILE_CREATE_TREE_CONNECTION",
      0x00000100u, u"FILE_COMPLETE_IF_OPLOCKED",
      0x00000200u, u"FILE_NO_EA_KNOWLEDGE",
      0x00000400u, u"FILE_OPEN_REMOTE_INSTANCE",
      0x00000800u, u"FILE_RANDOM_ACCESS",
      0x00001000u, u"FILE_DELETE_ON_CLOSE",
      0x00002000u, u"FILE_OPEN_BY_FILE_ID",
      0x00004000u, u"FILE_OPEN_FOR_BACKUP_INTENT",
      0x00008000u, u"FILE_NO_COMPRESSION",
      0x00010000u, u"FILE_OPEN_REQUIRING_OPLOCK",
      0x00020000u, u"FILE_DISALLOW_EXCLUSIVE",
      0x00100000u, u"FILE_RESERVE_OPFILTER",
      0x00200000u, u"FILE_OPEN_REPARSE_POINT",
      0x00400000u, u"FILE_OPEN_NO_RECALL",
      0x00800000u, u"FILE_OPEN_FOR_FREE_SPACE_QUERY",

      u"=FilterPreOp",
      0u, u"FLT_PREOP_SUCCESS_WITH_CALLBACK",
      1u, u"FLT_PREOP_SUCCESS_NO_CALLBACK",
      2u, u"FLT_PREOP_PENDING",
      3u, u"FLT_PREOP_DISALLOW_FASTIO",
      4u, u"FLT_PREOP_COMPLETE",
      5u, u"FLT_PREOP_SYNCHRONIZE",

      // The function number of a control code: (code >> 2) & 0xFFF.
      u"=FsCtlFunction",
      0x00u, u"FSCTL_NR_REQUEST_OPLOCK_LEVEL_1",
      0x01u, u"FSCTL_NR_REQUEST_OPLOCK_LEVEL_2",
      0x02u, u"FSCTL_NR_REQUEST_BATCH_OPLOCK",
      0x03u, u"FSCTL_NR_OPLOCK_BREAK_ACKNOWLEDGE",
      0x04u, u"FSCTL_NR_OPBATCH_ACK_CLOSE_PENDING",
      0x05u, u"FSCTL_NR_OPLOCK_BREAK_NOTIFY",
      0x06u, u"FSCTL_NR_LOCK_VOLUME",
      0x07u, u"FSCTL_NR_UNLOCK_VOLUME",
      0x08u, u"FSCTL_NR_DISMOUNT_VOLUME",
      0x14u, u"FSCTL_NR_OPLOCK_BREAK_ACK_NO_2",
      0x17u, u"FSCTL_NR_REQUEST_FILTER_OPLOCK",
      0x29u, u"FSCTL_NR_SET_REPARSE_POINT",
      0x2Au, u"FSCTL_NR_GET_REPARSE_POINT",
      0x2Bu, u"FSCTL_NR_DELETE_REPARSE_POINT",
      0x3Au, u"FSCTL_READ_FILE_USN_DATA",
      0x7Bu, u"FSCTL_RESET_VOLUME_ALLOCATION_HINTS",
      0x90u, u"FSCTL_NR_REQUEST_OPLOCK",
      0x9Cu, u"FSCTL_SET_PURGE_FAILURE_MODE",

      // The device type of a control code: code >> 16.
      u"=FsCtlDevice",
      0x09u, u"FILE_DEVICE_FILE_SYSTEM",
      0x14u, u"FILE_DEVICE_NETWORK_FILE_SYSTEM",
      0x6Du, u"FILE_DEVICE_MOUNT_MGR",
      0x4Du, u"FILE_DEVICE_MOUNT_DEV",
    },
    {
      u">ChangeNotifyChange",
      0x00000001u, u"FILE_NOTIFY_CHANGE_FILE_NAME",
      0x00000002u, u"FILE_NOTIFY_CHANGE_DIR_NAME",
      0x00000004u, u"FILE_NOTIFY_CHANGE_ATTRIBUTES",
      0x00000008u, u"FILE_NOTIFY_CHANGE_SIZE",
      0x00000010u, u"FILE_NOTIFY_CHANGE_LAST_WRITE",
      0x00000020u, u"FILE_NOTIFY_CHANGE_LAST_ACCESS",
      0x00000040u, u"FILE_NOTIFY_CHANGE_CREATION",
      0x00000080u, u"FILE_NOTIFY_CHANGE_EA",
      0x00000100u, u"FILE_NOTIFY_CHANGE_SECURITY",
      0x00000200u, u"FILE_NOTIFY_CHANGE_STREAM_NAME",
      0x00000400u, u"FILE_NOTIFY_CHANGE_STREAM_SIZE",
      0x00000800u, u"FILE_NOTIFY_CHANGE_STREAM_WRITE",

      u"=ChangeNotifyAction",
      0x01u, u"FILE_ACTION_ADDED",
      0x02u, u"FILE_ACTION_REMOVED",
      0x03u, u"FILE_ACTION_MODIFIED",
      0x04u, u"FILE_ACTION_RENAMED_OLD_NAME",
      0x05u, u"FILE_ACTION_RENAMED_NEW_NAME",
      0x06u, u"FILE_ACTION_ADDED_STREAM",
      0x07u, u"FILE_ACTION_REMOVED_STREAM",
      0x08u, u"FILE_ACTION_MODIFIED_STREAM",
      0x09u, u"FILE_ACTION_REMOVED_BY_DELETE",
      0x0Au, u"FILE_ACTION_ID_NOT_TUNNELLED",
      0x0Bu, u"FILE_ACTION_TUNNELLED_ID_COLLISION",
      0x0Fu, u"FILE_ACTION_X_MARKED_FOR_DELETION",

      u"=WindowsError",
      0u, u"NO_ERROR",
      2250u, u"ERROR_NOT_CONNECTED",
      1150u, u"ERROR_OLD_WIN_VERSION",
      1243u, u"ERROR_SERVICE_NOT_FOUND",
      1077u, u"ERROR_SERVICE_NEVER_STARTED",
      1072u, u"ERROR_SERVICE_MARKED_FOR_DELETE",
      1062u, u"ERROR_SERVICE_NOT_ACTIVE",
      1061u, u"ERROR_SERVICE_CANNOT_ACCEPT_CTRL",
      1069u, u"ERROR_SERVICE_LOGON_FAILED",
      1058u, u"ERROR_SERVICE_DISABLED",
      193u, u"ERROR_BAD_EXE_FORMAT",
      2u, u"ERROR_FILE_NOT_FOUND",
      80u, u"ERROR_FILE_EXISTS",
      183u, u"ERROR_ALREADY_EXISTS",
      31u, u"ERROR_GEN_FAILURE",
      1084u, u"ERROR_NOT_SAFEBOOT_DEVICE",
      5u, u"ERROR_ACCESS_DENIED",
      6u, u"ERROR_INVALID_HANDLE",
      120u, u"ERROR_CALL_NOT_IMPLEMENTED",
      1056u, u"ERROR_SERVICE_ALREADY_RUNNING",

      u"=ShellNotify",
      0x00000001u, u"SHCNE_RENAMEITEM",
      0x00000002u, u"SHCNE_CREATE",
      0x00000004u, u"SHCNE_DELETE",
      0x00000008u, u"SHCNE_MKDIR",
      0x00000010u, u"SHCNE_RMDIR",
      0x00000020u, u"SHCNE_MEDIAINSERTED",
      0x00000040u, u"SHCNE_MEDIAREMOVED",
      0x00000080u, u"SHCNE_DRIVEREMOVED",
      0x00000100u, u"SHCNE_DRIVEADD",
      0x00000200u, u"SHCNE_NETSHARE",
      0x00000400u, u"SHCNE_NETUNSHARE",
      0x00000800u, u"SHCNE_ATTRIBUTES",
      0x00001000u, u"SHCNE_UPDATEDIR",
      0x00002000u, u"SHCNE_UPDATEITEM",
      0x00004000u, u"SHCNE_SERVERDISCONNECT",
      0x00008000u, u"SHCNE_UPDATEIMAGE",
      0x00010000u, u"SHCNE_DRIVEADDGUI",
      0x00020000u, u"SHCNE_RENAMEFOLDER",
      0x00040000u, u"SHCNE_FREESPACE",

      u"=RegistryDataType",
      0u, u"REG_NONE",
      1u, u"REG_SZ",
      2u, u"REG_EXPAND_SZ",
      3u, u"REG_BINARY",
      4u, u"REG_DWORD",
      4u, u"REG_DWORD_LITTLE_ENDIAN",
      5u, u"REG_DWORD_BIG_ENDIAN",
      6u, u"REG_LINK",
      7u, u"REG_MULTI_SZ",
      8u, u"REG_RESOURCE_LIST",
      9u, u"REG_FULL_RESOURCE_DESCRIPTOR",
      10u, u"REG_RESOURCE_REQUIREMENTS_LIST",
    },
  };
  // clang-format on
}
