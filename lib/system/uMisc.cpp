// Alerts and stop checks.
#include "lib/system/uMisc.h"

#include <mutex>

#include "lib/platform/uPlatform.h"

namespace {

std::mutex& ReporterLock() {
  static std::mutex lock;
  return lock;
}

// Guarded by ReporterLock(). A function-local static so that alerts raised during static
// initialisation find it constructed.
TProblemReporter& Reporter() {
  static TProblemReporter reporter;
  return reporter;
}

}  // namespace

TProblemReporter ProblemReporterSet(TProblemReporter reporter) {
  std::lock_guard guard(ReporterLock());
  std::swap(Reporter(), reporter);
  return reporter;
}

void AlertIf(bool condition, std::u16string_view message) {
  if (!condition) return;
  TProblemReporter reporter;
  {
    std::lock_guard guard(ReporterLock());
    reporter = Reporter();
  }
  // The reporter runs outside the lock: it may log, queue jobs or raise alerts itself.
  if (reporter) {
    try {
      reporter(u"Alert", message);
    } catch (...) {
      // An alert never throws, whatever its receiver does.
    }
  }
  if (IsRunningUnderDebugger()) {
    Platform().Process().OutputDebugStringW(std::u16string(u"Warning: ").append(message));
    DebugBreakIfDebugging();
  }
}

void Alert(std::u16string_view message) { AlertIf(true, message); }

void AlertIfUsed() { AlertIf(true, u"Should not be used"); }

bool Verify(bool condition) {
  AlertIf(!condition, u"");
  return condition;
}

void StopIf(bool condition, std::u16string_view message) {
  if (!condition) return;
  std::u16string text = std::u16string(u"Error: ").append(message);
  Platform().Process().OutputDebugStringW(text);
  DebugBreakIfDebugging();
  throw EDebugStop(std::move(text));
}

bool StopIfNot(bool condition, std::u16string_view message) {
  StopIf(!condition, message);
  return condition;
}

bool IsRunningUnderDebugger() { return Platform().Process().IsDebuggerPresent(); }

void DebugBreakIfDebugging() {
  if (IsRunningUnderDebugger()) Platform().Process().DebugBreak();
}
