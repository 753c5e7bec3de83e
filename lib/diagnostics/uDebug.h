// The diagnostics module: debug log, hang detection and problem reports.
#pragma once

#include <string_view>

#include "lib/runtime/uUnits.h"

// The diagnostics module. Main thread for its lifecycle.
class TDebug : public TUnit {
 public:
  static constexpr std::u16string_view UnitName = u"uDebug";
};

extern TDebug* Debug;
