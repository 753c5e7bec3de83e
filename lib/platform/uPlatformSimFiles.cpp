// The simulated Windows file system on host folders.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <random>
#include <system_error>

#include "lib/platform/uPlatformSim.h"
#include "lib/platform/uPlatformSimPe.h"
#include "lib/platform/uPlatformText.h"

namespace fs = std::filesystem;

namespace {

void Fail(win::DWORD error) { SimSetLastError(error); }

template <typename T>
T FailWith(win::DWORD error, T result) {
  Fail(error);
  return result;
}

// File names fold ASCII and, as NTFS's upcase table does, the Latin-1 lowercase letters
// (without the division sign and y with diaeresis).
char16_t FoldCase(char16_t c) {
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  return AsciiUpper(c);
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

// Windows wildcard match without case: "*" any run, "?" one character.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  size_t p = 0, n = 0, starP = std::u16string_view::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      starP = p++;
      starN = n;
    } else if (starP != std::u16string_view::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  // "*.*" also matches names without a dot, as on Windows.
  if (p < pattern.size() && pattern.substr(p) == u".*") p = pattern.size();
  return p == pattern.size();
}

bool ValidName(std::u16string_view name) {
  if (name.empty()) return false;
  for (char16_t c : name) {
    // A slash is a separator without the long-path prefix and an invalid character with it.
    if (c < 32 || c == u'<' || c == u'>' || c == u':' || c == u'"' || c == u'|' || c == u'?' ||
        c == u'*' || c == u'/') {
      return false;
    }
  }
  return true;
}

bool NeedsRead(win::DWORD access) { return (access & (win::GENERIC_READ | 0x1)) != 0; }
bool NeedsWrite(win::DWORD access) { return (access & (win::GENERIC_WRITE | 0x2 | 0x4)) != 0; }
bool NeedsDelete(win::DWORD access) { return (access & win::DELETE) != 0; }

std::u16string Utf16Number(int value) {
  const std::string digits = std::to_string(value);
  return std::u16string(digits.begin(), digits.end());
}

// The volume GUID name the Sim gives the volume of a drive letter.
std::u16string VolumeNameOf(char16_t letter) {
  static const char16_t kHex[] = u"0123456789abcdef";
  return std::u16string(u"Volume{8a3c5f10-2b7e-11ee-9c4d-5a5a0000") + kHex[(letter >> 4) & 0xF] +
         kHex[letter & 0xF] + u"}";
}

// Wow64 redirection of a path's parts below C:\ for a 32-bit process: System32 reaches
// SysWOW64 (except the folders Windows leaves shared), sysnative reaches System32.
void RedirectSystemFolder(std::vector<std::u16string>& parts) {
  if (parts.size() < 2 || !SameName(parts[0], u"Windows")) return;
  if (SameName(parts[1], u"sysnative")) {
    parts[1] = u"System32";
    return;
  }
  if (!SameName(parts[1], u"System32")) return;
  if (parts.size() >= 3) {
    for (std::u16string_view shared :
         {u"catroot", u"catroot2", u"driverstore", u"logfiles", u"spool"}) {
      if (SameName(parts[2], shared)) return;
    }
    if (parts.size() >= 4 && SameName(parts[2], u"drivers") && SameName(parts[3], u"etc")) return;
  }
  parts[1] = u"SysWOW64";
}

// The parts of a normalised Windows path below its drive: C:\a\b => a, b.
std::vector<std::u16string> PartsOf(std::u16string_view windowsPath) {
  std::vector<std::u16string> parts;
  size_t start = 3;
  while (start < windowsPath.size()) {
    size_t end = windowsPath.find(u'\\', start);
    if (end == std::u16string_view::npos) end = windowsPath.size();
    if (end > start) parts.emplace_back(windowsPath.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// Places of drive C: that only administrators change: the Windows folder (system32\drivers
// with it) and both Program Files folders, with everything below them.
bool IsProtected(const std::vector<std::u16string>& parts) {
  if (parts.empty()) return false;
  return SameName(parts[0], u"Windows") || SameName(parts[0], u"Program Files") ||
         SameName(parts[0], u"Program Files (x86)");
}

// Files that virtualization leaves alone: executable images stay where the system put them.
bool Virtualizable(std::u16string_view name) {
  const size_t dot = name.rfind(u'.');
  if (dot == std::u16string_view::npos) return true;
  const std::u16string_view extension = name.substr(dot + 1);
  for (std::u16string_view image : {u"exe", u"dll", u"sys", u"com", u"ocx", u"scr", u"cpl",
                                    u"drv", u"msi", u"bat", u"cmd"}) {
    if (SameName(extension, image)) return false;
  }
  return true;
}

// Where a virtualized process keeps its copy of C:\x\y.
std::u16string VirtualStorePath(std::u16string_view windowsPath) {
  return u"C:\\Users\\User\\AppData\\Local\\VirtualStore\\" + std::u16string(windowsPath.substr(3));
}

uint64_t HostTimeToFileTime(fs::file_time_type time) {
  const auto system = std::chrono::file_clock::to_sys(time);
  const auto since = std::chrono::duration_cast<std::chrono::nanoseconds>(system.time_since_epoch());
  return 116444736000000000ULL + static_cast<uint64_t>(since.count() / 100);
}

}  // namespace

struct TSimFiles::TResolved {
  fs::path Host;            // the host path (existing parts in their stored spelling)
  std::u16string Windows;   // the full Windows path, normalised: C:\a\b
  char16_t Drive = 0;
  bool Exists = false;
  bool IsDirectory = false;
  bool ParentExists = false;
  bool IsRoot = false;
  bool IsVolume = false;  // \\?\C: : the volume device itself
  bool Virtualized = false;  // a copy in the user's VirtualStore
};

struct TSimFiles::TOpenFile {
  fs::path Host;
  win::DWORD Access = 0;
  win::DWORD Share = 0;
  bool IsDirectory = false;
  bool IsVolume = false;
  char16_t Drive = 0;
  int64_t Position = 0;
};

struct TSimFiles::TSearch {
  std::vector<win::WIN32_FIND_DATAW> Entries;
  size_t Next = 0;
};

TSimFiles::TSimFiles(TSimMachine& machine, fs::path hostRoot)
    : FRoot(std::move(hostRoot)), FMachine(machine) {}

TSimFiles::~TSimFiles() {
  if (FOwnsRoot) {
    std::error_code ignored;
    fs::remove_all(FRoot, ignored);
  }
}

void TSimFiles::EnsureRoot() {
  if (FRoot.empty()) {
    std::random_device random;
    const auto tag = std::to_string(random()) + std::to_string(reinterpret_cast<uintptr_t>(this));
    FRoot = fs::temp_directory_path() / ("vardeno-sim-" + tag);
    FOwnsRoot = true;
  }
  if (FDrives.empty()) {
    FDrives[u'C'] = FRoot / "C";
    fs::create_directories(FDrives[u'C']);
    AddVolumeLocked(VolumeNameOf(u'C'), u"\\Device\\HarddiskVolume2");
    FDosDevices[u"C:"] = {u"C:", u"\\Device\\HarddiskVolume2"};
    FDosDevices[u"UNC"] = {u"UNC", u"\\Device\\Mup"};
    FNextVolumeNumber = 3;
    WriteWindowsFilesLocked();
  }
}

void TSimFiles::MapDrive(char16_t letter, const fs::path& hostFolder) {
  std::lock_guard guard(FLock);
  EnsureRoot();
  fs::create_directories(hostFolder);
  letter = FoldCase(letter);
  FDrives[letter] = hostFolder;
  const std::u16string drive{letter, u':'};
  if (FDosDevices.count(drive) == 0) {
    const std::u16string device = u"\\Device\\HarddiskVolume" + Utf16Number(FNextVolumeNumber++);
    AddVolumeLocked(VolumeNameOf(letter), device);
    FDosDevices[drive] = {drive, device};
  }
}

fs::path TSimFiles::HostPath(std::u16string_view fileName) {
  std::lock_guard guard(FLock);
  TResolved resolved;
  return Resolve(fileName, resolved) ? resolved.Host : fs::path();
}

bool TSimFiles::Resolve(std::u16string_view fileName, TResolved& resolved, bool redirect) {
  EnsureRoot();
  std::u16string_view text = fileName;
  bool prefixed = false;
  if (text.starts_with(u"\\\\?\\") || text.starts_with(u"\\??\\")) {
    text.remove_prefix(4);
    prefixed = true;
    if (text.size() >= 4 && SameName(text.substr(0, 4), u"UNC\\")) return FailWith(win::ERROR_BAD_NETPATH, false);
  } else if (text.starts_with(u"\\\\") || text.starts_with(u"//")) {
    return FailWith(win::ERROR_BAD_NETPATH, false);
  }
  if (text.empty()) return FailWith(win::ERROR_PATH_NOT_FOUND, false);

  // Drive-relative and relative paths are taken from the current folder, C:\.
  std::u16string full;
  if (prefixed && text.size() == 2 && text[1] == u':') {
    // \\?\C: is the volume device of the drive.
    resolved.Drive = FoldCase(text[0]);
    auto volume = FDrives.find(resolved.Drive);
    if (volume == FDrives.end()) return FailWith(win::ERROR_FILE_NOT_FOUND, false);
    resolved.Host = volume->second;
    resolved.Windows = std::u16string(text);
    resolved.IsVolume = resolved.Exists = resolved.ParentExists = true;
    return true;
  }
  if (text.size() >= 2 && text[1] == u':') {
    full = text;
    if (full.size() == 2) full += u'\\';
    else if (full[2] != u'\\' && full[2] != u'/') full.insert(2, u"\\");
  } else if (!prefixed && (text[0] == u'\\' || text[0] == u'/')) {
    full = std::u16string(u"C:") + std::u16string(text);
  } else if (!prefixed) {
    full = std::u16string(u"C:\\") + std::u16string(text);
  } else {
    return FailWith(win::ERROR_INVALID_NAME, false);
  }

  resolved.Drive = FoldCase(full[0]);
  // A substituted drive reaches the folder its DOS device points at: \??\C:\Work.
  auto dos = FDosDevices.find(std::u16string{resolved.Drive, u':'});
  if (dos != FDosDevices.end()) {
    const std::u16string& target = dos->second.second;
    if (target.size() >= 6 && target.starts_with(u"\\??\\") && target[5] == u':') {
      std::u16string base = target.substr(4);
      if (base.size() == 2 || base.back() != u'\\') base += u'\\';
      full = base + full.substr(std::min<size_t>(3, full.size()));
      resolved.Drive = FoldCase(full[0]);
    }
  }
  auto drive = FDrives.find(resolved.Drive);
  if (drive == FDrives.end()) return FailWith(win::ERROR_PATH_NOT_FOUND, false);

  std::vector<std::u16string> parts;
  bool trailingSeparator = false;
  size_t start = 3;
  while (start <= full.size()) {
    size_t end = start;
    while (end < full.size() && full[end] != u'\\' && (prefixed || full[end] != u'/')) ++end;
    std::u16string part = full.substr(start, end - start);
    start = end + 1;
    if (part.empty()) {
      if (end == full.size()) {
        trailingSeparator = !parts.empty();
      } else if (prefixed) {
        // With the prefix nothing is collapsed: an empty name is no name.
        return FailWith(win::ERROR_INVALID_NAME, false);
      }
      continue;
    }
    if (!prefixed && part == u".") continue;
    if (!prefixed && part == u"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (!prefixed) {
      // Windows drops trailing dots and spaces of a name.
      while (!part.empty() && (part.back() == u'.' || part.back() == u' ')) part.pop_back();
    }
    // With the prefix nothing is normalised, and "." or ".." cannot name a file.
    if (!ValidName(part) || part == u"." || part == u"..") return FailWith(win::ERROR_INVALID_NAME, false);
    parts.push_back(std::move(part));
  }
  if (redirect && resolved.Drive == u'C' && FMachine.Process().Wow64RedirectionActive()) {
    RedirectSystemFolder(parts);
  }

  resolved.Windows = std::u16string(1, resolved.Drive) + u":\\";
  fs::path host = drive->second;
  bool allExist = true;  // every part so far exists on the host
  std::error_code error;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i + 1 == parts.size()) resolved.ParentExists = allExist && fs::is_directory(host, error);
    fs::path next = host / fs::path(parts[i]);
    if (allExist) {
      allExist = false;
      if (fs::is_directory(host, error)) {
        for (const auto& entry : fs::directory_iterator(host, error)) {
          if (SameName(entry.path().filename().u16string(), parts[i])) {
            next = entry.path();
            allExist = true;
            break;
          }
        }
      }
    }
    host = next;
    resolved.Windows += (i > 0 ? u"\\" : u"") + next.filename().u16string();
  }
  resolved.Host = host;
  resolved.IsRoot = parts.empty();
  resolved.Exists = allExist && fs::exists(host, error);
  resolved.IsDirectory = resolved.Exists && fs::is_directory(host, error);
  if (parts.empty()) resolved.ParentExists = true;
  // A separator after a file's name asks for a folder that cannot be there.
  if (trailingSeparator && resolved.Exists && !resolved.IsDirectory) {
    return FailWith(win::ERROR_INVALID_NAME, false);
  }
  if (redirect && resolved.Drive == u'C' && IsProtected(parts) && FMachine.RunningVirtualized()) {
    // A virtualized process sees its own copies first, and its own folders where the
    // protected place has none.
    TResolved stored;
    if (Resolve(VirtualStorePath(resolved.Windows), stored, false) &&
        (stored.Exists || (!resolved.Exists && !resolved.ParentExists && stored.ParentExists))) {
      stored.Virtualized = true;
      resolved = std::move(stored);
    }
  }
  return true;
}

// Only an elevated process changes protected places; a virtualized one writes its own copy.
bool TSimFiles::MayChange(TResolved& target, bool virtualize) {
  if (target.IsVolume) return FailWith(win::ERROR_ACCESS_DENIED, false);
  if (target.Virtualized) {
    // The process's own copy, or a new file in its own folder of the store.
    if (target.Exists || Virtualizable(PartsOf(target.Windows).back())) return true;
    return FailWith(win::ERROR_ACCESS_DENIED, false);
  }
  if (target.Drive != u'C') return true;
  const std::vector<std::u16string> parts = PartsOf(target.Windows);
  if (!IsProtected(parts) || FMachine.RunningElevated()) return true;
  if (!virtualize || !FMachine.RunningVirtualized() || !Virtualizable(parts.back())) {
    return FailWith(win::ERROR_ACCESS_DENIED, false);
  }
  TResolved stored;
  if (!Resolve(VirtualStorePath(target.Windows), stored, false)) return false;
  if (!stored.Exists && target.ParentExists) {
    // The store gets the folders that the protected place has, and a file changed in place
    // starts as a copy of the original.
    std::error_code error;
    fs::create_directories(stored.Host.parent_path(), error);
    stored.ParentExists = true;
    if (target.Exists && !target.IsDirectory && fs::copy_file(target.Host, stored.Host, error)) {
      stored.Exists = true;
    }
  }
  stored.Virtualized = true;
  target = std::move(stored);
  return true;
}

win::DWORD TSimFiles::AttributesOf(const TResolved& resolved) const {
  auto it = FAttributes.find(resolved.Host);
  win::DWORD attributes = it != FAttributes.end() ? it->second
                          : resolved.IsDirectory   ? 0
                                                   : win::FILE_ATTRIBUTE_ARCHIVE;
  if (resolved.IsDirectory) attributes |= win::FILE_ATTRIBUTE_DIRECTORY;
  return attributes == 0 ? win::FILE_ATTRIBUTE_NORMAL : attributes;
}

// A new open with this access and share mode conflicts with a handle already open.
bool TSimFiles::InUse(const fs::path& host, win::DWORD access, win::DWORD share) const {
  for (const auto& [id, open] : FHandles) {
    if (open->Host != host) continue;
    if ((NeedsRead(access) && !(open->Share & win::FILE_SHARE_READ)) ||
        (NeedsWrite(access) && !(open->Share & win::FILE_SHARE_WRITE)) ||
        (NeedsDelete(access) && !(open->Share & win::FILE_SHARE_DELETE)) ||
        (NeedsRead(open->Access) && !(share & win::FILE_SHARE_READ)) ||
        (NeedsWrite(open->Access) && !(share & win::FILE_SHARE_WRITE)) ||
        (NeedsDelete(open->Access) && !(share & win::FILE_SHARE_DELETE))) {
      return true;
    }
  }
  return false;
}

// Deleting or renaming needs every open handle to share deletion.
bool TSimFiles::BlocksDelete(const fs::path& host) const {
  return InUse(host, win::DELETE, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE);
}

win::HANDLE TSimFiles::CreateFileW(std::u16string_view fileName, win::DWORD desiredAccess,
                                   win::DWORD shareMode, win::DWORD creationDisposition,
                                   win::DWORD flagsAndAttributes) {
  std::lock_guard guard(FLock);
  TResolved target;
  if (!Resolve(fileName, target)) return win::INVALID_HANDLE_VALUE;
  if (creationDisposition < win::CREATE_NEW || creationDisposition > win::TRUNCATE_EXISTING) {
    return FailWith(win::ERROR_INVALID_PARAMETER, win::INVALID_HANDLE_VALUE);
  }
  if (!target.Exists && !target.ParentExists) return FailWith(win::ERROR_PATH_NOT_FOUND, win::INVALID_HANDLE_VALUE);
  if (target.IsVolume) {
    // The volume device opens for queries; reading it takes sector-sized requests.
    if (creationDisposition != win::OPEN_EXISTING) return FailWith(win::ERROR_ACCESS_DENIED, win::INVALID_HANDLE_VALUE);
    auto volume = std::make_unique<TOpenFile>();
    volume->Host = target.Host;
    volume->Access = desiredAccess;
    volume->Share = shareMode;
    volume->Drive = target.Drive;
    volume->IsVolume = true;
    const uintptr_t id = FNextHandle;
    FNextHandle += 4;
    FHandles[id] = std::move(volume);
    Fail(win::ERROR_SUCCESS);
    return reinterpret_cast<win::HANDLE>(id);
  }
  const bool changes = NeedsWrite(desiredAccess) || NeedsDelete(desiredAccess) ||
                       creationDisposition == win::CREATE_ALWAYS ||
                       creationDisposition == win::TRUNCATE_EXISTING ||
                       (!target.Exists && creationDisposition != win::OPEN_EXISTING);
  if (changes && !MayChange(target)) return win::INVALID_HANDLE_VALUE;

  auto open = std::make_unique<TOpenFile>();
  open->Host = target.Host;
  open->Access = desiredAccess;
  open->Share = shareMode;
  open->Drive = target.Drive;
  bool existed = target.Exists;

  if (target.Exists && target.IsDirectory) {
    // A folder opens only with backup semantics, for writing too where its permissions allow.
    if ((flagsAndAttributes & win::FILE_FLAG_BACKUP_SEMANTICS) == 0) {
      return FailWith(win::ERROR_ACCESS_DENIED, win::INVALID_HANDLE_VALUE);
    }
    if (creationDisposition == win::CREATE_NEW) return FailWith(win::ERROR_FILE_EXISTS, win::INVALID_HANDLE_VALUE);
    if (InUse(target.Host, desiredAccess, shareMode)) return FailWith(win::ERROR_SHARING_VIOLATION, win::INVALID_HANDLE_VALUE);
    open->IsDirectory = true;
  } else {
    const bool readOnly = target.Exists && (AttributesOf(target) & win::FILE_ATTRIBUTE_READONLY);
    switch (creationDisposition) {
      case win::CREATE_NEW:
        if (target.Exists) return FailWith(win::ERROR_FILE_EXISTS, win::INVALID_HANDLE_VALUE);
        break;
      case win::OPEN_EXISTING:
      case win::TRUNCATE_EXISTING:
        if (!target.Exists) return FailWith(win::ERROR_FILE_NOT_FOUND, win::INVALID_HANDLE_VALUE);
        break;
      default:
        break;
    }
    const bool truncates = creationDisposition == win::CREATE_ALWAYS || creationDisposition == win::TRUNCATE_EXISTING;
    if (readOnly && (NeedsWrite(desiredAccess) || NeedsDelete(desiredAccess) || truncates)) {
      return FailWith(win::ERROR_ACCESS_DENIED, win::INVALID_HANDLE_VALUE);
    }
    if (target.Exists && InUse(target.Host, desiredAccess | (truncates ? win::GENERIC_WRITE : 0), shareMode)) {
      return FailWith(win::ERROR_SHARING_VIOLATION, win::INVALID_HANDLE_VALUE);
    }
    if (!target.Exists || truncates) {
      std::ofstream create(target.Host, std::ios::binary | std::ios::trunc);
      if (!create) return FailWith(win::ERROR_ACCESS_DENIED, win::INVALID_HANDLE_VALUE);
      if (!target.Exists) {
        // New files take the attributes asked for (read-only, hidden, system, archive).
        const win::DWORD asked = flagsAndAttributes & 0x27;
        FAttributes[target.Host] = asked | win::FILE_ATTRIBUTE_ARCHIVE;
      }
    }
  }
  const uintptr_t id = FNextHandle;
  FNextHandle += 4;
  FHandles[id] = std::move(open);
  // Opening an existing file with CREATE_ALWAYS or OPEN_ALWAYS succeeds with this code.
  const bool reportsExisting = existed && (creationDisposition == win::CREATE_ALWAYS || creationDisposition == win::OPEN_ALWAYS);
  Fail(reportsExisting ? win::ERROR_ALREADY_EXISTS : win::ERROR_SUCCESS);
  return reinterpret_cast<win::HANDLE>(id);
}

bool TSimFiles::CloseHandle(win::HANDLE handle) {
  std::lock_guard guard(FLock);
  if (FHandles.erase(reinterpret_cast<uintptr_t>(handle)) == 0) return FailWith(win::ERROR_INVALID_HANDLE, false);
  return true;
}

bool TSimFiles::ReadFile(win::HANDLE file, void* buffer, win::DWORD bytesToRead, win::DWORD* bytesRead) {
  std::lock_guard guard(FLock);
  if (bytesRead != nullptr) *bytesRead = 0;
  auto it = FHandles.find(reinterpret_cast<uintptr_t>(file));
  if (it == FHandles.end() || it->second->IsDirectory) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if (it->second->IsVolume) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  TOpenFile& open = *it->second;
  if (!NeedsRead(open.Access)) return FailWith(win::ERROR_ACCESS_DENIED, false);
  std::ifstream in(open.Host, std::ios::binary);
  in.seekg(open.Position);
  in.read(static_cast<char*>(buffer), bytesToRead);
  const auto got = static_cast<win::DWORD>(in.gcount());
  open.Position += got;
  if (bytesRead != nullptr) *bytesRead = got;
  return true;
}

bool TSimFiles::WriteFile(win::HANDLE file, const void* buffer, win::DWORD bytesToWrite,
                          win::DWORD* bytesWritten) {
  std::lock_guard guard(FLock);
  if (bytesWritten != nullptr) *bytesWritten = 0;
  auto it = FHandles.find(reinterpret_cast<uintptr_t>(file));
  if (it == FHandles.end() || it->second->IsDirectory) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if (it->second->IsVolume) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  TOpenFile& open = *it->second;
  if (!NeedsWrite(open.Access)) return FailWith(win::ERROR_ACCESS_DENIED, false);
  std::fstream out(open.Host, std::ios::binary | std::ios::in | std::ios::out);
  std::error_code error;
  const auto size = static_cast<int64_t>(fs::file_size(open.Host, error));
  if (open.Position > size) {
    // Writing past the end fills the gap with zeros.
    out.seekp(size);
    const std::vector<char> zeros(static_cast<size_t>(open.Position - size), 0);
    out.write(zeros.data(), static_cast<std::streamsize>(zeros.size()));
  }
  out.seekp(open.Position);
  out.write(static_cast<const char*>(buffer), bytesToWrite);
  if (!out) return FailWith(win::ERROR_ACCESS_DENIED, false);
  open.Position += bytesToWrite;
  if (bytesWritten != nullptr) *bytesWritten = bytesToWrite;
  return true;
}

bool TSimFiles::GetFileSizeEx(win::HANDLE file, int64_t* size) {
  std::lock_guard guard(FLock);
  auto it = FHandles.find(reinterpret_cast<uintptr_t>(file));
  if (it == FHandles.end()) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if (it->second->IsVolume) return FailWith(win::ERROR_INVALID_FUNCTION, false);
  std::error_code error;
  *size = it->second->IsDirectory ? 0 : static_cast<int64_t>(fs::file_size(it->second->Host, error));
  return true;
}

bool TSimFiles::SetFilePointerEx(win::HANDLE file, int64_t distance, int64_t* newPosition,
                                 win::DWORD moveMethod) {
  std::lock_guard guard(FLock);
  auto it = FHandles.find(reinterpret_cast<uintptr_t>(file));
  if (it == FHandles.end()) return FailWith(win::ERROR_INVALID_HANDLE, false);
  TOpenFile& open = *it->second;
  std::error_code error;
  int64_t base = 0;
  if (moveMethod == win::FILE_CURRENT) base = open.Position;
  else if (moveMethod == win::FILE_END) base = static_cast<int64_t>(fs::file_size(open.Host, error));
  else if (moveMethod != win::FILE_BEGIN) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  if (base + distance < 0) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  open.Position = base + distance;
  if (newPosition != nullptr) *newPosition = open.Position;
  return true;
}

bool TSimFiles::SetEndOfFile(win::HANDLE file) {
  std::lock_guard guard(FLock);
  auto it = FHandles.find(reinterpret_cast<uintptr_t>(file));
  if (it == FHandles.end() || it->second->IsDirectory) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if (it->second->IsVolume) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  if (!NeedsWrite(it->second->Access)) return FailWith(win::ERROR_ACCESS_DENIED, false);
  std::error_code error;
  fs::resize_file(it->second->Host, static_cast<uintmax_t>(it->second->Position), error);
  return error ? FailWith(win::ERROR_ACCESS_DENIED, false) : true;
}

bool TSimFiles::GetFileInformationByHandle(win::HANDLE file, win::BY_HANDLE_FILE_INFORMATION* information) {
  std::lock_guard guard(FLock);
  auto it = FHandles.find(reinterpret_cast<uintptr_t>(file));
  if (it == FHandles.end()) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if (it->second->IsVolume) return FailWith(win::ERROR_INVALID_FUNCTION, false);
  const TOpenFile& open = *it->second;
  TResolved resolved;
  resolved.Host = open.Host;
  resolved.Exists = true;
  resolved.IsDirectory = open.IsDirectory;
  std::error_code error;
  const uint64_t size = open.IsDirectory ? 0 : fs::file_size(open.Host, error);
  const uint64_t written = HostTimeToFileTime(fs::last_write_time(open.Host, error));
  const size_t index = std::hash<std::string>{}(open.Host.generic_string());
  *information = {};
  information->dwFileAttributes = AttributesOf(resolved);
  information->ftCreationTime = information->ftLastAccessTime = information->ftLastWriteTime = written;
  information->dwVolumeSerialNumber = 0x5A5A0000u + open.Drive;
  information->nFileSizeHigh = static_cast<win::DWORD>(size >> 32);
  information->nFileSizeLow = static_cast<win::DWORD>(size);
  information->nNumberOfLinks = 1;
  information->nFileIndexHigh = static_cast<win::DWORD>(static_cast<uint64_t>(index) >> 32);
  information->nFileIndexLow = static_cast<win::DWORD>(index);
  return true;
}

win::DWORD TSimFiles::GetFileAttributesW(std::u16string_view fileName) {
  std::lock_guard guard(FLock);
  TResolved target;
  if (!Resolve(fileName, target)) return win::INVALID_FILE_ATTRIBUTES;
  // A device is not a file.
  if (target.IsVolume) return FailWith(66 /* ERROR_BAD_DEV_TYPE */, win::INVALID_FILE_ATTRIBUTES);
  if (!target.Exists) {
    return FailWith(target.ParentExists ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND,
                    win::INVALID_FILE_ATTRIBUTES);
  }
  return AttributesOf(target);
}

bool TSimFiles::SetFileAttributesW(std::u16string_view fileName, win::DWORD attributes) {
  std::lock_guard guard(FLock);
  TResolved target;
  if (!Resolve(fileName, target)) return false;
  if (!target.Exists) {
    return FailWith(target.ParentExists ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND, false);
  }
  if (!MayChange(target, false)) return false;
  // Only the attributes a program may set are kept; NORMAL alone means none.
  FAttributes[target.Host] = attributes & 0x27;
  return true;
}

bool TSimFiles::CreateDirectoryW(std::u16string_view pathName) {
  std::lock_guard guard(FLock);
  TResolved target;
  if (!Resolve(pathName, target)) return false;
  if (target.IsVolume) return FailWith(win::ERROR_ACCESS_DENIED, false);
  if (target.Exists) return FailWith(win::ERROR_ALREADY_EXISTS, false);
  if (!target.ParentExists) return FailWith(win::ERROR_PATH_NOT_FOUND, false);
  if (!MayChange(target)) return false;
  if (target.Exists) return FailWith(win::ERROR_ALREADY_EXISTS, false);
  std::error_code error;
  fs::create_directory(target.Host, error);
  return error ? FailWith(win::ERROR_ACCESS_DENIED, false) : true;
}

bool TSimFiles::RemoveDirectoryW(std::u16string_view pathName) {
  std::lock_guard guard(FLock);
  TResolved target;
  if (!Resolve(pathName, target)) return false;
  if (!target.Exists) {
    return FailWith(target.ParentExists ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND, false);
  }
  if (!target.IsDirectory) return FailWith(267 /* ERROR_DIRECTORY */, false);
  if (!MayChange(target, false)) return false;
  if (target.IsRoot || (AttributesOf(target) & win::FILE_ATTRIBUTE_READONLY)) return FailWith(win::ERROR_ACCESS_DENIED, false);
  std::error_code error;
  if (!fs::is_empty(target.Host, error)) return FailWith(win::ERROR_DIR_NOT_EMPTY, false);
  if (BlocksDelete(target.Host)) return FailWith(win::ERROR_SHARING_VIOLATION, false);
  fs::remove(target.Host, error);
  FAttributes.erase(target.Host);
  return error ? FailWith(win::ERROR_ACCESS_DENIED, false) : true;
}

bool TSimFiles::DeleteFileW(std::u16string_view fileName) {
  std::lock_guard guard(FLock);
  TResolved target;
  if (!Resolve(fileName, target)) return false;
  if (!target.Exists) {
    return FailWith(target.ParentExists ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND, false);
  }
  if (target.IsDirectory || (AttributesOf(target) & win::FILE_ATTRIBUTE_READONLY)) {
    return FailWith(win::ERROR_ACCESS_DENIED, false);
  }
  if (!MayChange(target, false)) return false;
  if (BlocksDelete(target.Host)) return FailWith(win::ERROR_SHARING_VIOLATION, false);
  std::error_code error;
  fs::remove(target.Host, error);
  FAttributes.erase(target.Host);
  return error ? FailWith(win::ERROR_ACCESS_DENIED, false) : true;
}

bool TSimFiles::CopyFileW(std::u16string_view existingFileName, std::u16string_view newFileName,
                          bool failIfExists) {
  std::lock_guard guard(FLock);
  TResolved from, to;
  if (!Resolve(existingFileName, from) || !Resolve(newFileName, to)) return false;
  if (!from.Exists) return FailWith(from.ParentExists ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND, false);
  if (from.IsDirectory) return FailWith(win::ERROR_ACCESS_DENIED, false);
  if (InUse(from.Host, win::GENERIC_READ, win::FILE_SHARE_READ)) return FailWith(win::ERROR_SHARING_VIOLATION, false);
  if (!to.Exists && !to.ParentExists) return FailWith(win::ERROR_PATH_NOT_FOUND, false);
  if (!MayChange(to)) return false;
  if (to.Exists) {
    if (failIfExists) return FailWith(win::ERROR_FILE_EXISTS, false);
    if (to.IsDirectory || (AttributesOf(to) & win::FILE_ATTRIBUTE_READONLY)) return FailWith(win::ERROR_ACCESS_DENIED, false);
    if (InUse(to.Host, win::GENERIC_WRITE, 0)) return FailWith(win::ERROR_SHARING_VIOLATION, false);
  }
  std::error_code error;
  // Replaced as a whole (the host's copy cannot always overwrite in place).
  if (to.Exists) fs::remove(to.Host, error);
  fs::copy_file(from.Host, to.Host, fs::copy_options::overwrite_existing, error);
  if (error) return FailWith(win::ERROR_ACCESS_DENIED, false);
  // The copy takes the source's attributes.
  auto attributes = FAttributes.find(from.Host);
  if (attributes != FAttributes.end()) FAttributes[to.Host] = attributes->second;
  else FAttributes.erase(to.Host);
  return true;
}

bool TSimFiles::MoveNow(const TResolved& from, const TResolved& to, bool replace, bool allowCopy) {
  if (!from.Exists) return FailWith(from.ParentExists ? win::ERROR_FILE_NOT_FOUND : win::ERROR_PATH_NOT_FOUND, false);
  if (from.Drive != to.Drive && !allowCopy) return FailWith(win::ERROR_NOT_SAME_DEVICE, false);
  if (!to.Exists && !to.ParentExists) return FailWith(win::ERROR_PATH_NOT_FOUND, false);
  if (BlocksDelete(from.Host)) return FailWith(win::ERROR_SHARING_VIOLATION, false);
  const bool sameFile = to.Exists && from.Host == to.Host;
  if (to.Exists && !sameFile) {
    if (!replace) return FailWith(win::ERROR_ALREADY_EXISTS, false);
    if (to.IsDirectory || (AttributesOf(to) & win::FILE_ATTRIBUTE_READONLY)) return FailWith(win::ERROR_ACCESS_DENIED, false);
    // An open file cannot be superseded: Windows refuses the rename itself.
    if (BlocksDelete(to.Host)) return FailWith(win::ERROR_ACCESS_DENIED, false);
  }
  std::error_code error;
  fs::rename(from.Host, to.Host, error);
  if (error) {
    // Another host device: copy and remove, as a move between volumes does.
    error.clear();
    fs::copy(from.Host, to.Host, fs::copy_options::overwrite_existing | fs::copy_options::recursive, error);
    if (error) return FailWith(win::ERROR_ACCESS_DENIED, false);
    fs::remove_all(from.Host, error);
  }
  auto attributes = FAttributes.find(from.Host);
  if (attributes != FAttributes.end()) {
    const win::DWORD moved = attributes->second;
    FAttributes.erase(attributes);
    FAttributes[to.Host] = moved;
  } else if (!sameFile) {
    FAttributes.erase(to.Host);
  }
  return true;
}

bool TSimFiles::MoveFileExW(std::u16string_view existingFileName, std::u16string_view newFileName,
                            win::DWORD flags) {
  std::lock_guard guard(FLock);
  TResolved from, to;
  if (!Resolve(existingFileName, from)) return false;
  const bool deletes = newFileName.empty();
  if (!deletes && !Resolve(newFileName, to)) return false;
  if ((flags & win::MOVEFILE_DELAY_UNTIL_REBOOT) != 0) {
    if ((flags & win::MOVEFILE_COPY_ALLOWED) != 0) return FailWith(win::ERROR_INVALID_PARAMETER, false);
    // The list lives in the machine's part of the registry, which only administrators change.
    if (!FMachine.RunningElevated()) return FailWith(win::ERROR_ACCESS_DENIED, false);
    FPending.push_back({u"\\??\\" + from.Windows, deletes ? u"" : u"\\??\\" + to.Windows,
                        (flags & win::MOVEFILE_REPLACE_EXISTING) != 0});
    return true;
  }
  if (deletes) return FailWith(win::ERROR_INVALID_PARAMETER, false);
  if (from.Exists && (!MayChange(from, false) || !MayChange(to))) return false;
  return MoveNow(from, to, (flags & win::MOVEFILE_REPLACE_EXISTING) != 0,
                 (flags & win::MOVEFILE_COPY_ALLOWED) != 0);
}

win::HANDLE TSimFiles::FindFirstFileW(std::u16string_view fileName, win::WIN32_FIND_DATAW* data) {
  std::lock_guard guard(FLock);
  const size_t slash = fileName.find_last_of(u"\\/");
  if (slash == std::u16string_view::npos) return FailWith(win::ERROR_INVALID_NAME, win::INVALID_HANDLE_VALUE);
  const std::u16string_view pattern = fileName.substr(slash + 1);
  TResolved folder;
  if (!Resolve(fileName.substr(0, slash + 1), folder)) return win::INVALID_HANDLE_VALUE;
  if (!folder.Exists || !folder.IsDirectory) return FailWith(win::ERROR_PATH_NOT_FOUND, win::INVALID_HANDLE_VALUE);

  auto search = std::make_unique<TSearch>();
  auto add = [&](const std::u16string& name, const fs::path& host) {
    if (!WildcardMatch(pattern, name)) return;
    TResolved entry;
    std::error_code error;
    entry.Host = host;
    entry.Exists = true;
    entry.IsDirectory = fs::is_directory(host, error);
    win::WIN32_FIND_DATAW found;
    found.dwFileAttributes = AttributesOf(entry);
    found.ftCreationTime = found.ftLastAccessTime = found.ftLastWriteTime =
        HostTimeToFileTime(fs::last_write_time(host, error));
    const uint64_t size = entry.IsDirectory ? 0 : fs::file_size(host, error);
    found.nFileSizeHigh = static_cast<win::DWORD>(size >> 32);
    found.nFileSizeLow = static_cast<win::DWORD>(size);
    found.cFileName = name;
    search->Entries.push_back(std::move(found));
  };
  if (!folder.IsRoot) {
    add(u".", folder.Host);
    add(u"..", folder.Host.parent_path());
  }
  std::vector<fs::path> children;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder.Host, error)) children.push_back(entry.path());
  // NTFS keeps a folder's names in the order of their upper-cased code units:
  // a.log, B.log, _c.log.
  std::sort(children.begin(), children.end(), [](const fs::path& a, const fs::path& b) {
    const std::u16string x = a.filename().u16string(), y = b.filename().u16string();
    return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                        [](char16_t p, char16_t q) { return FoldCase(p) < FoldCase(q); });
  });
  for (const auto& child : children) add(child.filename().u16string(), child);
  if (search->Entries.empty()) return FailWith(win::ERROR_FILE_NOT_FOUND, win::INVALID_HANDLE_VALUE);

  *data = search->Entries[0];
  search->Next = 1;
  const uintptr_t id = FNextHandle;
  FNextHandle += 4;
  FSearches[id] = std::move(search);
  return reinterpret_cast<win::HANDLE>(id);
}

bool TSimFiles::FindNextFileW(win::HANDLE find, win::WIN32_FIND_DATAW* data) {
  std::lock_guard guard(FLock);
  auto it = FSearches.find(reinterpret_cast<uintptr_t>(find));
  if (it == FSearches.end()) return FailWith(win::ERROR_INVALID_HANDLE, false);
  TSearch& search = *it->second;
  if (search.Next >= search.Entries.size()) return FailWith(win::ERROR_NO_MORE_FILES, false);
  *data = search.Entries[search.Next++];
  return true;
}

bool TSimFiles::FindClose(win::HANDLE find) {
  std::lock_guard guard(FLock);
  if (FSearches.erase(reinterpret_cast<uintptr_t>(find)) == 0) return FailWith(win::ERROR_INVALID_HANDLE, false);
  return true;
}

std::vector<TSimFiles::TPendingRename> TSimFiles::PendingFileRenameOperations() const {
  std::lock_guard guard(FLock);
  return FPending;
}

int TSimFiles::Restart() {
  std::lock_guard guard(FLock);
  // A restart ends every process, and with them every open handle.
  FHandles.clear();
  FSearches.clear();
  int failures = 0;
  const std::vector<TPendingRename> pending = std::move(FPending);
  FPending.clear();
  for (const auto& rename : pending) {
    TResolved from, to;
    if (!Resolve(rename.Source, from)) {
      ++failures;
      continue;
    }
    if (rename.Target.empty()) {
      std::error_code error;
      if (!from.Exists || !fs::remove(from.Host, error)) ++failures;
      FAttributes.erase(from.Host);
      continue;
    }
    if (!Resolve(rename.Target, to) || !MoveNow(from, to, rename.ReplaceExisting, true)) ++failures;
  }
  return failures;
}

size_t TSimFiles::OpenHandleCount() const {
  std::lock_guard guard(FLock);
  return FHandles.size();
}

// --- The installed Windows ---

void TSimFiles::MakeFile(std::u16string_view fileName, const std::vector<uint8_t>& content) {
  std::lock_guard guard(FLock);
  MakeFileLocked(fileName, content);
}

void TSimFiles::MakeFileLocked(std::u16string_view fileName, const std::vector<uint8_t>& content) {
  TResolved target;
  if (!Resolve(fileName, target, false)) return;
  std::error_code error;
  fs::create_directories(target.Host.parent_path(), error);
  std::ofstream out(target.Host, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(content.data()),
            static_cast<std::streamsize>(content.size()));
}

void TSimFiles::SetWindowsVersion(uint16_t major, uint16_t minor, uint16_t build) {
  std::lock_guard guard(FLock);
  FWindowsVersion[0] = major;
  FWindowsVersion[1] = minor;
  FWindowsVersion[2] = build;
  if (FDrives.empty()) {
    EnsureRoot();  // lays Windows out with this version
  } else {
    WriteWindowsFilesLocked();
  }
}

void TSimFiles::WriteWindowsFilesLocked() {
  const bool windows64 = FMachine.Process().IsWindows64();
  TSimPeImage shell;
  shell.FileVersion =
      TSimFileVersion{FWindowsVersion[0], FWindowsVersion[1], FWindowsVersion[2], 1};
  shell.ProductVersion = *shell.FileVersion;
  shell.Pe32Plus = windows64;
  // The folders of a fresh installation, for one user named User.
  std::vector<std::u16string> folders = {
      u"C:\\Program Files", u"C:\\ProgramData", u"C:\\Windows\\System32\\drivers",
      u"C:\\Windows\\Temp", u"C:\\Users\\User\\AppData\\Local\\Temp",
      u"C:\\Users\\User\\AppData\\Roaming", u"C:\\Users\\User\\Downloads"};
  if (windows64) {
    folders.push_back(u"C:\\Program Files (x86)");
    folders.push_back(u"C:\\Windows\\SysWOW64\\drivers");
  }
  for (const std::u16string& folder : folders) {
    TResolved target;
    std::error_code error;
    if (Resolve(folder, target, false)) fs::create_directories(target.Host, error);
  }
  MakeFileLocked(u"C:\\Windows\\System32\\shell32.dll", SimPeImageBuild(shell));
  if (windows64) {
    shell.Pe32Plus = false;
    MakeFileLocked(u"C:\\Windows\\SysWOW64\\shell32.dll", SimPeImageBuild(shell));
  }
}

win::DWORD TSimFiles::GetSystemDirectoryW(char16_t* buffer, win::DWORD size) {
  constexpr std::u16string_view kSystem = u"C:\\Windows\\System32";
  if (buffer == nullptr || size <= kSystem.size())
    return static_cast<win::DWORD>(kSystem.size() + 1);
  std::copy(kSystem.begin(), kSystem.end(), buffer);
  buffer[kSystem.size()] = u'\0';
  return static_cast<win::DWORD>(kSystem.size());
}

// --- Volumes, DOS devices and the object namespace ---

namespace {

// Stores text and its NUL when they fit in `size` characters.
bool StoreText(std::u16string_view text, char16_t* buffer, win::DWORD size) {
  if (buffer == nullptr || size <= text.size()) return false;
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  return true;
}

}  // namespace

void TSimFiles::AddVolumeLocked(std::u16string volumeName, std::u16string device) {
  FDosDevices[TextUpperAscii(volumeName)] = {volumeName, device};
  FVolumes.emplace_back(std::move(volumeName), std::move(device));
}

void TSimFiles::AddVolume(std::u16string volumeName, std::u16string device) {
  std::lock_guard guard(FLock);
  EnsureRoot();
  AddVolumeLocked(std::move(volumeName), std::move(device));
}

void TSimFiles::DefineDosDevice(std::u16string name, std::u16string target) {
  std::lock_guard guard(FLock);
  EnsureRoot();
  if (target.empty()) {
    FDosDevices.erase(TextUpperAscii(name));
  } else {
    FDosDevices[TextUpperAscii(name)] = {name, std::move(target)};
  }
}

win::DWORD TSimFiles::QueryDosDeviceW(std::u16string_view deviceName, char16_t* targetPath,
                                      win::DWORD maxChars) {
  std::lock_guard guard(FLock);
  EnsureRoot();
  std::u16string list;
  if (deviceName.empty()) {
    for (const auto& [key, device] : FDosDevices) list.append(device.first).push_back(u'\0');
  } else {
    auto it = FDosDevices.find(TextUpperAscii(deviceName));
    if (it == FDosDevices.end()) return FailWith(win::ERROR_FILE_NOT_FOUND, win::DWORD{0});
    list.append(it->second.second).push_back(u'\0');
  }
  list.push_back(u'\0');
  if (targetPath == nullptr || maxChars < list.size()) {
    return FailWith(win::ERROR_INSUFFICIENT_BUFFER, win::DWORD{0});
  }
  std::copy(list.begin(), list.end(), targetPath);
  return static_cast<win::DWORD>(list.size());
}

win::HANDLE TSimFiles::FindFirstVolumeW(char16_t* volumeName, win::DWORD bufferLength) {
  std::lock_guard guard(FLock);
  EnsureRoot();
  if (FVolumes.empty()) return FailWith(win::ERROR_NO_MORE_FILES, win::INVALID_HANDLE_VALUE);
  if (!StoreText(u"\\\\?\\" + FVolumes[0].first + u"\\", volumeName, bufferLength)) {
    return FailWith(win::ERROR_FILENAME_EXCED_RANGE, win::INVALID_HANDLE_VALUE);
  }
  const uintptr_t id = FNextHandle;
  FNextHandle += 4;
  FVolumeSearches[id] = 1;
  return reinterpret_cast<win::HANDLE>(id);
}

bool TSimFiles::FindNextVolumeW(win::HANDLE findVolume, char16_t* volumeName,
                                win::DWORD bufferLength) {
  std::lock_guard guard(FLock);
  auto it = FVolumeSearches.find(reinterpret_cast<uintptr_t>(findVolume));
  if (it == FVolumeSearches.end()) return FailWith(win::ERROR_INVALID_HANDLE, false);
  if (it->second >= FVolumes.size()) return FailWith(win::ERROR_NO_MORE_FILES, false);
  if (!StoreText(u"\\\\?\\" + FVolumes[it->second].first + u"\\", volumeName, bufferLength)) {
    return FailWith(win::ERROR_FILENAME_EXCED_RANGE, false);
  }
  ++it->second;
  return true;
}

bool TSimFiles::FindVolumeClose(win::HANDLE findVolume) {
  std::lock_guard guard(FLock);
  if (FVolumeSearches.erase(reinterpret_cast<uintptr_t>(findVolume)) == 0) {
    return FailWith(win::ERROR_INVALID_HANDLE, false);
  }
  return true;
}

bool TSimFiles::GetVolumeNameForVolumeMountPointW(std::u16string_view volumeMountPoint,
                                                  char16_t* volumeName, win::DWORD bufferLength) {
  std::lock_guard guard(FLock);
  EnsureRoot();
  std::u16string_view point = volumeMountPoint;
  if (point.starts_with(u"\\\\?\\")) point.remove_prefix(4);
  if (point.size() != 3 || point[1] != u':' || point[2] != u'\\') {
    return FailWith(win::ERROR_INVALID_NAME, false);
  }
  auto dos = FDosDevices.find(TextUpperAscii(point.substr(0, 2)));
  if (dos == FDosDevices.end()) return FailWith(win::ERROR_FILE_NOT_FOUND, false);
  // A substituted drive is no mount point of a volume.
  if (dos->second.second.starts_with(u"\\??\\"))
    return FailWith(win::ERROR_INVALID_PARAMETER, false);
  for (const auto& [name, device] : FVolumes) {
    if (SameName(device, dos->second.second)) {
      if (!StoreText(u"\\\\?\\" + name + u"\\", volumeName, bufferLength)) {
        return FailWith(win::ERROR_FILENAME_EXCED_RANGE, false);
      }
      return true;
    }
  }
  return FailWith(win::ERROR_FILE_NOT_FOUND, false);
}

win::NTSTATUS TSimFiles::NtOpenSymbolicLinkObject(win::HANDLE* linkHandle, win::DWORD,
                                                  const win::OBJECT_ATTRIBUTES* attributes) {
  if (linkHandle == nullptr || attributes == nullptr ||
      attributes->Length != sizeof(win::OBJECT_ATTRIBUTES) ||
      attributes->RootDirectory != nullptr || attributes->ObjectName == nullptr ||
      attributes->ObjectName->Length % 2 != 0 ||
      attributes->ObjectName->Length > attributes->ObjectName->MaximumLength ||
      (attributes->ObjectName->Buffer == nullptr && attributes->ObjectName->Length != 0)) {
    return win::STATUS_INVALID_PARAMETER;
  }
  const std::u16string_view name(attributes->ObjectName->Buffer,
                                 attributes->ObjectName->Length / 2);
  if (!name.starts_with(u"\\")) return win::STATUS_OBJECT_NAME_INVALID;
  std::lock_guard guard(FLock);
  EnsureRoot();
  const size_t slash = name.find(u'\\', 1);
  const std::u16string directory = TextUpperAscii(name.substr(0, slash));
  const std::u16string_view leaf =
      slash == std::u16string_view::npos ? std::u16string_view() : name.substr(slash + 1);
  if (leaf.empty()) {
    // The directories themselves, and nothing else at the top.
    return directory == u"\\??" || directory == u"\\GLOBAL??" || directory == u"\\DEVICE"
               ? win::STATUS_OBJECT_TYPE_MISMATCH
               : win::STATUS_OBJECT_NAME_NOT_FOUND;
  }
  if (leaf.find(u'\\') != std::u16string_view::npos) return win::STATUS_OBJECT_PATH_NOT_FOUND;
  if (directory == u"\\??" || directory == u"\\GLOBAL??") {
    auto dos = FDosDevices.find(TextUpperAscii(leaf));
    if (dos == FDosDevices.end()) return win::STATUS_OBJECT_NAME_NOT_FOUND;
    const uintptr_t id = FNextHandle;
    FNextHandle += 4;
    FLinks[id] = dos->second.second;
    *linkHandle = reinterpret_cast<win::HANDLE>(id);
    return win::STATUS_SUCCESS;
  }
  if (directory == u"\\DEVICE") {
    // Devices are objects of their own type, not links.
    const std::u16string device = u"\\Device\\" + std::u16string(leaf);
    if (SameName(leaf, u"Mup")) return win::STATUS_OBJECT_TYPE_MISMATCH;
    for (const auto& volume : FVolumes) {
      if (SameName(volume.second, device)) return win::STATUS_OBJECT_TYPE_MISMATCH;
    }
    return win::STATUS_OBJECT_NAME_NOT_FOUND;
  }
  return win::STATUS_OBJECT_PATH_NOT_FOUND;
}

win::NTSTATUS TSimFiles::NtQuerySymbolicLinkObject(win::HANDLE linkHandle,
                                                   win::UNICODE_STRING* linkTarget,
                                                   win::DWORD* returnedLength) {
  std::lock_guard guard(FLock);
  auto it = FLinks.find(reinterpret_cast<uintptr_t>(linkHandle));
  if (it == FLinks.end()) return win::STATUS_INVALID_HANDLE;
  if (linkTarget == nullptr) return win::STATUS_INVALID_PARAMETER;
  const std::u16string& target = it->second;
  const size_t bytes = target.size() * 2;
  // As for links that DefineDosDevice made, the stored target carries a terminating NUL,
  // which the returned length counts.
  if (returnedLength != nullptr) *returnedLength = static_cast<win::DWORD>(bytes + 2);
  if (linkTarget->MaximumLength < bytes || linkTarget->Buffer == nullptr) {
    return win::STATUS_BUFFER_TOO_SMALL;
  }
  std::copy(target.begin(), target.end(), linkTarget->Buffer);
  if (linkTarget->MaximumLength >= bytes + 2) linkTarget->Buffer[target.size()] = u'\0';
  linkTarget->Length = static_cast<uint16_t>(bytes);
  return win::STATUS_SUCCESS;
}

win::NTSTATUS TSimFiles::NtClose(win::HANDLE handle) {
  std::lock_guard guard(FLock);
  return FLinks.erase(reinterpret_cast<uintptr_t>(handle)) == 0 ? win::STATUS_INVALID_HANDLE
                                                                : win::STATUS_SUCCESS;
}
