// The resource stream.
#include "lib/values/uResourceStream.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "lib/platform/uPlatform.h"

TResourceStream::TResourceStream(std::u16string_view name) {
  TPlatformResources& resources = Platform().Resources();
  const win::HRSRC found = resources.FindResourceW(nullptr, name, win::RT_RCDATA);
  const win::HGLOBAL loaded = found != nullptr ? resources.LoadResource(nullptr, found) : nullptr;
  const void* bytes = loaded != nullptr ? resources.LockResource(loaded) : nullptr;
  if (bytes == nullptr) {
    throw EResNotFound(u"Resource " + std::u16string(name) + u" not found");
  }
  FBytes = {static_cast<const uint8_t*>(bytes), resources.SizeofResource(nullptr, found)};
}

int32_t TResourceStream::Read(void* buffer, int32_t count) {
  if (count <= 0 || FPosition >= Size()) return 0;
  const int64_t take = std::min<int64_t>(count, Size() - FPosition);
  std::memcpy(buffer, FBytes.data() + FPosition, static_cast<size_t>(take));
  FPosition += take;
  return static_cast<int32_t>(take);
}
