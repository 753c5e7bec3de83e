// PE images for the Sim: version resource reader and minimal image writer.
#include "lib/platform/uPlatformSimPe.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace {

constexpr uint32_t kRtVersion = 16;
constexpr uint32_t kRtManifest = 24;
constexpr uint32_t kVsVersionInfoName = 1;
constexpr uint32_t kSubdirectoryFlag = 0x80000000u;
constexpr std::u16string_view kVersionKey = u"VS_VERSION_INFO";

// Little-endian reads through the reader, bounds-checked against the file size.
class TImage {
 public:
  TImage(uint64_t size, const TSimPeReader& read) : FSize(size), FRead(read) {}

  bool Bytes(uint64_t offset, void* buffer, size_t length) const {
    if (offset > FSize || length > FSize - offset) return false;
    return FRead(offset, buffer, length);
  }
  bool U16(uint64_t offset, uint16_t& value) const {
    uint8_t b[2];
    if (!Bytes(offset, b, 2)) return false;
    value = static_cast<uint16_t>(b[0] | b[1] << 8);
    return true;
  }
  bool U32(uint64_t offset, uint32_t& value) const {
    uint8_t b[4];
    if (!Bytes(offset, b, 4)) return false;
    value = static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
            static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
    return true;
  }

 private:
  uint64_t FSize;
  const TSimPeReader& FRead;
};

struct TSection {
  uint32_t VirtualAddress;
  uint32_t RawSize;
  uint32_t RawPointer;
};

// The file offset of `length` bytes at an address of the image, when a section holds all of
// them in the file.
bool AddressToOffset(const std::vector<TSection>& sections, uint32_t address, uint64_t length,
                     uint64_t& offset) {
  for (const TSection& section : sections) {
    if (address < section.VirtualAddress) continue;
    const uint64_t inside = address - section.VirtualAddress;
    if (inside >= section.RawSize || length > section.RawSize - inside) continue;
    offset = section.RawPointer + inside;
    return true;
  }
  return false;
}

// The resource directory: its file offset and the bytes the section holds from there.
struct TResourceTree {
  const TImage& Image;
  uint64_t Start;
  uint64_t Size;

  // The entry with the given id in the directory at `directory` (relative to the tree), or the
  // first entry when `id` is 0. Result: the entry's OffsetToData.
  win::DWORD Find(uint32_t directory, uint32_t id, uint32_t& target) const {
    uint16_t named = 0, ids = 0;
    if (directory > Size || Size - directory < 16) return win::ERROR_BAD_EXE_FORMAT;
    if (!Image.U16(Start + directory + 12, named) || !Image.U16(Start + directory + 14, ids)) {
      return win::ERROR_BAD_EXE_FORMAT;
    }
    const uint64_t count = uint64_t{named} + ids;
    if ((Size - directory - 16) / 8 < count) return win::ERROR_BAD_EXE_FORMAT;
    for (uint64_t i = 0; i < count; ++i) {
      const uint64_t entry = Start + directory + 16 + 8 * i;
      uint32_t name = 0;
      if (!Image.U32(entry, name) || !Image.U32(entry + 4, target))
        return win::ERROR_BAD_EXE_FORMAT;
      // Named entries come first; an id entry never has the name flag.
      if (id == 0 || (i >= named && name == id)) return win::ERROR_SUCCESS;
    }
    return win::ERROR_RESOURCE_TYPE_NOT_FOUND;
  }
};

}  // namespace

win::DWORD SimPeVersionBlock(uint64_t fileSize, const TSimPeReader& read,
                             std::vector<uint8_t>& block) {
  const TImage image(fileSize, read);
  uint16_t magic = 0;
  uint32_t header = 0, signature = 0;
  if (!image.U16(0, magic) || magic != 0x5A4D || !image.U32(0x3C, header) ||
      !image.U32(header, signature) || signature != 0x00004550) {
    return win::ERROR_BAD_EXE_FORMAT;
  }
  const uint64_t coff = uint64_t{header} + 4;
  uint16_t sectionCount = 0, optionalSize = 0, optionalMagic = 0;
  if (!image.U16(coff + 2, sectionCount) || !image.U16(coff + 16, optionalSize) ||
      !image.U16(coff + 20, optionalMagic)) {
    return win::ERROR_BAD_EXE_FORMAT;
  }
  const uint64_t optional = coff + 20;
  uint64_t directories = 0;
  if (optionalMagic == 0x10B) {
    directories = 96;
  } else if (optionalMagic == 0x20B) {
    directories = 112;
  } else {
    return win::ERROR_BAD_EXE_FORMAT;
  }
  uint32_t directoryCount = 0;
  if (optionalSize < directories || !image.U32(optional + directories - 4, directoryCount) ||
      (optionalSize - directories) / 8 < directoryCount) {
    return win::ERROR_BAD_EXE_FORMAT;
  }
  uint32_t resourceAddress = 0, resourceSize = 0;
  if (directoryCount > 2 && (!image.U32(optional + directories + 16, resourceAddress) ||
                             !image.U32(optional + directories + 20, resourceSize))) {
    return win::ERROR_BAD_EXE_FORMAT;
  }

  std::vector<TSection> sections;
  const uint64_t table = optional + optionalSize;
  for (uint64_t i = 0; i < sectionCount; ++i) {
    TSection section;
    const uint64_t at = table + 40 * i;
    if (!image.U32(at + 12, section.VirtualAddress) || !image.U32(at + 16, section.RawSize) ||
        !image.U32(at + 20, section.RawPointer)) {
      return win::ERROR_BAD_EXE_FORMAT;
    }
    sections.push_back(section);
  }
  if (resourceAddress == 0 || resourceSize == 0) return win::ERROR_RESOURCE_DATA_NOT_FOUND;

  // The tree is read only as far as both its directory entry and its section reach.
  uint64_t treeStart = 0;
  if (!AddressToOffset(sections, resourceAddress, 16, treeStart)) return win::ERROR_BAD_EXE_FORMAT;
  uint64_t treeSize = 16;
  for (const TSection& section : sections) {
    if (resourceAddress >= section.VirtualAddress &&
        resourceAddress - section.VirtualAddress < section.RawSize) {
      treeSize = section.RawSize - (resourceAddress - section.VirtualAddress);
    }
  }
  treeSize = std::min<uint64_t>(treeSize, resourceSize);
  const TResourceTree tree{image, treeStart, treeSize};

  // Type, name, language: two directories, then a data entry.
  uint32_t entry = 0;
  win::DWORD error = tree.Find(0, kRtVersion, entry);
  if (error != win::ERROR_SUCCESS) return error;
  if ((entry & kSubdirectoryFlag) == 0) return win::ERROR_BAD_EXE_FORMAT;
  error = tree.Find(entry & ~kSubdirectoryFlag, kVsVersionInfoName, entry);
  if (error == win::ERROR_RESOURCE_TYPE_NOT_FOUND) return win::ERROR_RESOURCE_NAME_NOT_FOUND;
  if (error != win::ERROR_SUCCESS) return error;
  if ((entry & kSubdirectoryFlag) == 0) return win::ERROR_BAD_EXE_FORMAT;
  error = tree.Find(entry & ~kSubdirectoryFlag, 0, entry);
  if (error == win::ERROR_RESOURCE_TYPE_NOT_FOUND) return win::ERROR_RESOURCE_NAME_NOT_FOUND;
  if (error != win::ERROR_SUCCESS) return error;
  if ((entry & kSubdirectoryFlag) != 0 || entry > treeSize || treeSize - entry < 16) {
    return win::ERROR_BAD_EXE_FORMAT;
  }
  uint32_t dataAddress = 0, dataSize = 0;
  if (!image.U32(treeStart + entry, dataAddress) || !image.U32(treeStart + entry + 4, dataSize)) {
    return win::ERROR_BAD_EXE_FORMAT;
  }
  uint64_t data = 0;
  uint16_t length = 0;
  if (dataSize < 6 || !AddressToOffset(sections, dataAddress, dataSize, data) ||
      !image.U16(data, length) || length < 6 || length > dataSize) {
    return win::ERROR_BAD_EXE_FORMAT;
  }
  block.resize(length);
  if (!image.Bytes(data, block.data(), length)) return win::ERROR_BAD_EXE_FORMAT;
  return win::ERROR_SUCCESS;
}

win::DWORD SimPeVersionBlock(std::span<const uint8_t> image, std::vector<uint8_t>& block) {
  const TSimPeReader read = [image](uint64_t offset, void* buffer, size_t length) {
    if (offset > image.size() || length > image.size() - offset) return false;
    std::memcpy(buffer, image.data() + offset, length);
    return true;
  };
  return SimPeVersionBlock(image.size(), read, block);
}

std::optional<size_t> SimVersionFixedInfoOffset(std::span<const uint8_t> block) {
  // wLength, wValueLength, wType, the key "VS_VERSION_INFO" with its NUL, padding to 4 bytes,
  // then the value: the fixed part.
  constexpr size_t kKey = 6;
  constexpr size_t kValue = (kKey + (kVersionKey.size() + 1) * 2 + 3) / 4 * 4;
  constexpr size_t kFixed = sizeof(win::VS_FIXEDFILEINFO);
  if (block.size() < kValue + kFixed) return std::nullopt;
  const size_t length = block[0] | block[1] << 8;
  const size_t valueLength = block[2] | block[3] << 8;
  if (length > block.size() || length < kValue + kFixed || valueLength < kFixed) {
    return std::nullopt;
  }
  for (size_t i = 0; i <= kVersionKey.size(); ++i) {
    const char16_t c = static_cast<char16_t>(block[kKey + 2 * i] | block[kKey + 2 * i + 1] << 8);
    if (c != (i < kVersionKey.size() ? kVersionKey[i] : u'\0')) return std::nullopt;
  }
  uint32_t signature = 0;
  for (int i = 3; i >= 0; --i) signature = signature << 8 | block[kValue + i];
  if (signature != win::VS_FFI_SIGNATURE) return std::nullopt;
  return kValue;
}

namespace {

class TWriter {
 public:
  explicit TWriter(size_t size) : FBytes(size, 0) {}
  void U16(size_t at, uint32_t value) {
    FBytes[at] = static_cast<uint8_t>(value);
    FBytes[at + 1] = static_cast<uint8_t>(value >> 8);
  }
  void U32(size_t at, uint32_t value) {
    U16(at, value & 0xFFFF);
    U16(at + 2, value >> 16);
  }
  void U64(size_t at, uint64_t value) {
    U32(at, static_cast<uint32_t>(value));
    U32(at + 4, static_cast<uint32_t>(value >> 32));
  }
  void Text(size_t at, std::string_view text) {
    std::memcpy(&FBytes[at], text.data(), text.size());
  }
  std::vector<uint8_t>& Bytes() { return FBytes; }

 private:
  std::vector<uint8_t> FBytes;
};

}  // namespace

std::vector<uint8_t> SimPeImageBuild(const TSimPeImage& image) {
  constexpr uint32_t kFileAlignment = 0x200, kSectionAlignment = 0x1000;
  constexpr uint32_t kSectionFile = 0x200, kSectionAddress = 0x1000;
  // The resource tree: three directories of one entry each (24 bytes apiece), the data entry
  // (16 bytes), then the resource itself.
  constexpr uint32_t kDataEntry = 72, kResource = 88;
  constexpr std::string_view kManifest =
      "<assembly xmlns=\"urn:schemas-microsoft-com:asm.v1\" manifestVersion=\"1.0\"/>";
  const uint32_t resourceSize = image.FileVersion ? 40 + sizeof(win::VS_FIXEDFILEINFO)
                                                  : static_cast<uint32_t>(kManifest.size());
  const uint32_t sectionSize = kResource + resourceSize;
  const uint32_t rawSize = (sectionSize + kFileAlignment - 1) / kFileAlignment * kFileAlignment;

  TWriter w(kSectionFile + rawSize);
  // DOS header: the signature and the offset of the PE header.
  w.Text(0, "MZ");
  w.U32(0x3C, 0x40);
  w.Text(0x40, std::string_view("PE\0\0", 4));
  const size_t coff = 0x44;
  const uint32_t optionalSize = image.Pe32Plus ? 240 : 224;
  w.U16(coff, image.Pe32Plus ? 0x8664 : 0x14C);  // machine
  w.U16(coff + 2, 1);                            // sections
  w.U16(coff + 16, optionalSize);
  // Executable image, DLL; large-address aware (64-bit) or a 32-bit machine.
  w.U16(coff + 18, image.Pe32Plus ? 0x2022 : 0x2102);

  const size_t optional = coff + 20;
  w.U16(optional, image.Pe32Plus ? 0x20B : 0x10B);
  w.U16(optional + 2, 14);  // linker version
  if (image.Pe32Plus) {
    w.U64(optional + 24, 0x180000000ULL);  // image base
  } else {
    w.U32(optional + 28, 0x10000000);
  }
  w.U32(optional + 32, kSectionAlignment);
  w.U32(optional + 36, kFileAlignment);
  w.U16(optional + 40, 6);  // operating system version 6.1
  w.U16(optional + 42, 1);
  w.U16(optional + 48, 6);  // subsystem version 6.1
  w.U16(optional + 50, 1);
  w.U32(optional + 56, kSectionAddress + (sectionSize + kSectionAlignment - 1) / kSectionAlignment *
                                             kSectionAlignment);
  w.U32(optional + 60, kSectionFile);  // size of headers
  w.U16(optional + 68, 2);             // subsystem: Windows GUI
  const size_t sizes = optional + 72;  // stack and heap reserve and commit
  const size_t directories = image.Pe32Plus ? optional + 112 : optional + 96;
  for (int i = 0; i < 4; ++i) {
    if (image.Pe32Plus) {
      w.U64(sizes + 8 * i, i % 2 == 0 ? 0x100000 : 0x1000);
    } else {
      w.U32(sizes + 4 * i, i % 2 == 0 ? 0x100000 : 0x1000);
    }
  }
  w.U32(directories - 4, 16);  // data directories
  w.U32(directories + 16, kSectionAddress);
  w.U32(directories + 20, sectionSize);

  const size_t section = optional + optionalSize;
  w.Text(section, ".rsrc");
  w.U32(section + 8, sectionSize);
  w.U32(section + 12, kSectionAddress);
  w.U32(section + 16, rawSize);
  w.U32(section + 20, kSectionFile);
  w.U32(section + 36, 0x40000040);  // initialised data, readable

  const size_t tree = kSectionFile;
  const uint32_t ids[3] = {image.FileVersion ? kRtVersion : kRtManifest, kVsVersionInfoName, 0x409};
  for (uint32_t level = 0; level < 3; ++level) {
    const size_t directory = tree + 24 * level;
    w.U16(directory + 14, 1);
    w.U32(directory + 16, ids[level]);
    w.U32(directory + 20, level < 2 ? kSubdirectoryFlag | (24 * (level + 1)) : kDataEntry);
  }
  w.U32(tree + kDataEntry, kSectionAddress + kResource);
  w.U32(tree + kDataEntry + 4, resourceSize);

  const size_t resource = tree + kResource;
  if (!image.FileVersion) {
    w.Text(resource, kManifest);
    return std::move(w.Bytes());
  }
  w.U16(resource, resourceSize);
  w.U16(resource + 2, sizeof(win::VS_FIXEDFILEINFO));
  for (size_t i = 0; i < kVersionKey.size(); ++i) w.U16(resource + 6 + 2 * i, kVersionKey[i]);
  const size_t fixed = resource + 40;
  const TSimFileVersion& file = *image.FileVersion;
  const TSimFileVersion& product = image.ProductVersion;
  w.U32(fixed, win::VS_FFI_SIGNATURE);
  w.U32(fixed + 4, 0x00010000);  // structure version 1.0
  w.U32(fixed + 8, static_cast<uint32_t>(file.Major) << 16 | file.Minor);
  w.U32(fixed + 12, static_cast<uint32_t>(file.Release) << 16 | file.Build);
  w.U32(fixed + 16, static_cast<uint32_t>(product.Major) << 16 | product.Minor);
  w.U32(fixed + 20, static_cast<uint32_t>(product.Release) << 16 | product.Build);
  w.U32(fixed + 24, 0x3F);        // file flags mask
  w.U32(fixed + 32, 0x00040004);  // VOS_NT_WINDOWS32
  w.U32(fixed + 36, 2);           // VFT_DLL
  return std::move(w.Bytes());
}
