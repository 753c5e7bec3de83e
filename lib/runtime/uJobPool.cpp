// The job pool module.
#include "lib/runtime/uJobPool.h"

TJobPool* JobPool = nullptr;
