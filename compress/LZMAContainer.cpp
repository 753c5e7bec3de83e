// The payload container's layout.
#include "compress/LZMAContainer.h"

#include <algorithm>

uint64_t ContainerSizeRead(std::span<const uint8_t> container) {
  uint64_t size = 0;
  for (size_t i = std::min(container.size(), kContainerSizeFieldBytes); i-- > 0;)
    size = (size << 8) | container[i];
  return size;
}

void ContainerSizeWrite(std::span<uint8_t> container, uint64_t size) {
  for (size_t i = 0; i < kContainerSizeFieldBytes; ++i)
    container[i] = static_cast<uint8_t>(size >> (8 * i));
}

bool ContainerEncode(std::span<const uint8_t> bytes, const lzma_options_lzma& options,
                     std::vector<uint8_t>& container, std::string& error, int properties) {
  // liblzma takes the options through a non-const pointer but does not change them.
  lzma_options_lzma copy = options;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &copy}, {LZMA_VLI_UNKNOWN, nullptr}};
  std::vector<uint8_t> made(kContainerStreamAt + lzma_stream_buffer_bound(bytes.size()));
  ContainerSizeWrite(made, bytes.size());
  if (properties >= 0 && properties <= 255) {
    made[kContainerPropertiesAt] = static_cast<uint8_t>(properties);
  } else if (lzma_properties_encode(filters, &made[kContainerPropertiesAt]) != LZMA_OK) {
    error = "cannot encode the LZMA2 properties";
    return false;
  }
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_raw_encoder(&stream, filters) != LZMA_OK) {
    error = "cannot set up the LZMA2 encoder";
    return false;
  }
  stream.next_in = bytes.data();
  stream.avail_in = bytes.size();
  stream.next_out = made.data() + kContainerStreamAt;
  stream.avail_out = made.size() - kContainerStreamAt;
  const lzma_ret ret = lzma_code(&stream, LZMA_FINISH);
  made.resize(made.size() - stream.avail_out);
  lzma_end(&stream);
  if (ret != LZMA_STREAM_END) {
    error = "the LZMA2 encoder failed (" + std::to_string(ret) + ")";
    return false;
  }
  container = std::move(made);
  return true;
}
