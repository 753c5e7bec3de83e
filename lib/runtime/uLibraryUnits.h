// The library's modules, registered with the global module registry in one place.
#pragma once

// Registers the lock controller ("uThreadSync"), the diagnostics module ("uDebug", needing
// "uThreadSync" and "uJobPool") and the job pool ("uJobPool", needing "uThreadSync"), in that
// order. Runs by itself during static initialisation of every program that links the library's
// start-up objects; later calls do nothing.
void LibraryUnitsRegister();
