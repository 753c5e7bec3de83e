// Relative paths that stay inside.
#include "lib/paths/uRelativePath.h"

bool RelativePathStaysInside(std::u16string_view path, std::u16string* reason) {
  auto refuse = [reason](const char16_t* why) {
    if (reason != nullptr) *reason = why;
    return false;
  };
  if (path.empty()) return refuse(u"the path is empty");
  if (path[0] == u'\\' || path[0] == u'/') {
    return refuse(u"the path is rooted, a UNC or a device path, outside the installation folder");
  }
  if (path.find(u':') != std::u16string_view::npos) {
    return refuse(u"the path names a drive or a stream, outside the installation folder");
  }
  // Under the long-path prefix "/" is no separator but, like the characters below, one that no
  // name may hold: the installer could not write the file.
  for (char16_t c : path) {
    if (c < 32 || std::u16string_view(u"/<>\"|?*").find(c) != std::u16string_view::npos) {
      return refuse(u"the path holds a character that no Windows name may hold (a control "
                    u"character or one of / < > \" | ? *; the separator is \\)");
    }
  }
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    const std::u16string_view part = path.substr(start, end - start);
    // Files are written through the long-path prefix, under which Windows keeps an empty part
    // instead of collapsing the doubled separator, and refuses it as an invalid name.
    if (part.empty()) {
      return refuse(u"the path has an empty part (a doubled or a trailing separator), which is no "
                    u"valid name for the installer to write");
    }
    // Windows drops trailing dots and spaces of a name, so ".. " is ".." and "..." nothing.
    if (part.find_first_not_of(u". ") == std::u16string_view::npos) {
      return refuse(u"the path has a part of dots (\".\" or \"..\"), which may lead outside the "
                    u"installation folder");
    }
    start = end + 1;
  }
  return true;
}
