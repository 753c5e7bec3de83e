// Text lists read from bytes the way Windows' text-list loaders read a stream: a byte-order
// mark selects UTF-8 or UTF-16 (little or big endian), otherwise the bytes are ANSI text
// (Windows-1252); CR LF, CR and LF each end a line, and a final line end adds no empty line.
// Nothing is trimmed. Any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

std::u16string TextFromBytesWithBom(std::span<const uint8_t> bytes);
std::vector<std::u16string> TextListFromBytes(std::span<const uint8_t> bytes);
