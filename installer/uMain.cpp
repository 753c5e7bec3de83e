// The installer's splash form: install script and payload extraction.
#include "installer/uMain.h"

#include <cstring>
#include <string>

#include "compress/LZMAStream.h"
#include "lib/paths/uRelativePath.h"
#include "lib/platform/uPlatform.h"
#include "lib/system/uMisc.h"
#include "lib/values/uFileStream.h"
#include "lib/values/uMiscLean.h"
#include "lib/values/uResourceStream.h"
#include "lib/values/uTextList.h"

namespace {

// Raised inside the per-entry guard for a step that reports failure by its result.
class EEntryFailed : public Exception {
 public:
  using Exception::Exception;
};

}  // namespace

void TForm1::LoadInstallScript() {
  std::vector<TInstallScriptEntry> entries;
  {
    TResourceStream script(u"INSTALLSCRIPT");
    entries = InstallScriptEntries(script.Bytes());
  }
  for (const TInstallScriptEntry& entry : entries) FilesList.AddValueWithNoKey(TVariant(entry.Text));
}

void TForm1::ExtractEntry(const TPath& folder, int index) {
  const std::u16string entry = VariantAsText(FilesList.GetValueByIndex(index));
  // The installer writes with elevated rights: an entry must not reach outside the folder. Nor
  // may it hold what the long-path prefix below keeps as an invalid name (an empty part, "/").
  if (!RelativePathStaysInside(entry)) throw EEntryFailed(u"Unsafe entry " + entry);

  const TResourceStream resource(u"F" + VariantAsText(TVariant(index)));
  // Only this entry's container and file are held, and freed before the next entry.
  TLZMAStream container;
  container.PrepareStreams();
  const std::span<const uint8_t> bytes = resource.Bytes();
  container.Compressed->SetSize(static_cast<int64_t>(bytes.size()));
  if (!bytes.empty()) std::memcpy(container.Compressed->Memory(), bytes.data(), bytes.size());
  container.Compressed->SetPosition(0);
  container.Decompress();

  const TPath target = folder + entry;
  // A folder that cannot be made shows as the file that cannot be created below.
  FsForceParentFolder(target);
  // Like every file operation, the write reaches the platform with the long-path prefix.
  TPath written = target;
  LongPathPrefixAdd(written);
  TFileStream file(written.ToString(), TFileStream::TMode::Create);
  // Containers hold less than 2 GiB, so the size fits one write.
  file.Write(container.Decompressed->Memory(),
             static_cast<int32_t>(container.Decompressed->Size()));
}

bool TForm1::ExtractPayload(const TPath& folder) {
  StopIf(FilesList.Count() == 0, u"");
  bool result = true;
  for (int i = 0; i < FilesList.Count(); ++i) {
    try {
      ExtractEntry(folder, i);
    } catch (...) {
      // Any failure of one entry (std::bad_alloc included) fails that entry only.
      result = false;
      continue;
    }
    PlatformProcessMessages();
  }
  return result;
}
