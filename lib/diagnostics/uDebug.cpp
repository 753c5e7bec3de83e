// The diagnostics module.
#include "lib/diagnostics/uDebug.h"

TDebug* Debug = nullptr;
