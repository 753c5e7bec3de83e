// The appended resource table.
#include "tools/pack/ResourceTable.h"

#include <cstring>

namespace {

void PutNumber(std::vector<uint8_t>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

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
  PutNumber(table, directory, 8);
  PutNumber(table, table.size() + kFooterSize, 8);
  table.insert(table.end(), kMagic, kMagic + 8);
  return table;
}
