// Named locks and the lock-order controller module.
#pragma once

#include <string_view>

#include "lib/runtime/uUnits.h"

// The module that keeps the lock-taking hierarchy. Main thread for its lifecycle.
class TLockController : public TUnit {
 public:
  static constexpr std::u16string_view UnitName = u"uThreadSync";
};

extern TLockController* LockController;
