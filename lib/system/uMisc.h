// The library's checks of its own assumptions. Alerts report a problem and let the caller go
// on with a harmless result; stop checks report and raise EDebugStop. They work from program
// start: until a problem reporter is installed (the diagnostics module installs one when it
// starts) an alert reaches only the debugger. Also here: the library's exception base, flag
// words and which exceptions problem reports leave out. On the platform and the standard library
// alone: every other module may use them (problem reports skip this unit's frames).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <string>
#include <string_view>

// Base of every exception the library raises. Carries a UTF-16 message; what() gives it in
// UTF-8. Any thread.
class Exception : public std::exception {
 public:
  explicit Exception(std::u16string message);
  const std::u16string& Message() const noexcept { return FMessage; }
  const char* what() const noexcept override { return FWhat.c_str(); }

 private:
  std::u16string FMessage;
  std::string FWhat;
};

// Raised by the stop checks (StopIf, StopIfNot); the message starts with "Error: ".
class EDebugStop : public Exception {
 public:
  using Exception::Exception;
};

// Receives every alert: the problem type ("Alert") and the message. Called on the thread that
// found the problem.
using TProblemReporter = std::function<void(std::u16string_view type, std::u16string_view message)>;

// Installs the reporter that alerts go to and returns the one before (empty at program start).
// Any thread.
TProblemReporter ProblemReporterSet(TProblemReporter reporter);

// When condition holds: reports an "Alert" problem with the message; under a debugger also
// writes "Warning: " + message to the debugger output and breaks. Never throws. Any thread.
void AlertIf(bool condition, std::u16string_view message);
// AlertIf(true, message).
void Alert(std::u16string_view message);
// Marks code that is not to be reached: AlertIf(true, "Should not be used").
void AlertIfUsed();
// Returns condition; an alert with an empty message when it is false.
bool Verify(bool condition);

// When condition holds: sends "Error: " + message to the debugger output, breaks under a
// debugger and raises EDebugStop with that text. Any thread.
void StopIf(bool condition, std::u16string_view message);
// StopIf(!condition, message); returns condition.
bool StopIfNot(bool condition, std::u16string_view message);

// The process runs under a debugger.
bool IsRunningUnderDebugger();
// A break-point trap when IsRunningUnderDebugger.
void DebugBreakIfDebugging();

// --- 64-bit flag words ---
// Words of single-bit flags (file attributes, access masks). Any thread.

// The number of set bits.   0b1011 => 3
int FlagsCount(uint64_t flags);
// flags and flag share a bit. Verifies that flag has at most one bit (an alert otherwise, and
// the answer is still given).
bool FlagsHas(uint64_t flags, uint64_t flag);
// flags and mask share a bit. Verifies that mask has at least one bit (an alert otherwise).
bool FlagsHasAny(uint64_t flags, uint64_t mask);
// Sets the bits of mask in flags.
void FlagsAdd(uint64_t& flags, uint64_t mask);
// flags with the bits of mask set.
uint64_t FlagsAdded(uint64_t flags, uint64_t mask);
// Clears flag in flags when FlagsHas finds it. A flag of several bits (after its alert) clears
// all of them and never sets one.
void FlagsRemove(uint64_t& flags, uint64_t flag);
// FlagsRemove for a 32-bit word; bits of flag above bit 31 are not in it.
void FlagsRemove32(uint32_t& flags, uint64_t flag);
// flags with flag cleared, as FlagsRemove.
uint64_t FlagsRemoved(uint64_t flags, uint64_t flag);

// --- Exceptions that the debug module leaves to others ---

// A COM call failed with an HRESULT.
class EOleSysError : public Exception {
 public:
  EOleSysError(std::u16string message, int32_t errorCode)
      : Exception(std::move(message)), FErrorCode(errorCode) {}
  int32_t ErrorCode() const { return FErrorCode; }

 private:
  int32_t FErrorCode;
};

// A COM object raised an exception (an HRESULT with the object's description).
class EOleException : public EOleSysError {
 public:
  using EOleSysError::EOleSysError;
};

// An interface query for an interface the object does not implement.
class EIntfCastError : public Exception {
 public:
  using Exception::Exception;
};

// The thread's stack ran out.
class EStackOverflow : public Exception {
 public:
  using Exception::Exception;
};

// False for COM system errors, COM exceptions, interface cast failures and stack overflows
// (and their subclasses); true for every other exception.
bool IsExceptionReportable(const std::exception& exception);
