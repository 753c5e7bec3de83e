// The appended resource table: tables read back as written, and corrupt or truncated tables
// refused without reading outside the file.
#include "lib/platform/uResourceTable.h"

#include <cstring>
#include <gtest/gtest.h>

#include "lib/testing/uTestSupport.h"

namespace {

// An "executable" of some bytes with a table of three resources appended.
std::vector<uint8_t> FileWithTable(
    std::vector<std::pair<std::string, std::vector<uint8_t>>>& resources) {
  resources = {{"INSTALLSCRIPT", {'a', '\r', '\n', 'b'}},
               {"F0", TestMixedBytes(3000, 7)},
               {"EMPTY", {}},
               {"N\xC3\xA4me", {1, 2, 3}}};
  TResourceTable table;
  for (const auto& [name, bytes] : resources) table.Add(name, bytes);
  std::vector<uint8_t> file = TestMixedBytes(517, 3);
  const std::vector<uint8_t> tableBytes = table.Bytes();
  file.insert(file.end(), tableBytes.begin(), tableBytes.end());
  return file;
}

void PutNumber(std::vector<uint8_t>& bytes, size_t at, uint64_t value, int count) {
  for (int i = 0; i < count; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(ResourceTable, ReadsBackWhatWasWritten) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> resources;
  const std::vector<uint8_t> file = FileWithTable(resources);
  std::vector<TResourceTableEntry> entries;
  ASSERT_TRUE(ResourceTableRead(file, entries));
  ASSERT_EQ(entries.size(), resources.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(resources[i].first);
    EXPECT_EQ(entries[i].Name, resources[i].first);
    ASSERT_LE(entries[i].Offset + entries[i].Size, file.size());
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + entries[i].Offset,
                                   file.begin() + entries[i].Offset + entries[i].Size),
              resources[i].second);
  }
  // A table with no resources is a table too.
  ASSERT_TRUE(ResourceTableRead(TResourceTable().Bytes(), entries));
  EXPECT_TRUE(entries.empty());
}

TEST(ResourceTable, RefusesCorruptTables) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> resources;
  const std::vector<uint8_t> good = FileWithTable(resources);
  const size_t footer = good.size() - TResourceTable::kFooterSize;
  uint64_t directory = 0;
  for (int i = 0; i < 8; ++i) directory |= static_cast<uint64_t>(good[footer + i]) << (8 * i);
  const size_t tableStart = 517;  // the bytes before the table
  const size_t firstEntry = tableStart + directory;
  struct TCase {
    const char* Name;
    void (*Corrupt)(std::vector<uint8_t>& file, size_t footerAt, size_t entryAt);
  };
  const TCase cases[] = {
      {"magic", [](auto& f, size_t at, size_t) { f[at + 16] = 'X'; }},
      {"table larger than the file",
       [](auto& f, size_t at, size_t) { PutNumber(f, at + 8, f.size() + 1, 8); }},
      {"table smaller than its footer",
       [](auto& f, size_t at, size_t) { PutNumber(f, at + 8, 23, 8); }},
      {"table size near 2^64",
       [](auto& f, size_t at, size_t) { PutNumber(f, at + 8, ~uint64_t{0}, 8); }},
      {"directory past the footer",
       [](auto& f, size_t at, size_t) { PutNumber(f, at, ~uint64_t{0} - 3, 8); }},
      {"directory inside a name",
       [](auto& f, size_t at, size_t) {
         uint64_t d = 0;
         for (int i = 0; i < 8; ++i) d |= static_cast<uint64_t>(f[at + i]) << (8 * i);
         PutNumber(f, at, d + 5, 8);
       }},
      {"name longer than the directory",
       [](auto& f, size_t, size_t entry) { PutNumber(f, entry, 0xFFFFFFFF, 4); }},
      {"resource past the blobs",
       [](auto& f, size_t, size_t entry) { PutNumber(f, entry + 4 + 13 + 8, 1 << 20, 8); }},
      {"offset and size overflowing",
       [](auto& f, size_t, size_t entry) {
         PutNumber(f, entry + 4 + 13, 16, 8);
         PutNumber(f, entry + 4 + 13 + 8, ~uint64_t{0} - 8, 8);
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    std::vector<uint8_t> file = good;
    c.Corrupt(file, footer, firstEntry);
    std::vector<TResourceTableEntry> entries;
    EXPECT_FALSE(ResourceTableRead(file, entries));
    EXPECT_TRUE(entries.empty());
  }
  // A table cut short anywhere has lost its footer; the bytes before it are no table.
  for (size_t length = 0; length < good.size(); ++length) {
    std::vector<TResourceTableEntry> entries;
    ASSERT_FALSE(ResourceTableRead(std::span(good.data(), length), entries)) << length;
  }
}

TEST(ResourceTable, DamagedBytesNeverReachOutsideTheFile) {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> resources;
  const std::vector<uint8_t> good = FileWithTable(resources);
  const uint64_t seed = 0x5EED0001;
  std::printf("seed %llu\n", static_cast<unsigned long long>(seed));
  TTestRandom random(seed);
  // Damage falls on the directory and footer, where the reader takes its numbers from.
  const size_t directoryEnd = good.size();
  const size_t directoryStart = directoryEnd - 120;
  for (int round = 0; round < 3000; ++round) {
    std::vector<uint8_t> file = good;
    const int damages = 1 + static_cast<int>(random.Below(4));
    for (int d = 0; d < damages; ++d) {
      file[directoryStart + random.Below(directoryEnd - directoryStart)] =
          static_cast<uint8_t>(random.Next());
    }
    std::vector<TResourceTableEntry> entries;
    if (!ResourceTableRead(file, entries)) continue;
    for (const TResourceTableEntry& entry : entries) {
      ASSERT_LE(entry.Offset, file.size()) << "round " << round;
      ASSERT_LE(entry.Size, file.size() - entry.Offset) << "round " << round;
    }
  }
}

}  // namespace
