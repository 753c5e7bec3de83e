// The job pool module: handlers, queues and worker threads.
#pragma once

#include <string_view>

#include "lib/runtime/uUnits.h"

// The job pool. Main thread for its lifecycle.
class TJobPool : public TUnit {
 public:
  static constexpr std::u16string_view UnitName = u"uJobPool";
};

extern TJobPool* JobPool;
