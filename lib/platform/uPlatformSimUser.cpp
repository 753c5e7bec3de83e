// The Sim's message queue.
#include "lib/platform/uPlatformSim.h"

bool TSimUser::PeekMessageW(win::MSG* message, win::HWND window, uint32_t filterMin,
                            uint32_t filterMax, uint32_t removeMessage) {
  if (message == nullptr) {
    SimSetLastError(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  std::lock_guard<std::mutex> guard(FLock);
  const bool anyNumber = filterMin == 0 && filterMax == 0;
  for (auto it = FQueue.begin(); it != FQueue.end(); ++it) {
    if (window != nullptr && it->hwnd != window) continue;
    if (!anyNumber && (it->message < filterMin || it->message > filterMax)) continue;
    *message = *it;
    if ((removeMessage & win::PM_REMOVE) != 0) FQueue.erase(it);
    return true;
  }
  if ((removeMessage & win::PM_REMOVE) != 0) FPasses.fetch_add(1);
  return false;
}

bool TSimUser::TranslateMessage(const win::MSG* message) {
  // No keyboard is modelled, so no message is a key message.
  (void)message;
  return false;
}

intptr_t TSimUser::DispatchMessageW(const win::MSG* message) {
  if (message == nullptr) return 0;
  std::lock_guard<std::mutex> guard(FLock);
  FDispatched.push_back(*message);
  return 0;
}

void TSimUser::PostMessage(const win::MSG& message) {
  std::lock_guard<std::mutex> guard(FLock);
  FQueue.push_back(message);
}

std::vector<win::MSG> TSimUser::Dispatched() const {
  std::lock_guard<std::mutex> guard(FLock);
  return FDispatched;
}
