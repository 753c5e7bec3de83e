// The rule for relative paths that must stay inside the folder they are joined to (the
// entries of an install script): written by an elevated installer, such a path must not
// reach anywhere else. Any thread.
#pragma once

#include <string>
#include <string_view>

// True when the path is relative and stays inside: not empty, not rooted ("\x"), no drive
// ("C:x"), no UNC or device form ("\\server", "\\?\", "\\.\"), no stream or drive colon
// anywhere, and no "." or ".." part. Files are written through the long-path prefix, under
// which Windows neither collapses a doubled separator nor takes "/" as one, so what it would
// refuse as a name is refused too: an empty part (a doubled or a trailing "\"), "/", the
// characters < > " | ? * and control characters. Otherwise false, and the reason in words when
// a text is given.
//   "UI\Icons\a.ico" => true     "..\x" => false     "C:\x" => false     "a\.\b" => false
//   "UI\\a.ico" => false    "UI\" => false    "UI/a.ico" => false    "a?.ico" => false
bool RelativePathStaysInside(std::u16string_view path, std::u16string* reason = nullptr);
