// Removing printers, their drivers and their Send To shortcuts.
#pragma once

#include "core/target.h"
#include "platform/types.h"

bool DeletePDFPrinterInstance(const char* printerName);
// A handle given here passes to this call, which closes it. The driver is deleted from
// the target's environment.
void DeletePDFPrinter(const char* printerName, os::PrinterHandle printer, const Target& target);
bool checkPrinterInstalled(const char* printerName, const Target& target);
void DeleteAllProductPrinters(const Target& target);
