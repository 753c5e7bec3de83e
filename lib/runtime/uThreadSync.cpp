// Named locks and the lock-order controller module.
#include "lib/runtime/uThreadSync.h"

TLockController* LockController = nullptr;
