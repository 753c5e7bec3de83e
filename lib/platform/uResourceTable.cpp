// The appended resource table.
#include "lib/platform/uResourceTable.h"

#include <cstring>
#include <exception>
#include <utility>

namespace {

void PutNumber(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint64_t GetNumber(const uint8_t* bytes, int count) {
  uint64_t value = 0;
  for (int i = 0; i < count; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
  return value;
}

// Longest name accepted; anything longer is taken for corruption.
constexpr uint64_t kMaxNameLength = 4096;
// Bytes of an entry besides its name.
constexpr uint64_t kEntryFixedSize = 4 + 8 + 8;

}  // namespace

void TResourceTable::Add(const std::string& name, const std::vector<uint8_t>& bytes) {
  FEntries.push_back({name, FBlobs.size(), bytes.size()});
  FBlobs.insert(FBlobs.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> TResourceTable::Bytes() const {
  std::vector<uint8_t> table = FBlobs;
  const uint64_t directory = table.size();
  for (const TEntry& entry : FEntries) {
    PutNumber(table, entry.Name.size(), 4);
    table.insert(table.end(), entry.Name.begin(), entry.Name.end());
    PutNumber(table, entry.Offset, 8);
    PutNumber(table, entry.Size, 8);
  }
  const uint64_t size = table.size() + kFooterSize;
  PutNumber(table, directory, 8);
  PutNumber(table, size, 8);
  table.insert(table.end(), kMagic, kMagic + 8);
  return table;
}

bool ResourceTableRead(uint64_t fileSize, const TResourceTableReader& read,
                       std::vector<TResourceTableEntry>& entries) {
  entries.clear();
  if (fileSize < TResourceTable::kFooterSize) return false;
  uint8_t footer[TResourceTable::kFooterSize];
  if (!read(fileSize - sizeof footer, footer, sizeof footer)) return false;
  if (std::memcmp(footer + 16, TResourceTable::kMagic, 8) != 0) return false;
  const uint64_t directory = GetNumber(footer, 8);
  const uint64_t tableSize = GetNumber(footer + 8, 8);
  // Every check is made by subtraction from sizes already known to fit, so nothing overflows.
  if (tableSize < sizeof footer || tableSize > fileSize) return false;
  const uint64_t directorySpace = tableSize - sizeof footer;  // blobs + directory
  if (directory > directorySpace) return false;
  const uint64_t tableStart = fileSize - tableSize;
  const uint64_t directoryLength = directorySpace - directory;
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(directoryLength);
  } catch (const std::exception&) {
    return false;
  }
  if (directoryLength > 0 && !read(tableStart + directory, bytes.data(), bytes.size())) {
    return false;
  }
  std::vector<TResourceTableEntry> found;
  uint64_t at = 0;
  while (at < directoryLength) {
    if (directoryLength - at < kEntryFixedSize) return false;
    const uint64_t nameLength = GetNumber(&bytes[at], 4);
    if (nameLength > kMaxNameLength || directoryLength - at - kEntryFixedSize < nameLength) {
      return false;
    }
    const char* name = reinterpret_cast<const char*>(&bytes[at + 4]);
    const uint64_t offset = GetNumber(&bytes[at + 4 + nameLength], 8);
    const uint64_t size = GetNumber(&bytes[at + 12 + nameLength], 8);
    // The resource's bytes must lie inside the blobs, before the directory.
    if (offset > directory || size > directory - offset) return false;
    found.push_back({std::string(name, nameLength), tableStart + offset, size});
    at += kEntryFixedSize + nameLength;
  }
  entries = std::move(found);
  return true;
}

bool ResourceTableRead(std::span<const uint8_t> file, std::vector<TResourceTableEntry>& entries) {
  return ResourceTableRead(
      file.size(),
      [&](uint64_t offset, void* buffer, size_t length) {
        if (offset > file.size() || length > file.size() - offset) return false;
        std::memcpy(buffer, file.data() + offset, length);
        return true;
      },
      entries);
}
