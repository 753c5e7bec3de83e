// The Linux host of the simulated machine.
#include <malloc.h>
#include <unistd.h>

#include <cstddef>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "lib/platform/uPlatformHost.h"
#include "lib/platform/uPlatformText.h"

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
    std::u16string argument = TextFromUtf8(std::string_view(bytes).substr(start, end - start));
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
