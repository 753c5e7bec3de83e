// Exception base, UTF conversions and number texts.
#include "lib/values/uMiscLean.h"

#include <string>

#include "lib/platform/uPlatform.h"
#include "lib/values/uBuffer.h"
#include "lib/values/uVariant.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out.push_back(static_cast<char16_t>(c));
  } else {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  }
}

}  // namespace

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FWhat(TextToUtf8(FMessage)) {}

std::string TextToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

std::u16string TextFromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80            ? 0
                      : (lead >> 5) == 0x06  ? 1
                      : (lead >> 4) == 0x0E  ? 2
                      : (lead >> 3) == 0x1E  ? 3
                                             : -1;
    if (extra < 0 || i + extra >= text.size()) {
      out.push_back(static_cast<char16_t>(kReplacement));
      ++i;
      continue;
    }
    static constexpr unsigned char kLeadMask[] = {0x7F, 0x1F, 0x0F, 0x07};
    char32_t c = lead & kLeadMask[extra];
    bool valid = true;
    for (int k = 1; k <= extra; ++k) {
      const auto cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) {
        valid = false;
        break;
      }
      c = (c << 6) | (cont & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not characters.
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (valid && (c < kMinimum[extra] || (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) valid = false;
    if (!valid) {
      out.push_back(static_cast<char16_t>(kReplacement));
      ++i;
      continue;
    }
    AppendUtf16(out, c);
    i += extra + 1;
  }
  return out;
}

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

std::u16string VariantAsText(const TVariant& value) {
  if (!value.IsArray()) return value.AsText();
  const std::vector<uint8_t>& bytes = value.ArrayBytes();
  // A view of the variant's bytes: only read here, never written.
  TMemBuffer view;
  view.PointToBufferWithValidData(const_cast<uint8_t*>(bytes.data()),
                                  static_cast<int32_t>(bytes.size()));
  return view.AsHexForDisplay(20);
}

std::u16string VariantAsGroupedText(const TVariant& value) {
  return TextGroupDigits(VariantAsText(value), u',');
}

namespace {

constexpr char16_t kUpperHexDigits[] = u"0123456789ABCDEF";

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

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

bool VariantIsBlank(const TVariant& value) {
  return value.IsEmpty() || value.IsNull() || (value.IsText() && value.AsText().empty());
}

std::u16string VariantBytesToHex(const TVariant& value) {
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string text;
  for (uint8_t byte : value.ArrayBytes()) {
    text.push_back(kDigits[byte >> 4]);
    text.push_back(kDigits[byte & 15]);
  }
  return text;
}

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

// --- Text tests ---

namespace {

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }
char16_t AsciiLower(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool EqualIgnoreCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace

bool TextStartsWith(std::u16string_view text, std::u16string_view prefix) {
  return !prefix.empty() && text.starts_with(prefix);
}

bool TextStartsWithIgnoreCase(std::u16string_view text, std::u16string_view prefix) {
  return !prefix.empty() && text.size() >= prefix.size() &&
         EqualIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool TextInList(std::u16string_view text, std::initializer_list<std::u16string_view> list,
                bool caseSensitive) {
  for (std::u16string_view item : list) {
    if (caseSensitive ? item == text : EqualIgnoreCase(item, text)) return true;
  }
  return false;
}

bool TextInListIgnoreCase(std::u16string_view text, std::initializer_list<std::u16string_view> list) {
  return TextInList(text, list, false);
}

bool TextContains(std::u16string_view needle, std::u16string_view haystack, bool caseSensitive) {
  if (needle.empty()) return false;
  if (caseSensitive) return haystack.find(needle) != std::u16string_view::npos;
  std::u16string lowNeedle(needle), lowHaystack(haystack);
  for (auto& c : lowNeedle) c = AsciiLower(c);
  for (auto& c : lowHaystack) c = AsciiLower(c);
  return lowHaystack.find(lowNeedle) != std::u16string::npos;
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
