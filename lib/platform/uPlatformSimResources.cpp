// The Sim's executable resources: resources added in memory and the resource table appended
// to a host file.
#include <fstream>
#include <string>
#include <utility>

#include "lib/platform/uPlatformHost.h"
#include "lib/platform/uPlatformSim.h"
#include "lib/platform/uPlatformText.h"
#include "lib/platform/uResourceTable.h"

struct TSimResources::TResource {
  std::vector<uint8_t> Bytes;  // for a table resource, once loaded
  uint64_t Size = 0;
  // A table resource: the host file and where its bytes lie in it, and whether they were read.
  bool FromTable = false;
  std::filesystem::path File;
  uint64_t FileOffset = 0;
  bool Loaded = false;
};

namespace {

// Windows matches resource names without case (it stores them upper-cased).
std::u16string NameKey(std::u16string_view name) { return TextUpperAscii(name); }

// Where a zero-byte resource points.
const uint8_t kNoBytes = 0;

}  // namespace

TSimResources::TSimResources(TSimMachine& machine)
    : FMachine(machine), FExecutableFile(HostExecutablePath()) {}

TSimResources::~TSimResources() = default;

void TSimResources::AddResource(std::u16string_view name, std::vector<uint8_t> bytes,
                                uint16_t type) {
  auto resource = std::make_unique<TResource>();
  resource->Size = bytes.size();
  resource->Bytes = std::move(bytes);
  resource->Loaded = true;
  std::lock_guard<std::mutex> guard(FLock);
  FAdded[{type, NameKey(name)}] = resource.get();
  FAll.push_back(std::move(resource));
}

void TSimResources::RemoveResource(std::u16string_view name, uint16_t type) {
  std::lock_guard<std::mutex> guard(FLock);
  FAdded.erase({type, NameKey(name)});
}

void TSimResources::SetExecutableFile(std::filesystem::path hostFile) {
  std::lock_guard<std::mutex> guard(FLock);
  FExecutableFile = std::move(hostFile);
  FTable.clear();
  FTableRead = false;
}

std::vector<std::u16string> TSimResources::Lookups() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FLookups;
}

void TSimResources::ReadTableLocked() {
  if (FTableRead) return;
  FTableRead = true;
  if (FExecutableFile.empty()) return;
  std::ifstream in(FExecutableFile, std::ios::binary | std::ios::ate);
  if (!in) return;
  const auto end = in.tellg();
  if (end < 0) return;
  std::vector<TResourceTableEntry> entries;
  const bool ok = ResourceTableRead(
      static_cast<uint64_t>(end),
      [&](uint64_t offset, void* buffer, size_t length) {
        in.clear();
        in.seekg(static_cast<std::streamoff>(offset));
        in.read(static_cast<char*>(buffer), static_cast<std::streamsize>(length));
        return in.good() || (in.eof() && static_cast<size_t>(in.gcount()) == length);
      },
      entries);
  if (!ok) return;
  for (const TResourceTableEntry& entry : entries) {
    std::u16string name;
    try {
      name = std::filesystem::path(std::u8string(entry.Name.begin(), entry.Name.end())).u16string();
    } catch (const std::exception&) {
      continue;  // not UTF-8: no name a caller could ask for
    }
    auto resource = std::make_unique<TResource>();
    resource->FromTable = true;
    resource->File = FExecutableFile;
    resource->FileOffset = entry.Offset;
    resource->Size = entry.Size;
    // The first entry of a name wins, as a second one could not be reached anyway.
    if (FTable.emplace(std::make_pair(win::RT_RCDATA, NameKey(name)), resource.get()).second) {
      FAll.push_back(std::move(resource));
    }
  }
}

TSimResources::TResource* TSimResources::KnownLocked(win::HRSRC resource) {
  for (const auto& known : FAll) {
    if (known.get() == resource) return known.get();
  }
  return nullptr;
}

win::HRSRC TSimResources::FindResourceW(win::HMODULE module, std::u16string_view name,
                                        uint16_t type) {
  std::lock_guard<std::mutex> guard(FLock);
  FLookups.emplace_back(name);
  if (module != nullptr) {
    SimSetLastError(win::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  ReadTableLocked();
  const auto key = std::make_pair(type, NameKey(name));
  for (const auto* resources : {&FAdded, &FTable}) {
    const auto found = resources->find(key);
    if (found != resources->end()) return found->second;
  }
  bool typeKnown = false;
  for (const auto* resources : {&FAdded, &FTable}) {
    for (const auto& [typeAndName, resource] : *resources) typeKnown |= typeAndName.first == type;
  }
  SimSetLastError(typeKnown ? win::ERROR_RESOURCE_NAME_NOT_FOUND
                            : win::ERROR_RESOURCE_TYPE_NOT_FOUND);
  return nullptr;
}

win::HGLOBAL TSimResources::LoadResource(win::HMODULE module, win::HRSRC resource) {
  std::lock_guard<std::mutex> guard(FLock);
  TResource* known = module == nullptr ? KnownLocked(resource) : nullptr;
  if (known == nullptr) {
    SimSetLastError(win::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!known->Loaded) {
    std::vector<uint8_t> bytes;
    std::ifstream in(known->File, std::ios::binary);
    try {
      bytes.resize(known->Size);
    } catch (const std::exception&) {
      SimSetLastError(win::ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    in.seekg(static_cast<std::streamoff>(known->FileOffset));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in || static_cast<uint64_t>(in.gcount()) != known->Size) {
      SimSetLastError(win::ERROR_RESOURCE_DATA_NOT_FOUND);
      return nullptr;
    }
    known->Bytes = std::move(bytes);
    known->Loaded = true;
  }
  return known;
}

const void* TSimResources::LockResource(win::HGLOBAL loaded) {
  std::lock_guard<std::mutex> guard(FLock);
  TResource* known = KnownLocked(loaded);
  if (known == nullptr || !known->Loaded) return nullptr;
  return known->Bytes.empty() ? &kNoBytes : known->Bytes.data();
}

win::DWORD TSimResources::SizeofResource(win::HMODULE module, win::HRSRC resource) {
  std::lock_guard<std::mutex> guard(FLock);
  TResource* known = module == nullptr ? KnownLocked(resource) : nullptr;
  if (known == nullptr) {
    SimSetLastError(win::ERROR_INVALID_HANDLE);
    return 0;
  }
  return static_cast<win::DWORD>(known->Size);
}
