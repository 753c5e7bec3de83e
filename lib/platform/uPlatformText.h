// The text rules of the platform boundary: UTF-16 <-> UTF-8 and ASCII case folding (Windows
// names of files, resources, privileges and keys). On the standard library alone, so that the
// backends and every module above them share one copy. Any thread.
#pragma once

#include <string>
#include <string_view>

// UTF-16 => UTF-8. A lone surrogate becomes U+FFFD.
std::string TextToUtf8(std::u16string_view text);
// UTF-8 => UTF-16. An invalid byte sequence becomes U+FFFD per offending byte.
std::u16string TextFromUtf8(std::string_view text);

// ASCII folding: a-z become A-Z; every other code unit stays.   'a' => 'A'   'ä' => 'ä'
char16_t AsciiUpper(char16_t c);
// The text with AsciiUpper applied to each code unit.   "Vol_ä1" => "VOL_ä1"
std::u16string TextUpperAscii(std::u16string_view text);
// Same length and the same code units after AsciiUpper.   ("Kernel32", "KERNEL32") => true
bool TextEqualsIgnoreCase(std::u16string_view a, std::u16string_view b);
