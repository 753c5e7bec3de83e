// The backend in use: an exchangeable current backend over the default that the backend choice
// (uPlatformChoice.cpp, linked into every program) installs before static initialisation.
#include "lib/platform/uPlatform.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace {

std::atomic<TPlatform*> GCurrent{nullptr};
// Constant-initialised, so that it is null (never indeterminate) until the choice installs it.
std::atomic<TPlatformDefaultHook> GDefaultHook{nullptr};

}  // namespace

TPlatformDefaultHook PlatformDefaultHookSet(TPlatformDefaultHook hook) {
  return GDefaultHook.exchange(hook, std::memory_order_acq_rel);
}

TPlatform& PlatformDefault() {
  const TPlatformDefaultHook hook = GDefaultHook.load(std::memory_order_acquire);
  if (hook == nullptr) {
    // No alert: alerts themselves need the platform.
    std::fputs("Platform() used with no backend installed: the program does not link the "
               "backend choice (vardeno_platform_choice)\n",
               stderr);
    std::abort();
  }
  return hook();
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
