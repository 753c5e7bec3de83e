// The process's start parameters: the command-line arguments as one flexible array, read into
// command/value pairs ("-Name value ..."), and the composing of such pairs into the argument
// text of a command line for a process the program starts. Command lines are split by this
// module's own rules on every host, so that Linux and Windows read them alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "lib/values/uFlexArray.h"

// The start parameters. From static initialisation on, raw: one keyless text value per
// command-line argument in order, argument 0 (the program) left out. After StartParamsParse,
// parsed: one entry per command. Usable from any static initialiser or destructor, whatever
// the order of the units; empty after this module's finalisation. Main thread only.
extern TFlexArray& StartParams;

// The arguments of a command line, argument 0 included:
//  - characters at or below the blank (code 32) separate arguments;
//  - an empty pair of double quotes where an argument would start is skipped;
//  - inside an argument a double quote opens a quoted run that ends at the next double quote
//    (or the end of the text); the quotes are dropped and blanks inside the run stay;
//  - there is no escape character; an argument that comes out empty ends the list.
//   setup.exe -a "b c" d   => [setup.exe, -a, b c, d]
//   setup.exe "" x         => [setup.exe, x]
//   setup.exe a"b c"d      => [setup.exe, ab cd]
//   setup.exe "C:\x\" y    => [setup.exe, C:\x\, y]
//   setup.exe a "          => [setup.exe, a]
// Pure; any thread.
std::vector<std::u16string> StartParamsSplit(std::u16string_view commandLine);

// Appends every argument of the process's command line (GetCommandLineW of the platform, split
// by StartParamsSplit) but argument 0 to StartParams as a keyless text value. Called once by
// this module's initialisation.
void StartParamsFromCommandLine();

// Rebuilds StartParams in parsed form: an argument that begins with prefix starts a command
// (its name is the argument without its first character); the arguments up to the next
// command, joined by one blank, are its text value (empty text when none follow). A command
// given again keeps its first position and takes the later value.
//   [-A, -B, x, -A, y]  => A = "y", B = "x"
//   [--x]               => "-x" = ""
//   [-]                 => empty
// An argument before the first command raises EDebugStop ("Error: Empty commands are not yet
// supported"), and StartParams is left unchanged.
void StartParamsParse(char16_t prefix);

// The argument text of a command line (without the program) for a parsed-form array: for each
// entry prefix + key, then, unless the value's text (VariantToFlexString) is empty, a blank and
// the text, in double quotes when it holds a blank. Nothing is escaped.
//   Hidden = "", RequestedElevation = true  => -Hidden -RequestedElevation True
//   Installer = "C:\My Apps\a.exe"          => -Installer "C:\My Apps\a.exe"
// A command line cannot carry a double quote: one in a key or value would end or open a quoted
// run in the reader and split the text into other arguments. Such quotes are dropped, with an
// alert, so the text stays one value (the reader would not have kept them either):
//   Note = say "hi" now                     => -Note "say hi now"   (and an alert)
// A values-only array (entry 0 without key) raises EDebugStop ("Error: for now only parsed
// (command/value) params are supported"). Any thread, one array per thread.
std::u16string StartParamsToCommandLine(const TFlexArray& params, char16_t prefix);
