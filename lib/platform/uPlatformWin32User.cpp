// The Win32 backend's user-interface area (user32).
#include "lib/platform/uPlatformWin32.h"

// After the portable spellings (uWinApi.h), whose names its macros would replace.
#include <windows.h>

namespace {

MSG ToNative(const win::MSG& message) {
  MSG native{};
  native.hwnd = static_cast<HWND>(message.hwnd);
  native.message = message.message;
  native.wParam = message.wParam;
  native.lParam = message.lParam;
  native.time = message.time;
  native.pt.x = message.pt.x;
  native.pt.y = message.pt.y;
  return native;
}

}  // namespace

bool TWin32User::PeekMessageW(win::MSG* message, win::HWND window, uint32_t filterMin,
                              uint32_t filterMax, uint32_t removeMessage) {
  MSG native{};
  if (!::PeekMessageW(&native, static_cast<HWND>(window), filterMin, filterMax, removeMessage)) {
    return false;
  }
  message->hwnd = native.hwnd;
  message->message = native.message;
  message->wParam = native.wParam;
  message->lParam = native.lParam;
  message->time = native.time;
  message->pt.x = native.pt.x;
  message->pt.y = native.pt.y;
  return true;
}

bool TWin32User::TranslateMessage(const win::MSG* message) {
  const MSG native = ToNative(*message);
  return ::TranslateMessage(&native) != FALSE;
}

intptr_t TWin32User::DispatchMessageW(const win::MSG* message) {
  const MSG native = ToNative(*message);
  return ::DispatchMessageW(&native);
}
