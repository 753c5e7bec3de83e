// Small dependency-free helpers that the whole library leans on: the exception base class,
// the stop-check exception and the UTF-16 <-> UTF-8 conversions used at the platform boundary.
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

// Base of every exception the library raises. Carries a UTF-16 message; what() gives it in
// UTF-8. Any thread.
class Exception : public std::exception {
 public:
  explicit Exception(std::u16string message);
  const std::u16string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FWhat.c_str(); }

 private:
  std::u16string FMessage;
  std::string FWhat;
};

// Raised by the stop checks (StopIf, StopIfNot); the message starts with "Error: ".
class EDebugStop : public Exception {
 public:
  using Exception::Exception;
};

// A text that is not what a conversion needs: not a number, not a hexadecimal digit, a
// malformed escape.
class EConvertError : public Exception {
 public:
  using Exception::Exception;
};

// A byte sequence that is not valid in the encoding it is read with.
class EEncodingError : public Exception {
 public:
  using Exception::Exception;
};

// UTF-16 => UTF-8. A lone surrogate becomes U+FFFD.
std::string TextToUtf8(std::u16string_view text);
// UTF-8 => UTF-16. An invalid byte sequence becomes U+FFFD per offending byte.
std::u16string TextFromUtf8(std::string_view text);
// ASCII-only conversion for literals and numbers: "abc" => u"abc".
std::u16string TextFromAscii(std::string_view text);

// Decimal text of a signed integer: -42 => u"-42".
std::u16string IntToText(int64_t value);

class TVariant;

// The display text of a value in log lines: a byte array as "(" n ") " and its bytes in
// lowercase hexadecimal (the first 20, "...", the last 21 when n > 40); anything else its
// plain text (empty and null give "", booleans "True"/"False"). Any thread.
//   42 => "42"    bytes 01 02 FF => "(3) 0102ff"    empty byte array => "(0) "
std::u16string VariantAsText(const TVariant& value);
// TextGroupDigits(VariantAsText(value), ','): 1234567 => "1,234,567".
std::u16string VariantAsGroupedText(const TVariant& value);
// Inserts the separator between groups of three digits, from the right, while the characters
// are decimal digits:  "1234567" => "1,234,567"   "-1234" => "-1,234"   "123" => "123".
std::u16string TextGroupDigits(std::u16string_view text, char16_t separator);

// "0"-"9" => 0-9, "A"-"F" and "a"-"f" => 10-15; any other character raises EConvertError with an
// empty message. Any thread.
int HexDigitValue(char16_t digit);
// HexDigitValue(high) * 16 + HexDigitValue(low); raises as HexDigitValue.   '7', 'c' => 0x7C
uint8_t HexPairToByte(char16_t high, char16_t low);

// The escaping of keys and values in the flexible array's text form, one UTF-16 code unit at a
// time: A-Z a-z 0-9 @ ! $ ' ( ) * - . _ stay, a space becomes "+", any other code unit below 128
// (NUL included) "%" and two uppercase hexadecimal digits, anything else the "%XX" escapes of its
// UTF-8 bytes. A surrogate pair is encoded as its character; a lone surrogate half as U+FFFD.
// Any thread.
//   "a b|c" => "a+b%7Cc"    "C:\Temp" => "C%3A%5CTemp"    "ä" => "%C3%A4"    "100%" => "100%25"
std::u16string UrlEncodeText(std::u16string_view text);
// The reverse: "%%" gives "%", "%XX" the byte XX, "+" a space, other code units themselves; the
// bytes are then read as UTF-8, an invalid sequence giving U+FFFD. The text ends at its first
// NUL code unit; "%00" gives a NUL, so every encoded text decodes back. A malformed escape (a
// digit that is not hexadecimal, a text that ends inside an escape) raises EConvertError with
// the message "EConvertError"; nothing is returned then. Any thread.
//   "a+b%7Cc" => "a b|c"    "100%%" => "100%"    "%FF" => U+FFFD    "a%2", "%zz" => raises
//   "a%00b" => "a" NUL "b"    "ab" NUL "cd" => "ab"    "%4" NUL "1" => raises
std::u16string UrlDecodeText(std::u16string_view text);

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

// --- Text tests ---
// ASCII folding: only a-z and A-Z compare equal to their other case.

// The prefix is not empty and text starts with it exactly.   ("0x1F", "0x") => true
bool TextStartsWith(std::u16string_view text, std::u16string_view prefix);
// As TextStartsWith, with ASCII folding.   ("VOLUME{x}", "Volume{") => true
bool TextStartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix);
// Some item equals text: exactly when caseSensitive, else with ASCII folding.
bool TextInList(std::u16string_view text, std::initializer_list<std::u16string_view> list,
                bool caseSensitive);
bool TextInListIgnoreCase(std::u16string_view text, std::initializer_list<std::u16string_view> list);
// The needle occurs in the haystack (both ASCII-lowercased first unless caseSensitive); an
// empty needle never occurs.
bool TextContains(std::u16string_view needle, std::u16string_view haystack, bool caseSensitive);
bool IntegerInList(int64_t value, std::initializer_list<int64_t> list);
// The first / last character, or NUL for an empty text.
char16_t TextFirstChar(std::u16string_view text);
char16_t TextLastChar(std::u16string_view text);
// Bytes of the UTF-16 form without terminator: 2 x length.
int64_t TextByteSize(std::u16string_view text);

// --- Hexadecimal and numbers ---

// "$" and the value in uppercase hexadecimal with at least bitWidth / 4 digits; negative
// values show their two's complement.   (32, 255) => "$000000FF"   (8, 4096) => "$1000"
std::u16string IntToDollarHex(int bitWidth, int64_t value);
// "$" and as many uppercase hexadecimal digits as the build's pointers have (8 or 16).
std::u16string PointerToText(const void* pointer);
// "" => 0; decimal with an optional sign, or hexadecimal after "$" or "0x". Anything else
// raises EConvertError.   "-12" => -12   "$FF" => 255
int64_t TextToInt64(std::u16string_view text);
// The pointer whose address TextToInt64(text) gives (its low 32 bits on 32-bit builds).
void* TextToPointer(std::u16string_view text);

// --- Method references ---

// A method reference: the code address and the data (object) address, comparable and
// printable. Delegates (an object and one of its methods) are stored as such pairs.
struct TMethod {
  const void* Code = nullptr;
  const void* Data = nullptr;
};

// PointerToText(code) + PointerToText(data): "$00401000$00000000" on 32-bit builds.
std::u16string MethodToText(const TMethod& method);
// Code from the first (length div 2) characters, data from the rest, each by TextToPointer;
// raises EConvertError for a text that is not two such halves.
TMethod TextToMethod(std::u16string_view text);
bool MethodsEqual(const TMethod& a, const TMethod& b);
// The code address is null (the data is not looked at).
bool MethodIsEmpty(const TMethod& method);

// --- Memory ---

// The bytes of all blocks the process has allocated and not freed, saturated at 4 GiB - 1.
// A snapshot; any thread.
uint32_t MemoryInUse();

// Frees the object and clears the variable that referred to it (cleared first, so the
// destructor never sees a dangling reference through it).
template <typename T>
void FreeAndNil(T*& object) {
  T* doomed = object;
  object = nullptr;
  delete doomed;
}
