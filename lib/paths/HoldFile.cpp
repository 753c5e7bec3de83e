// hold_file: a second process for the file-operation tests. Opens FILE for reading and writing
// with no sharing, creates FILE.held to say so, and keeps the file open until FILE.release
// exists (or 60 seconds pass).
//   hold_file FILE
#include <cstdio>
#include <string>

#include "lib/platform/uPlatform.h"
#include "lib/values/uMiscLean.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: hold_file FILE\n");
    return 2;
  }
  TPlatform& platform = Platform();
  TPlatformFiles& files = platform.Files();
  const std::u16string name = TextFromUtf8(argv[1]);
  const win::HANDLE held = files.CreateFileW(name, win::GENERIC_READ | win::GENERIC_WRITE, 0,
                                             win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  if (held == win::INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold_file: cannot open %s (%u)\n", argv[1], platform.GetLastError());
    return 1;
  }
  const win::HANDLE marker = files.CreateFileW(name + u".held", win::GENERIC_WRITE, 0, win::CREATE_ALWAYS,
                                               win::FILE_ATTRIBUTE_NORMAL);
  files.CloseHandle(marker);
  for (int waited = 0; waited < 60'000; waited += 20) {
    if (files.GetFileAttributesW(name + u".release") != win::INVALID_FILE_ATTRIBUTES) break;
    platform.Clock().Sleep(20);
  }
  files.CloseHandle(held);
  return 0;
}
