// pending_rename: the two halves of a test that a move scheduled for the next Windows start
// really happens at that start. "record" schedules the replacement of target.tmp by
// source.tmp beside this program and checks that nothing moved yet; "check" (after the
// restart) checks that the move was carried out. Prints one result line.
//   pending_rename record|check
#include <cstdio>
#include <string>

#include "lib/paths/uPaths.h"
#include "lib/values/uFileStream.h"

namespace {

std::string Content(const TPath& path) {
  try {
    TFileStream stream(path.ToString(), TFileStream::TMode::OpenRead);
    std::string bytes(static_cast<size_t>(stream.Size()), '\0');
    stream.Read(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
  } catch (const Exception&) {
    return "<missing>";
  }
}

void Write(const TPath& path, const std::string& bytes) {
  TFileStream stream(path.ToString(), TFileStream::TMode::Create);
  stream.Write(bytes.data(), static_cast<int32_t>(bytes.size()));
}

int Report(bool ok, const char* what) {
  std::printf("%s: %s\n", ok ? "1 passed, 0 failed" : "0 passed, 1 failed", what);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string phase = argc == 2 ? argv[1] : "";
  const TPath folder = ExeFilePath().PathToParent();
  const TPath source = folder + u"pending-source.tmp";
  const TPath target = folder + u"pending-target.tmp";
  if (phase == "record") {
    Write(source, "new");
    Write(target, "old");
    const bool scheduled = FsMove(source, target, win::MOVEFILE_REPLACE_EXISTING | win::MOVEFILE_DELAY_UNTIL_REBOOT, false);
    return Report(scheduled && Content(source) == "new" && Content(target) == "old",
                  "a move for the next start is recorded and nothing moves yet");
  }
  if (phase == "check") {
    const bool moved = Content(target) == "new" && !FsExists(source);
    FsDelete(target);
    return Report(moved, "the restart carried out the move");
  }
  std::fprintf(stderr, "usage: pending_rename record|check\n");
  return 2;
}
