// Containers for tests and benchmarks.
#include "compress/LZMATestContainers.h"

#include <lzma.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

#include "compress/LZMAContainer.h"

std::vector<uint8_t> TestContainer(const std::vector<uint8_t>& bytes, uint8_t properties) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 4);
  options.dict_size = 1u << 20;
  std::vector<uint8_t> container;
  std::string error;
  if (!ContainerEncode(bytes, options, container, error, properties)) throw std::runtime_error(error);
  return container;
}

size_t TestContainerDecodePlain(const std::vector<uint8_t>& container, std::unique_ptr<uint8_t[]>& out) {
  const uint64_t size = TestContainerSize(container);
  out = std::make_unique_for_overwrite<uint8_t[]>(size);
  lzma_options_lzma options{};
  const uint8_t properties = container.at(kContainerPropertiesAt);
  options.dict_size = static_cast<uint32_t>(2u | (properties & 1u)) << (properties / 2 + 11);
  const lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_raw_decoder(&stream, filters) != LZMA_OK) std::abort();
  stream.next_in = container.data() + kContainerStreamAt;
  stream.avail_in = container.size() - kContainerStreamAt;
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
  return ContainerSizeRead(container);
}

void TestContainerSetSize(std::vector<uint8_t>& container, uint64_t size) {
  ContainerSizeWrite(container, size);
}
