// Selection of the platform backend.
#include "lib/platform/uPlatform.h"

#include <atomic>

#include "lib/platform/uPlatformSim.h"

#ifdef _WIN32
#include "lib/platform/uPlatformWin32.h"
#endif

namespace {

std::atomic<TPlatform*> GCurrent{nullptr};

}  // namespace

TPlatform& PlatformDefault() {
#ifdef _WIN32
  static TWin32Platform defaultPlatform;
#else
  static TSimPlatform defaultPlatform;
#endif
  return defaultPlatform;
}

TPlatform& Platform() {
  TPlatform* current = GCurrent.load(std::memory_order_acquire);
  return current != nullptr ? *current : PlatformDefault();
}

TPlatform* PlatformExchange(TPlatform* platform) {
  TPlatform* previous = GCurrent.exchange(platform, std::memory_order_acq_rel);
  return previous != nullptr ? previous : &PlatformDefault();
}

bool PlatformProcessMessages() {
  TPlatformUser& user = Platform().User();
  win::MSG message;
  while (user.PeekMessageW(&message, nullptr, 0, 0, win::PM_REMOVE)) {
    if (message.message == win::WM_QUIT) return false;
    user.TranslateMessage(&message);
    user.DispatchMessageW(&message);
  }
  return true;
}
