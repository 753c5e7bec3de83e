// Containers for tests and benchmarks.
#include "compress/LZMATestContainers.h"

#include <lzma.h>

#include <stdexcept>

std::vector<uint8_t> TestContainer(const std::vector<uint8_t>& bytes, uint8_t properties) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 4);
  options.dict_size = 1u << 20;
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_raw_encoder(&stream, filters) != LZMA_OK) throw std::runtime_error("lzma_raw_encoder");

  std::vector<uint8_t> container(9 + bytes.size() + bytes.size() / 16 + 1024);
  TestContainerSetSize(container, bytes.size());
  container[8] = properties;
  stream.next_in = bytes.data();
  stream.avail_in = bytes.size();
  stream.next_out = container.data() + 9;
  stream.avail_out = container.size() - 9;
  const lzma_ret ret = lzma_code(&stream, LZMA_FINISH);
  container.resize(container.size() - stream.avail_out);
  lzma_end(&stream);
  if (ret != LZMA_STREAM_END) throw std::runtime_error("lzma_code");
  return container;
}

uint64_t TestContainerSize(const std::vector<uint8_t>& container) {
  uint64_t size = 0;
  for (int i = 7; i >= 0; --i) size = (size << 8) | container.at(i);
  return size;
}

void TestContainerSetSize(std::vector<uint8_t>& container, uint64_t size) {
  for (int i = 0; i < 8; ++i) container.at(i) = static_cast<uint8_t>(size >> (8 * i));
}
