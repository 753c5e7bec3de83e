// The Sim's windows and message queues: classes, windows owned by threads, posted and sent
// messages, timers on the machine's clock.
#include <algorithm>
#include <chrono>

#include "lib/platform/uPlatformSim.h"
#include "lib/platform/uPlatformText.h"

namespace {

bool InFilter(uint32_t number, uint32_t filterMin, uint32_t filterMax) {
  return (filterMin == 0 && filterMax == 0) || (number >= filterMin && number <= filterMax);
}

// A real-time wait slice while the clock is not driven: timers and time-outs are looked at
// again at least this often.
constexpr auto kRealTimeSlice = std::chrono::milliseconds(5);

}  // namespace

struct TSimUser::TWindow {
  win::WNDPROC Procedure = nullptr;
  std::u16string ClassName;
  std::u16string Title;
  win::DWORD ThreadId = 0;
  win::HWND Parent = nullptr;
  intptr_t UserData = 0;
};

// A message sent from another thread, waiting for the window's thread to run it.
struct TSimUser::TSent {
  win::HWND Window;
  uint32_t Message;
  uintptr_t WParam;
  intptr_t LParam;
  bool Done = false;
  intptr_t Result = 0;
};

struct TSimUser::TQueue {
  std::deque<win::MSG> Posted;
  std::deque<std::shared_ptr<TSent>> Sent;
  bool Quit = false;
  int QuitCode = 0;
};

struct TSimUser::TTimer {
  win::HWND Window;
  uintptr_t Id;
  uint32_t Elapse;
  win::TIMERPROC Procedure;
  win::DWORD ThreadId;
  uint64_t Due;  // on the machine's clock, in ms
};

TSimUser::TSimUser(TSimMachine& machine) : FMachine(machine) {}

TSimUser::~TSimUser() = default;

TSimUser::TQueue& TSimUser::QueueLocked(win::DWORD threadId) {
  auto& queue = FQueues[threadId];
  if (queue == nullptr) queue = std::make_unique<TQueue>();
  return *queue;
}

TSimUser::TWindow* TSimUser::WindowLocked(win::HWND window) {
  auto it = FWindows.find(reinterpret_cast<uintptr_t>(window));
  return it != FWindows.end() ? it->second.get() : nullptr;
}

intptr_t TSimUser::Call(win::HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  win::WNDPROC procedure = nullptr;
  {
    std::lock_guard guard(FLock);
    if (TWindow* known = WindowLocked(window)) procedure = known->Procedure;
  }
  return procedure != nullptr ? procedure(window, message, wParam, lParam) : 0;
}

void TSimUser::RunSentLocked(std::unique_lock<std::mutex>& lock, win::DWORD threadId) {
  TQueue& queue = QueueLocked(threadId);
  while (!queue.Sent.empty()) {
    std::shared_ptr<TSent> sent = queue.Sent.front();
    queue.Sent.pop_front();
    win::WNDPROC procedure = nullptr;
    if (TWindow* window = WindowLocked(sent->Window)) procedure = window->Procedure;
    lock.unlock();
    const intptr_t result = procedure != nullptr
                                ? procedure(sent->Window, sent->Message, sent->WParam, sent->LParam)
                                : 0;
    lock.lock();
    sent->Result = result;
    sent->Done = true;
    FChanged.notify_all();
  }
}

uint64_t TSimUser::NextTimerDueLocked(win::DWORD threadId) const {
  uint64_t next = UINT64_MAX;
  for (const TTimer& timer : FTimers) {
    if (timer.ThreadId == threadId) next = std::min(next, timer.Due);
  }
  return next;
}

bool TSimUser::TakeLocked(win::DWORD threadId, win::MSG* message, win::HWND window,
                          uint32_t filterMin, uint32_t filterMax, bool remove) {
  TQueue& queue = QueueLocked(threadId);
  for (auto it = queue.Posted.begin(); it != queue.Posted.end(); ++it) {
    if (window != nullptr && it->hwnd != window) continue;
    if (!InFilter(it->message, filterMin, filterMax)) continue;
    *message = *it;
    if (remove) queue.Posted.erase(it);
    return true;
  }
  // WM_QUIT comes once nothing else is posted, whatever the filter.
  if (queue.Quit) {
    *message = win::MSG{};
    message->message = win::WM_QUIT;
    message->wParam = static_cast<uintptr_t>(queue.QuitCode);
    if (remove) queue.Quit = false;
    return true;
  }
  if (!InFilter(win::WM_TIMER, filterMin, filterMax)) return false;
  const uint64_t now = FMachine.Clock().GetTickCount64();
  for (TTimer& timer : FTimers) {
    if (timer.ThreadId != threadId || timer.Due > now) continue;
    if (window != nullptr && timer.Window != window) continue;
    *message = win::MSG{};
    message->hwnd = timer.Window;
    message->message = win::WM_TIMER;
    message->wParam = timer.Id;
    message->lParam = reinterpret_cast<intptr_t>(timer.Procedure);
    message->time = static_cast<win::DWORD>(now);
    // The next period counts from the time the message is taken, so a late loop gets one
    // WM_TIMER, not a burst.
    if (remove) timer.Due = now + timer.Elapse;
    return true;
  }
  return false;
}

bool TSimUser::PeekMessageW(win::MSG* message, win::HWND window, uint32_t filterMin,
                            uint32_t filterMax, uint32_t removeMessage) {
  if (message == nullptr) {
    SimSetLastError(win::ERROR_INVALID_PARAMETER);
    return false;
  }
  const win::DWORD self = FMachine.Process().GetCurrentThreadId();
  const bool remove = (removeMessage & win::PM_REMOVE) != 0;
  std::unique_lock lock(FLock);
  RunSentLocked(lock, self);
  if (TakeLocked(self, message, window, filterMin, filterMax, remove)) return true;
  if (remove) FPasses.fetch_add(1);
  return false;
}

int TSimUser::GetMessageW(win::MSG* message, win::HWND window, uint32_t filterMin,
                          uint32_t filterMax) {
  if (message == nullptr) {
    SimSetLastError(win::ERROR_INVALID_PARAMETER);
    return -1;
  }
  const win::DWORD self = FMachine.Process().GetCurrentThreadId();
  std::unique_lock lock(FLock);
  for (;;) {
    RunSentLocked(lock, self);
    if (TakeLocked(self, message, window, filterMin, filterMax, true)) {
      return message->message == win::WM_QUIT ? 0 : 1;
    }
    const uint64_t moves = FClockMoves;
    if (FMachine.Clock().IsDriven()) {
      // Time moves only when a test advances the clock, which wakes this wait.
      FChanged.wait(lock, [&] {
        return FClockMoves != moves || !QueueLocked(self).Posted.empty() ||
               !QueueLocked(self).Sent.empty() || QueueLocked(self).Quit;
      });
    } else {
      const uint64_t due = NextTimerDueLocked(self);
      const uint64_t now = FMachine.Clock().GetTickCount64();
      auto wait = kRealTimeSlice * 20;
      if (due != UINT64_MAX) {
        wait = std::min<std::chrono::milliseconds>(
            wait, std::chrono::milliseconds(due > now ? due - now : 0));
      }
      FChanged.wait_for(lock, wait);
    }
  }
}

bool TSimUser::TranslateMessage(const win::MSG* message) {
  // No keyboard is modelled, so no message is a key message.
  (void)message;
  return false;
}

intptr_t TSimUser::DispatchMessageW(const win::MSG* message) {
  if (message == nullptr) return 0;
  {
    std::lock_guard guard(FLock);
    FDispatched.push_back(*message);
  }
  if (message->message == win::WM_TIMER && message->lParam != 0) {
    const auto procedure = reinterpret_cast<win::TIMERPROC>(message->lParam);
    procedure(message->hwnd, win::WM_TIMER, message->wParam, message->time);
    return 0;
  }
  if (message->hwnd == nullptr) return 0;
  return Call(message->hwnd, message->message, message->wParam, message->lParam);
}

uint16_t TSimUser::RegisterClassExW(const win::WNDCLASSEXW* windowClass) {
  if (windowClass == nullptr || windowClass->lpszClassName == nullptr ||
      windowClass->lpfnWndProc == nullptr) {
    SimSetLastError(win::ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::lock_guard guard(FLock);
  const std::u16string name = TextUpperAscii(windowClass->lpszClassName);
  if (!FClasses.emplace(name, windowClass->lpfnWndProc).second) {
    SimSetLastError(win::ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  // Atoms of registered classes lie from 0xC000 up.
  return static_cast<uint16_t>(0xC000 + FClasses.size());
}

bool TSimUser::UnregisterClassW(std::u16string_view className, win::HMODULE) {
  std::lock_guard guard(FLock);
  const std::u16string name = TextUpperAscii(className);
  for (const auto& [id, window] : FWindows) {
    if (TextUpperAscii(window->ClassName) == name) {
      SimSetLastError(1412 /* ERROR_CLASS_HAS_WINDOWS */);
      return false;
    }
  }
  if (FClasses.erase(name) == 0) {
    SimSetLastError(1411 /* ERROR_CLASS_DOES_NOT_EXIST */);
    return false;
  }
  return true;
}

win::HWND TSimUser::CreateWindowExW(win::DWORD exStyle, std::u16string_view className,
                                    std::u16string_view windowName, win::DWORD style, int x, int y,
                                    int width, int height, win::HWND parent, win::HMODULE instance,
                                    void* param) {
  const win::DWORD self = FMachine.Process().GetCurrentThreadId();
  win::HWND handle = nullptr;
  std::u16string storedClass(className), storedTitle(windowName);
  {
    std::lock_guard guard(FLock);
    auto known = FClasses.find(TextUpperAscii(className));
    if (known == FClasses.end()) {
      SimSetLastError(win::ERROR_CANNOT_FIND_WND_CLASS);
      return nullptr;
    }
    if (parent != nullptr && parent != win::HWND_MESSAGE && WindowLocked(parent) == nullptr) {
      SimSetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
      return nullptr;
    }
    auto window = std::make_unique<TWindow>();
    window->Procedure = known->second;
    window->ClassName = storedClass;
    window->Title = storedTitle;
    window->ThreadId = self;
    window->Parent = parent;
    handle = reinterpret_cast<win::HWND>(FNextWindow);
    FNextWindow += 2;
    FWindows[reinterpret_cast<uintptr_t>(handle)] = std::move(window);
    QueueLocked(self);
  }
  win::CREATESTRUCTW create{};
  create.lpCreateParams = param;
  create.hInstance = instance;
  create.hwndParent = parent;
  create.cx = width;
  create.cy = height;
  create.x = x;
  create.y = y;
  create.style = static_cast<int32_t>(style);
  create.lpszName = storedTitle.c_str();
  create.lpszClass = storedClass.c_str();
  create.dwExStyle = exStyle;
  const auto lParam = reinterpret_cast<intptr_t>(&create);
  // A procedure that refuses WM_NCCREATE (0) or WM_CREATE (-1) ends the window at once.
  if (Call(handle, win::WM_NCCREATE, 0, lParam) == 0 ||
      Call(handle, win::WM_CREATE, 0, lParam) == -1) {
    DestroyWindow(handle);
    return nullptr;
  }
  SimSetLastError(win::ERROR_SUCCESS);
  return handle;
}

bool TSimUser::DestroyWindow(win::HWND window) {
  {
    std::lock_guard guard(FLock);
    TWindow* known = WindowLocked(window);
    if (known == nullptr) {
      SimSetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
      return false;
    }
    if (known->ThreadId != FMachine.Process().GetCurrentThreadId()) {
      SimSetLastError(win::ERROR_ACCESS_DENIED);
      return false;
    }
  }
  Call(window, win::WM_DESTROY, 0, 0);
  Call(window, win::WM_NCDESTROY, 0, 0);
  std::lock_guard guard(FLock);
  FWindows.erase(reinterpret_cast<uintptr_t>(window));
  std::erase_if(FTimers, [&](const TTimer& timer) { return timer.Window == window; });
  // What was posted to the window goes with it.
  for (auto& [thread, queue] : FQueues) {
    std::erase_if(queue->Posted, [&](const win::MSG& message) { return message.hwnd == window; });
  }
  return true;
}

bool TSimUser::IsWindow(win::HWND window) {
  std::lock_guard guard(FLock);
  return WindowLocked(window) != nullptr;
}

intptr_t TSimUser::DefWindowProcW(win::HWND window, uint32_t message, uintptr_t, intptr_t) {
  switch (message) {
    case win::WM_NCCREATE:
      return 1;
    case win::WM_CLOSE:
      DestroyWindow(window);
      return 0;
    default:
      return 0;
  }
}

intptr_t* TSimUser::UserDataLocked(win::HWND window, int index) {
  TWindow* known = WindowLocked(window);
  if (known == nullptr) {
    SimSetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  // The window's own value is the one slot the Sim keeps.
  if (index != win::GWLP_USERDATA) {
    SimSetLastError(win::ERROR_INVALID_INDEX);
    return nullptr;
  }
  SimSetLastError(win::ERROR_SUCCESS);
  return &known->UserData;
}

intptr_t TSimUser::SetWindowLongPtrW(win::HWND window, int index, intptr_t value) {
  std::lock_guard guard(FLock);
  intptr_t* slot = UserDataLocked(window, index);
  return slot != nullptr ? std::exchange(*slot, value) : 0;
}

intptr_t TSimUser::GetWindowLongPtrW(win::HWND window, int index) {
  std::lock_guard guard(FLock);
  const intptr_t* slot = UserDataLocked(window, index);
  return slot != nullptr ? *slot : 0;
}

win::DWORD TSimUser::GetWindowThreadProcessId(win::HWND window, win::DWORD* processId) {
  std::lock_guard guard(FLock);
  TWindow* known = WindowLocked(window);
  if (known == nullptr) {
    SimSetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (processId != nullptr) *processId = FMachine.Process().ProcessId();
  return known->ThreadId;
}

bool TSimUser::PostMessageW(win::HWND window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  win::DWORD thread = FMachine.Process().GetCurrentThreadId();
  std::lock_guard guard(FLock);
  if (window != nullptr) {
    TWindow* known = WindowLocked(window);
    if (known == nullptr) {
      SimSetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
      return false;
    }
    thread = known->ThreadId;
  }
  win::MSG posted;
  posted.hwnd = window;
  posted.message = message;
  posted.wParam = wParam;
  posted.lParam = lParam;
  posted.time = static_cast<win::DWORD>(FMachine.Clock().GetTickCount64());
  QueueLocked(thread).Posted.push_back(posted);
  FChanged.notify_all();
  return true;
}

bool TSimUser::PostThreadMessageW(win::DWORD threadId, uint32_t message, uintptr_t wParam,
                                  intptr_t lParam) {
  std::lock_guard guard(FLock);
  // Only a thread that has a message queue (it took messages or made a window) gets one.
  auto queue = FQueues.find(threadId);
  if (queue == FQueues.end()) {
    SimSetLastError(win::ERROR_INVALID_THREAD_ID);
    return false;
  }
  win::MSG posted;
  posted.message = message;
  posted.wParam = wParam;
  posted.lParam = lParam;
  posted.time = static_cast<win::DWORD>(FMachine.Clock().GetTickCount64());
  queue->second->Posted.push_back(posted);
  FChanged.notify_all();
  return true;
}

void TSimUser::PostQuitMessage(int exitCode) {
  const win::DWORD self = FMachine.Process().GetCurrentThreadId();
  std::lock_guard guard(FLock);
  TQueue& queue = QueueLocked(self);
  queue.Quit = true;
  queue.QuitCode = exitCode;
  FChanged.notify_all();
}

intptr_t TSimUser::SendMessageW(win::HWND window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
  uintptr_t result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, win::SMTO_NORMAL, UINT32_MAX, &result);
  return static_cast<intptr_t>(result);
}

intptr_t TSimUser::SendMessageTimeoutW(win::HWND window, uint32_t message, uintptr_t wParam,
                                       intptr_t lParam, uint32_t, uint32_t timeout,
                                       uintptr_t* result) {
  const win::DWORD self = FMachine.Process().GetCurrentThreadId();
  std::unique_lock lock(FLock);
  TWindow* known = WindowLocked(window);
  if (known == nullptr) {
    SimSetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (known->ThreadId == self) {
    // The window's own thread calls the procedure directly.
    const win::WNDPROC procedure = known->Procedure;
    lock.unlock();
    const intptr_t answer = procedure(window, message, wParam, lParam);
    if (result != nullptr) *result = static_cast<uintptr_t>(answer);
    SimSetLastError(win::ERROR_SUCCESS);
    return 1;
  }
  auto sent = std::make_shared<TSent>(TSent{window, message, wParam, lParam});
  QueueLocked(known->ThreadId).Sent.push_back(sent);
  FChanged.notify_all();
  const bool forever = timeout == UINT32_MAX;
  const uint64_t deadline = FMachine.Clock().GetTickCount64() + timeout;
  while (!sent->Done) {
    // Messages sent to this thread are served while it waits, as user32 does.
    RunSentLocked(lock, self);
    if (sent->Done) break;
    if (!forever && FMachine.Clock().GetTickCount64() >= deadline) {
      // The message stays queued and runs when the window's thread takes messages; its
      // result is no longer waited for.
      SimSetLastError(win::ERROR_TIMEOUT);
      return 0;
    }
    if (FMachine.Clock().IsDriven()) {
      FChanged.wait(lock);
    } else {
      FChanged.wait_for(lock, kRealTimeSlice);
    }
  }
  if (result != nullptr) *result = static_cast<uintptr_t>(sent->Result);
  SimSetLastError(win::ERROR_SUCCESS);
  return 1;
}

uintptr_t TSimUser::SetTimer(win::HWND window, uintptr_t id, uint32_t elapse,
                             win::TIMERPROC timerProc) {
  const win::DWORD self = FMachine.Process().GetCurrentThreadId();
  // Windows keeps the period between USER_TIMER_MINIMUM and USER_TIMER_MAXIMUM.
  elapse = std::clamp<uint32_t>(elapse, 10, 0x7FFFFFFF);
  std::lock_guard guard(FLock);
  win::DWORD thread = self;
  if (window != nullptr) {
    TWindow* known = WindowLocked(window);
    if (known == nullptr) {
      SimSetLastError(win::ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (known->ThreadId != self) {
      SimSetLastError(win::ERROR_ACCESS_DENIED);
      return 0;
    }
    thread = known->ThreadId;
  } else {
    // A thread timer gets an id of its own (a given id names one to replace).
    const bool replaces = std::any_of(FTimers.begin(), FTimers.end(), [&](const TTimer& t) {
      return t.Window == nullptr && t.Id == id && t.ThreadId == self;
    });
    if (!replaces) id = FNextTimerId++;
  }
  const uint64_t due = FMachine.Clock().GetTickCount64() + elapse;
  QueueLocked(thread);
  for (TTimer& timer : FTimers) {
    if (timer.Window == window && timer.Id == id && timer.ThreadId == thread) {
      timer.Elapse = elapse;
      timer.Procedure = timerProc;
      timer.Due = due;
      FChanged.notify_all();
      return window != nullptr ? 1 : id;
    }
  }
  FTimers.push_back({window, id, elapse, timerProc, thread, due});
  FChanged.notify_all();
  return window != nullptr ? (id != 0 ? id : 1) : id;
}

bool TSimUser::KillTimer(win::HWND window, uintptr_t id) {
  const win::DWORD self = FMachine.Process().GetCurrentThreadId();
  std::lock_guard guard(FLock);
  const size_t removed = std::erase_if(FTimers, [&](const TTimer& timer) {
    return timer.Window == window && timer.Id == id &&
           (window != nullptr || timer.ThreadId == self);
  });
  if (removed == 0) {
    SimSetLastError(1402 /* ERROR_INVALID_TIMER_HANDLE */);
    return false;
  }
  // A WM_TIMER already taken stays; none is generated any more.
  return true;
}

void TSimUser::PostMessage(const win::MSG& message) {
  win::DWORD thread = FMachine.Process().GetCurrentThreadId();
  std::lock_guard guard(FLock);
  if (TWindow* known = WindowLocked(message.hwnd)) thread = known->ThreadId;
  QueueLocked(thread).Posted.push_back(message);
  FChanged.notify_all();
}

std::vector<win::MSG> TSimUser::Dispatched() const {
  std::lock_guard guard(FLock);
  return FDispatched;
}

size_t TSimUser::WindowCount() const {
  std::lock_guard guard(FLock);
  return FWindows.size();
}

void TSimUser::ClockMoved() {
  std::lock_guard guard(FLock);
  ++FClockMoves;
  FChanged.notify_all();
}
