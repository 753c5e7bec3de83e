// The backend choice: Win32 on Windows, a shared Sim elsewhere. The module above both backends;
// it installs the seam's default-backend hook from a static object that runs before every
// ordinary static initialiser (priority 101), so Platform() works during static initialisation
// of any other unit. Linked as a whole into every program (never dropped from an archive).
#include "lib/platform/uPlatform.h"

#ifdef _WIN32
#include "lib/platform/uPlatformWin32.h"
#else
#include "lib/platform/uPlatformSim.h"
#endif

namespace {

TPlatform& ChosenPlatform() {
#ifdef _WIN32
  static TWin32Platform platform;
#else
  static TSimPlatform platform;
#endif
  return platform;
}

struct TPlatformChoice {
  TPlatformChoice() { PlatformDefaultHookSet(&ChosenPlatform); }
};

__attribute__((init_priority(101))) const TPlatformChoice GPlatformChoice;

}  // namespace
