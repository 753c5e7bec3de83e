// The path value.
#include "lib/paths/uPaths.h"

#include "lib/diagnostics/uWindowsFlags.h"
#include "lib/platform/uPlatform.h"
#include "lib/platform/uPlatformText.h"
#include "lib/system/uMisc.h"
#include "lib/values/uMiscLean.h"

namespace {

constexpr char16_t kBackslash = u'\\';

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
  return TextEqualsIgnoreCase(a, b);
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
  // other may be this path, whose count grows with every part appended.
  const int32_t count = other.FCount;
  for (int32_t i = 0; i < count; ++i) Insert(FCount, other.PartGet(i));
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
  TPath copy;  // result may be this path
  for (int32_t i = 0; i < n; ++i) copy.Add(TPath(PartGet(i)));
  copy.FLeadingSeparator = FLeadingSeparator;
  copy.FTrailingSeparator = false;
  result = std::move(copy);
}

void TPath::CopyLastParts(int32_t n, TPath& result) const {
  TPath copy;  // result may be this path
  for (int32_t i = FCount - n; i <= FCount - 1; ++i) copy.Add(TPath(PartGet(i)));
  copy.FLeadingSeparator = FLeadingSeparator;
  copy.FTrailingSeparator = FTrailingSeparator;
  result = std::move(copy);
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

// --- Classification and NT device paths ---

bool TPath::IsPathInNt() const {
  const bool inNt = FLeadingSeparator && FCount >= 1 && !First().empty();
  if (inNt) AlertIf(!PathNamesEqual(First(), u"Device"), u"");
  return inNt;
}

bool TPath::IsDeviceMup() const {
  Verify(IsPathInNt());
  return FCount >= 2 && PathNamesEqual(PartGet(1), u"Mup");
}

bool TPath::IsPathToDrive() const {
  Verify(!IsPathInNt());
  if (FCount < 1) return false;
  const std::u16string first = First();
  return first.size() == 2 && first[1] == u':';
}

bool TPath::IsDrive() const { return IsPathToDrive() && FCount == 1; }

bool TPath::IsPathToPcItself() const {
  return FCount == 2 && PartGet(0).empty() && PartGet(1) == u"?";
}

bool TPath::IsPathToVolume() const {
  Verify(!IsPathInNt());
  return FCount >= 3 && PartGet(0).empty() && PartGet(1) == u"?" &&
         TextStartsWithIgnoreCase(PartGet(2), u"Volume{");
}

bool TPath::IsPathToNetwork() const {
  Verify(!IsPathInNt());
  return FCount >= 2 && PartGet(0).empty() && PartGet(1) != u"?";
}

std::u16string TPath::QueryDeviceName() const {
  std::u16string name;
  if (IsPathToDrive()) {
    name = First();
  } else if (IsPathToVolume()) {
    name = PartGet(2);
  } else if (IsPathToNetwork()) {
    // The redirector's device; no DOS device has this name, so the query finds none.
    name = u"\\Device\\Mup";
  } else {
    Alert(u"");
    return {};
  }
  char16_t buffer[win::MAX_PATH + 1] = {};
  if (Platform().Files().QueryDosDeviceW(name, buffer, win::MAX_PATH + 1) == 0) return {};
  // The first of the texts the buffer holds.
  const std::u16string_view targets(buffer, win::MAX_PATH + 1);
  return std::u16string(targets.substr(0, targets.find(u'\0')));
}

void TPath::PathToDevice(TPath& result) const {
  result.Clear();
  result.FLeadingSeparator = FLeadingSeparator;
  if (IsPathInNt()) {
    Verify(PathNamesEqual(First(), u"Device"));
    result.Add(TPath(PartGet(0)));
    result.Add(TPath(PartGet(1)));
  } else if (IsPathToDrive()) {
    result.Add(TPath(First()));
  } else if (IsPathToVolume()) {
    // All three parts, the empty one too, so that PathOnDevice leaves only the names below.
    result.Insert(result.FCount, u"");
    result.Insert(result.FCount, u"?");
    result.Insert(result.FCount, PartGet(2));
  } else {
    Alert(u"");
  }
}

void TPath::PathOnDevice(TPath& result) const {
  TPath device;
  PathToDevice(device);
  CopyLastParts(FCount - device.FCount, result);
}

void TPath::NtPath(TPath& result) const {
  result.Clear();
  if (!Verify(!IsPathInNt())) return;
  const TPath device(QueryDeviceName());
  if (device.FCount < 2) return;
  TPath link;
  device.CopyFirstParts(2, link);
  const TPath target(NtSymbolicLinkTarget(link.ToString()));
  // A link (\??\C: of a substituted drive) leads to its target; the rest of the device's
  // parts (the substituted folder) follow it.
  const TPath fullDevice =
      target.IsNotEmpty() ? target + device.WithoutFirst().WithoutFirst() : device;
  TPath below;
  PathOnDevice(below);
  result = fullDevice + below;
}

void TPath::NtPathClean(TPath& result) const {
  result = *this;
  if (!IsDeviceMup() || !Verify(FCount >= 3)) return;
  while (result.FCount >= 3 && TextStartsWith(result.PartGet(2), u";")) result.Remove(2);
}

void TPath::NtDeviceNameToVolumePath(TPath& result) const {
  std::vector<std::u16string> volumes;
  VolumeNamesList(volumes);
  for (const std::u16string& name : volumes) {
    const TPath volume(name);
    const TPath device(volume.QueryDeviceName());
    if (device.IsNotEmpty() && device.IsSameAs(*this)) {
      result = volume;
      return;
    }
  }
}

void TPath::SplitIntoFirstAndRemainder(std::u16string& first, TPath& remainder) const {
  remainder = *this;
  first = FCount > 0 ? remainder.ExtractFirst() : std::u16string();
}

void VolumeNamesList(std::vector<std::u16string>& list) {
  list.clear();
  TPlatform& platform = Platform();
  TPlatformFiles& files = platform.Files();
  char16_t buffer[win::MAX_PATH + 1] = {};
  const win::HANDLE find = files.FindFirstVolumeW(buffer, win::MAX_PATH);
  if (find == win::INVALID_HANDLE_VALUE) return;
  do {
    list.emplace_back(buffer);
  } while (files.FindNextVolumeW(find, buffer, win::MAX_PATH));
  Verify(platform.GetLastError() == win::ERROR_NO_MORE_FILES);
  files.FindVolumeClose(find);
}

// --- File operations ---

namespace {

constexpr win::DWORD kShareAll = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE;

TPlatformFiles& Files() { return Platform().Files(); }

// The text the platform gets: the prefixed path, without a trailing separator where asked.
std::u16string PlatformText(TPath path, bool withoutTrailing = false) {
  LongPathPrefixAdd(path);
  if (withoutTrailing) path.TrailingSeparatorSet(false);
  return path.ToString();
}

bool DeleteOnce(const std::u16string& text) {
  if (Files().DeleteFileW(text)) return true;
  const win::DWORD error = Platform().GetLastError();
  // A symbolic link to a folder is removed as a folder.
  const win::DWORD attributes = Files().GetFileAttributesW(text);
  if (attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) &&
      (attributes & win::FILE_ATTRIBUTE_DIRECTORY)) {
    if (Files().RemoveDirectoryW(text)) return true;
  }
  Platform().SetLastError(error);
  return false;
}

void FolderListInto(const TPath& folder, const TPath& relative, bool recursive, std::u16string_view pattern,
                    win::DWORD mask, TFlexArray& list) {
  AlertIf(relative.LeadingSeparator(), u"");
  const std::u16string search = (folder + relative + pattern).ToString();
  // Hidden, system and folder entries only come when the filter (the mask plus folders) has
  // their bit.
  const win::DWORD filter = mask | win::FILE_ATTRIBUTE_DIRECTORY;
  constexpr win::DWORD kSkippable =
      win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM | win::FILE_ATTRIBUTE_DIRECTORY;
  win::WIN32_FIND_DATAW data;
  const win::HANDLE find = Files().FindFirstFileW(search, &data);
  if (find == win::INVALID_HANDLE_VALUE) return;
  do {
    if ((data.dwFileAttributes & kSkippable & ~filter) != 0) continue;
    if (data.cFileName == u"." || data.cFileName == u"..") continue;
    const bool isFolder = (data.dwFileAttributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
    TPath entry = relative;
    entry.Insert(entry.Count(), data.cFileName);
    if ((data.dwFileAttributes & mask) != 0) list.SetKeyAndValue(TVariant(entry.ToString()), TVariant(isFolder ? 2 : 1));
    if (recursive && isFolder) FolderListInto(folder, entry, recursive, pattern, mask, list);
  } while (Files().FindNextFileW(find, &data));
  Files().FindClose(find);
}

}  // namespace

void LongPathPrefixAdd(TPath& path) {
  if (path.IsPathToDrive()) path = TPath(u"\\\\?\\" + path.ToString());
}

win::HANDLE FsOpen(TPath path, win::DWORD creationDisposition, win::DWORD shareMode,
                   win::DWORD desiredAccess) {
  const std::u16string text = PlatformText(path);
  win::HANDLE handle = Files().CreateFileW(text, desiredAccess, shareMode, creationDisposition,
                                           win::FILE_FLAG_BACKUP_SEMANTICS);
  if (handle == win::INVALID_HANDLE_VALUE && Platform().GetLastError() == win::ERROR_ACCESS_DENIED &&
      desiredAccess != win::FILE_READ_ATTRIBUTES && FsReadOnlyClear(path)) {
    handle = Files().CreateFileW(text, desiredAccess, shareMode, creationDisposition,
                                 win::FILE_FLAG_BACKUP_SEMANTICS);
    const win::DWORD error = Platform().GetLastError();
    FsReadOnlySet(path);
    Platform().SetLastError(error);
  }
  return handle;
}

bool FsIsAvailable(TPath path) {
  const win::HANDLE handle = FsOpen(std::move(path), win::OPEN_EXISTING, 0, win::GENERIC_READ | win::GENERIC_WRITE);
  if (handle == win::INVALID_HANDLE_VALUE) return false;
  Files().CloseHandle(handle);
  return true;
}

win::BY_HANDLE_FILE_INFORMATION FsInformation(TPath path) {
  win::BY_HANDLE_FILE_INFORMATION information{};
  information.dwFileAttributes = win::INVALID_FILE_ATTRIBUTES;
  const win::HANDLE handle = FsOpen(std::move(path), win::OPEN_EXISTING, kShareAll, win::FILE_READ_ATTRIBUTES);
  if (handle == win::INVALID_HANDLE_VALUE) return information;
  win::BY_HANDLE_FILE_INFORMATION queried{};
  if (Files().GetFileInformationByHandle(handle, &queried)) information = queried;
  Files().CloseHandle(handle);
  return information;
}

win::DWORD FsAttributes(TPath path) { return FsInformation(std::move(path)).dwFileAttributes; }

bool FsAttributesSet(TPath path, win::DWORD attributes) {
  return Files().SetFileAttributesW(PlatformText(std::move(path)), attributes);
}

bool FsReadOnlyClear(TPath path) {
  const win::DWORD attributes = FsAttributes(path);
  if ((attributes & win::FILE_ATTRIBUTE_READONLY) == 0) return false;
  return FsAttributesSet(std::move(path), attributes & ~win::FILE_ATTRIBUTE_READONLY);
}

bool FsReadOnlySet(TPath path) {
  return FsAttributesSet(path, FsAttributes(path) | win::FILE_ATTRIBUTE_READONLY);
}

bool FsExists(TPath path) {
  if (FsAttributes(path) != win::INVALID_FILE_ATTRIBUTES) return true;
  // The plain file test on the unprefixed text.
  const std::u16string text = path.ToString();
  const win::DWORD attributes = Files().GetFileAttributesW(text);
  if (attributes == win::INVALID_FILE_ATTRIBUTES) {
    const win::DWORD error = Platform().GetLastError();
    if (error == win::ERROR_FILE_NOT_FOUND || error == win::ERROR_PATH_NOT_FOUND || error == win::ERROR_INVALID_NAME) {
      return false;
    }
    // The attributes cannot be read for another reason: a directory search may still see it.
    win::WIN32_FIND_DATAW data;
    const win::HANDLE find = Files().FindFirstFileW(text, &data);
    if (find == win::INVALID_HANDLE_VALUE) return false;
    Files().FindClose(find);
    return true;
  }
  if (attributes & win::FILE_ATTRIBUTE_DIRECTORY) return false;
  if (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) {
    // A symbolic link to a file counts when it can be opened, or is only in use.
    const win::HANDLE handle = Files().CreateFileW(text, win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING, 0);
    if (handle == win::INVALID_HANDLE_VALUE) return Platform().GetLastError() == win::ERROR_SHARING_VIOLATION;
    Files().CloseHandle(handle);
  }
  return true;
}

bool FsCopy(TPath source, TPath target, bool failIfExists) {
  return Files().CopyFileW(PlatformText(std::move(source)), PlatformText(std::move(target)), failIfExists);
}

bool FsMove(TPath source, TPath target, win::DWORD flags, bool quiet) {
  const std::u16string from = PlatformText(std::move(source), true);
  const std::u16string to = PlatformText(std::move(target), true);
  const bool moved = Files().MoveFileExW(from, to, flags);
  const std::u16string message = u"FsMove: " + SuccessToText(moved) + u" Old File Name: \"" + from +
                                 u"\", New File Name: \"" + to + u"\", Flags: " + IntToText(flags);
  if (!moved && !quiet) AlertIf(true, message);
  return moved;
}

bool FsDelete(TPath path) {
  const std::u16string text = PlatformText(path);
  if (DeleteOnce(text)) return true;
  if (Platform().GetLastError() != win::ERROR_ACCESS_DENIED || !FsReadOnlyClear(path)) return false;
  if (DeleteOnce(text)) return true;
  Verify(FsReadOnlySet(path));
  return false;
}

void FsForceFolder(TPath path) {
  if (path.IsEmpty() || FsExists(path)) return;
  FsForceFolder(path.PathToParent());
  Files().CreateDirectoryW(path.ToString());
}

void FsForceParentFolder(TPath path) { FsForceFolder(path.PathToParent()); }

TFlexArray FsFolderList(TPath folder, bool recursive, std::u16string_view pattern, win::DWORD attributeMask) {
  LongPathPrefixAdd(folder);
  TFlexArray list;
  FolderListInto(folder, TPath(), recursive, pattern, attributeMask, list);
  return list;
}

TPath ExeFilePath() { return TPath(Platform().Process().GetModuleFileNameW(nullptr)); }

void KnownFolderPath(int csidl, TPath& path) {
  path.Clear();
  char16_t buffer[win::MAX_PATH + 1] = {};
  if (!Platform().Process().SHGetSpecialFolderPathW(buffer, csidl, false)) return;
  path.SetPathFromString(std::u16string_view(buffer));
}

std::u16string NtSymbolicLinkTarget(std::u16string_view name) {
  // A counted string holds at most 32767 characters.
  if (name.size() > 0x7FFF) return {};
  std::u16string objectNameText(name);
  win::UNICODE_STRING objectName{static_cast<uint16_t>(name.size() * 2),
                                 static_cast<uint16_t>(name.size() * 2), objectNameText.data()};
  const win::OBJECT_ATTRIBUTES attributes{
      sizeof(win::OBJECT_ATTRIBUTES), nullptr, &objectName, 0, nullptr, nullptr};
  TPlatformFiles& files = Platform().Files();
  win::HANDLE link = nullptr;
  if (files.NtOpenSymbolicLinkObject(&link, win::GENERIC_READ, &attributes) !=
      win::STATUS_SUCCESS) {
    return {};
  }
  char16_t buffer[128] = {};
  win::UNICODE_STRING target{0, sizeof(buffer), buffer};
  win::DWORD returned = 0;
  std::u16string result;
  if (Verify(files.NtQuerySymbolicLinkObject(link, &target, &returned) == win::STATUS_SUCCESS)) {
    // The counted length, which never includes a terminating NUL (the returned length may).
    result.assign(buffer, std::min<size_t>(target.Length, sizeof(buffer)) / 2);
  }
  files.NtClose(link);
  return result;
}
