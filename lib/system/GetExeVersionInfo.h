// The file version of executables and libraries, read from the fixed part of their version
// resource. The running executable's version is read once and then kept for the process.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Delivers the file version (major, minor, release, build: the high and low words of the
// version's most and least significant double words) of `fileName`, or of the running
// executable when it is empty. False when the file has no readable version resource; the out
// values are then left as they were. The running executable's numbers are kept after the
// first successful read, for the empty name and for its exact path (letter case included).
// Any thread.
bool ExeVersionInfo(uint16_t& major, uint16_t& minor, uint16_t& release, uint16_t& build,
                    std::u16string_view fileName = {});

// The build number of the file (empty name: the running executable), or 0 when its version
// cannot be read.
uint16_t ExeBuildNumber(std::u16string_view fileName = {});

// The running executable's version as major.minor.release ("4.1.807"), or empty text when it
// cannot be read.
std::u16string ExeVersionText();

// Forgets the running executable's kept version. For tests, which exchange the platform (and
// with it the running executable) beneath it.
void ExeVersionCacheClear();
