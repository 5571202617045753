// Running the one operation the command line selected.
#pragma once

#include <cstdint>

#include "app/command_line.h"
#include "install/product_printers.h"

inline constexpr int32_t kExitNoOperation = 212;
inline constexpr int32_t kExitMultipleProductPrinters = 1;
// -verify found a problem.
inline constexpr int32_t kExitProblemFound = 2;

// Chooses the run's target and driver kind, runs the selected operation (then, with
// -verify, checks what it was asked to do) and returns the process exit code.
int32_t RunOperation(Dispatch& dispatch);
