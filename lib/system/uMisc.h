// The library's checks of its own assumptions. Alerts report a problem and let the caller go
// on with a harmless result; stop checks report and raise EDebugStop. They work from program
// start: until a problem reporter is installed (the diagnostics module installs one when it
// starts) an alert reaches only the debugger.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "lib/values/uMiscLean.h"

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
