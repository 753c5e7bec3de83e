// The payload container.
#include "compress/LZMAStream.h"

#include <memory>

#include "compress/LZMAContainer.h"
#include "compress/LZMADecompress.h"

TLZMAStream::~TLZMAStream() {
  if (WasCompressedCreated) delete Compressed;
  if (WasDecompressedCreated) delete Decompressed;
}

void TLZMAStream::PrepareStreams() {
  if (Compressed == nullptr) {
    Compressed = new TMemoryStream();
    WasCompressedCreated = true;
  }
  if (Decompressed == nullptr) {
    Decompressed = new TMemoryStream();
    WasDecompressedCreated = true;
  }
}

int32_t TLZMAStream::ReadCompressed(void* buffer, int32_t count) {
  return Compressed->Read(buffer, count);
}

void TLZMAStream::Decompress() {
  PrepareStreams();
  uint8_t header[kHeaderSize];
  // A container too short to hold its size field is corrupt, like one without its
  // properties byte.
  if (Compressed->Read(header, kHeaderSize) != kHeaderSize) throw ECompressDataError(1);
  const uint64_t size = ContainerSizeRead(header);
  // The size is a signed 32-bit count; refuse anything larger before allocating for it.
  if (size > INT32_MAX) throw ECompressDataError(6);
  Decompressed->SetSize(static_cast<int64_t>(size));
  auto decompressor = std::make_unique<TLZMA2Decompressor>(
      [this](void* buffer, int32_t count) { return ReadCompressed(buffer, count); });
  decompressor->DecompressInto(Decompressed->Memory(), static_cast<int32_t>(size));
}
