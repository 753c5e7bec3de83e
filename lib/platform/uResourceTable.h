// The resource table that carries named resources where executables have none (the Sim on
// Linux): appended to an executable, it is found from the file's end.
//
//   blobs      the resources' bytes, one after another
//   directory  per resource: u32 name length, the name (UTF-8), u64 offset, u64 size
//   footer     u64 directory offset, u64 table size (all three parts), "VRDNRSRC"
//
// Offsets count from the table's first byte; numbers are little-endian. Pure code, any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

// Builds a table. One owner at a time.
class TResourceTable {
 public:
  static constexpr char kMagic[9] = "VRDNRSRC";
  static constexpr size_t kFooterSize = 24;

  void Add(const std::string& name, const std::vector<uint8_t>& bytes);
  // The whole table: blobs, directory, footer.
  std::vector<uint8_t> Bytes() const;

 private:
  struct TEntry {
    std::string Name;
    uint64_t Offset;
    uint64_t Size;
  };
  std::vector<uint8_t> FBlobs;
  std::vector<TEntry> FEntries;
};

// One resource of a table read from a file: where its bytes lie in that file.
struct TResourceTableEntry {
  std::string Name;  // UTF-8, as written
  uint64_t Offset;   // from the file's first byte
  uint64_t Size;
};

// Reads `length` bytes at `offset` of the file into `buffer`; false when they are not all there.
using TResourceTableReader = std::function<bool(uint64_t offset, void* buffer, size_t length)>;

// The directory of the table at the end of a file of `fileSize` bytes. False (and no entries)
// when the file ends in no table or the table is corrupt or truncated: a footer, table size,
// directory or entry that does not fit, or a resource whose bytes lie outside the blobs.
bool ResourceTableRead(uint64_t fileSize, const TResourceTableReader& read,
                       std::vector<TResourceTableEntry>& entries);
// The same for a file in memory.
bool ResourceTableRead(std::span<const uint8_t> file, std::vector<TResourceTableEntry>& entries);
