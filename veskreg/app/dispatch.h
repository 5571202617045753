// Running the one operation the command line selected.
#pragma once

#include <cstdint>

#include "app/command_line.h"
#include "install/product_printers.h"

inline constexpr int32_t kExitNoOperation = 212;
inline constexpr int32_t kExitMultipleProductPrinters = 1;

// Sets the install context from the dispatch, runs the selected operation and sets
// ProcessExitCode for the end-of-process routine.
void RunOperation(Dispatch& dispatch);
