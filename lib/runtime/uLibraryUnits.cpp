// Registration of the library's modules. Linked as an object file (never from an archive) so
// that its static initialisation always runs before the program entry.
#include "lib/runtime/uLibraryUnits.h"

#include "lib/diagnostics/uDebug.h"
#include "lib/runtime/uJobPool.h"
#include "lib/runtime/uThreadSync.h"

void LibraryUnitsRegister() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  UnitsAdd(LockController, {});
  UnitsAdd(Debug, {u"uThreadSync", u"uJobPool"});
  UnitsAdd(JobPool, {u"uThreadSync"});
}

namespace {

const bool GLibraryUnitsRegistered = (LibraryUnitsRegister(), true);

}  // namespace
