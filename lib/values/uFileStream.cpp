// The file stream.
#include "lib/values/uFileStream.h"

#include "lib/platform/uPlatform.h"

namespace {

std::u16string Reason() { return u"Windows error " + IntToText(Platform().GetLastError()); }

}  // namespace

TFileStream::TFileStream(std::u16string_view fileName, TMode mode) : FFileName(fileName) {
  TPlatformFiles& files = Platform().Files();
  if (mode == TMode::OpenRead) {
    FHandle = files.CreateFileW(fileName, win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING,
                                win::FILE_ATTRIBUTE_NORMAL);
    if (FHandle == win::INVALID_HANDLE_VALUE) {
      throw EFOpenError(u"Cannot open file \"" + FFileName + u"\". " + Reason());
    }
  } else {
    FHandle = files.CreateFileW(fileName, win::GENERIC_READ | win::GENERIC_WRITE, 0, win::CREATE_ALWAYS,
                                win::FILE_ATTRIBUTE_NORMAL);
    if (FHandle == win::INVALID_HANDLE_VALUE) {
      throw EFCreateError(u"Cannot create file \"" + FFileName + u"\". " + Reason());
    }
  }
}

TFileStream::~TFileStream() { Platform().Files().CloseHandle(FHandle); }

int64_t TFileStream::Size() {
  int64_t size = 0;
  if (!Platform().Files().GetFileSizeEx(FHandle, &size)) throw EReadError(u"Stream read error. " + Reason());
  return size;
}

int64_t TFileStream::Position() {
  int64_t position = 0;
  Platform().Files().SetFilePointerEx(FHandle, 0, &position, win::FILE_CURRENT);
  return position;
}

void TFileStream::SetPosition(int64_t position) {
  Platform().Files().SetFilePointerEx(FHandle, position, nullptr, win::FILE_BEGIN);
}

int32_t TFileStream::Read(void* buffer, int32_t count) {
  if (count <= 0) return 0;
  win::DWORD read = 0;
  if (!Platform().Files().ReadFile(FHandle, buffer, static_cast<win::DWORD>(count), &read)) {
    throw EReadError(u"Stream read error. " + Reason());
  }
  return static_cast<int32_t>(read);
}

void TFileStream::Write(const void* buffer, int32_t count) {
  if (count <= 0) return;
  win::DWORD written = 0;
  if (!Platform().Files().WriteFile(FHandle, buffer, static_cast<win::DWORD>(count), &written) ||
      written != static_cast<win::DWORD>(count)) {
    throw EWriteError(u"Stream write error. " + Reason());
  }
}
