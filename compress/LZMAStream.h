// The payload container (layout: compress/LZMAContainer.h) decoded: TLZMAStream turns a
// container held in one memory stream into the uncompressed bytes in another; the size field must
// be below 2 GiB and the properties byte 0..32. Owner thread only.
#pragma once

#include <cstdint>

#include "lib/values/uMemoryStream.h"

class TLZMAStream {
 public:
  // The size field, read before the decoder takes the properties byte and the stream.
  static constexpr int kHeaderSize = 8;

  // Both streams empty, both flags false.
  TLZMAStream() = default;
  // Frees the streams that PrepareStreams created; streams put in by a caller stay theirs.
  ~TLZMAStream();
  TLZMAStream(const TLZMAStream&) = delete;
  TLZMAStream& operator=(const TLZMAStream&) = delete;

  // Creates each stream that is still empty (null) and marks it as owned.
  void PrepareStreams();
  // Fills Decompressed from the container in Compressed, read from its position on.
  // Decompressed is sized once from the size field and decoded into in place; its position is
  // not moved. Raises ECompressDataError / ECompressInternalError (compress/LZMADecompress.h)
  // or std::bad_alloc; bytes written before a failure stay.
  void Decompress();
  // The read procedure of Decompress: up to count bytes from Compressed at its position.
  int32_t ReadCompressed(void* buffer, int32_t count);

  int64_t CompressedSize = 0;
  bool WasCompressedCreated = false;
  bool WasDecompressedCreated = false;
  TMemoryStream* Compressed = nullptr;
  TMemoryStream* Decompressed = nullptr;
};
