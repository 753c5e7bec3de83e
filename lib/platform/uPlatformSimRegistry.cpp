// The simulated machine's registry: hives, the 32- and 64-bit views, the merged classes view.
#include <algorithm>
#include <cstring>

#include "lib/platform/uPlatformSim.h"
#include "lib/platform/uPlatformText.h"

namespace {

std::vector<std::u16string> SplitKey(std::u16string_view path) {
  std::vector<std::u16string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

// The access bits that change a key or its values.
constexpr win::DWORD kWriteAccess = win::KEY_SET_VALUE | win::KEY_CREATE_SUB_KEY |
                                    win::KEY_CREATE_LINK | win::DELETE | 0x40000 /* WRITE_DAC */ |
                                    0x80000 /* WRITE_OWNER */;
// GENERIC_READ and GENERIC_WRITE as a key understands them.
win::DWORD MapGeneric(win::DWORD access) {
  if (access & win::GENERIC_READ) access |= win::KEY_READ;
  if (access & win::GENERIC_WRITE) access |= win::KEY_WRITE;
  if (access & 0x10000000 /* GENERIC_ALL */) access |= win::KEY_ALL_ACCESS;
  return access & ~(win::GENERIC_READ | win::GENERIC_WRITE | 0x10000000u);
}

const char16_t* PredefinedName(win::HKEY key) {
  if (key == win::HKEY_CLASSES_ROOT) return u"HKEY_CLASSES_ROOT";
  if (key == win::HKEY_CURRENT_USER) return u"HKEY_CURRENT_USER";
  if (key == win::HKEY_LOCAL_MACHINE) return u"HKEY_LOCAL_MACHINE";
  if (key == win::HKEY_USERS) return u"HKEY_USERS";
  if (key == win::HKEY_CURRENT_CONFIG) return u"HKEY_CURRENT_CONFIG";
  return nullptr;
}

// The 32-bit view of a machine key: SOFTWARE\X => SOFTWARE\Wow6432Node\X, except the classes
// shared between the views (all but CLSID). The user's classes redirect CLSID the same way.
void RedirectTo32(std::vector<std::u16string>& place) {
  if (place.size() >= 3 && TextEqualsIgnoreCase(place[0], u"HKEY_LOCAL_MACHINE") &&
      TextEqualsIgnoreCase(place[1], u"SOFTWARE")) {
    if (TextEqualsIgnoreCase(place[2], u"Wow6432Node")) return;
    if (TextEqualsIgnoreCase(place[2], u"Classes") &&
        (place.size() < 4 || !TextEqualsIgnoreCase(place[3], u"CLSID")))
      return;
    place.insert(place.begin() + 2, u"Wow6432Node");
  } else if (place.size() >= 4 && TextEqualsIgnoreCase(place[0], u"HKEY_CURRENT_USER") &&
             TextEqualsIgnoreCase(place[1], u"Software") &&
             TextEqualsIgnoreCase(place[2], u"Classes") &&
             TextEqualsIgnoreCase(place[3], u"CLSID")) {
    place.insert(place.begin() + 3, u"Wow6432Node");
  }
}

}  // namespace

struct TSimRegistry::TKey {
  struct TValue {
    std::u16string Name;
    win::DWORD Type;
    std::vector<uint8_t> Data;
  };
  std::u16string Name;
  std::map<std::u16string, std::unique_ptr<TKey>> Subkeys;  // by upper-case name
  std::vector<TValue> Values;                               // in the order they were made
  bool Denied = false;

  TValue* Value(std::u16string_view name) {
    for (TValue& value : Values) {
      if (TextEqualsIgnoreCase(value.Name, name)) return &value;
    }
    return nullptr;
  }
};

// An open key: where it is in the hives, with the access it was opened for.
struct TSimRegistry::THandle {
  std::vector<std::u16string> Place;
  win::DWORD Access;
  bool View32;
};

TSimRegistry::TSimRegistry(TSimMachine& machine)
    : FMachine(machine), FTree(std::make_unique<TKey>()) {
  // The keys of a fresh installation that the system's programs rely on.
  for (const char16_t* key :
       {u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID", u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft",
        u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Classes\\CLSID",
        u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager",
        u"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services",
        u"HKEY_CURRENT_USER\\Software\\Classes", u"HKEY_USERS\\.DEFAULT", u"HKEY_CURRENT_CONFIG"}) {
    MakeLocked(SplitKey(key));
  }
}

TSimRegistry::~TSimRegistry() = default;

TSimRegistry::TKey* TSimRegistry::FindLocked(const std::vector<std::u16string>& place) const {
  TKey* key = FTree.get();
  for (const std::u16string& part : place) {
    auto it = key->Subkeys.find(TextUpperAscii(part));
    if (it == key->Subkeys.end()) return nullptr;
    key = it->second.get();
  }
  return key;
}

TSimRegistry::TKey* TSimRegistry::MakeLocked(const std::vector<std::u16string>& place) {
  TKey* key = FTree.get();
  for (const std::u16string& part : place) {
    auto& child = key->Subkeys[TextUpperAscii(part)];
    if (child == nullptr) {
      child = std::make_unique<TKey>();
      child->Name = part;
    }
    key = child.get();
  }
  return key;
}

win::LSTATUS TSimRegistry::PlaceLocked(win::HKEY key, std::u16string_view subKey,
                                       win::DWORD samDesired, bool forWrite,
                                       std::vector<std::u16string>& place) {
  const std::vector<std::u16string> parts = SplitKey(subKey);
  bool view32;
  if ((samDesired & win::KEY_WOW64_32KEY) != 0) {
    view32 = true;
  } else if ((samDesired & win::KEY_WOW64_64KEY) != 0) {
    view32 = false;
  } else {
    view32 = FMachine.Process().IsWow64();
  }
  if (!FMachine.Process().IsWindows64()) view32 = false;

  if (key == win::HKEY_CLASSES_ROOT) {
    // The user's classes first, then the machine's; a new key goes to the machine.
    std::vector<std::u16string> user = {u"HKEY_CURRENT_USER", u"Software", u"Classes"};
    std::vector<std::u16string> machine = {u"HKEY_LOCAL_MACHINE", u"SOFTWARE", u"Classes"};
    user.insert(user.end(), parts.begin(), parts.end());
    machine.insert(machine.end(), parts.begin(), parts.end());
    if (view32) {
      RedirectTo32(user);
      RedirectTo32(machine);
    }
    place = !parts.empty() && FindLocked(user) != nullptr ? user : machine;
    (void)forWrite;
    return win::ERROR_SUCCESS;
  }
  if (const char16_t* root = PredefinedName(key)) {
    place = {root};
  } else {
    auto open = FHandles.find(reinterpret_cast<uintptr_t>(key));
    if (open == FHandles.end()) return win::ERROR_INVALID_HANDLE;
    place = open->second->Place;
    // A key opened in one view keeps its subkeys in that view.
    view32 = view32 || open->second->View32;
  }
  place.insert(place.end(), parts.begin(), parts.end());
  if (view32) RedirectTo32(place);
  return win::ERROR_SUCCESS;
}

TSimRegistry::TKey* TSimRegistry::KeyOfLocked(win::HKEY key, win::DWORD access,
                                              win::LSTATUS* error) {
  std::vector<std::u16string> place;
  win::DWORD granted = win::KEY_ALL_ACCESS;
  if (PredefinedName(key) == nullptr) {
    auto open = FHandles.find(reinterpret_cast<uintptr_t>(key));
    if (open == FHandles.end()) {
      *error = win::ERROR_INVALID_HANDLE;
      return nullptr;
    }
    place = open->second->Place;
    granted = open->second->Access;
  } else if (key == win::HKEY_CLASSES_ROOT) {
    place = {u"HKEY_LOCAL_MACHINE", u"SOFTWARE", u"Classes"};
  } else {
    place = {PredefinedName(key)};
  }
  if ((granted & access) != access) {
    *error = win::ERROR_ACCESS_DENIED;
    return nullptr;
  }
  TKey* found = FindLocked(place);
  if (found == nullptr) {
    *error = win::ERROR_KEY_DELETED;
    return nullptr;
  }
  *error = win::ERROR_SUCCESS;
  return found;
}

win::LSTATUS TSimRegistry::OpenLocked(win::HKEY key, std::u16string_view subKey,
                                      win::DWORD samDesired, bool create, win::HKEY* result,
                                      win::DWORD* disposition) {
  if (result == nullptr) return win::ERROR_INVALID_PARAMETER;
  *result = nullptr;
  const win::DWORD access = MapGeneric(samDesired);
  std::vector<std::u16string> place;
  if (const win::LSTATUS placed = PlaceLocked(key, subKey, samDesired, create, place))
    return placed;
  if (place.empty()) return win::ERROR_INVALID_HANDLE;
  TKey* found = FindLocked(place);
  const bool machine = TextEqualsIgnoreCase(place[0], u"HKEY_LOCAL_MACHINE");
  // A standard user reads the machine's keys but changes none of them.
  const bool changes = (access & kWriteAccess) != 0 || (create && found == nullptr);
  if (machine && changes && !FMachine.RunningElevated()) return win::ERROR_ACCESS_DENIED;
  if (found == nullptr) {
    if (!create) return win::ERROR_FILE_NOT_FOUND;
    // Every missing key on the way is created, if its parent lets it.
    TKey* parent = FTree.get();
    for (const std::u16string& part : place) {
      auto it = parent->Subkeys.find(TextUpperAscii(part));
      if (it == parent->Subkeys.end()) {
        if (parent->Denied) return win::ERROR_ACCESS_DENIED;
        break;
      }
      parent = it->second.get();
    }
    found = MakeLocked(place);
    if (disposition != nullptr) *disposition = win::REG_CREATED_NEW_KEY;
  } else if (disposition != nullptr) {
    *disposition = win::REG_OPENED_EXISTING_KEY;
  }
  if (found->Denied) return win::ERROR_ACCESS_DENIED;
  auto handle = std::make_unique<THandle>();
  handle->Place = std::move(place);
  handle->Access = access & ~(win::KEY_WOW64_32KEY | win::KEY_WOW64_64KEY);
  handle->View32 = (samDesired & win::KEY_WOW64_32KEY) != 0 ||
                   ((samDesired & win::KEY_WOW64_64KEY) == 0 && FMachine.Process().IsWow64());
  const uintptr_t id = FNextHandle;
  FNextHandle += 4;
  FHandles[id] = std::move(handle);
  *result = reinterpret_cast<win::HKEY>(id);
  return win::ERROR_SUCCESS;
}

win::LSTATUS TSimRegistry::RegOpenKeyExW(win::HKEY key, std::u16string_view subKey, win::DWORD,
                                         win::DWORD samDesired, win::HKEY* result) {
  std::lock_guard guard(FLock);
  return OpenLocked(key, subKey, samDesired, false, result, nullptr);
}

win::LSTATUS TSimRegistry::RegCreateKeyExW(win::HKEY key, std::u16string_view subKey, win::DWORD,
                                           win::DWORD samDesired, win::HKEY* result,
                                           win::DWORD* disposition) {
  std::lock_guard guard(FLock);
  return OpenLocked(key, subKey, samDesired, true, result, disposition);
}

win::LSTATUS TSimRegistry::RegCloseKey(win::HKEY key) {
  std::lock_guard guard(FLock);
  if (PredefinedName(key) != nullptr) return win::ERROR_SUCCESS;
  return FHandles.erase(reinterpret_cast<uintptr_t>(key)) != 0 ? win::ERROR_SUCCESS
                                                               : win::ERROR_INVALID_HANDLE;
}

win::LSTATUS TSimRegistry::RegFlushKey(win::HKEY key) {
  std::lock_guard guard(FLock);
  win::LSTATUS error;
  return KeyOfLocked(key, 0, &error) != nullptr ? win::ERROR_SUCCESS : error;
}

win::LSTATUS TSimRegistry::DeleteLocked(win::HKEY key, std::u16string_view subKey,
                                        win::DWORD samDesired) {
  std::vector<std::u16string> place;
  if (const win::LSTATUS placed = PlaceLocked(key, subKey, samDesired, true, place)) return placed;
  if (place.size() < 2) return win::ERROR_ACCESS_DENIED;  // a hive itself
  TKey* found = FindLocked(place);
  if (found == nullptr) return win::ERROR_FILE_NOT_FOUND;
  if (TextEqualsIgnoreCase(place[0], u"HKEY_LOCAL_MACHINE") && !FMachine.RunningElevated()) {
    return win::ERROR_ACCESS_DENIED;
  }
  // Only a key without subkeys goes, and only one whose permissions allow it.
  if (found->Denied || !found->Subkeys.empty()) return win::ERROR_ACCESS_DENIED;
  const std::vector<std::u16string> parentPlace(place.begin(), place.end() - 1);
  FindLocked(parentPlace)->Subkeys.erase(TextUpperAscii(place.back()));
  return win::ERROR_SUCCESS;
}

win::LSTATUS TSimRegistry::RegDeleteKeyExW(win::HKEY key, std::u16string_view subKey,
                                           win::DWORD samDesired) {
  std::lock_guard guard(FLock);
  return DeleteLocked(key, subKey, samDesired);
}

win::LSTATUS TSimRegistry::RegDeleteKeyW(win::HKEY key, std::u16string_view subKey) {
  std::lock_guard guard(FLock);
  return DeleteLocked(key, subKey, 0);
}

namespace {

// Stores a name and its NUL; *length in characters, as the registry functions count.
win::LSTATUS StoreName(std::u16string_view text, char16_t* buffer, win::DWORD* length) {
  if (length == nullptr) return win::ERROR_INVALID_PARAMETER;
  if (buffer == nullptr || *length <= text.size()) return win::ERROR_MORE_DATA;
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  *length = static_cast<win::DWORD>(text.size());
  return win::ERROR_SUCCESS;
}

// Copies value data; data null asks only for the size.
win::LSTATUS StoreData(const std::vector<uint8_t>& bytes, uint8_t* data, win::DWORD* length) {
  if (length == nullptr) return data == nullptr ? win::ERROR_SUCCESS : win::ERROR_INVALID_PARAMETER;
  const win::DWORD room = *length;
  *length = static_cast<win::DWORD>(bytes.size());
  if (data == nullptr) return win::ERROR_SUCCESS;
  if (room < bytes.size()) return win::ERROR_MORE_DATA;
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  return win::ERROR_SUCCESS;
}

}  // namespace

win::LSTATUS TSimRegistry::RegEnumKeyExW(win::HKEY key, win::DWORD index, char16_t* name,
                                         win::DWORD* nameLength) {
  std::lock_guard guard(FLock);
  win::LSTATUS error;
  TKey* found = KeyOfLocked(key, win::KEY_ENUMERATE_SUB_KEYS, &error);
  if (found == nullptr) return error;
  if (index >= found->Subkeys.size()) return win::ERROR_NO_MORE_ITEMS;
  auto it = found->Subkeys.begin();
  std::advance(it, index);
  return StoreName(it->second->Name, name, nameLength);
}

win::LSTATUS TSimRegistry::RegEnumValueW(win::HKEY key, win::DWORD index, char16_t* name,
                                         win::DWORD* nameLength, win::DWORD* type, uint8_t* data,
                                         win::DWORD* dataLength) {
  std::lock_guard guard(FLock);
  win::LSTATUS error;
  TKey* found = KeyOfLocked(key, win::KEY_QUERY_VALUE, &error);
  if (found == nullptr) return error;
  if (index >= found->Values.size()) return win::ERROR_NO_MORE_ITEMS;
  const TKey::TValue& value = found->Values[index];
  if (const win::LSTATUS stored = StoreName(value.Name, name, nameLength)) return stored;
  if (type != nullptr) *type = value.Type;
  return StoreData(value.Data, data, dataLength);
}

win::LSTATUS TSimRegistry::RegQueryValueExW(win::HKEY key, std::u16string_view valueName,
                                            win::DWORD* type, uint8_t* data,
                                            win::DWORD* dataLength) {
  std::lock_guard guard(FLock);
  win::LSTATUS error;
  TKey* found = KeyOfLocked(key, win::KEY_QUERY_VALUE, &error);
  if (found == nullptr) return error;
  const TKey::TValue* value = found->Value(valueName);
  if (value == nullptr) return win::ERROR_FILE_NOT_FOUND;
  if (type != nullptr) *type = value->Type;
  return StoreData(value->Data, data, dataLength);
}

win::LSTATUS TSimRegistry::RegSetValueExW(win::HKEY key, std::u16string_view valueName,
                                          win::DWORD type, const uint8_t* data, win::DWORD size) {
  std::lock_guard guard(FLock);
  if (data == nullptr && size != 0) return win::ERROR_INVALID_PARAMETER;
  win::LSTATUS error;
  TKey* found = KeyOfLocked(key, win::KEY_SET_VALUE, &error);
  if (found == nullptr) return error;
  std::vector<uint8_t> bytes(data, data + size);
  if (TKey::TValue* value = found->Value(valueName)) {
    value->Type = type;
    value->Data = std::move(bytes);
  } else {
    found->Values.push_back({std::u16string(valueName), type, std::move(bytes)});
  }
  return win::ERROR_SUCCESS;
}

win::LSTATUS TSimRegistry::RegDeleteValueW(win::HKEY key, std::u16string_view valueName) {
  std::lock_guard guard(FLock);
  win::LSTATUS error;
  TKey* found = KeyOfLocked(key, win::KEY_SET_VALUE, &error);
  if (found == nullptr) return error;
  const auto before = found->Values.size();
  std::erase_if(found->Values, [&](const TKey::TValue& value) {
    return TextEqualsIgnoreCase(value.Name, valueName);
  });
  return found->Values.size() != before ? win::ERROR_SUCCESS : win::ERROR_FILE_NOT_FOUND;
}

win::LSTATUS TSimRegistry::RegQueryInfoKeyW(win::HKEY key, win::DWORD* subKeys,
                                            win::DWORD* maxSubKeyLength, win::DWORD* values,
                                            win::DWORD* maxValueNameLength,
                                            win::DWORD* maxValueLength) {
  std::lock_guard guard(FLock);
  win::LSTATUS error;
  TKey* found = KeyOfLocked(key, win::KEY_QUERY_VALUE, &error);
  if (found == nullptr) return error;
  win::DWORD longestKey = 0, longestName = 0, longestData = 0;
  for (const auto& [upper, child] : found->Subkeys) {
    longestKey = std::max<win::DWORD>(longestKey, static_cast<win::DWORD>(child->Name.size()));
  }
  for (const TKey::TValue& value : found->Values) {
    longestName = std::max<win::DWORD>(longestName, static_cast<win::DWORD>(value.Name.size()));
    longestData = std::max<win::DWORD>(longestData, static_cast<win::DWORD>(value.Data.size()));
  }
  if (subKeys != nullptr) *subKeys = static_cast<win::DWORD>(found->Subkeys.size());
  if (maxSubKeyLength != nullptr) *maxSubKeyLength = longestKey;
  if (values != nullptr) *values = static_cast<win::DWORD>(found->Values.size());
  if (maxValueNameLength != nullptr) *maxValueNameLength = longestName;
  if (maxValueLength != nullptr) *maxValueLength = longestData;
  return win::ERROR_SUCCESS;
}

win::DWORD TSimRegistry::RtlNtStatusToDosError(win::NTSTATUS status) {
  struct TPair {
    win::NTSTATUS Status;
    win::DWORD Error;
  };
  static constexpr TPair kTable[] = {
      {win::STATUS_SUCCESS, win::ERROR_SUCCESS},
      {win::STATUS_INVALID_HANDLE, win::ERROR_INVALID_HANDLE},
      {win::STATUS_INVALID_PARAMETER, win::ERROR_INVALID_PARAMETER},
      {win::STATUS_ACCESS_DENIED, win::ERROR_ACCESS_DENIED},
      {win::STATUS_BUFFER_TOO_SMALL, win::ERROR_INSUFFICIENT_BUFFER},
      {win::STATUS_OBJECT_NAME_INVALID, win::ERROR_INVALID_NAME},
      {win::STATUS_OBJECT_NAME_NOT_FOUND, win::ERROR_FILE_NOT_FOUND},
      {static_cast<win::NTSTATUS>(0xC0000035), win::ERROR_ALREADY_EXISTS},  // name collision
      {win::STATUS_OBJECT_PATH_NOT_FOUND, win::ERROR_PATH_NOT_FOUND},
      {static_cast<win::NTSTATUS>(0xC0000043), win::ERROR_SHARING_VIOLATION},
      {static_cast<win::NTSTATUS>(0xC000017C), win::ERROR_KEY_DELETED},
      {win::STATUS_PROCEDURE_NOT_FOUND, win::ERROR_PROC_NOT_FOUND},
      {static_cast<win::NTSTATUS>(0xC0000002), win::ERROR_INVALID_FUNCTION},  // not implemented
      {static_cast<win::NTSTATUS>(0xC000000F), win::ERROR_FILE_NOT_FOUND},    // no such file
      {static_cast<win::NTSTATUS>(0xC0000010), win::ERROR_INVALID_FUNCTION},  // invalid request
      {static_cast<win::NTSTATUS>(0xC0000017), win::ERROR_NOT_ENOUGH_MEMORY},
      {win::STATUS_OBJECT_TYPE_MISMATCH, win::ERROR_INVALID_HANDLE},
      {static_cast<win::NTSTATUS>(0xC0000121), win::ERROR_ACCESS_DENIED},  // cannot delete
  };
  for (const TPair& pair : kTable) {
    if (pair.Status == status) return pair.Error;
  }
  // ERROR_MR_MID_NOT_FOUND, as ntdll answers for a code it cannot translate.
  return 317;
}

bool TSimRegistry::KeyExists(std::u16string_view hivePath) const {
  std::lock_guard guard(FLock);
  return FindLocked(SplitKey(hivePath)) != nullptr;
}

void TSimRegistry::MakeKey(std::u16string_view hivePath) {
  std::lock_guard guard(FLock);
  MakeLocked(SplitKey(hivePath));
}

void TSimRegistry::SetAccessDenied(std::u16string_view hivePath, bool denied) {
  std::lock_guard guard(FLock);
  MakeLocked(SplitKey(hivePath))->Denied = denied;
}

size_t TSimRegistry::OpenKeyCount() const {
  std::lock_guard guard(FLock);
  return FHandles.size();
}
