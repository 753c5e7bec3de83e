// The path value: file, folder, registry, device and URL paths held as a list of parts (the
// names between separators) and two flags for a separator before the first part and after
// the last one. Parsing treats no shape specially:
//
//   C:\dir\file.txt   =>  parts C:, dir, file.txt
//   C:\dir\           =>  parts C:, dir; trailing separator
//   C:\\x             =>  parts C:, (empty), x
//   \\server\share    =>  leading separator; parts (empty), server, share
//   \\?\C:\x          =>  leading separator; parts (empty), ?, C:, x
//   \                 =>  no parts; leading and trailing separator (prints as \\)
//
// Names compare without case for the ASCII letters only. Misuse (a part index out of range)
// raises an alert and gives a neutral result. A value: copies are independent; one thread at
// a time per value.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "lib/platform/uWinApi.h"
#include "lib/ranges/uRanges.h"
#include "lib/values/uFlexArray.h"
#include "lib/values/uVariant.h"

class TPath {
 public:
  TPath() = default;
  // Conversion from text: a new path (backslash separator) parsed from the text.
  TPath(std::u16string_view text);
  TPath(const std::u16string& text) : TPath(std::u16string_view(text)) {}
  TPath(const char16_t* text) : TPath(std::u16string_view(text)) {}

  // --- Text and separator ---
  void Clear();
  // Parses the text with the path's current separator.
  void SetPathFromString(std::u16string_view text);
  // Parses a URL: percent-decoded, slash-separated; a file URL (file:///C:/x) becomes the drive
  // path with backslashes. Raises EConvertError for a malformed escape.
  void SetPathFromUrlTry(std::u16string_view url);
  // SetPathFromUrlTry, then an alert when the path is empty.
  void SetPathFromUrl(std::u16string_view url);
  std::u16string ToString() const;
  operator std::u16string() const { return ToString(); }
  char16_t Separator() const;
  // Replaces the separator in the parts; the flags stay and stand for the new one.
  void SeparatorSet(char16_t separator);

  bool LeadingSeparator() const { return FLeadingSeparator; }
  void LeadingSeparatorSet(bool value) { FLeadingSeparator = value; }
  bool TrailingSeparator() const { return FTrailingSeparator; }
  void TrailingSeparatorSet(bool value) { FTrailingSeparator = value; }
  int32_t Count() const { return FCount; }

  // --- Parts ---
  // Start (1-based position in PartsString) and length of part index; an alert and an invalid
  // range when there is no such part.
  TRange PartGetStartAndEnd(int32_t index) const;
  // The part's text; an alert and "" when index is outside 0 .. Count - 1.
  std::u16string PartGet(int32_t index) const;
  // Replaces the part's text (a single name); an alert and no change when out of range.
  void PartSet(int32_t index, std::u16string_view text);
  std::u16string First() const { return PartGet(0); }
  std::u16string LastGet() const { return PartGet(FCount - 1); }
  void LastSet(std::u16string_view text) { PartSet(FCount - 1, text); }
  // The last part's extension with its full stop: "file.tar.gz" => ".gz"; "" when there is
  // none, or when a colon or backslash follows the last full stop.
  std::u16string Extension() const;
  std::u16string LastWithoutFileExtension() const;
  // The extension equals the argument (ASCII case rule); the argument should be empty or hold
  // a full stop (an alert otherwise, the comparison is made anyway).
  bool HasExtension(std::u16string_view extension) const;
  bool HasExtension(std::initializer_list<std::u16string_view> extensions) const;
  bool IsNotEmpty() const { return FCount > 0; }
  bool IsEmpty() const { return FCount <= 0; }
  bool HasFolderWithChild() const { return FCount >= 2; }
  // Returns and removes the first part; an alert and "" on an empty path.
  std::u16string ExtractFirst();

  // --- Editing ---
  // Inserts a single name before part index (index Count appends); an alert and no change
  // when index is outside 0 .. Count.
  void Insert(int32_t index, std::u16string_view text);
  // Appends every part of the other path, empty parts included; its flags are ignored. The
  // other path may be this one: p.Add(p) doubles its parts.
  void Add(const TPath& other);
  // Removes part index; an alert and no change when out of range.
  void Remove(int32_t index);
  void RemoveFirst();
  void RemoveLast();
  TPath WithoutFirst() const;
  TPath WithoutLast() const;
  TPath PathToParent() const { return WithoutLast(); }
  void Invert();
  TPath Inverted() const;
  // The first / last n parts (empty parts are lost on the way).
  void CopyFirstParts(int32_t n, TPath& result) const;
  void CopyLastParts(int32_t n, TPath& result) const;
  // The parts after those of base (an alert when base is no parent of this path).
  TPath RelativeTo(const TPath& base) const;

  // --- Comparisons (flags and separators never take part) ---
  bool IsSameAs(const TPath& other) const;
  friend bool operator==(const TPath& a, const TPath& b) { return a.IsSameAs(b); }
  bool IsAnyParentOf(const TPath& other) const;
  bool IsAnyChildOf(const TPath& other) const { return other.IsAnyParentOf(*this); }
  bool IsParentOf(const TPath& other) const;
  bool IsSameOrIsAnyChild(const TPath& other, bool orAnyChild) const;
  bool HasSameLastPartsAs(const TPath& other) const;
  bool HasSameLastPartsAsAny(std::initializer_list<TVariant> others) const;
  bool IsOnDrive(const TPath& other) const;

  // --- Name queries ---
  bool HasDirectParentWithName(std::u16string_view name) const;
  bool HasAnyParentWithName(std::u16string_view name) const;
  bool HasAnyParentWithNameIn(std::initializer_list<TVariant> names) const;
  bool IsOrHasAnyParentWithName(std::u16string_view name) const;
  bool IsOrHasAnyParentWithNameIn(std::initializer_list<TVariant> names) const;

  // --- Classification and NT device paths ---
  // Shapes (parts as parsed; "lead" is the leading separator):
  //   \Device\HarddiskVolume2\x   NT path         lead; Device, HarddiskVolume2, x
  //   C:\x                        drive path      C:, x
  //   \\?\Volume{...}\x           volume path     lead; (empty), ?, Volume{...}, x
  //   \\?                         the PC itself   lead; (empty), ?
  //   \\server\share\x            network path    lead; (empty), server, share, x
  // Name tests ignore ASCII case unless called exact. Asking a Win32 test of an NT path (or
  // the reverse) raises an alert and still answers.

  // The leading separator, a first part that is not empty: an NT object path. An alert when
  // its first part is not "Device".
  bool IsPathInNt() const;
  // An NT path below \Device\Mup (the network redirector).
  bool IsDeviceMup() const;
  // A first part of one character and a colon (any character):
  //   C:\x => true   1:\x => true   CC:\x => false   \\server\x => false
  bool IsPathToDrive() const;
  // A drive path of the drive alone: C: or C:\ .
  bool IsDrive() const;
  // Exactly (empty), "?": the local machine's device namespace.
  bool IsPathToPcItself() const;
  // (empty), "?", a part beginning with "Volume{", ...
  bool IsPathToVolume() const;
  // (empty), a part other than exactly "?", ...
  bool IsPathToNetwork() const;
  // The NT name of the path's DOS device (QueryDosDeviceW of C: or of Volume{...}), such as
  // \Device\HarddiskVolume2; empty when the query fails. A network path asks for \Device\Mup,
  // which is no DOS device name: empty. Other shapes: an alert and empty text.
  std::u16string QueryDeviceName() const;
  // The parts that name the device, with the path's leading separator:
  //   \Device\HarddiskVolume2\x => \Device\HarddiskVolume2   C:\x => C:
  //   \\?\Volume{...}\x => \\?\Volume{...}  (all three parts, empty one included)
  // Other shapes: an alert and the empty path.
  void PathToDevice(TPath& result) const;
  // The parts below the device (the rest after PathToDevice), with the path's flags.
  void PathOnDevice(TPath& result) const;
  // The NT device path of a Win32 path, through the DOS device and, for a substituted drive,
  // the symbolic link it leads to; the empty path when the device is unknown:
  //   C:\x\y => \Device\HarddiskVolume2\x\y
  //   S:\y (S: substitutes C:\Work) => \Device\HarddiskVolume2\Work\y
  void NtPath(TPath& result) const;
  // A copy; below \Device\Mup the redirector's parts beginning with ";" are dropped:
  //   \Device\Mup\;LanmanRedirector\;Z:000\server\share\x => \Device\Mup\server\share\x
  void NtPathClean(TPath& result) const;
  // The volume GUID path (\\?\Volume{...}\) whose device this NT device path is; the result is
  // left as given when no volume matches.
  void NtDeviceNameToVolumePath(TPath& result) const;
  // The first part (empty for an empty path) and a copy of the path without it.
  void SplitIntoFirstAndRemainder(std::u16string& first, TPath& remainder) const;

  // The parts joined by the separator, without the path's own leading or trailing one.
  std::u16string PartsString;
  // Empty: the backslash; otherwise its first character is the separator.
  std::u16string CustomSeparator;

 private:
  void RecountParts();

  bool FLeadingSeparator = false;
  bool FTrailingSeparator = false;
  int32_t FCount = 0;
};

// Joins. path + path: the left path with the right one's parts added and its trailing flag.
TPath operator+(const TPath& left, const TPath& right);
// path + text: the left path + the text converted to a path.
TPath operator+(const TPath& left, std::u16string_view right);
TPath operator+(const TPath& left, const char16_t* right);
TPath operator+(const TPath& left, const std::u16string& right);
// text + path: plain concatenation with the path's text, nothing put between.
std::u16string operator+(std::u16string_view left, const TPath& right);
std::u16string operator+(const char16_t* left, const TPath& right);
std::u16string operator+(const std::u16string& left, const TPath& right);

// Two names are equal under the ASCII case rule (both empty, or equal with a-z folded).
bool PathNamesEqual(std::u16string_view a, std::u16string_view b);

// The machine's volume GUID paths (\\?\Volume{...}\) in enumeration order; empty when they
// cannot be listed. An alert when the enumeration ends other than at its end.
void VolumeNamesList(std::vector<std::u16string>& list);

// --- File operations ---
// Free functions on paths that never throw; each reports success as a boolean (or an invalid
// handle, or an all-bits attribute word). Drive paths get the long-path prefix \\?\ before
// they reach the platform; a file refused only because it is read-only is retried with the
// attribute lifted for the moment. Any thread; no state.

// A drive path becomes \\?\ followed by its text; any other path (UNC, prefixed, relative, NT)
// is left alone.   C:\x => \\?\C:\x    \\server\share => unchanged
void LongPathPrefixAdd(TPath& path);
// CreateFileW on the prefixed path with FILE_FLAG_BACKUP_SEMANTICS (folders open too); when
// that is refused with ERROR_ACCESS_DENIED for anything but FILE_READ_ATTRIBUTES and the
// read-only attribute can be lifted, one retry, and the attribute set again afterwards.
win::HANDLE FsOpen(TPath path, win::DWORD creationDisposition, win::DWORD shareMode,
                   win::DWORD desiredAccess);
// The file can be opened now for reading and writing with no sharing: it exists, this
// process may change it, and nobody else holds it open.
bool FsIsAvailable(TPath path);
// The file's information; a zeroed record whose attribute word has all bits set when the path
// cannot be opened.
win::BY_HANDLE_FILE_INFORMATION FsInformation(TPath path);
// The attribute word, all bits set when the path cannot be opened.
win::DWORD FsAttributes(TPath path);
bool FsAttributesSet(TPath path, win::DWORD attributes);
// Clears the read-only attribute when it is set (false when it was not set or cannot change).
bool FsReadOnlyClear(TPath path);
bool FsReadOnlySet(TPath path);
// A file or folder exists (opened with backup semantics), with the platform's plain file
// test as a fallback for paths that cannot be opened.
bool FsExists(TPath path);
bool FsCopy(TPath source, TPath target, bool failIfExists);
// MoveFileExW of the prefixed paths (without trailing separators) with the flags; a failure
// raises the alert "FsMove: ERROR: <name> Old File Name: "<source>", New File Name:
// "<target>", Flags: <flags>" unless quiet.
bool FsMove(TPath source, TPath target, win::DWORD flags, bool quiet);
// Deletes the file, lifting a read-only attribute when that is what refuses it.
bool FsDelete(TPath path);
// Creates the folder and every missing parent, from the top down. Failures are ignored.
void FsForceFolder(TPath path);
// FsForceFolder of the path's parent: the folder that will hold a file exists.
void FsForceParentFolder(TPath path);
// The entries of a folder matching the name pattern whose attributes share a bit with the
// mask: keys are paths relative to the folder ("sub\file.txt" when recursing), values 1 for a
// file and 2 for a folder. Hidden, system and folder entries are skipped unless the mask has
// their bit.
TFlexArray FsFolderList(TPath folder, bool recursive, std::u16string_view pattern,
                        win::DWORD attributeMask);
// The running executable's full file name.
TPath ExeFilePath();
// The shell folder of a CSIDL (the installer asks for CSIDL_PROGRAM_FILES): the out path is
// cleared, then set from the platform's answer; it stays empty when the folder is unknown.
void KnownFolderPath(int csidl, TPath& path);

// The target of an NT symbolic link of the object namespace ("\??\C:" =>
// "\Device\HarddiskVolume2"); empty text when there is no such link. A failing query of an
// opened link (a target over 128 characters) raises an alert.
std::u16string NtSymbolicLinkTarget(std::u16string_view name);
