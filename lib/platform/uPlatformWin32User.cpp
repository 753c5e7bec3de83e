// The Win32 backend's user-interface area (user32).
#include "lib/platform/uPlatformWin32.h"

// After the portable spellings (uWinApi.h), whose names its macros would replace.
#include <windows.h>

#include <cstddef>

namespace {

// 32-bit user32 has no ...LongPtr entry points: there the names are macros for the 32-bit
// ones, which would also rename the methods of this file.
LONG_PTR NativeSetWindowLongPtr(HWND window, int index, LONG_PTR value) {
  return SetWindowLongPtrW(window, index, value);
}
LONG_PTR NativeGetWindowLongPtr(HWND window, int index) { return GetWindowLongPtrW(window, index); }

}  // namespace

#undef SetWindowLongPtrW
#undef GetWindowLongPtrW

namespace {

win::MSG FromNative(const MSG& native) {
  win::MSG message;
  message.hwnd = native.hwnd;
  message.message = native.message;
  message.wParam = native.wParam;
  message.lParam = native.lParam;
  message.time = native.time;
  message.pt.x = native.pt.x;
  message.pt.y = native.pt.y;
  return message;
}

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
  *message = FromNative(native);
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

namespace {

// The portable procedures have the same arguments and calling convention as user32's.
static_assert(sizeof(win::CREATESTRUCTW) == sizeof(CREATESTRUCTW));
static_assert(offsetof(win::CREATESTRUCTW, lpszClass) == offsetof(CREATESTRUCTW, lpszClass));
static_assert(offsetof(win::CREATESTRUCTW, dwExStyle) == offsetof(CREATESTRUCTW, dwExStyle));

WNDPROC ToNative(win::WNDPROC procedure) { return reinterpret_cast<WNDPROC>(procedure); }
TIMERPROC ToNative(win::TIMERPROC procedure) { return reinterpret_cast<TIMERPROC>(procedure); }

}  // namespace

int TWin32User::GetMessageW(win::MSG* message, win::HWND window, uint32_t filterMin,
                            uint32_t filterMax) {
  MSG native{};
  const BOOL got = ::GetMessageW(&native, static_cast<HWND>(window), filterMin, filterMax);
  if (got == -1) return -1;
  *message = FromNative(native);
  return got;
}

uint16_t TWin32User::RegisterClassExW(const win::WNDCLASSEXW* windowClass) {
  WNDCLASSEXW native{};
  native.cbSize = sizeof(native);
  native.style = windowClass->style;
  native.lpfnWndProc = ToNative(windowClass->lpfnWndProc);
  native.hInstance = static_cast<HINSTANCE>(windowClass->hInstance);
  const std::wstring name = TextToWide(windowClass->lpszClassName != nullptr
                                           ? std::u16string_view(windowClass->lpszClassName)
                                           : std::u16string_view());
  native.lpszClassName = name.c_str();
  return ::RegisterClassExW(&native);
}

bool TWin32User::UnregisterClassW(std::u16string_view className, win::HMODULE instance) {
  return ::UnregisterClassW(TextToWide(className).c_str(), static_cast<HINSTANCE>(instance)) !=
         FALSE;
}

win::HWND TWin32User::CreateWindowExW(win::DWORD exStyle, std::u16string_view className,
                                      std::u16string_view windowName, win::DWORD style, int x,
                                      int y, int width, int height, win::HWND parent,
                                      win::HMODULE instance, void* param) {
  return ::CreateWindowExW(exStyle, TextToWide(className).c_str(), TextToWide(windowName).c_str(),
                           style, x, y, width, height, static_cast<HWND>(parent), nullptr,
                           static_cast<HINSTANCE>(instance), param);
}

bool TWin32User::DestroyWindow(win::HWND window) {
  return ::DestroyWindow(static_cast<HWND>(window)) != FALSE;
}

bool TWin32User::IsWindow(win::HWND window) {
  return ::IsWindow(static_cast<HWND>(window)) != FALSE;
}

intptr_t TWin32User::DefWindowProcW(win::HWND window, uint32_t message, uintptr_t wParam,
                                    intptr_t lParam) {
  return ::DefWindowProcW(static_cast<HWND>(window), message, wParam, lParam);
}

intptr_t TWin32User::SetWindowLongPtrW(win::HWND window, int index, intptr_t value) {
  return NativeSetWindowLongPtr(static_cast<HWND>(window), index, value);
}

intptr_t TWin32User::GetWindowLongPtrW(win::HWND window, int index) {
  return NativeGetWindowLongPtr(static_cast<HWND>(window), index);
}

win::DWORD TWin32User::GetWindowThreadProcessId(win::HWND window, win::DWORD* processId) {
  DWORD process = 0;
  const DWORD thread = ::GetWindowThreadProcessId(static_cast<HWND>(window), &process);
  if (processId != nullptr) *processId = process;
  return thread;
}

bool TWin32User::PostMessageW(win::HWND window, uint32_t message, uintptr_t wParam,
                              intptr_t lParam) {
  return ::PostMessageW(static_cast<HWND>(window), message, wParam, lParam) != FALSE;
}

bool TWin32User::PostThreadMessageW(win::DWORD threadId, uint32_t message, uintptr_t wParam,
                                    intptr_t lParam) {
  return ::PostThreadMessageW(threadId, message, wParam, lParam) != FALSE;
}

void TWin32User::PostQuitMessage(int exitCode) { ::PostQuitMessage(exitCode); }

intptr_t TWin32User::SendMessageW(win::HWND window, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam) {
  return ::SendMessageW(static_cast<HWND>(window), message, wParam, lParam);
}

intptr_t TWin32User::SendMessageTimeoutW(win::HWND window, uint32_t message, uintptr_t wParam,
                                         intptr_t lParam, uint32_t flags, uint32_t timeout,
                                         uintptr_t* result) {
  DWORD_PTR answer = 0;
  const LRESULT sent = ::SendMessageTimeoutW(static_cast<HWND>(window), message, wParam, lParam,
                                             flags, timeout, &answer);
  if (result != nullptr) *result = answer;
  return sent;
}

uintptr_t TWin32User::SetTimer(win::HWND window, uintptr_t id, uint32_t elapse,
                               win::TIMERPROC timerProc) {
  return ::SetTimer(static_cast<HWND>(window), id, elapse, ToNative(timerProc));
}

bool TWin32User::KillTimer(win::HWND window, uintptr_t id) {
  return ::KillTimer(static_cast<HWND>(window), id) != FALSE;
}
