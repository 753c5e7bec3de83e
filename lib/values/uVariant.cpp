// The variant and its OLE conversion rules.
#include "lib/values/uVariant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "lib/values/uMiscLean.h"

namespace {

constexpr int64_t kCurrencyScale = 10'000;
// Days from 1899-12-30 (OLE day 0) to 1970-01-01.
constexpr int64_t kOleToUnixDays = 25'569;
constexpr int64_t kMillisecondsPerDay = 86'400'000;

[[noreturn]] void CastFail(TVarType from, TVarType to) { throw EVariantTypeCastError(from, to); }

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
  return text;
}

// ASCII digits only; anything else is not a number.
bool ToAscii(std::u16string_view text, std::string& out) {
  out.clear();
  for (char16_t c : text) {
    if (c >= 0x80) return false;
    out.push_back(static_cast<char>(c));
  }
  return true;
}

// Integer text: optional sign, decimal digits; or "$" / "0x" followed by hexadecimal digits.
bool ParseInt64(std::u16string_view text, int64_t& value) {
  std::string ascii;
  if (!ToAscii(Trim(text), ascii) || ascii.empty()) return false;
  bool negative = false;
  size_t i = 0;
  if (ascii[0] == '-' || ascii[0] == '+') {
    negative = ascii[0] == '-';
    i = 1;
  }
  int base = 10;
  if (ascii.compare(i, 1, "$") == 0) {
    base = 16;
    i += 1;
  } else if (ascii.compare(i, 2, "0x") == 0 || ascii.compare(i, 2, "0X") == 0) {
    base = 16;
    i += 2;
  }
  if (i >= ascii.size()) return false;
  uint64_t magnitude = 0;
  const char* end = ascii.data() + ascii.size();
  auto [ptr, ec] = std::from_chars(ascii.data() + i, end, magnitude, base);
  if (ec != std::errc() || ptr != end) return false;
  if (base == 16 && !negative) {
    // Hexadecimal texts spell the bit pattern: $FFFFFFFFFFFFFFFF is -1.
    value = static_cast<int64_t>(magnitude);
    return true;
  }
  if (negative) {
    if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return false;
    value = static_cast<int64_t>(0 - magnitude);
  } else {
    if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
    value = static_cast<int64_t>(magnitude);
  }
  return true;
}

bool ParseDouble(std::u16string_view text, double& value) {
  std::string ascii;
  if (!ToAscii(Trim(text), ascii) || ascii.empty()) return false;
  const char* begin = ascii.data();
  if (*begin == '+') ++begin;
  const char* end = ascii.data() + ascii.size();
  auto [ptr, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && ptr == end && std::isfinite(value);
}

// Rounds to the nearest integer, ties to even, and checks the range of int64.
bool DoubleToInt64(double value, int64_t& out) {
  if (!std::isfinite(value)) return false;
  const double rounded = std::nearbyint(value);
  if (rounded < -9223372036854775808.0 || rounded >= 9223372036854775808.0) return false;
  out = static_cast<int64_t>(rounded);
  return true;
}

int64_t RoundedDivide(int64_t value, int64_t divisor) {
  // Ties to even, as the OLE currency conversions round.
  int64_t quotient = value / divisor;
  const int64_t remainder = value % divisor;
  const int64_t twice = 2 * (remainder < 0 ? -remainder : remainder);
  if (twice > divisor || (twice == divisor && quotient % 2 != 0)) quotient += value < 0 ? -1 : 1;
  return quotient;
}

std::u16string DoubleToText(double value) {
  if (std::isnan(value)) return u"NAN";
  if (std::isinf(value)) return value < 0 ? u"-INF" : u"INF";
  char buffer[64];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return TextFromAscii(std::string_view(buffer, static_cast<size_t>(ptr - buffer)));
}

std::u16string CurrencyToText(int64_t scaled) {
  const bool negative = scaled < 0;
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string text = (negative ? "-" : "") + std::to_string(magnitude / kCurrencyScale);
  uint64_t fraction = magnitude % kCurrencyScale;
  if (fraction != 0) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04u", static_cast<unsigned>(fraction));
    std::string part(digits);
    while (part.back() == '0') part.pop_back();
    text += "." + part;
  }
  return TextFromAscii(text);
}

// Civil date from days since 1970-01-01 (proleptic Gregorian).
void CivilFromDays(int64_t days, int64_t& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
}

int64_t DaysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

std::u16string DateToText(double oleDate) {
  TOleCalendarTime c;
  if (!OleDateToCalendar(oleDate, c)) return DoubleToText(oleDate);
  const int32_t ms = c.Milliseconds;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d %02d:%02d:%02d.%03d", static_cast<long long>(c.Year),
                c.Month, c.Day, static_cast<int>(ms / 3'600'000), static_cast<int>(ms / 60'000 % 60),
                static_cast<int>(ms / 1000 % 60), static_cast<int>(ms % 1000));
  return TextFromAscii(buffer);
}

bool IsIntegerKind(TVarType type) {
  switch (type) {
    case TVarType::ShortInt: case TVarType::Byte: case TVarType::SmallInt: case TVarType::Word:
    case TVarType::Integer: case TVarType::LongWord: case TVarType::Int64: case TVarType::UInt64:
      return true;
    default:
      return false;
  }
}

}  // namespace

EVariantTypeCastError::EVariantTypeCastError(TVarType from, TVarType to)
    : Exception(u"Could not convert variant of type (" + std::u16string(TVariant::TypeName(from)) +
                u") into type (" + std::u16string(TVariant::TypeName(to)) + u")") {}

std::u16string_view TVariant::TypeName(TVarType type) {
  switch (type) {
    case TVarType::Empty: return u"Empty";
    case TVarType::Null: return u"Null";
    case TVarType::SmallInt: return u"SmallInt";
    case TVarType::Integer: return u"Integer";
    case TVarType::Double: return u"Double";
    case TVarType::Currency: return u"Currency";
    case TVarType::Date: return u"Date";
    case TVarType::String: return u"String";
    case TVarType::Boolean: return u"Boolean";
    case TVarType::ShortInt: return u"ShortInt";
    case TVarType::Byte: return u"Byte";
    case TVarType::Word: return u"Word";
    case TVarType::LongWord: return u"Cardinal";
    case TVarType::Int64: return u"Int64";
    case TVarType::UInt64: return u"UInt64";
    case TVarType::ByteArray: return u"Array Byte";
  }
  return u"Unknown";
}

TVariant TVariant::Null() {
  TVariant v;
  v.FType = TVarType::Null;
  return v;
}

TVariant TVariant::CurrencyFromScaled(int64_t scaled) {
  TVariant v;
  v.FType = TVarType::Currency;
  v.FInt = scaled;
  return v;
}

TVariant TVariant::Currency(double value) {
  int64_t scaled;
  if (!DoubleToInt64(value * kCurrencyScale, scaled)) CastFail(TVarType::Double, TVarType::Currency);
  return CurrencyFromScaled(scaled);
}

TVariant TVariant::DateTime(double oleDate) {
  TVariant v;
  v.FType = TVarType::Date;
  v.FDouble = oleDate;
  return v;
}

TVariant TVariant::DateTime(int year, int month, int day, int hour, int minute, int second,
                            int millisecond) {
  const int64_t days = DaysFromCivil(year, month, day) + kOleToUnixDays;
  const double time = (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + millisecond) / kMillisecondsPerDay;
  // Before day 0 the time of day still counts forwards (away from zero).
  return DateTime(days < 0 ? static_cast<double>(days) - time : static_cast<double>(days) + time);
}

TVariant TVariant::Bytes(std::vector<uint8_t> bytes, int32_t lowBound) {
  TVariant v;
  v.FType = TVarType::ByteArray;
  v.FBytes = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  v.FLowBound = lowBound;
  return v;
}

const std::vector<uint8_t>& TVariant::ArrayBytes() const {
  static const std::vector<uint8_t> none;
  return IsArray() && FBytes ? *FBytes : none;
}

bool TVariant::IsInteger() const { return IsIntegerKind(FType); }

bool TVariant::IsNumeric() const {
  return IsIntegerKind(FType) || FType == TVarType::Double || FType == TVarType::Currency ||
         FType == TVarType::Boolean;
}

bool TVariant::AsBoolean() const {
  switch (FType) {
    case TVarType::Empty: return false;
    case TVarType::Boolean: return FInt != 0;
    case TVarType::UInt64: return FUInt != 0;
    case TVarType::Double: case TVarType::Date: return FDouble != 0;
    case TVarType::String: {
      const std::u16string_view text = Trim(FText);
      if (TextEqualsIgnoreCase(text, u"true")) return true;
      if (TextEqualsIgnoreCase(text, u"false")) return false;
      double number;
      if (ParseDouble(text, number)) return number != 0;
      int64_t integer;
      if (ParseInt64(text, integer)) return integer != 0;
      CastFail(FType, TVarType::Boolean);
    }
    case TVarType::Null: case TVarType::ByteArray:
      CastFail(FType, TVarType::Boolean);
    default:
      return FInt != 0;  // signed kinds and currency
  }
}

int64_t TVariant::AsInt64() const {
  switch (FType) {
    case TVarType::Empty: return 0;
    case TVarType::UInt64:
      if (FUInt > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) CastFail(FType, TVarType::Int64);
      return static_cast<int64_t>(FUInt);
    case TVarType::Double: case TVarType::Date: {
      int64_t value;
      if (!DoubleToInt64(FDouble, value)) CastFail(FType, TVarType::Int64);
      return value;
    }
    case TVarType::Currency: return RoundedDivide(FInt, kCurrencyScale);
    case TVarType::String: {
      int64_t value;
      if (ParseInt64(FText, value)) return value;
      double number;
      if (ParseDouble(FText, number) && DoubleToInt64(number, value)) return value;
      CastFail(FType, TVarType::Int64);
    }
    case TVarType::Null: case TVarType::ByteArray:
      CastFail(FType, TVarType::Int64);
    default:
      return FInt;  // signed kinds, boolean
  }
}

uint64_t TVariant::AsUInt64() const {
  if (FType == TVarType::UInt64) return FUInt;
  if (FType == TVarType::String) {
    uint64_t value;
    std::string ascii;
    if (ToAscii(Trim(FText), ascii) && !ascii.empty() && ascii[0] != '-') {
      auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
      if (ec == std::errc() && ptr == ascii.data() + ascii.size()) return value;
    }
  }
  const int64_t value = AsInt64();
  if (value < 0) CastFail(FType, TVarType::UInt64);
  return static_cast<uint64_t>(value);
}

int32_t TVariant::AsInteger() const {
  const int64_t value = AsInt64();
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    CastFail(FType, TVarType::Integer);
  }
  return static_cast<int32_t>(value);
}

double TVariant::AsDouble() const {
  switch (FType) {
    case TVarType::Empty: return 0;
    case TVarType::UInt64: return static_cast<double>(FUInt);
    case TVarType::Double: case TVarType::Date: return FDouble;
    case TVarType::Currency: return static_cast<double>(FInt) / kCurrencyScale;
    case TVarType::String: {
      double value;
      if (ParseDouble(FText, value)) return value;
      int64_t integer;
      if (ParseInt64(FText, integer)) return static_cast<double>(integer);
      CastFail(FType, TVarType::Double);
    }
    case TVarType::Null: case TVarType::ByteArray:
      CastFail(FType, TVarType::Double);
    default:
      return static_cast<double>(FInt);
  }
}

int64_t TVariant::AsCurrencyScaled() const {
  switch (FType) {
    case TVarType::Currency: return FInt;
    case TVarType::Double: case TVarType::Date: case TVarType::String: case TVarType::UInt64: {
      int64_t scaled;
      if (!DoubleToInt64(AsDouble() * kCurrencyScale, scaled)) CastFail(FType, TVarType::Currency);
      return scaled;
    }
    default: {
      const int64_t value = AsInt64();
      if (value > std::numeric_limits<int64_t>::max() / kCurrencyScale ||
          value < std::numeric_limits<int64_t>::min() / kCurrencyScale) {
        CastFail(FType, TVarType::Currency);
      }
      return value * kCurrencyScale;
    }
  }
}

double TVariant::AsDate() const {
  if (FType == TVarType::Boolean) CastFail(FType, TVarType::Date);
  try {
    return AsDouble();
  } catch (const EVariantTypeCastError&) {
    CastFail(FType, TVarType::Date);
  }
}

std::u16string TVariant::AsText() const {
  switch (FType) {
    case TVarType::Empty: case TVarType::Null: return u"";
    case TVarType::Boolean: return FInt != 0 ? u"True" : u"False";
    case TVarType::UInt64: return TextFromAscii(std::to_string(FUInt));
    case TVarType::Double: return DoubleToText(FDouble);
    case TVarType::Date: return DateToText(FDouble);
    case TVarType::Currency: return CurrencyToText(FInt);
    case TVarType::String: return FText;
    case TVarType::ByteArray: CastFail(FType, TVarType::String);
    default: return IntToText(FInt);
  }
}

bool TVariant::IsIdentical(const TVariant& other) const {
  if (FType != other.FType) return false;
  switch (FType) {
    case TVarType::Empty: case TVarType::Null: return true;
    case TVarType::Double: case TVarType::Date:
      return FDouble == other.FDouble || (std::isnan(FDouble) && std::isnan(other.FDouble));
    case TVarType::String: return FText == other.FText;
    case TVarType::ByteArray: return FLowBound == other.FLowBound && ArrayBytes() == other.ArrayBytes();
    case TVarType::UInt64: return FUInt == other.FUInt;
    default: return FInt == other.FInt;
  }
}

bool operator==(const TVariant& a, const TVariant& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull();
  if (a.IsArray() || b.IsArray()) {
    if (a.IsArray() && b.IsArray()) return a.IsIdentical(b);
    CastFail(a.Type(), b.Type());
  }
  if (a.IsEmpty() && b.IsEmpty()) return true;
  if (a.IsText() && b.IsText()) return a.FText == b.FText;
  // Empty meets the other kind as its zero: 0, false or the empty text.
  if (a.IsEmpty() || b.IsEmpty()) {
    const TVariant& other = a.IsEmpty() ? b : a;
    if (other.IsText()) return other.FText.empty();
    return other.AsDouble() == 0;
  }
  if (a.IsBoolean() || b.IsBoolean()) {
    const TVariant& other = a.IsBoolean() ? b : a;
    const bool flag = (a.IsBoolean() ? a : b).FInt != 0;
    if (other.IsText()) return other.AsBoolean() == flag;
    if (other.IsBoolean()) return other.AsBoolean() == flag;
    return other.AsDouble() == (flag ? -1.0 : 0.0);
  }
  // Integers compare exactly, whatever their widths and signs.
  if (a.IsInteger() && b.IsInteger()) {
    if (a.FType == TVarType::UInt64 || b.FType == TVarType::UInt64) {
      const TVariant& u = a.FType == TVarType::UInt64 ? a : b;
      const TVariant& other = a.FType == TVarType::UInt64 ? b : a;
      if (other.FType == TVarType::UInt64) return u.FUInt == other.FUInt;
      return other.FInt >= 0 && static_cast<uint64_t>(other.FInt) == u.FUInt;
    }
    return a.FInt == b.FInt;
  }
  if ((a.IsInteger() && b.IsText()) || (a.IsText() && b.IsInteger())) {
    const TVariant& text = a.IsText() ? a : b;
    const TVariant& number = a.IsText() ? b : a;
    int64_t parsed;
    if (number.FType != TVarType::UInt64 && ParseInt64(text.FText, parsed)) return parsed == number.FInt;
  }
  if (a.FType == TVarType::Currency && b.FType == TVarType::Currency) return a.FInt == b.FInt;
  return a.AsDouble() == b.AsDouble();
}

// --- Texts of values ---

std::u16string VariantAsText(const TVariant& value) {
  return value.IsArray() ? BytesToHexForDisplay(value.ArrayBytes(), 20) : value.AsText();
}

std::u16string VariantAsGroupedText(const TVariant& value) {
  return TextGroupDigits(VariantAsText(value), u',');
}

bool VariantIsBlank(const TVariant& value) {
  return value.IsEmpty() || value.IsNull() || (value.IsText() && value.AsText().empty());
}

std::u16string VariantBytesToHex(const TVariant& value) { return BytesToHex(value.ArrayBytes()); }

TVariant HexToVariantBytes(std::u16string_view text) {
  if (text.substr(0, 2) == u"0x") text.remove_prefix(2);
  for (char16_t c : text) {
    if (!IsHexDigit(c)) return TVariant();
  }
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2)
    bytes.push_back(HexPairToByte(text[i], text[i + 1]));
  return TVariant::Bytes(std::move(bytes));
}

// --- OLE dates ---

bool OleDateToCalendar(double oleDate, TOleCalendarTime& calendar) {
  if (!std::isfinite(oleDate) || std::fabs(oleDate) > 1e9) return false;
  // The whole part names the day (counting backwards before day 0); the fraction counts
  // forwards from that day's start, whatever the sign.
  int64_t days = static_cast<int64_t>(std::trunc(oleDate));
  int64_t milliseconds =
      std::llround(std::fabs(oleDate - static_cast<double>(days)) * kMillisecondsPerDay);
  if (milliseconds >= kMillisecondsPerDay) {
    // Rounded up to midnight: the start of the next calendar day, which for a negative date is
    // the day nearer to day 0 (-1.9999999999 is 1899-12-29 23:59:59.99999 => 1899-12-30).
    milliseconds -= kMillisecondsPerDay;
    days += 1;
  }
  CivilFromDays(days - kOleToUnixDays, calendar.Year, calendar.Month, calendar.Day);
  calendar.Milliseconds = static_cast<int32_t>(milliseconds);
  return true;
}
