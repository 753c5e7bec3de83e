// The tagged value of OLE automation that keys, values and parameters are held in: empty,
// null, signed and unsigned integers of 8 to 64 bits, boolean, double, currency, date-time,
// text, and one-dimensional byte arrays with bounds. Conversions follow the OLE rules; a
// conversion that cannot be made raises EVariantTypeCastError. A value type: copies are
// independent. Any thread, one thread per instance.
//
// Text forms (the same on every platform; nothing parses the float and date forms back):
//   True, False          booleans
//   -42                  integers
//   1.5, 1e+20, 0.1      doubles: the shortest text that reads back to the same double
//   12.3456, -0.5        currency: up to four decimals, trailing zeros dropped
//   2026-12-10 14:34:20.000   date-times (the OLE date: days since 1899-12-30)
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "lib/values/uMiscLean.h"

// The kinds, with their OLE VARTYPE codes.
enum class TVarType : uint16_t {
  Empty = 0,
  Null = 1,
  SmallInt = 2,   // int16
  Integer = 3,    // int32
  Double = 5,
  Currency = 6,   // int64 scaled by 10,000
  Date = 7,       // double, days since 1899-12-30
  String = 8,
  Boolean = 11,
  ShortInt = 16,  // int8
  Byte = 17,      // uint8
  Word = 18,      // uint16
  LongWord = 19,  // uint32
  Int64 = 20,
  UInt64 = 21,
  ByteArray = 0x2011,  // array of bytes with a low bound
};

// A conversion between kinds that cannot be made: null to boolean, "abc" to an integer, an
// array to text, a number out of the target's range.
class EVariantTypeCastError : public Exception {
 public:
  EVariantTypeCastError(TVarType from, TVarType to);
};

class TVariant {
 public:
  TVariant() = default;
  TVariant(bool value) : FType(TVarType::Boolean), FInt(value ? -1 : 0) {}
  TVariant(int8_t value) : FType(TVarType::ShortInt), FInt(value) {}
  TVariant(uint8_t value) : FType(TVarType::Byte), FInt(value) {}
  TVariant(int16_t value) : FType(TVarType::SmallInt), FInt(value) {}
  TVariant(uint16_t value) : FType(TVarType::Word), FInt(value) {}
  TVariant(int32_t value) : FType(TVarType::Integer), FInt(value) {}
  TVariant(uint32_t value) : FType(TVarType::LongWord), FInt(value) {}
  TVariant(long value) : TVariant(static_cast<int64_t>(value), 0) {}
  TVariant(long long value) : TVariant(static_cast<int64_t>(value), 0) {}
  TVariant(unsigned long value) : TVariant(static_cast<uint64_t>(value), 0u) {}
  TVariant(unsigned long long value) : TVariant(static_cast<uint64_t>(value), 0u) {}
  TVariant(double value) : FType(TVarType::Double), FDouble(value) {}
  TVariant(std::u16string value) : FType(TVarType::String), FText(std::move(value)) {}
  TVariant(std::u16string_view value) : TVariant(std::u16string(value)) {}
  TVariant(const char16_t* value) : TVariant(std::u16string(value)) {}
  // No value is made from other pointers or from single characters: a const char* would become
  // the Boolean true and u'x' the integer 120. Texts are UTF-16 (u"..." literals, strings and
  // views); numbers are given as numbers.
  TVariant(std::nullptr_t) = delete;
  TVariant(char) = delete;
  TVariant(char8_t) = delete;
  TVariant(char16_t) = delete;
  TVariant(char32_t) = delete;
  TVariant(wchar_t) = delete;
  template <typename T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char16_t>)
  TVariant(T*) = delete;

  static TVariant Null();
  // Currency from its scaled value: CurrencyFromScaled(15000) is 1.5.
  static TVariant CurrencyFromScaled(int64_t scaled);
  static TVariant Currency(double value);
  // A date-time from an OLE date (days since 1899-12-30, the fraction the time of day).
  static TVariant DateTime(double oleDate);
  static TVariant DateTime(int year, int month, int day, int hour = 0, int minute = 0,
                           int second = 0, int millisecond = 0);
  // A one-dimensional byte array; its elements are numbered lowBound ... lowBound + size - 1.
  static TVariant Bytes(std::vector<uint8_t> bytes, int32_t lowBound = 0);

  TVarType Type() const { return FType; }
  bool IsEmpty() const { return FType == TVarType::Empty; }
  bool IsNull() const { return FType == TVarType::Null; }
  bool IsArray() const { return FType == TVarType::ByteArray; }
  bool IsText() const { return FType == TVarType::String; }
  bool IsBoolean() const { return FType == TVarType::Boolean; }
  // Integer kinds of every width and sign.
  bool IsInteger() const;
  // Integers, double, currency and boolean: the kinds that a flexible array takes as an index.
  bool IsNumeric() const;

  // Conversions by the OLE rules; each raises EVariantTypeCastError when impossible.
  // Empty converts to 0, false and ""; null converts to nothing but the empty text (AsText).
  bool AsBoolean() const;
  int64_t AsInt64() const;       // doubles round to nearest, ties to even
  uint64_t AsUInt64() const;
  int32_t AsInteger() const;
  double AsDouble() const;
  int64_t AsCurrencyScaled() const;
  double AsDate() const;
  // The plain text: empty and null give "", booleans "True"/"False", numbers and dates their
  // text forms above. A byte array has no plain text (raises).
  std::u16string AsText() const;

  // Byte arrays: bounds and bytes. For other kinds: bounds 0, -1 and no bytes.
  int32_t LowBound() const { return IsArray() ? FLowBound : 0; }
  int32_t HighBound() const { return IsArray() ? FLowBound + static_cast<int32_t>(ArrayBytes().size()) - 1 : -1; }
  const std::vector<uint8_t>& ArrayBytes() const;

  // Equality after conversion to a common kind (OLE comparison): two nulls are equal and null
  // equals nothing else; numbers compare by value; texts by code units; a number and a text by
  // the text's number; a boolean and a text by the text's boolean. Kinds that cannot be brought
  // together raise EVariantTypeCastError.
  friend bool operator==(const TVariant& a, const TVariant& b);
  // Same kind and same content, without conversion.
  bool IsIdentical(const TVariant& other) const;

  // The name of a kind as messages show it: "Empty", "Null", "Integer", "String", ...
  static std::u16string_view TypeName(TVarType type);

 private:
  TVariant(int64_t value, int) : FType(TVarType::Int64), FInt(value) {}
  TVariant(uint64_t value, unsigned) : FType(TVarType::UInt64), FUInt(value) {}

  TVarType FType = TVarType::Empty;
  union {
    int64_t FInt = 0;  // signed kinds, boolean (-1 / 0), currency (scaled)
    uint64_t FUInt;    // UInt64
    double FDouble;    // double, date
  };
  std::u16string FText;
  std::shared_ptr<const std::vector<uint8_t>> FBytes;  // immutable once made, so sharing is safe
  int32_t FLowBound = 0;
};

// --- Texts of values ---

// The display text of a value in log lines: a byte array as "(" n ") " and its bytes in
// lowercase hexadecimal (the first 20, "...", the last 21 when n > 40); anything else its
// plain text (empty and null give "", booleans "True"/"False"). Any thread.
//   42 => "42"    bytes 01 02 FF => "(3) 0102ff"    empty byte array => "(0) "
std::u16string VariantAsText(const TVariant& value);
// TextGroupDigits(VariantAsText(value), ','): 1234567 => "1,234,567".
std::u16string VariantAsGroupedText(const TVariant& value);
// True for the empty value, null and the empty text; 0 and false are not blank. Any thread.
bool VariantIsBlank(const TVariant& value);
// The bytes of a byte array in lowercase hexadecimal, two digits each: bytes 0A FF => "0aff".
// Null and every other value that is not an array give "". Any thread.
std::u16string VariantBytesToHex(const TVariant& value);
// A leading "0x" is dropped; the rest, read two hexadecimal digits per byte (a trailing odd digit
// ignored), gives a byte array with low bound 0. Any character that is not a hexadecimal digit
// gives the empty value. Any thread.
//   "0x0aFF" => bytes 0A FF    "0x" => no bytes    "ABC" => bytes AB    "0xzz" => empty value
TVariant HexToVariantBytes(std::u16string_view text);

// --- OLE dates ---

// An OLE date in calendar form (proleptic Gregorian), to the millisecond.
struct TOleCalendarTime {
  int64_t Year = 0;
  int Month = 0;
  int Day = 0;
  int32_t Milliseconds = 0;  // since the day's start, 0 to 86'399'999
};
// The calendar form of an OLE date: days since 1899-12-30, whose whole part names the day and
// whose fraction is the time since that day's start (before day 0 too: -1.25 is 1899-12-29
// 06:00). The time is rounded to the millisecond; a time that rounds up to midnight is the
// next calendar day's start. Not finite or beyond 1e9 days: false, nothing set. Any thread.
//   0.5 => 1899-12-30 12:00:00.000    -1.9999999999 => 1899-12-30 00:00:00.000
bool OleDateToCalendar(double oleDate, TOleCalendarTime& calendar);
