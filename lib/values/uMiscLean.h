// Small helpers that the whole library leans on: conversion errors, number and hexadecimal
// texts, URL escapes, text tests and small text functions. The UTF-16 <-> UTF-8 conversions and
// ASCII folding are the platform boundary's (lib/platform/uPlatformText.h); the exception base
// is the checks' (lib/system/uMisc.h). Any thread.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "lib/platform/uPlatformText.h"
#include "lib/system/uMisc.h"

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

// ASCII-only conversion for literals and numbers: "abc" => u"abc".
std::u16string TextFromAscii(std::string_view text);

// Decimal text of a signed integer: -42 => u"-42".
std::u16string IntToText(int64_t value);

// Inserts the separator between groups of three digits, from the right, while the characters
// are decimal digits:  "1234567" => "1,234,567"   "-1234" => "-1,234"   "123" => "123".
std::u16string TextGroupDigits(std::u16string_view text, char16_t separator);

// The character is a hexadecimal digit: 0-9, A-F or a-f.
bool IsHexDigit(char16_t c);
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
// The bytes in lowercase hexadecimal, two digits each: {0A FF} => "0aff".
std::u16string BytesToHex(std::span<const uint8_t> bytes);
// Bytes for a log line: "(" n ") " and the bytes in lowercase hexadecimal; when n exceeds
// 2 x fromEachSide, the first fromEachSide bytes, "...", and the last fromEachSide + 1. A negative
// fromEachSide counts as 0.   ({01 02 FF}, 20) => "(3) 0102ff"   ({}, 20) => "(0) "
std::u16string BytesToHexForDisplay(std::span<const uint8_t> bytes, int32_t fromEachSide);
// "$" and as many uppercase hexadecimal digits as the build's pointers have (8 or 16).
std::u16string PointerToText(const void* pointer);
// "" => 0; decimal with an optional sign, or hexadecimal after "$" or "0x". Anything else
// raises EConvertError.   "-12" => -12   "$FF" => 255
int64_t TextToInt64(std::u16string_view text);
// The pointer whose address TextToInt64(text) gives (its low 32 bits on 32-bit builds).
void* TextToPointer(std::u16string_view text);

// --- Small text functions ---

// The character occurs in the text.
bool TextHasChar(std::u16string_view text, char16_t c);
// Skips the character when the text begins with it, then splits at its next occurrence:
//   ("a|b|c", '|') => "a", "b|c"   ("|a|b", '|') => "a", "b"   ("abc", '|') => "abc", ""
void TextSplitAtChar(std::u16string_view text, char16_t c, std::u16string& first,
                     std::u16string& rest);
// The text n times; empty for n <= 0.
std::u16string TextRepeat(std::u16string_view text, int n);
// Spaces up to the width: alignment 0 after the text (left-aligned), 1 before it (right-
// aligned). Any other alignment raises an alert and gives the text unpadded.
//   ("ab", 0, 4) => "ab  "   ("ab", 1, 4) => "  ab"   ("abcde", 0, 4) => "abcde"
std::u16string TextPad(std::u16string_view text, int alignment, int width);
// Rows of cells laid out in columns as wide as their longest cell, each cell padded with its
// column's alignment; cells joined by " | ", rows by CR LF. A row with more cells than there
// are alignments raises an alert; its extra cells are left-aligned.
//   {{"a", "1"}, {"bcd", "22"}}, {0, 1} => "a   |  1\r\nbcd | 22"
std::u16string TextTable(const std::vector<std::vector<std::u16string>>& rows,
                         const std::vector<uint8_t>& alignments);

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
