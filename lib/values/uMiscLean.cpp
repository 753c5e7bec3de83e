// Number texts, escapes, text tests and small text functions.
#include "lib/values/uMiscLean.h"

#include <algorithm>
#include <string>

#include "lib/platform/uPlatform.h"
#include "lib/system/uMisc.h"

std::u16string TextFromAscii(std::string_view text) { return std::u16string(text.begin(), text.end()); }

std::u16string IntToText(int64_t value) { return TextFromAscii(std::to_string(value)); }

std::u16string TextGroupDigits(std::u16string_view text, char16_t separator) {
  std::u16string result(text);
  // p counts from 1; inserting at p puts the separator before the character at p.
  for (ptrdiff_t p = static_cast<ptrdiff_t>(text.size()) - 2; p > 1; p -= 3) {
    const char16_t c = text[static_cast<size_t>(p - 2)];
    if (c < u'0' || c > u'9') break;
    result.insert(static_cast<size_t>(p - 1), 1, separator);
  }
  return result;
}

namespace {

constexpr char16_t kUpperHexDigits[] = u"0123456789ABCDEF";

bool IsUrlUnreserved(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')) return true;
  return std::u16string_view(u"@!$'()*-._").find(c) != std::u16string_view::npos;
}

// Code units taken together for the UTF-8 conversion: a valid surrogate pair, else one unit
// (a lone surrogate half then converts to U+FFFD).
size_t CharacterLength(std::u16string_view text, size_t i) {
  const char16_t c = text[i];
  const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                    text[i + 1] <= 0xDFFF;
  return pair ? 2 : 1;
}

}  // namespace

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

int HexDigitValue(char16_t digit) {
  if (digit >= u'0' && digit <= u'9') return digit - u'0';
  if (digit >= u'A' && digit <= u'F') return digit - u'A' + 10;
  if (digit >= u'a' && digit <= u'f') return digit - u'a' + 10;
  throw EConvertError(u"");
}

uint8_t HexPairToByte(char16_t high, char16_t low) {
  return static_cast<uint8_t>(HexDigitValue(high) * 16 + HexDigitValue(low));
}

std::u16string UrlEncodeText(std::u16string_view text) {
  std::u16string result;
  result.reserve(text.size());
  auto appendEscape = [&result](unsigned char byte) {
    result.push_back(u'%');
    result.push_back(kUpperHexDigits[byte >> 4]);
    result.push_back(kUpperHexDigits[byte & 15]);
  };
  for (size_t i = 0; i < text.size();) {
    const char16_t c = text[i];
    if (c >= 128) {
      const size_t length = CharacterLength(text, i);
      for (char byte : TextToUtf8(text.substr(i, length)))
        appendEscape(static_cast<unsigned char>(byte));
      i += length;
      continue;
    }
    if (IsUrlUnreserved(c)) {
      result.push_back(c);
    } else if (c == u' ') {
      result.push_back(u'+');
    } else {
      appendEscape(static_cast<unsigned char>(c));
    }
    ++i;
  }
  return result;
}

std::u16string UrlDecodeText(std::u16string_view text) {
  // A literal NUL ends the text; the encoder writes a NUL as "%00", which decodes to one.
  text = text.substr(0, text.find(u'\0'));
  std::string bytes;
  bytes.reserve(text.size());
  try {
    for (size_t i = 0; i < text.size();) {
      const char16_t c = text[i];
      if (c == u'%') {
        if (i + 1 < text.size() && text[i + 1] == u'%') {
          bytes.push_back('%');
          i += 2;
          continue;
        }
        if (i + 2 >= text.size()) throw EConvertError(u"EConvertError");
        bytes.push_back(static_cast<char>(HexPairToByte(text[i + 1], text[i + 2])));
        i += 3;
      } else if (c == u'+') {
        bytes.push_back(' ');
        ++i;
      } else if (c < 128) {
        bytes.push_back(static_cast<char>(c));
        ++i;
      } else {
        const size_t length = CharacterLength(text, i);
        bytes += TextToUtf8(text.substr(i, length));
        i += length;
      }
    }
  } catch (const EConvertError&) {
    // One error for every kind of malformed escape, whatever the digit check said.
    throw EConvertError(u"EConvertError");
  }
  return TextFromUtf8(bytes);
}

// --- Text tests ---

bool TextStartsWith(std::u16string_view text, std::u16string_view prefix) {
  return !prefix.empty() && text.starts_with(prefix);
}

bool TextStartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
  return !prefix.empty() && text.size() >= prefix.size() &&
         TextEqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool TextInList(std::u16string_view text, std::initializer_list<std::u16string_view> list,
                bool caseSensitive) {
  for (std::u16string_view item : list) {
    if (caseSensitive ? item == text : TextEqualsIgnoreCase(item, text)) return true;
  }
  return false;
}

bool TextInListIgnoreCase(std::u16string_view text, std::initializer_list<std::u16string_view> list) {
  return TextInList(text, list, false);
}

bool TextContains(std::u16string_view needle, std::u16string_view haystack, bool caseSensitive) {
  if (needle.empty()) return false;
  if (caseSensitive) return haystack.find(needle) != std::u16string_view::npos;
  return TextUpperAscii(haystack).find(TextUpperAscii(needle)) != std::u16string::npos;
}

bool IntegerInList(int64_t value, std::initializer_list<int64_t> list) {
  for (int64_t item : list) {
    if (item == value) return true;
  }
  return false;
}

char16_t TextFirstChar(std::u16string_view text) { return text.empty() ? u'\0' : text.front(); }

char16_t TextLastChar(std::u16string_view text) { return text.empty() ? u'\0' : text.back(); }

int64_t TextByteSize(std::u16string_view text) { return 2 * static_cast<int64_t>(text.size()); }

// --- Hexadecimal and numbers ---

std::u16string BytesToHex(std::span<const uint8_t> bytes) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string text;
  text.reserve(2 * bytes.size());
  for (uint8_t byte : bytes) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 15]);
  }
  return text;
}

std::u16string BytesToHexForDisplay(std::span<const uint8_t> bytes, int32_t fromEachSide) {
  const size_t n = fromEachSide > 0 ? static_cast<size_t>(fromEachSide) : 0;
  std::u16string text = u"(" + IntToText(static_cast<int64_t>(bytes.size())) + u") ";
  if (bytes.size() > 2 * n) {
    // n bytes from the start, n + 1 from the end.
    text += BytesToHex(bytes.first(n));
    text += u"...";
    text += BytesToHex(bytes.last(n + 1));
  } else {
    text += BytesToHex(bytes);
  }
  return text;
}

std::u16string IntToDollarHex(int bitWidth, int64_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  auto bits = static_cast<uint64_t>(value);
  std::u16string digits;
  do {
    digits.insert(digits.begin(), kDigits[bits & 15]);
    bits >>= 4;
  } while (bits != 0);
  const size_t minimum = bitWidth > 0 ? static_cast<size_t>(bitWidth / 4) : 0;
  if (digits.size() < minimum) digits.insert(0, minimum - digits.size(), u'0');
  return u"$" + digits;
}

std::u16string PointerToText(const void* pointer) {
  return IntToDollarHex(static_cast<int>(8 * sizeof(void*)),
                        static_cast<int64_t>(reinterpret_cast<uintptr_t>(pointer)));
}

int64_t TextToInt64(std::u16string_view text) {
  if (text.empty()) return 0;
  auto fail = [text]() -> int64_t {
    throw EConvertError(u"'" + std::u16string(text) + u"' is not a valid integer value");
  };
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;  // leading blanks, as the platform's parse
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  unsigned base = 10;
  if (i < text.size() && text[i] == u'$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return fail();
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    const char16_t c = text[i];
    unsigned digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (base == 16 && AsciiUpper(c) >= u'A' && AsciiUpper(c) <= u'F') {
      digit = AsciiUpper(c) - u'A' + 10;
    } else {
      return fail();
    }
    if (magnitude > (UINT64_MAX - digit) / base) return fail();
    magnitude = magnitude * base + digit;
  }
  // Hexadecimal spells the bit pattern ($FFFFFFFFFFFFFFFF is -1); decimal must fit Int64.
  if (base == 10 && magnitude > (negative ? 9223372036854775808ULL : 9223372036854775807ULL)) return fail();
  const auto value = static_cast<int64_t>(magnitude);
  return negative ? static_cast<int64_t>(0 - magnitude) : value;
}

void* TextToPointer(std::u16string_view text) {
  return reinterpret_cast<void*>(static_cast<uintptr_t>(TextToInt64(text)));
}

// --- Small text functions ---

bool TextHasChar(std::u16string_view text, char16_t c) {
  return text.find(c) != std::u16string_view::npos;
}

void TextSplitAtChar(std::u16string_view text, char16_t c, std::u16string& first,
                     std::u16string& rest) {
  const std::u16string_view from = text.substr(!text.empty() && text[0] == c ? 1 : 0);
  const size_t at = from.find(c);
  if (at == std::u16string_view::npos) {
    first = from;
    rest.clear();
  } else {
    first = from.substr(0, at);
    rest = from.substr(at + 1);
  }
}

std::u16string TextRepeat(std::u16string_view text, int n) {
  std::u16string result;
  if (n <= 0) return result;
  result.reserve(text.size() * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) result.append(text);
  return result;
}

std::u16string TextPad(std::u16string_view text, int alignment, int width) {
  const size_t missing = width > 0 && static_cast<size_t>(width) > text.size()
                             ? static_cast<size_t>(width) - text.size()
                             : 0;
  switch (alignment) {
    case 0:
      return std::u16string(text) + std::u16string(missing, u' ');
    case 1:
      return std::u16string(missing, u' ') + std::u16string(text);
    default:
      Alert(u"TextPad: alignment " + IntToText(alignment));
      return std::u16string(text);
  }
}

std::u16string TextTable(const std::vector<std::vector<std::u16string>>& rows,
                         const std::vector<uint8_t>& alignments) {
  std::vector<size_t> widths;
  for (const auto& row : rows) {
    Verify(row.size() <= alignments.size());
    if (widths.size() < row.size()) widths.resize(row.size(), 0);
    for (size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  std::u16string table;
  for (size_t r = 0; r < rows.size(); ++r) {
    if (r > 0) table += u"\r\n";
    for (size_t i = 0; i < rows[r].size(); ++i) {
      if (i > 0) table += u" | ";
      const int alignment = i < alignments.size() ? alignments[i] : 0;
      table += TextPad(rows[r][i], alignment, static_cast<int>(widths[i]));
    }
  }
  return table;
}

// --- Method references ---

std::u16string MethodToText(const TMethod& method) {
  return PointerToText(method.Code) + PointerToText(method.Data);
}

TMethod TextToMethod(std::u16string_view text) {
  const size_t half = text.size() / 2;
  return {TextToPointer(text.substr(0, half)), TextToPointer(text.substr(half))};
}

bool MethodsEqual(const TMethod& a, const TMethod& b) { return a.Code == b.Code && a.Data == b.Data; }

bool MethodIsEmpty(const TMethod& method) { return method.Code == nullptr; }

// --- Memory ---

uint32_t MemoryInUse() {
  const uint64_t bytes = Platform().Memory().HeapBytesInUse();
  return bytes > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(bytes);
}
