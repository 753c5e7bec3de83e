// Windows values by their symbolic names for log lines and alerts: access masks as the names of
// their bits, NTSTATUS codes as STATUS_ names, Win32 errors as ERROR_ names; the "OK" / "ERROR: "
// texts that end the log line of a platform call; and a few small helpers of log lines (the
// main-thread test, the date-time text, a forgiving variant-to-integer conversion).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lib/platform/uWinApi.h"

class TVariant;

// A named set of values. IsAFlag: the values are single bits and a value shows as the names of
// all its set bits; otherwise the values are alternatives and a value shows as the one name
// that equals it.
struct TFlagCategory {
  std::u16string Category;
  bool IsAFlag = false;
};

// One named value of a category. Several entries may share a value.
struct TFlagNameEntry {
  const TFlagCategory* Category = nullptr;
  std::u16string StringName;
  uint32_t Value = 0;
};

// Categories and their entries, in registration order, with the lookup that turns a value into
// names. Registration is not synchronised: register before other threads look up; lookups
// from any number of threads afterwards.
class TFlagNames {
 public:
  // Reads a flat array of items. An item whose text starts with ">" (flags) or "=" (values)
  // starts a category named by the rest of the text; any other item is a value (converted to
  // a 64-bit integer and kept as its low 32 bits) and the item after it is its name. Items are
  // read while their index is below the last index, so an array ends with a name. A value
  // before any category raises an alert (Verify) and is skipped. A value or name that does not
  // convert raises EVariantTypeCastError.
  //   {">ShareMode", 1, "FILE_SHARE_READ", 2, "FILE_SHARE_WRITE"}
  void Register(std::span<const TVariant> items);

  // The names of value in the category (exact name, the first registered wins) and the line
  //   <category> = 0x<value in upper-case hex> (<names joined by ", ">)
  // A value category names the first entry equal to the value's low 32 bits. A flag category
  // names every entry whose bit is set (all names of a bit, in registration order; an entry
  // with more than one bit raises an alert through FlagsHas), then UNKNOWN_FLAG_0x<bit> for
  // each set bit without a name. An unknown category gives "(No flag names - category not
  // found)". firstName is the first name, or UNKNOWN_0x<value> when there is none.
  // Null and the empty text count as 0; a text that is no number raises EVariantTypeCastError.
  //   (0x80000001u, "AccessMode") => "AccessMode = 0x80000001 (GENERIC_READ, FILE_READ_DATA)"
  //   (7, "Status")               => "Status = 0x7 ()", first name "UNKNOWN_0x7"
  void ToText(const TVariant& value, std::u16string_view category, std::u16string& firstName,
              std::u16string& line) const;

  // The first registered category of that exact name, or null.
  const TFlagCategory* CategoryFind(std::u16string_view category) const;

  const std::vector<std::unique_ptr<TFlagCategory>>& Categories() const { return FCategories; }
  const std::vector<TFlagNameEntry>& Entries() const { return FEntries; }

 private:
  std::vector<std::unique_ptr<TFlagCategory>> FCategories;  // owns; entries point into it
  std::vector<TFlagNameEntry> FEntries;
};

// The process-wide names, holding the standard table from the first use on. Made on first use
// (safe from other static initialisers) and at the latest during static initialisation of
// this module; freed at process exit.
TFlagNames& FlagNames();

// The five arrays of the standard table (31 categories, 418 entries), in the order they are
// registered: access, share, creation and attribute flags of CreateFileW and security
// information; file and volume information classes; file attributes, IRP functions, operation
// flags and NTSTATUS codes; file-object, filter and IRP flags, NT create dispositions and
// options, pre-operation results and file-system controls; change notifications, Win32 errors,
// shell change events and registry data types. Made anew on each call.
std::vector<std::vector<TVariant>> FlagNamesStandardTable();

// FlagNames().Register(items). Any thread that no lookup runs beside (normally start-up).
void FlagNamesRegister(std::span<const TVariant> items);
void FlagNamesRegister(std::initializer_list<TVariant> items);
// FlagNames().ToText(...). Any thread.
void FlagNamesToText(const TVariant& value, std::u16string_view category, std::u16string& firstName,
                     std::u16string& line);
// The first name of FlagNamesToText. Any thread.   (5, "WindowsError") => "ERROR_ACCESS_DENIED"
std::u16string FlagName(const TVariant& value, std::u16string_view category);

// "OK" for 0; otherwise "ERROR: " and the code's name in "WindowsError", or UNKNOWN_0x and the
// code in hexadecimal.   5 => "ERROR: ERROR_ACCESS_DENIED"   1300 => "ERROR: UNKNOWN_0x514"
// 0x80070005 => "ERROR: UNKNOWN_0x80070005". Any thread.
std::u16string WindowsErrorToText(win::DWORD error);
// "OK" when success; otherwise "ERROR: " and the name of the calling thread's last error, read
// at the call (so call it right after the platform call it reports). A failure never reads
// "OK": with no last error set it gives "ERROR: NO_ERROR". Any thread.
std::u16string SuccessToText(bool success);

// The calling thread is the one that started the process (its id was taken during static
// initialisation). Any thread.
bool IsMainThread();

// The element count of a variant array (high bound - low bound + 1); 0 for a value that is no
// array. Any thread.
int64_t VarArrayLength(const TVariant& array);

// A date-time (OLE date: days since 1899-12-30) as "yyyy-mm-dd hh:nn:ss", 24-hour clock,
// whatever the locale; the milliseconds (the time rounded to them) are dropped. A value that
// is no date of the years 1 to 9999 (NaN, infinite, out of range) gives its number text.
//   2016-03-01 12:34:56.789 => "2016-03-01 12:34:56". Any thread.
std::u16string DateTimeToLogText(double dateTime);
// 9999-01-01 00:00 (OLE date 2958101), the date after every date the system uses.
double DateTimeMax();

// 0 for null and for the empty text; otherwise the value as a 64-bit integer (a conversion
// that cannot be made raises EVariantTypeCastError). Any thread.
int64_t VariantToInt64OrZero(const TVariant& value);
