// Adding a further printer under a name the user picks in the Add Printer dialog: driven
// by a dialog, it sits above both the installation and the dialogs.
#pragma once

#include "core/target.h"

void AddPDFPrinterInstance(const Target& target);
