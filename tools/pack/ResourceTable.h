// The resource table that carries named resources on platforms without executable resources:
// appended to an executable, it is found from the file's end.
//
//   blobs      the resources' bytes, one after another
//   directory  per resource: u32 name length, the name (UTF-8), u64 offset, u64 size
//   footer     u64 directory offset, u64 table size (all three parts), "VRDNRSRC"
//
// Offsets count from the table's first byte; numbers are little-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
