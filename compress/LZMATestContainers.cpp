// Containers for tests and benchmarks.
#include "compress/LZMATestContainers.h"

#include <lzma.h>

#include <cstdlib>
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

size_t TestContainerDecodePlain(const std::vector<uint8_t>& container, std::unique_ptr<uint8_t[]>& out) {
  const uint64_t size = TestContainerSize(container);
  out = std::make_unique_for_overwrite<uint8_t[]>(size);
  lzma_options_lzma options{};
  const uint8_t properties = container.at(8);
  options.dict_size = static_cast<uint32_t>(2u | (properties & 1u)) << (properties / 2 + 11);
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_raw_decoder(&stream, filters) != LZMA_OK) std::abort();
  stream.next_in = container.data() + 9;
  stream.avail_in = container.size() - 9;
  stream.next_out = out.get();
  stream.avail_out = size;
  while (stream.avail_out > 0) {
    const lzma_ret ret = lzma_code(&stream, LZMA_RUN);
    if (ret == LZMA_STREAM_END) break;
    if (ret != LZMA_OK) std::abort();
  }
  lzma_end(&stream);
  return size - stream.avail_out;
}

uint64_t TestContainerSize(const std::vector<uint8_t>& container) {
  uint64_t size = 0;
  for (int i = 7; i >= 0; --i) size = (size << 8) | container.at(i);
  return size;
}

void TestContainerSetSize(std::vector<uint8_t>& container, uint64_t size) {
  for (int i = 0; i < 8; ++i) container.at(i) = static_cast<uint8_t>(size >> (8 * i));
}
