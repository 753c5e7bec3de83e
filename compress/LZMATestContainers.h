// Containers for tests and benchmarks, made with liblzma's raw LZMA2 encoder.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

// A container of `bytes`: the 8-byte size field, then properties byte `properties` and the
// raw LZMA2 stream with its end byte. The stream is encoded with a dictionary of at most
// 1 MiB (any stream decodes with a larger dictionary), so making it stays cheap.
std::vector<uint8_t> TestContainer(const std::vector<uint8_t>& bytes, uint8_t properties = 26);

// The floor that decoding is measured against: liblzma's raw decoder alone, on the container's
// stream, into a buffer sized once from its size field (not initialised beforehand). Returns
// the bytes decoded; aborts on a stream it cannot decode.
size_t TestContainerDecodePlain(const std::vector<uint8_t>& container, std::unique_ptr<uint8_t[]>& out);

// Reads the size field of a container.
uint64_t TestContainerSize(const std::vector<uint8_t>& container);
// Rewrites the size field of a container.
void TestContainerSetSize(std::vector<uint8_t>& container, uint64_t size);
