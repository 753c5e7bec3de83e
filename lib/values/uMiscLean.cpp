// Exception base, UTF conversions and number texts.
#include "lib/values/uMiscLean.h"

#include <string>

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
  static constexpr char16_t kDigits[] = u"0123456789abcdef";
  std::u16string text = u"(" + IntToText(static_cast<int64_t>(bytes.size())) + u") ";
  auto appendHex = [&](size_t from, size_t to) {
    for (size_t i = from; i < to; ++i) {
      text.push_back(kDigits[bytes[i] >> 4]);
      text.push_back(kDigits[bytes[i] & 15]);
    }
  };
  if (bytes.size() <= 40) {
    appendHex(0, bytes.size());
  } else {
    appendHex(0, 20);
    text += u"...";
    appendHex(bytes.size() - 21, bytes.size());
  }
  return text;
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
