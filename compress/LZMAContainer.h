// The payload container, read and written in this one place (the packer, the stream and the
// tests use it):
//   offset 0, 8 bytes   uncompressed size, little-endian (below 2 GiB for the installer)
//   offset 8, 1 byte    LZMA2 properties byte p (dictionary size, 0..40 defined)
//   offset 9 ...        raw LZMA2 chunks, closed by the end byte 0x00
// Any thread.
#pragma once

#include <lzma.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

constexpr size_t kContainerSizeFieldBytes = 8;
constexpr size_t kContainerPropertiesAt = 8;
constexpr size_t kContainerStreamAt = 9;

// The size field of a container: its first 8 bytes (fewer: the bytes there are).
uint64_t ContainerSizeRead(std::span<const uint8_t> container);
// Writes the size field into the first 8 bytes (the container holds at least 8).
void ContainerSizeWrite(std::span<uint8_t> container, uint64_t size);

// Encodes bytes with liblzma's raw LZMA2 encoder and the options into a container. The
// properties byte is the one the options give, or `properties` when that is 0..255 (a larger
// dictionary than the stream was made with still decodes it). False with the reason in error,
// container unchanged, when liblzma fails.
bool ContainerEncode(std::span<const uint8_t> bytes, const lzma_options_lzma& options,
                     std::vector<uint8_t>& container, std::string& error, int properties = -1);
