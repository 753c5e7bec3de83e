// The path value.
#include "lib/paths/uPaths.h"

#include "lib/system/uMisc.h"
#include "lib/values/uMiscLean.h"

namespace {

constexpr char16_t kBackslash = u'\\';

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Percent-decodes the UTF-8 bytes of a URL: "+" is a space, "%%" a percent sign, "%XX" a byte.
std::u16string UrlDecode(std::u16string_view url) {
  const std::string bytes = TextToUtf8(url);
  std::string decoded;
  decoded.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '+') {
      decoded.push_back(' ');
    } else if (c != '%') {
      decoded.push_back(c);
    } else if (i + 1 < bytes.size() && bytes[i + 1] == '%') {
      decoded.push_back('%');
      ++i;
    } else if (i + 2 >= bytes.size()) {
      throw EConvertError(u"Error decoding URL style (%XX) encoded string at position " +
                          IntToText(static_cast<int64_t>(i + 1)));
    } else {
      const int high = HexValue(bytes[i + 1]), low = HexValue(bytes[i + 2]);
      if (high < 0 || low < 0) {
        throw EConvertError(u"Invalid URL encoded character (" + TextFromUtf8(bytes.substr(i, 3)) +
                            u") at position " + IntToText(static_cast<int64_t>(i + 1)));
      }
      decoded.push_back(static_cast<char>(high * 16 + low));
      i += 2;
    }
  }
  return TextFromUtf8(decoded);
}

}  // namespace

bool PathNamesEqual(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  }
  return true;
}

TPath::TPath(std::u16string_view text) { SetPathFromString(text); }

// --- Text and separator ---

void TPath::Clear() {
  PartsString.clear();
  CustomSeparator.clear();
  FLeadingSeparator = FTrailingSeparator = false;
  FCount = 0;
}

char16_t TPath::Separator() const { return CustomSeparator.empty() ? kBackslash : CustomSeparator[0]; }

void TPath::RecountParts() {
  if (PartsString.empty()) {
    FCount = 0;
    return;
  }
  const char16_t separator = Separator();
  FCount = 1;
  for (char16_t c : PartsString) {
    if (c == separator) ++FCount;
  }
}

void TPath::SetPathFromString(std::u16string_view text) {
  const char16_t separator = Separator();
  FLeadingSeparator = !text.empty() && text.front() == separator;
  FTrailingSeparator = !text.empty() && text.back() == separator;
  PartsString = text;
  if (FLeadingSeparator) PartsString.erase(0, 1);
  if (FTrailingSeparator && !PartsString.empty()) PartsString.pop_back();
  RecountParts();
}

void TPath::SetPathFromUrlTry(std::u16string_view url) {
  if (url.empty()) {
    Clear();
    return;
  }
  SeparatorSet(u'/');
  SetPathFromString(UrlDecode(url));
  if (FCount > 0 && First() == u"file:") {
    // The scheme and the two empty parts of the three-slash form.
    for (int i = 0; i < 3 && FCount > 0; ++i) RemoveFirst();
    SeparatorSet(kBackslash);
  }
}

void TPath::SetPathFromUrl(std::u16string_view url) {
  SetPathFromUrlTry(url);
  Verify(IsNotEmpty());
}

std::u16string TPath::ToString() const {
  std::u16string text;
  text.reserve(PartsString.size() + 2);
  if (FLeadingSeparator) text.push_back(Separator());
  text += PartsString;
  if (FTrailingSeparator) text.push_back(Separator());
  return text;
}

void TPath::SeparatorSet(char16_t separator) {
  const char16_t old = Separator();
  for (char16_t& c : PartsString) {
    if (c == old) c = separator;
  }
  if (separator == kBackslash) CustomSeparator.clear();
  else CustomSeparator = std::u16string(1, separator);
  RecountParts();
}

// --- Parts ---

TRange TPath::PartGetStartAndEnd(int32_t index) const {
  int64_t start = 0, length = 0;
  if (PartsString.empty()) {
    // A path of one empty part (an empty name inserted into an empty path) has its part.
    if (index == 0 && FCount == 1) start = 1;
  } else {
    if (index == 0) start = 1;
    const char16_t separator = Separator();
    int32_t n = 0;
    bool ended = false;
    const auto size = static_cast<int64_t>(PartsString.size());
    for (int64_t p = 1; p <= size; ++p) {
      if (PartsString[static_cast<size_t>(p - 1)] != separator) continue;
      if (n == index) {
        length = p - start;
        ended = true;
        break;
      }
      ++n;
      if (n == index) start = p + 1;
    }
    if (!ended && n == index) length = size - start + 1;
  }
  TRange range;
  if (start == 0) {
    Alert(u"");
    range.SetByLength(0, 0);
  } else {
    range.SetByLength(start, length);
  }
  return range;
}

std::u16string TPath::PartGet(int32_t index) const {
  if (!Verify(index >= 0 && index <= FCount - 1)) return {};
  const TRange range = PartGetStartAndEnd(index);
  if (range.Start() == 0) return {};
  return PartsString.substr(static_cast<size_t>(range.Start() - 1), static_cast<size_t>(range.Length()));
}

void TPath::PartSet(int32_t index, std::u16string_view text) {
  if (!Verify(index >= 0 && index <= FCount - 1)) return;
  const TRange range = PartGetStartAndEnd(index);
  if (range.Start() == 0) return;
  const auto before = static_cast<size_t>(range.Start() - 1);
  const auto after = static_cast<size_t>(range.Start() - 1 + range.Length());
  PartsString = PartsString.substr(0, before) + std::u16string(text) + PartsString.substr(after);
}

std::u16string TPath::Extension() const {
  const std::u16string last = LastGet();
  const size_t dot = last.rfind(u'.');
  if (dot == std::u16string::npos) return {};
  if (last.find_first_of(u":\\", dot) != std::u16string::npos) return {};
  return last.substr(dot);
}

std::u16string TPath::LastWithoutFileExtension() const {
  std::u16string last = LastGet();
  last.resize(last.size() - Extension().size());
  return last;
}

bool TPath::HasExtension(std::u16string_view extension) const {
  Verify(extension.empty() || extension.find(u'.') != std::u16string_view::npos);
  return PathNamesEqual(extension, Extension());
}

bool TPath::HasExtension(std::initializer_list<std::u16string_view> extensions) const {
  for (std::u16string_view extension : extensions) {
    if (HasExtension(extension)) return true;
  }
  return false;
}

std::u16string TPath::ExtractFirst() {
  if (FCount <= 0) {
    Alert(u"");
    return {};
  }
  std::u16string first = First();
  RemoveFirst();
  return first;
}

// --- Editing ---

void TPath::Insert(int32_t index, std::u16string_view text) {
  if (!Verify(index >= 0 && index <= FCount)) return;
  const char16_t separator = Separator();
  if (index == FCount) {
    if (FCount == 0) {
      PartsString = text;
    } else {
      PartsString.push_back(separator);
      PartsString += text;
    }
  } else {
    const TRange range = PartGetStartAndEnd(index);
    std::u16string inserted(text);
    inserted.push_back(separator);
    PartsString.insert(static_cast<size_t>(range.Start() - 1), inserted);
  }
  ++FCount;
}

void TPath::Add(const TPath& other) {
  for (int32_t i = 0; i < other.FCount; ++i) Insert(FCount, other.PartGet(i));
}

void TPath::Remove(int32_t index) {
  if (!Verify(index >= 0 && index <= FCount - 1)) return;
  for (int32_t i = index; i <= FCount - 2; ++i) PartSet(i, PartGet(i + 1));
  if (FCount == 1) {
    PartsString.clear();
  } else {
    const TRange last = PartGetStartAndEnd(FCount - 1);
    // Cut just before the separator that precedes the last part.
    PartsString.resize(static_cast<size_t>(last.Start() - 2));
  }
  --FCount;
}

void TPath::RemoveFirst() { Remove(0); }

void TPath::RemoveLast() { Remove(FCount - 1); }

TPath TPath::WithoutFirst() const {
  TPath copy = *this;
  copy.RemoveFirst();
  return copy;
}

TPath TPath::WithoutLast() const {
  TPath copy = *this;
  copy.RemoveLast();
  return copy;
}

void TPath::Invert() {
  for (int32_t i = 0; i < FCount / 2; ++i) {
    const std::u16string front = PartGet(i);
    const std::u16string back = PartGet(FCount - 1 - i);
    PartSet(i, back);
    PartSet(FCount - 1 - i, front);
  }
}

TPath TPath::Inverted() const {
  TPath copy = *this;
  copy.Invert();
  return copy;
}

void TPath::CopyFirstParts(int32_t n, TPath& result) const {
  result.Clear();
  for (int32_t i = 0; i < n; ++i) result.Add(TPath(PartGet(i)));
  result.FLeadingSeparator = FLeadingSeparator;
  result.FTrailingSeparator = false;
}

void TPath::CopyLastParts(int32_t n, TPath& result) const {
  result.Clear();
  for (int32_t i = FCount - n; i <= FCount - 1; ++i) result.Add(TPath(PartGet(i)));
  result.FLeadingSeparator = FLeadingSeparator;
  result.FTrailingSeparator = FTrailingSeparator;
}

TPath TPath::RelativeTo(const TPath& base) const {
  Verify(base.IsAnyParentOf(*this));
  TPath result;
  CopyLastParts(FCount - base.FCount, result);
  return result;
}

// --- Comparisons ---

bool TPath::IsSameAs(const TPath& other) const {
  if (FCount != other.FCount) return false;
  for (int32_t i = 0; i < FCount; ++i) {
    if (!PathNamesEqual(PartGet(i), other.PartGet(i))) return false;
  }
  return true;
}

bool TPath::IsAnyParentOf(const TPath& other) const {
  if (FCount >= other.FCount) return false;
  for (int32_t i = 0; i < FCount; ++i) {
    if (!PathNamesEqual(PartGet(i), other.PartGet(i))) return false;
  }
  return true;
}

bool TPath::IsParentOf(const TPath& other) const { return other.PathToParent().IsSameAs(*this); }

bool TPath::IsSameOrIsAnyChild(const TPath& other, bool orAnyChild) const {
  return IsSameAs(other) || (orAnyChild && IsAnyChildOf(other));
}

bool TPath::HasSameLastPartsAs(const TPath& other) const {
  if (FCount < other.FCount) return false;
  TPath last;
  CopyLastParts(other.FCount, last);
  return last.IsSameAs(other);
}

bool TPath::HasSameLastPartsAsAny(std::initializer_list<TVariant> others) const {
  for (const TVariant& other : others) {
    if (HasSameLastPartsAs(TPath(other.AsText()))) return true;
  }
  return false;
}

bool TPath::IsOnDrive(const TPath& other) const { return PathNamesEqual(First(), other.First()); }

// --- Name queries ---

bool TPath::HasDirectParentWithName(std::u16string_view name) const {
  return PathNamesEqual(PartGet(FCount - 2), name);
}

bool TPath::HasAnyParentWithName(std::u16string_view name) const {
  for (int32_t i = 0; i <= FCount - 2; ++i) {
    if (PathNamesEqual(PartGet(i), name)) return true;
  }
  return false;
}

bool TPath::HasAnyParentWithNameIn(std::initializer_list<TVariant> names) const {
  for (const TVariant& name : names) {
    if (HasAnyParentWithName(name.AsText())) return true;
  }
  return false;
}

bool TPath::IsOrHasAnyParentWithName(std::u16string_view name) const {
  return PathNamesEqual(LastGet(), name) || HasAnyParentWithName(name);
}

bool TPath::IsOrHasAnyParentWithNameIn(std::initializer_list<TVariant> names) const {
  for (const TVariant& name : names) {
    if (IsOrHasAnyParentWithName(name.AsText())) return true;
  }
  return false;
}

// --- Joins ---

TPath operator+(const TPath& left, const TPath& right) {
  TPath result = left;
  result.Add(right);
  result.TrailingSeparatorSet(right.TrailingSeparator());
  return result;
}

TPath operator+(const TPath& left, std::u16string_view right) { return left + TPath(right); }
TPath operator+(const TPath& left, const char16_t* right) { return left + TPath(right); }
TPath operator+(const TPath& left, const std::u16string& right) { return left + TPath(right); }

std::u16string operator+(std::u16string_view left, const TPath& right) {
  return std::u16string(left) + right.ToString();
}
std::u16string operator+(const char16_t* left, const TPath& right) {
  return std::u16string(left) + right.ToString();
}
std::u16string operator+(const std::u16string& left, const TPath& right) { return left + right.ToString(); }
