// Alerts and stop checks; the exception base; 64-bit flag words.
#include "lib/system/uMisc.h"

#include <bit>
#include <mutex>

#include "lib/platform/uPlatform.h"
#include "lib/platform/uPlatformText.h"

Exception::Exception(std::u16string message)
    : FMessage(std::move(message)), FWhat(TextToUtf8(FMessage)) {}

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

// --- 64-bit flag words ---

int FlagsCount(uint64_t flags) { return std::popcount(flags); }

bool FlagsHas(uint64_t flags, uint64_t flag) {
  Verify(FlagsCount(flag) <= 1);
  return (flags & flag) != 0;
}

bool FlagsHasAny(uint64_t flags, uint64_t mask) {
  Verify(mask != 0);
  return (flags & mask) != 0;
}

void FlagsAdd(uint64_t& flags, uint64_t mask) { flags |= mask; }

uint64_t FlagsAdded(uint64_t flags, uint64_t mask) { return flags | mask; }

void FlagsRemove(uint64_t& flags, uint64_t flag) { flags = FlagsRemoved(flags, flag); }

void FlagsRemove32(uint32_t& flags, uint64_t flag) {
  // Clearing rather than toggling: a flag of several bits of which only some are set must not
  // set the others.
  if (FlagsHas(flags, flag)) flags &= ~static_cast<uint32_t>(flag);
}

uint64_t FlagsRemoved(uint64_t flags, uint64_t flag) {
  // Clearing rather than toggling, as in FlagsRemove32.
  return FlagsHas(flags, flag) ? flags & ~flag : flags;
}

bool IsExceptionReportable(const std::exception& exception) {
  return dynamic_cast<const EOleSysError*>(&exception) == nullptr &&
         dynamic_cast<const EIntfCastError*>(&exception) == nullptr &&
         dynamic_cast<const EStackOverflow*>(&exception) == nullptr;
}
