// The Linux host of the simulated machine.
#include <malloc.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "lib/platform/uPlatformHost.h"

namespace {

// UTF-8 => UTF-16; a byte that starts no valid sequence becomes U+FFFD. (The text helpers sit
// above this layer.)
std::u16string HostTextFromUtf8(std::string_view text) {
  std::u16string result;
  size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    char32_t code = 0;
    char32_t least = 0;  // the smallest code of that length (longer forms are invalid)
    if (lead < 0x80) {
      length = 1;
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code = lead & 0x1F;
      least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code = lead & 0x0F;
      least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code = lead & 0x07;
      least = 0x10000;
    }
    bool valid = length > 0 && i + length <= text.size();
    for (size_t k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    valid = valid && code >= least && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    if (!valid) {
      result.push_back(u'\xFFFD');
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      result.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      result.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      result.push_back(static_cast<char16_t>(code));
    }
    i += length;
  }
  return result;
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// Part of the sanitizer runtime's allocator interface (GCC ships no header for it).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

uint64_t HostHeapBytesInUse() {
#if defined(__SANITIZE_ADDRESS__)
  // The sanitizer replaces the allocator; glibc's figures would not move.
  return __sanitizer_get_current_allocated_bytes();
#else
  const struct mallinfo2 info = ::mallinfo2();
  return info.uordblks + info.hblkhd;
#endif
}

std::filesystem::path HostExecutablePath() {
  std::string buffer(4096, '\0');
  for (;;) {
    const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (length < 0) return {};
    if (static_cast<size_t>(length) < buffer.size()) {
      buffer.resize(static_cast<size_t>(length));
      return buffer;
    }
    // Possibly cut short: try again with more room.
    if (buffer.size() >= (1u << 20)) return {};
    buffer.resize(buffer.size() * 2);
  }
}

std::u16string HostCommandLine() {
  // The arguments, each ended by a NUL.
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::u16string commandLine;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    std::u16string argument = HostTextFromUtf8(std::string_view(bytes).substr(start, end - start));
    std::erase(argument, u'"');
    bool quote = argument.empty();
    for (char16_t c : argument) quote = quote || c <= u' ';
    if (!commandLine.empty()) commandLine += u' ';
    if (quote) {
      commandLine.append(u"\"").append(argument).append(u"\"");
    } else {
      commandLine += argument;
    }
    start = end + 1;
  }
  return commandLine;
}
