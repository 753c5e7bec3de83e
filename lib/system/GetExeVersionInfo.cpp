// Executable version information through the platform's version resources.
#include "lib/system/GetExeVersionInfo.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "lib/platform/uPlatform.h"
#include "lib/values/uMiscLean.h"

namespace {

// The running executable's version, packed major:minor:release:build from the high word down;
// published by the filled flag (release/acquire) so that a reader never sees half of it.
std::atomic<uint64_t> GOwnVersion{0};
std::atomic<bool> GOwnVersionFilled{false};

uint64_t Pack(uint16_t major, uint16_t minor, uint16_t release, uint16_t build) {
  return uint64_t{major} << 48 | uint64_t{minor} << 32 | uint64_t{release} << 16 | build;
}

}  // namespace

bool ExeVersionInfo(uint16_t& major, uint16_t& minor, uint16_t& release, uint16_t& build,
                    std::u16string_view fileName) {
  TPlatform& platform = Platform();
  const std::u16string own = platform.Process().GetModuleFileNameW(nullptr);
  const bool isOwn = fileName.empty() || fileName == own;
  if (isOwn && GOwnVersionFilled.load(std::memory_order_acquire)) {
    const uint64_t packed = GOwnVersion.load(std::memory_order_relaxed);
    major = static_cast<uint16_t>(packed >> 48);
    minor = static_cast<uint16_t>(packed >> 32);
    release = static_cast<uint16_t>(packed >> 16);
    build = static_cast<uint16_t>(packed);
    return true;
  }
  const std::u16string_view path = fileName.empty() ? std::u16string_view(own) : fileName;
  if (path.empty()) return false;

  TPlatformResources& resources = platform.Resources();
  const win::DWORD size = resources.GetFileVersionInfoSizeW(path);
  if (size == 0) return false;
  std::vector<uint8_t> block(size);
  void* value = nullptr;
  win::DWORD length = 0;
  if (!resources.GetFileVersionInfoW(path, size, block.data()) ||
      !resources.VerQueryValueW(block.data(), u"\\", &value, &length) || value == nullptr ||
      length < sizeof(win::VS_FIXEDFILEINFO)) {
    return false;
  }
  win::VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof(fixed));
  const uint16_t numbers[4] = {
      static_cast<uint16_t>(fixed.dwFileVersionMS >> 16),
      static_cast<uint16_t>(fixed.dwFileVersionMS),
      static_cast<uint16_t>(fixed.dwFileVersionLS >> 16),
      static_cast<uint16_t>(fixed.dwFileVersionLS),
  };
  if (isOwn) {
    GOwnVersion.store(Pack(numbers[0], numbers[1], numbers[2], numbers[3]),
                      std::memory_order_relaxed);
    GOwnVersionFilled.store(true, std::memory_order_release);
  }
  major = numbers[0];
  minor = numbers[1];
  release = numbers[2];
  build = numbers[3];
  return true;
}

uint16_t ExeBuildNumber(std::u16string_view fileName) {
  uint16_t major = 0, minor = 0, release = 0, build = 0;
  return ExeVersionInfo(major, minor, release, build, fileName) ? build : 0;
}

std::u16string ExeVersionText() {
  uint16_t major = 0, minor = 0, release = 0, build = 0;
  if (!ExeVersionInfo(major, minor, release, build)) return {};
  return IntToText(major) + u"." + IntToText(minor) + u"." + IntToText(release);
}

void ExeVersionCacheClear() { GOwnVersionFilled.store(false, std::memory_order_release); }
