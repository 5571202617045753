// Adding a further printer under a name the user picks.
#pragma once

#include "install/printer_names.h"

void AddPDFPrinterInstance();
